#pragma once

#include <array>
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
    // Where the amplifiers of a --count stand: on consecutive ports of one address, or on
    // consecutive IPv4 addresses at one port (as the rooms of a venue do).
    enum class Step { Port, Address };
    Step step = Step::Port;
    // Both reported temperatures held at these degrees (CH1, CH2); none: they follow the
    // levels.
    std::optional<std::array<int, 2>> temperature;
    Faults faults;
};

// True for 127.0.0.0/8 and ::1 (also as ::ffff:127.x.y.z).
bool IsLoopbackAddress(const std::string& host);

// Parses the arguments after the program name. On a mistake returns none and says why in
// error. A non-loopback listening address is a mistake unless --allow-remote is given.
std::optional<SimOptions> ParseSimOptions(const std::vector<std::string>& args, std::string& error);

// The host of the i-th amplifier of a venue: the --tcp host itself with Step::Port, the
// address i places after it with Step::Address. Empty when that address does not exist.
std::string VenueHost(const SimOptions& options, int i);

// The --help text.
std::string SimUsage();

}  // namespace tolmarin::sim
