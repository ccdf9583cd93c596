#pragma once

#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "protocol/ConnectTarget.h"
#include "text/Texts.h"

namespace tolmarin::cli {

// A catalogue text with %1, %2, ... replaced by the given values.
std::string Fill(std::string_view text, std::initializer_list<std::string> values);

// Where a linking command goes; the editor's --connect reads the same addresses.
using tolmarin::ConnectTarget;
inline std::optional<ConnectTarget> ParseConnectUrl(const std::string& url) {
    return ParseConnectTarget(url);
}

// One amplifier of a linking command: the name it goes by in messages and file names, the
// address as given, where that leads, and where it was named ("venue.txt, line 3" or
// "--connect").
struct FleetMember {
    std::string name;
    std::string url;
    ConnectTarget target;
    std::string origin;
};

// Amplifier names become file names and terminal text: letters, digits, '-', '_' and '.',
// beginning with a letter or digit, at most this many characters.
inline constexpr std::size_t kMaxAmplifierName = 64;
bool IsSafeAmplifierName(std::string_view name);
// A --connect address as a name: the address without its scheme, every other character
// turned into '_', leading ones that are not a letter or digit dropped, cut to the limit.
std::string NameOfUrl(const std::string& url);

// Fleet files are read with their own limits, not those of program files.
inline constexpr std::uintmax_t kFleetFileMaxBytes = 1u << 20;
inline constexpr std::size_t kFleetMaxAmplifiers = 4096;

// A fleet file: one amplifier a line, a name and a link address separated by blanks; '#'
// starts a comment, blank lines are skipped, a UTF-8 byte-order mark is ignored. On a
// mistake (a bad line, an unsafe or repeated name, too many amplifiers) returns nothing
// and says where in error.
std::optional<std::vector<FleetMember>> ParseFleet(const std::string& text,
                                                   const std::string& fileName, const UiState& ui,
                                                   std::string& error);
// Reads and parses a fleet file; error says why it could not be read (unreadable set), or
// where it is wrong.
std::optional<std::vector<FleetMember>> ReadFleetFile(const std::string& path, const UiState& ui,
                                                      std::string& error, bool& unreadable);

// Checks the amplifiers of one command together, before anything is linked: no name twice
// (case aside, as some file systems ignore it), at most kFleetMaxAmplifiers, and no two
// amplifiers whose paths (OUT, --trace, with {name} filled in) lead to the same file.
// Returns the mistake, or an empty text.
std::string CheckFleet(const std::vector<FleetMember>& fleet,
                       const std::vector<std::string>& pathPatterns, const UiState& ui);

// Text a terminal shows safely: printable ASCII as it is, every other byte as \xHH.
std::string Escaped(std::string_view text);

// OUT with every "{name}" replaced by the amplifier's name.
std::string ExpandName(const std::string& pattern, const std::string& name);

// Everything the command line says, checked: a usage mistake leaves error set to a text
// naming the argument and what it accepts.
struct CliArgs {
    std::string command;
    std::vector<std::string> positional;  // after the command
    std::string lang = "en";
    std::string format = "text";
    int program = 1;
    int channel = 1;
    std::vector<std::string> connect;
    std::vector<std::string> fleetFiles;
    std::string name;
    bool nameGiven = false;
    std::string trace;
    int slot = 0;
    int timeout = 300;
    int interval = 1;
    bool watch = false;
    bool force = false;
    bool noVerify = false;
    bool help = false;
    bool version = false;
    std::string error;  // empty when the arguments make sense
};

// Parses the arguments after the program name. Checks the options against the command;
// the fleet files are read later, by the caller.
CliArgs ParseArgs(const std::vector<std::string>& args);

bool IsLinkCommand(const std::string& command);

}  // namespace tolmarin::cli
