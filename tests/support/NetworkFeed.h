#pragma once

#include <algorithm>
#include <cstdint>
#include <span>

#include "protocol/CommandQueue.h"

namespace tolmarin::testing {

// How a socket handler with a fixed receive buffer feeds the parser: takes n bytes from
// the buffer, zeroing each byte taken, and parses them. n <= 0 (a receive error) does
// nothing; n is limited to the buffer and to one input buffer of 800 bytes. The fuzzer
// and the reply tests feed replies this way, as TCP segments.
inline void FeedNetworkBytes(CommandQueue& command, std::span<std::uint8_t> receiveBuffer, int n) {
    if (n <= 0) {
        return;
    }
    const auto take = static_cast<std::size_t>(
        std::min({n, static_cast<int>(receiveBuffer.size()), kReceiveBufferSize}));
    command.FeedBytes(receiveBuffer.first(take));
    std::fill_n(receiveBuffer.begin(), take, std::uint8_t{0});
}

}  // namespace tolmarin::testing
