#pragma once

// The venue's readers: fleet files and --connect addresses, the amplifier names they give,
// and the checks of one command's amplifiers together. Plain C++ on the core, so that the
// tool, a venue window and the fuzzers read the same way.

#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "protocol/ConnectTarget.h"
#include "text/Texts.h"

namespace tolmarin::venue {

// A catalogue text with %1, %2, ... replaced by the given values.
std::string Fill(std::string_view text, std::initializer_list<std::string> values);

// Where a linking command goes; the editor's --connect reads the same addresses.
using tolmarin::ConnectTarget;
inline std::optional<ConnectTarget> ParseConnectUrl(const std::string& url) {
    return ParseConnectTarget(url);
}

// One amplifier of a linking command: the name it goes by in messages and file names, the
// address as given, where that leads, where it was named ("venue.txt, line 3" or
// "--connect"), and the group of rooms it belongs to (empty when the line names none).
struct FleetMember {
    std::string name;
    std::string url;
    ConnectTarget target;
    std::string origin;
    std::string group{};
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

// A fleet file: one amplifier a line, a name, a link address and optionally the room's
// group (the same rules as names), separated by blanks; '#' starts a comment, blank lines are
// skipped, a UTF-8 byte-order mark is ignored. On a mistake (a bad line, an unsafe or repeated
// name, too many amplifiers) returns nothing and says where in error.
std::optional<std::vector<FleetMember>> ParseFleet(const std::string& text,
                                                   const std::string& fileName, const UiState& ui,
                                                   std::string& error);
// Reads and parses a fleet file; error says why it could not be read (unreadable set), or
// where it is wrong.
std::optional<std::vector<FleetMember>> ReadFleetFile(const std::string& path, const UiState& ui,
                                                      std::string& error, bool& unreadable);

// Checks the amplifiers of one command together, before anything is linked: no name twice
// (case aside, as some file systems ignore it), no amplifier twice (one address and port,
// one serial device), at most kFleetMaxAmplifiers, and no two paths (OUT, --trace, with
// {name} filled in, of any amplifiers) that lead to the same file: the folders compared by
// device and inode, so that links meet, then the names. Returns the mistake, or an empty
// text.
std::string CheckFleet(const std::vector<FleetMember>& fleet,
                       const std::vector<std::string>& pathPatterns, const UiState& ui);

// Text a terminal shows safely: printable ASCII as it is, every other byte as \xHH.
std::string Escaped(std::string_view text);
// A message that echoes input, as a terminal shows it safely: control bytes (C0, DEL, the
// C1 range) and bytes that are not UTF-8 as \xHH; Chinese and other text as it is.
std::string Shown(std::string_view text);

// Empty for a regular file or nothing at all; otherwise "PATH is not a regular file but a
// named pipe" (a folder, a device, ...), told without opening it.
std::string NotRegularFile(const std::string& path, const UiState& ui);

// OUT with every "{name}" replaced by the amplifier's name.
std::string ExpandName(const std::string& pattern, const std::string& name);

}  // namespace tolmarin::venue
