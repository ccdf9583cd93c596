#include <QCoreApplication>
#include <QStringList>

#include <charconv>
#include <clocale>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "CliLink.h"
#include "CliOffline.h"
#include "text/Texts.h"

namespace {

const char* kHelp =
    "tolmarin-cli: the Tolmarin editor's model and link on the command line\n"
    "\n"
    "  info FILE                       kind, size and program name(s) of a program file\n"
    "  table FILE [--program N] [--lang en|zh] [--format text|csv]\n"
    "                                  the 65 rows of the parameter table (label, CH1, CH2)\n"
    "  response FILE [--program N] [--channel 1-4] [--format text|csv]\n"
    "                                  summed channel response: Hz and dB at 241 frequencies\n"
    "  pull --connect URL OUT          link up, then write the live program (OUT.Data12File)\n"
    "                                  or read all twenty programs (OUT.ALLData12File)\n"
    "  push --connect URL FILE         link up, then send a single-program file as the live\n"
    "                                  program, or store an all-programs file in slots 1-20\n"
    "  store --connect URL --slot N --name NAME\n"
    "                                  store the live program in slot N under NAME\n"
    "  recall --connect URL --slot N   make slot N the live program\n"
    "  status --connect URL [--watch]  levels and temperatures, once or at every poll\n"
    "\n"
    "  URL           tcp:HOST[:PORT] (port 8899 by default) or serial:PORT\n"
    "  --trace FILE  write every frame sent and received to FILE\n"
    "  --timeout S   give up after S seconds (default 300)\n"
    "  --program N   slot 1 to 20 of an all-programs file (default 1)\n"
    "  --lang en|zh  language of texts and messages (default en)\n"
    "  --help        this text\n"
    "\n"
    "Exit codes: 0 done, 1 usage, 2 file, 3 link or time-out.\n";

struct Args {
    std::vector<std::string> positional;
    std::string lang = "en";
    std::string format = "text";
    int program = 1;
    int channel = 1;
    std::string connect;
    std::string name;
    std::string trace;
    int slot = 0;
    int timeout = 300;
    bool watch = false;
    bool help = false;
    bool bad = false;
};

std::optional<int> ToInt(const std::string& text) {
    int v = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
    if (ec != std::errc() || end != text.data() + text.size()) {
        return std::nullopt;
    }
    return v;
}

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
        auto number = [&](int lo, int hi) {
            const auto v = ToInt(value());
            if (!v || *v < lo || *v > hi) {
                a.bad = true;
                return lo;
            }
            return *v;
        };
        if (arg == "--help" || arg == "-h") {
            a.help = true;
        } else if (arg == "--lang") {
            a.lang = value();
            a.bad |= a.lang != "en" && a.lang != "zh";
        } else if (arg == "--format") {
            a.format = value();
            a.bad |= a.format != "text" && a.format != "csv";
        } else if (arg == "--program") {
            a.program = number(1, 20);
        } else if (arg == "--channel") {
            a.channel = number(1, 4);
        } else if (arg == "--connect") {
            a.connect = value();
        } else if (arg == "--slot") {
            a.slot = number(1, 20);
        } else if (arg == "--name") {
            a.name = value();
        } else if (arg == "--trace") {
            a.trace = value();
        } else if (arg == "--timeout") {
            a.timeout = number(1, 86400);
        } else if (arg == "--watch") {
            a.watch = true;
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
    // Numbers are printed for scripts: always with a decimal point, whatever the locale.
    std::setlocale(LC_NUMERIC, "C");
    namespace cli = tolmarin::cli;
    const Args args = Parse(QCoreApplication::arguments());
    tolmarin::UiState ui;
    ui.english = args.lang == "zh" ? 0 : 1;
    if (args.help) {
        std::cout << kHelp;
        return cli::kExitDone;
    }
    const auto usage = [&] {
        std::cerr << ui.Text(tolmarin::TextId::CliUsage) << '\n';
        return cli::kExitUsage;
    };
    if (args.bad || args.positional.empty()) {
        return usage();
    }
    const std::string& cmd = args.positional[0];
    const auto format = args.format == "csv" ? cli::Format::Csv : cli::Format::Text;
    if (cmd == "info" && args.positional.size() == 2) {
        return cli::RunInfo(args.positional[1], ui, std::cout, std::cerr);
    }
    if (cmd == "table" && args.positional.size() == 2) {
        return cli::RunTable(args.positional[1], args.program, format, ui, std::cout, std::cerr);
    }
    if (cmd == "response" && args.positional.size() == 2) {
        return cli::RunResponse(args.positional[1], args.program, args.channel - 1, format, ui,
                                std::cout, std::cerr);
    }
    const std::pair<const char*, cli::LinkCommand> linkCommands[] = {
        {"pull", cli::LinkCommand::Pull},     {"push", cli::LinkCommand::Push},
        {"store", cli::LinkCommand::Store},   {"recall", cli::LinkCommand::Recall},
        {"status", cli::LinkCommand::Status},
    };
    for (const auto& [name, command] : linkCommands) {
        if (cmd != name) {
            continue;
        }
        const bool takesFile =
            command == cli::LinkCommand::Pull || command == cli::LinkCommand::Push;
        const bool takesSlot =
            command == cli::LinkCommand::Store || command == cli::LinkCommand::Recall;
        const auto target = cli::ParseConnectUrl(args.connect);
        if (!target || args.positional.size() != (takesFile ? 2u : 1u) ||
            takesSlot != (args.slot != 0) || (args.watch && command != cli::LinkCommand::Status)) {
            return usage();
        }
        cli::LinkRequest req;
        req.command = command;
        req.target = *target;
        req.file = takesFile ? args.positional[1] : std::string();
        req.slot = args.slot;
        req.name = args.name;
        req.watch = args.watch;
        req.trace = args.trace;
        req.timeoutSeconds = args.timeout;
        return cli::RunLinkCommand(req, ui.english, std::cout, std::cerr);
    }
    return usage();
}
