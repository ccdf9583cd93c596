#pragma once

#include <QString>
#include <QStringList>
#include <optional>

#include "text/Texts.h"

namespace tolmarin {

// What the editor was asked for on its command line.
struct AppOptions {
    enum class Connect { None, Tcp, Serial };
    QString file;  // a single-program file to open
    Connect connect = Connect::None;
    QString host;
    int tcpPort = 0;
    QString serialPort;
    bool simulator = false;
    QString trace;
    std::optional<Language> language;  // none keeps the start-up language
    QString screenshot;
    bool help = false;
    bool version = false;

    bool Links() const { return simulator || connect != Connect::None; }
};

// The options, or nothing with the offending argument in bad. args excludes the program.
// tolmarin [FILE.Data12File] [--connect tcp:HOST[:PORT] | tcp:[IPV6][:PORT] | serial:PORT]
//          [--simulator] [--trace FILE] [--lang en|zh] [--screenshot FILE] [--version]
//          [--help]
std::optional<AppOptions> ParseCommandLine(const QStringList& args, QString* bad);

}  // namespace tolmarin
