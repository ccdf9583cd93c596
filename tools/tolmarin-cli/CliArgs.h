#pragma once

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
// address as given and where that leads.
struct FleetMember {
    std::string name;
    std::string url;
    ConnectTarget target;
};

// A fleet file: one amplifier a line, a name and a link address separated by blanks; '#'
// starts a comment, blank lines are skipped. On a mistake returns nothing and says where
// in error.
std::optional<std::vector<FleetMember>> ParseFleet(const std::string& text,
                                                   const std::string& fileName, const UiState& ui,
                                                   std::string& error);

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
