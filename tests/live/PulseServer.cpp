#include "PulseServer.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QProcessEnvironment>
#include <QStandardPaths>
#include <QThread>

namespace tolmarin::testing {

namespace {

constexpr int kStartMs = 15000;

}  // namespace

PulseServer::PulseServer() {
    const QString program = QStandardPaths::findExecutable(QStringLiteral("pulseaudio"));
    if (program.isEmpty() || !m_dir.isValid()) {
        m_problem = QStringLiteral("pulseaudio is not installed (scripts/install-deps.sh)");
        return;
    }
    const QString socket = m_dir.filePath(QStringLiteral("native"));
    QFile config(m_dir.filePath(QStringLiteral("server.pa")));
    config.open(QIODevice::WriteOnly);
    config.write(
        QStringLiteral("load-module module-native-protocol-unix socket=%1 auth-anonymous=1\n"
                       "load-module module-null-sink sink_name=%2 rate=48000 channels=1 "
                       "format=float32le channel_map=mono\n"
                       "load-module module-remap-source source_name=%3 master=%2.monitor "
                       "channels=1 channel_map=mono master_channel_map=mono\n"
                       "set-default-sink %2\nset-default-source %3\n")
            .arg(socket, QString::fromLatin1(kSink), QString::fromLatin1(kSource))
            .toUtf8());
    config.close();
    // Its state, cookie and runtime files in the folder too, never the user's.
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name :
         {"HOME", "XDG_RUNTIME_DIR", "XDG_CONFIG_HOME", "PULSE_RUNTIME_PATH", "PULSE_STATE_PATH"}) {
        env.insert(QString::fromLatin1(name), m_dir.path());
    }
    env.remove(QStringLiteral("PULSE_SERVER"));
    env.remove(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"));
    m_server.setProcessEnvironment(env);
    m_server.setProcessChannelMode(QProcess::MergedChannels);
    m_server.start(
        program, {QStringLiteral("-n"), QStringLiteral("--daemonize=no"),
                  QStringLiteral("--exit-idle-time=-1"), QStringLiteral("--use-pid-file=no"),
                  QStringLiteral("--log-target=stderr"), QStringLiteral("-F"), config.fileName()});
    if (!m_server.waitForStarted(kStartMs)) {
        m_problem = QStringLiteral("pulseaudio did not start: ") + m_server.errorString();
        return;
    }
    qputenv("PULSE_SERVER", ("unix:" + socket).toUtf8());
    // Ready once a client is answered on the socket.
    const QDeadlineTimer deadline(kStartMs);
    while (!deadline.hasExpired()) {
        if (m_server.state() != QProcess::Running) {
            break;
        }
        if (QFile::exists(socket)) {
            QProcess info;
            info.start(QStringLiteral("pactl"), {QStringLiteral("list"), QStringLiteral("short"),
                                                 QStringLiteral("sources")});
            if (info.waitForFinished(kStartMs) && info.exitCode() == 0 &&
                info.readAllStandardOutput().contains(kSource)) {
                return;
            }
        }
        QThread::msleep(100);
    }
    m_server.waitForFinished(100);
    m_problem =
        QStringLiteral("pulseaudio did not come up: ") + QString::fromLocal8Bit(m_server.readAll());
}

PulseServer::~PulseServer() {
    if (m_server.state() != QProcess::NotRunning) {
        m_server.terminate();
        if (!m_server.waitForFinished(kStartMs)) {
            m_server.kill();
            m_server.waitForFinished(kStartMs);
        }
    }
}

}  // namespace tolmarin::testing
