#include "app/CommandLine.h"

#include "protocol/ConnectTarget.h"

namespace tolmarin {

namespace {

bool ParseConnect(const QString& url, AppOptions& o) {
    const auto target = ParseConnectTarget(url.toStdString());
    if (!target) {
        return false;
    }
    if (target->serial) {
        o.connect = AppOptions::Connect::Serial;
        o.serialPort = QString::fromStdString(target->serialPort);
    } else {
        o.connect = AppOptions::Connect::Tcp;
        o.host = QString::fromStdString(target->host);
        o.tcpPort = target->port;
    }
    return true;
}

}  // namespace

std::optional<AppOptions> ParseCommandLine(const QStringList& args, QString* bad) {
    AppOptions o;
    const auto fail = [bad](const QString& what) -> std::optional<AppOptions> {
        if (bad != nullptr) {
            *bad = what;
        }
        return std::nullopt;
    };
    for (int i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        const bool hasValue = i + 1 < args.size();
        if (a == QLatin1String("--help") || a == QLatin1String("-h")) {
            o.help = true;
        } else if (a == QLatin1String("--version")) {
            o.version = true;
        } else if (a == QLatin1String("--simulator")) {
            o.simulator = true;
        } else if (a == QLatin1String("--connect") || a == QLatin1String("--trace") ||
                   a == QLatin1String("--lang") || a == QLatin1String("--screenshot")) {
            if (!hasValue) {
                return fail(a);
            }
            const QString v = args[++i];
            if (a == QLatin1String("--connect")) {
                if (o.connect != AppOptions::Connect::None || !ParseConnect(v, o)) {
                    return fail(a + QLatin1Char(' ') + v);
                }
            } else if (a == QLatin1String("--trace")) {
                o.trace = v;
            } else if (a == QLatin1String("--screenshot")) {
                o.screenshot = v;
            } else if (v == QLatin1String("en") || v == QLatin1String("zh")) {
                o.language = v == QLatin1String("en") ? Language::English : Language::Chinese;
            } else {
                return fail(a + QLatin1Char(' ') + v);
            }
        } else if (a.startsWith(QLatin1Char('-')) || !o.file.isEmpty()) {
            return fail(a);
        } else {
            o.file = a;
        }
    }
    // One amplifier at a time: the simulator is the amplifier, so no second target.
    if (o.simulator && o.connect != AppOptions::Connect::None) {
        return fail(QStringLiteral("--simulator --connect"));
    }
    return o;
}

}  // namespace tolmarin
