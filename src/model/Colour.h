#pragma once

#include <array>
#include <cstdint>

namespace tolmarin {

struct RgbColour {
    std::uint8_t r = 0;
    std::uint8_t g = 0;
    std::uint8_t b = 0;

    friend bool operator==(const RgbColour&, const RgbColour&) = default;
};

// 0xAARRGGBB.
inline constexpr std::uint32_t OpaqueArgb(RgbColour c) {
    return 0xFF000000u | (std::uint32_t{c.r} << 16) | (std::uint32_t{c.g} << 8) | c.b;
}

inline constexpr std::uint32_t kOpaqueBlackArgb = 0xFF000000u;

// CH1 to CH4.
inline constexpr std::array<RgbColour, 4> kChannelColours{
    {{102, 0, 102}, {0, 255, 0}, {0, 0, 255}, {255, 130, 130}}};
inline constexpr std::array<std::uint32_t, 4> kChannelColoursArgb{
    OpaqueArgb(kChannelColours[0]), OpaqueArgb(kChannelColours[1]), OpaqueArgb(kChannelColours[2]),
    OpaqueArgb(kChannelColours[3])};

}  // namespace tolmarin
