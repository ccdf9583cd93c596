#pragma once

#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "venue/FleetFile.h"

namespace tolmarin::cli {

// The venue's readers, names and path rules are the tool's own words.
using namespace tolmarin::venue;

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
