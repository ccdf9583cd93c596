#pragma once

#include <cstdint>
#include <span>

#include "protocol/ByteOrder.h"
#include "protocol/DeviceImage.h"

namespace tolmarin {

// One equaliser band as it travels to and from the amplifier: 8 bytes, little-endian.
struct BandRecord {
    std::int16_t freq = 0;           // Hz
    std::int16_t gainStep = 0;       // 0 to 400, 200 = 0 dB
    std::int16_t bandwidthStep = 0;  // 0 to 59, 0.05 octave each from 0.05
    std::uint8_t slope = 0;          // shelves: 0 for 6 dB, 1 for 12 dB
    std::uint8_t type = 0;           // 0 peaking, 1 low shelf, 2 high shelf

    friend bool operator==(const BandRecord&, const BandRecord&) = default;
};

inline BandRecord ReadBandRecord(std::span<const std::uint8_t> bytes, std::size_t offset) {
    BandRecord r;
    r.freq = ReadLeI16(bytes, offset);
    r.gainStep = ReadLeI16(bytes, offset + 2);
    r.bandwidthStep = ReadLeI16(bytes, offset + 4);
    r.slope = bytes[offset + 6];
    r.type = bytes[offset + 7];
    return r;
}

inline void WriteBandRecord(std::span<std::uint8_t> bytes, std::size_t offset,
                            const BandRecord& r) {
    WriteLeI16(bytes, offset, r.freq);
    WriteLeI16(bytes, offset + 2, r.gainStep);
    WriteLeI16(bytes, offset + 4, r.bandwidthStep);
    bytes[offset + 6] = r.slope;
    bytes[offset + 7] = r.type;
}

// Byte offset of band k (0 to 7) in a channel block.
inline constexpr std::size_t BandOffset(int k) {
    return static_cast<std::size_t>(block::kBands + k * block::kBandRecordSize);
}

}  // namespace tolmarin
