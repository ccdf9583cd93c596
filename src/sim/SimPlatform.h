#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

namespace tolmarin::sim {

// A numeric IP address in network byte order; an IPv4 address fills the first four bytes.
struct NumericAddress {
    bool v6 = false;
    std::array<std::uint8_t, 16> bytes{};
};

// The address a text names, read by the system's own parser so the simulator accepts exactly
// what its sockets would; nothing for a host name or a mistake. The one call here that
// differs between systems lives in SimPlatform.cpp.
std::optional<NumericAddress> ParseNumericAddress(const std::string& text);

}  // namespace tolmarin::sim
