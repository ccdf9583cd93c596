#pragma once

#include <cstdint>
#include <span>

#include "protocol/ByteOrder.h"
#include "protocol/DeviceImage.h"

namespace tolmarin {

// Where each value of a band lies in its 8-byte record, little-endian.
namespace bandfield {
inline constexpr int kFreq = 0, kGain = 2, kBandwidth = 4, kSlope = 6, kType = 7;
}  // namespace bandfield

// One equaliser band as it travels to and from the amplifier.
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
    r.freq = ReadLeI16(bytes, offset + bandfield::kFreq);
    r.gainStep = ReadLeI16(bytes, offset + bandfield::kGain);
    r.bandwidthStep = ReadLeI16(bytes, offset + bandfield::kBandwidth);
    r.slope = bytes[offset + bandfield::kSlope];
    r.type = bytes[offset + bandfield::kType];
    return r;
}

inline void WriteBandRecord(std::span<std::uint8_t> bytes, std::size_t offset,
                            const BandRecord& r) {
    WriteLeI16(bytes, offset + bandfield::kFreq, r.freq);
    WriteLeI16(bytes, offset + bandfield::kGain, r.gainStep);
    WriteLeI16(bytes, offset + bandfield::kBandwidth, r.bandwidthStep);
    bytes[offset + bandfield::kSlope] = r.slope;
    bytes[offset + bandfield::kType] = r.type;
}

// Byte offset of band k (0 to 7) in a channel block.
inline constexpr std::size_t BandOffset(int k) {
    return static_cast<std::size_t>(block::kBands + k * block::kBandRecordSize);
}

}  // namespace tolmarin
