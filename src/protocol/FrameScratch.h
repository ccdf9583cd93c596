#pragma once

#include <array>
#include <cstdint>

#include "protocol/Protocol.h"

namespace tolmarin {

// The frame builders' own scratch, written by them alone: the header and the payload each
// build fills in part. A build sends what it does not write as the previous build left it
// (a poll's payload, a recall's header byte 9), so the scratch lives as long as the process.
struct FrameScratch {
    std::array<std::uint8_t, kFrameHeaderSize> header{FRAME_Z, FRAME_Z, FRAME_Z, FRAME_H};
    std::array<std::uint8_t, kPayloadScratchSize> payload{};
};

}  // namespace tolmarin
