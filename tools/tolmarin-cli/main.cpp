#include <QCoreApplication>
#include <QStringList>

#include <iostream>
#include <string>
#include <vector>

#include "CliOffline.h"
#include "text/Texts.h"

namespace {

const char* kHelp =
    "tolmarin-cli: the Tolmarin editor's model and link on the command line\n"
    "\n"
    "  info FILE                 kind, size and program name(s) of a program file\n"
    "  --lang en|zh              language of messages (default en)\n"
    "  --help                    this text\n"
    "\n"
    "Exit codes: 0 done, 1 usage, 2 file, 3 link or time-out.\n";

struct Args {
    std::vector<std::string> positional;
    std::string lang = "en";
    bool help = false;
    bool bad = false;
};

Args Parse(const QStringList& list) {
    Args a;
    for (int i = 1; i < list.size(); ++i) {
        const std::string arg = list[i].toStdString();
        auto value = [&]() -> std::string {
            if (i + 1 >= list.size()) {
                a.bad = true;
                return {};
            }
            return list[++i].toStdString();
        };
        if (arg == "--help" || arg == "-h") {
            a.help = true;
        } else if (arg == "--lang") {
            a.lang = value();
            if (a.lang != "en" && a.lang != "zh") {
                a.bad = true;
            }
        } else if (arg.rfind("--", 0) == 0) {
            a.bad = true;
        } else {
            a.positional.push_back(arg);
        }
    }
    return a;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const Args args = Parse(QCoreApplication::arguments());
    tolmarin::UiState ui;
    ui.english = args.lang == "zh" ? 0 : 1;
    if (args.help) {
        std::cout << kHelp;
        return tolmarin::cli::kExitDone;
    }
    const auto usage = [&] {
        std::cerr << ui.Text(tolmarin::TextId::CliUsage) << '\n';
        return tolmarin::cli::kExitUsage;
    };
    if (args.bad || args.positional.empty()) {
        return usage();
    }
    const std::string& cmd = args.positional[0];
    if (cmd == "info" && args.positional.size() == 2) {
        return tolmarin::cli::RunInfo(args.positional[1], ui, std::cout, std::cerr);
    }
    return usage();
}
