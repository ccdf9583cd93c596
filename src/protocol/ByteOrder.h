#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace tolmarin {

// Little-endian field access at explicit byte offsets. The image and the frames are
// wire formats, so they are never overlaid with structs.

inline std::uint16_t ReadLe16(std::span<const std::uint8_t> bytes, std::size_t offset) {
    return static_cast<std::uint16_t>(bytes[offset] | (bytes[offset + 1] << 8));
}

inline std::int16_t ReadLeI16(std::span<const std::uint8_t> bytes, std::size_t offset) {
    return static_cast<std::int16_t>(ReadLe16(bytes, offset));
}

inline void WriteLe16(std::span<std::uint8_t> bytes, std::size_t offset, std::uint16_t value) {
    bytes[offset] = static_cast<std::uint8_t>(value & 0xFF);
    bytes[offset + 1] = static_cast<std::uint8_t>(value >> 8);
}

inline void WriteLeI16(std::span<std::uint8_t> bytes, std::size_t offset, std::int16_t value) {
    WriteLe16(bytes, offset, static_cast<std::uint16_t>(value));
}

}  // namespace tolmarin
