#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tolmarin {

// Where a link goes, as the editor's and the command-line tool's --connect write it:
// "tcp:HOST[:PORT]" (port 8899 when omitted), "tcp:[IPV6][:PORT]" as the simulator prints
// it, or "serial:PORT" (a listed port name or a device path).
struct ConnectTarget {
    bool serial = false;
    std::string host;
    int port = 0;
    std::string serialPort;
};

// Nothing for an unknown scheme, an empty host or port name, a bare IPv6 address (its port
// would be ambiguous), a port outside 1 to 65535, a host with a character no host name or
// address has, or a serial port name with a control byte.
std::optional<ConnectTarget> ParseConnectTarget(std::string_view text);

}  // namespace tolmarin
