// Fuzzes the fleet file reader: the input is a fleet file's text. Every refusal must name
// the file and a line (or say that it lists no amplifiers), every amplifier accepted must
// have a safe, unique name and an address that reads again, and the checks of the fleet
// together must run; any sanitizer report is a crash.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>

#include "venue/FleetFile.h"

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

bool HasNoControlBytes(const std::string& text) {
    for (const unsigned char c : text) {
        if (c < 0x20 || c == 0x7F) {
            return false;
        }
    }
    return true;
}

std::string Folded(std::string text) {
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const std::string file = "venue.txt";
    for (const Language language : {Language::English, Language::Chinese}) {
        UiState ui;
        ui.language = language;
        std::string error;
        const auto fleet = venue::ParseFleet(text, file, ui, error);
        if (!fleet) {
            // Refused: where, and why, as the terminal shows it.
            // "venue.txt, line 7: ...": the file's name, the line's text, then its number.
            const std::string pattern = ui.Text(TextId::CliFleetLine);
            const std::string atLine = venue::Fill(pattern.substr(0, pattern.find("%2")), {file});
            const bool namesLine = error.rfind(atLine, 0) == 0 && error.size() > atLine.size() &&
                                   error[atLine.size()] >= '1' && error[atLine.size()] <= '9';
            const bool empty = error == venue::Fill(ui.Text(TextId::CliFleetEmpty), {file});
            Check(namesLine || empty);
            Check(HasNoControlBytes(venue::Shown(error)));
            continue;
        }
        Check(!fleet->empty() && fleet->size() <= venue::kFleetMaxAmplifiers);
        std::set<std::string> names;
        for (const venue::FleetMember& m : *fleet) {
            Check(venue::IsSafeAmplifierName(m.name));
            Check(m.group.empty() || venue::IsSafeAmplifierName(m.group));
            Check(names.insert(Folded(m.name)).second);
            const auto again = venue::ParseConnectUrl(m.url);
            Check(again.has_value());
            Check(again->serial == m.target.serial && again->host == m.target.host &&
                  again->port == m.target.port && again->serialPort == m.target.serialPort);
            Check(m.origin.rfind(file, 0) == 0);
        }
        // The fleet's own checks: names, amplifiers and paths together (no files are touched
        // for paths whose folder does not exist).
        const std::string clash =
            venue::CheckFleet(*fleet, {"/nonexistent-fuzz/{name}.Data12File"}, ui);
        Check(HasNoControlBytes(venue::Shown(clash)));
    }
    return 0;
}
