#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "sim/Session.h"

namespace tolmarin::sim {

struct Endpoint {
    std::string host;  // numeric IPv4 or IPv6 address, as given ("localhost" becomes 127.0.0.1)
    int port = 0;      // 0: any free port
};

struct SimOptions {
    bool help = false;
    bool version = false;
    std::optional<Endpoint> tcp;
    bool pty = false;
    std::string traceFile;
    std::string stateFile;
    bool allowRemote = false;
    std::uint32_t seed = 410;
    int count = 1;  // amplifiers on consecutive TCP ports, each with its own memory
    Faults faults;
};

// True for 127.0.0.0/8 and ::1 (also as ::ffff:127.x.y.z).
bool IsLoopbackAddress(const std::string& host);

// Parses the arguments after the program name. On a mistake returns none and says why in
// error. A non-loopback listening address is a mistake unless --allow-remote is given.
std::optional<SimOptions> ParseSimOptions(const std::vector<std::string>& args, std::string& error);

// The --help text.
std::string SimUsage();

}  // namespace tolmarin::sim
