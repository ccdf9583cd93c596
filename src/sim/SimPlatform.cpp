// The simulator engine's only system call: reading a numeric address.
#include "sim/SimPlatform.h"

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <arpa/inet.h>
#endif

#include <cstring>

namespace tolmarin::sim {

std::optional<NumericAddress> ParseNumericAddress(const std::string& text) {
    NumericAddress out;
    in_addr a4{};
    if (inet_pton(AF_INET, text.c_str(), &a4) == 1) {
        std::memcpy(out.bytes.data(), &a4, sizeof a4);
        return out;
    }
    in6_addr a6{};
    if (inet_pton(AF_INET6, text.c_str(), &a6) == 1) {
        out.v6 = true;
        std::memcpy(out.bytes.data(), &a6, sizeof a6);
        return out;
    }
    return std::nullopt;
}

}  // namespace tolmarin::sim
