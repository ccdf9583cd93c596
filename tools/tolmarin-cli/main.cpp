#include <QCoreApplication>
#include <QStringList>

#include <clocale>
#include <csignal>
#include <iostream>
#include <string>
#include <vector>

#include "CliArgs.h"
#include "CliEq.h"
#include "CliLink.h"
#include "CliOffline.h"
#include "Version.h"
#include "protocol/ProgramFile.h"
#include "text/Texts.h"

namespace {

const char* kHelp =
    "tolmarin-cli: the Tolmarin editor's model and link on the command line\n"
    "\n"
    "Files:\n"
    "  info FILE                       kind, size and program name(s) of a program file\n"
    "  table FILE [--program N] [--lang en|zh] [--format text|csv]\n"
    "                                  the 65 rows of the parameter table (label, CH1, CH2)\n"
    "  response FILE [--program N] [--channel 1-4] [--format text|csv]\n"
    "                                  summed channel response: Hz and dB at 241 frequencies\n"
    "\n"
    "Room EQ (single-program files; --channel 1 or 2):\n"
    "  eq fit MEASUREMENT --channel N --in IN --out OUT [--range LO:HI] [--target FILE]\n"
    "        [--max-boost DB] [--max-cut DB] [--bands LIST] [--shelves] [--smoothing 3|6|12]\n"
    "        [--force]                 fit the channel's bands to a measurement (REW text\n"
    "                                  export or CSV); prints the RMS deviation before and\n"
    "                                  after and writes IN with those bands replaced\n"
    "  eq export FILE --channel 1|2|both\n"
    "                                  the bands as filter settings text (Equalizer APO)\n"
    "  eq import TEXT --channel N --in IN --out OUT [--force]\n"
    "                                  filter settings text onto the channel's bands, with\n"
    "                                  every value the grids moved\n"
    "  eq sweep OUT.wav [--rate HZ] [--samples N] [--from HZ] [--to HZ] [--level DBFS]\n"
    "                                  a sweep to play in the room, as a WAV file\n"
    "  eq measure --sweep SWEEP.wav RECORDING.wav... [--impulse] [--channel N] [--cal FILE]\n"
    "        [--smooth 3|6|12|24] [--window MS] --out MEASUREMENT.txt [--force]\n"
    "                                  the room measured from recordings of the sweep (or\n"
    "                                  impulse responses), positions averaged, SNR printed\n"
    "\n"
    "Amplifiers (TARGETS is --connect URL or --fleet FILE, each as often as needed):\n"
    "  pull TARGETS OUT [--force]      link up, then write the live program (OUT ends in\n"
    "                                  .Data12File) or all twenty programs (.ALLData12File)\n"
    "  push TARGETS FILE [--force]     link up, then send a single-program file as the live\n"
    "                                  program, or store an all-programs file in slots 1-20\n"
    "  store TARGETS --slot N --name NAME\n"
    "                                  store the live program in slot N under NAME\n"
    "  recall TARGETS --slot N         make slot N the live program\n"
    "  status TARGETS [--watch] [--interval S]\n"
    "                                  levels and temperatures, once or until interrupted\n"
    "\n"
    "Options (--option value and --option=value are the same):\n"
    "  --connect URL   tcp:HOST[:PORT] (port 8899 by default), tcp:[IPv6]:PORT or\n"
    "                  serial:PORT (a port name or a device path)\n"
    "  --fleet FILE    one amplifier a line: a name (letters, digits, - _ .) and a URL;\n"
    "                  '#' starts a comment\n"
    "  --force         pull, eq: replace an existing OUT; push: send a program that fails\n"
    "                  the program check\n"
    "  --no-verify     push, store: do not read back what was written (it is compared\n"
    "                  byte for byte by default; exit 5 when it differs)\n"
    "  --watch         status: keep printing, at most once per --interval seconds\n"
    "                  (default 1), with a timestamp; a table redrawn in place on a terminal\n"
    "  --interval S    status --watch: seconds between prints, 1 to 3600\n"
    "  --trace FILE    write every frame sent and received to FILE ({name} for each\n"
    "                  amplifier of a fleet)\n"
    "  --timeout S     give up after S seconds (default 300)\n"
    "  --program N     slot 1 to 20 of an all-programs file (default 1)\n"
    "  --channel N     response: output channel 1 to 4 (default 1)\n"
    "  --format F      text or csv (default text)\n"
    "  --lang en|zh    language of texts and messages (default en)\n"
    "  --version       the tool's version\n"
    "  --help          this text\n"
    "\n"
    "With several amplifiers, OUT must contain {name}, every amplifier runs at the same\n"
    "time, and one line per amplifier (name, outcome, time) ends the run.\n"
    "\n"
    "Exit codes: 0 done, 1 usage, 2 file or standard output, 3 link or time-out,\n"
    "4 some amplifiers of several failed (all failed: the lowest of their codes),\n"
    "5 written but not verified, 130 or 143 interrupted (SIGINT, SIGTERM).\n";

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    // Numbers are printed for scripts: always with a decimal point, whatever the locale.
    std::setlocale(LC_NUMERIC, "C");
    // A reader that goes away (status --watch | head) is a failed write, said and ended on.
    std::signal(SIGPIPE, SIG_IGN);
    namespace cli = tolmarin::cli;
    const QStringList list = QCoreApplication::arguments();
    std::vector<std::string> argList;
    for (int i = 1; i < list.size(); ++i) {
        argList.push_back(list[i].toStdString());
    }
    const cli::CliArgs args = cli::ParseArgs(argList);
    tolmarin::UiState ui;
    ui.language = args.lang == "zh" ? tolmarin::Language::Chinese : tolmarin::Language::English;
    if (args.help) {
        std::cout << kHelp << std::flush;
        return std::cout.good() ? cli::kExitDone : cli::kExitFile;
    }
    if (args.version) {
        std::cout << "tolmarin-cli " << tolmarin::kVersion << '\n' << std::flush;
        return std::cout.good() ? cli::kExitDone : cli::kExitFile;
    }
    if (cli::IsEqCommand(argList)) {
        const int eqRc = cli::RunEq(argList, std::cout, std::cerr);
        std::cout.flush();
        return std::cout.good() || eqRc != cli::kExitDone ? eqRc : cli::kExitFile;
    }
    const auto usage = [&](const std::string& why) {
        std::cerr << "tolmarin-cli: " << cli::Shown(why) << '\n'
                  << ui.Text(tolmarin::TextId::CliUsage) << '\n';
        return cli::kExitUsage;
    };
    if (!args.error.empty()) {
        return usage(args.error);
    }
    const std::string& cmd = args.command;
    const auto format = args.format == "csv" ? cli::Format::Csv : cli::Format::Text;
    int rc = cli::kExitDone;
    if (cmd == "info") {
        rc = cli::RunInfo(args.positional[0], ui, std::cout, std::cerr);
    } else if (cmd == "table") {
        rc = cli::RunTable(args.positional[0], args.program, format, ui, std::cout, std::cerr);
    } else if (cmd == "response") {
        rc = cli::RunResponse(args.positional[0], args.program, args.channel - 1, format, ui,
                              std::cout, std::cerr);
    } else {
        cli::LinkRequest req;
        static const std::pair<const char*, cli::LinkCommand> kCommands[] = {
            {"pull", cli::LinkCommand::Pull},     {"push", cli::LinkCommand::Push},
            {"store", cli::LinkCommand::Store},   {"recall", cli::LinkCommand::Recall},
            {"status", cli::LinkCommand::Status},
        };
        for (const auto& [name, command] : kCommands) {
            if (cmd == name) {
                req.command = command;
            }
        }
        for (const std::string& url : args.connect) {
            req.fleet.push_back(
                {cli::NameOfUrl(url), url, *cli::ParseConnectUrl(url), "--connect " + url});
        }
        for (const std::string& file : args.fleetFiles) {
            std::string error;
            bool unreadable = false;
            const auto fleet = cli::ReadFleetFile(file, ui, error, unreadable);
            if (!fleet) {
                // A file that cannot be read is a file failure; a wrong one, a usage mistake.
                if (unreadable) {
                    std::cerr << cli::Shown(error) << '\n';
                    return cli::kExitFile;
                }
                return usage(error);
            }
            req.fleet.insert(req.fleet.end(), fleet->begin(), fleet->end());
        }
        const bool several = req.fleet.size() > 1;
        req.file = args.positional.empty() ? std::string() : args.positional[0];
        if (several && req.command == cli::LinkCommand::Pull &&
            req.file.find("{name}") == std::string::npos) {
            return usage(cli::Fill(ui.Text(tolmarin::TextId::CliNeedsNameInPath), {"OUT"}));
        }
        if (several && !args.trace.empty() && args.trace.find("{name}") == std::string::npos) {
            return usage(cli::Fill(ui.Text(tolmarin::TextId::CliNeedsNameInPath), {"--trace"}));
        }
        // Two amplifiers under one name, or writing one file, are refused before linking.
        const std::string clash = cli::CheckFleet(
            req.fleet, {req.command == cli::LinkCommand::Pull ? req.file : "", args.trace}, ui);
        if (!clash.empty()) {
            return usage(clash);
        }
        req.slot = args.slot;
        req.name = args.name;
        req.watch = args.watch;
        req.intervalSeconds = args.interval;
        req.force = args.force;
        req.verify = !args.noVerify;
        req.trace = args.trace;
        req.timeoutSeconds = args.timeout;
        rc = cli::RunLinkCommand(req, ui.language, std::cout, std::cerr);
    }
    std::cout.flush();
    if (!std::cout.good() && rc == cli::kExitDone) {
        std::cerr << ui.Text(tolmarin::TextId::CliStdoutFailed) << '\n';
        return cli::kExitFile;
    }
    return rc;
}
