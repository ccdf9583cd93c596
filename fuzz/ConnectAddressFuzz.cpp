// Fuzzes the --connect address reader: the input is an address as typed. An address
// accepted must be well formed (a port from 1 to 65535, a host or serial port that is not
// empty) and read back the same when written out again; a refusal on the command line must
// name the option, echo the address safely and say what is expected; any sanitizer report
// is a crash.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "CliArgs.h"
#include "protocol/ConnectTarget.h"

namespace {

using namespace tolmarin;

// The property that failed is told by its line.
void CheckAt(bool ok, int line) {
    if (!ok) {
        std::fprintf(stderr, "property at line %d does not hold\n", line);
        std::abort();
    }
}
#define Check(ok) CheckAt((ok), __LINE__)

std::string Written(const ConnectTarget& t) {
    if (t.serial) {
        return "serial:" + t.serialPort;
    }
    const bool v6 = t.host.find(':') != std::string::npos;
    return "tcp:" + (v6 ? "[" + t.host + "]" : t.host) + ':' + std::to_string(t.port);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string address(reinterpret_cast<const char*>(data), size);
    const auto target = ParseConnectTarget(address);
    if (target) {
        if (target->serial) {
            Check(!target->serialPort.empty());
        } else {
            Check(!target->host.empty());
            Check(target->port >= 1 && target->port <= 65535);
            Check(target->host.find(']') == std::string::npos);
        }
        const auto again = ParseConnectTarget(Written(*target));
        Check(again.has_value());
        Check(again->serial == target->serial && again->host == target->host &&
              again->port == target->port && again->serialPort == target->serialPort);
    }
    // The same address on the command line: accepted there exactly when it reads, and a
    // refusal names the option and what it accepts.
    const cli::CliArgs args = cli::ParseArgs({"status", "--connect", address});
    // Asking for help or the version is never a mistake, wherever it stands.
    const bool asksHelp = address == "--help" || address == "-h" || address == "--version";
    if (asksHelp) {
        Check(args.error.empty() && (args.help || args.version));
    } else if (target) {
        Check(args.error.empty());
        Check(args.connect.size() == 1 && args.connect[0] == address);
    } else {
        Check(!args.error.empty());
        Check(args.error.find("--connect") != std::string::npos);
        UiState ui;
        ui.language = args.lang == "zh" ? Language::Chinese : Language::English;
        Check(args.error.find(ui.Text(TextId::CliExpectUrl)) != std::string::npos);
        for (const unsigned char c : cli::Shown(args.error)) {
            Check(c >= 0x20 && c != 0x7F);
        }
    }
    // A fleet line with the address: accepted exactly when the address reads.
    UiState ui;
    std::string error;
    const auto fleet = cli::ParseFleet("amp " + address + "\n", "f.txt", ui, error);
    const bool oneWord = address.find_first_of(" \t\r\n#") == std::string::npos && !address.empty();
    if (oneWord) {
        Check(fleet.has_value() == target.has_value());
    }
    if (!fleet) {
        Check(error.rfind("f.txt", 0) == 0);
    }
    return 0;
}
