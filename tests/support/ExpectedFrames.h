#pragma once

#include <algorithm>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace tolmarin::testing {

// Frames written out from the wire layout by hand, so that tests check the builders and
// the model against the format rather than against themselves: 5A 5A 5A 48, command,
// program, address 1, section, channel, index, little-endian length, payload, the XOR of
// the H through the payload, AA.
inline std::vector<std::uint8_t> ExpectedFrame(std::uint8_t command, std::uint8_t program,
                                               std::uint8_t section, std::uint8_t channel,
                                               std::uint8_t index,
                                               std::span<const std::uint8_t> payload) {
    std::vector<std::uint8_t> f = {0x5A,    0x5A, 0x5A,    0x48,    command,
                                   program, 0x01, section, channel, index};
    f.push_back(static_cast<std::uint8_t>(payload.size() & 0xFF));
    f.push_back(static_cast<std::uint8_t>(payload.size() >> 8));
    f.insert(f.end(), payload.begin(), payload.end());
    std::uint8_t x = 0;
    for (std::size_t i = 3; i < f.size(); ++i) {
        x ^= f[i];
    }
    f.push_back(x);
    f.push_back(0xAA);
    return f;
}

// Write of sub-block d of channel ch of the live program, payload taken from the block.
inline std::vector<std::uint8_t> ExpectedSubBlockFrame(std::span<const std::uint8_t> block, int ch,
                                                       int d) {
    return ExpectedFrame(0xA1, 0, 4, static_cast<std::uint8_t>(ch), static_cast<std::uint8_t>(d),
                         block.subspan(static_cast<std::size_t>(d) * 8, 8));
}

// Whole-block write of channel ch into program n.
inline std::vector<std::uint8_t> ExpectedChannelBlockFrame(std::span<const std::uint8_t> block,
                                                           int n, int ch) {
    return ExpectedFrame(0xA4, static_cast<std::uint8_t>(n), 0, static_cast<std::uint8_t>(ch), 0,
                         block.first(160));
}

// Status poll; its payload is whatever the previous build left.
inline std::vector<std::uint8_t> ExpectedPollFrame(std::span<const std::uint8_t> leftover) {
    return ExpectedFrame(0xA9, 0, 0, 0, 0, leftover.first(8));
}

inline std::string HexBytes(std::span<const std::uint8_t> bytes) {
    static const char* digits = "0123456789ABCDEF";
    std::string s;
    for (std::uint8_t b : bytes) {
        s.push_back(digits[b >> 4]);
        s.push_back(digits[b & 15]);
        s.push_back(' ');
    }
    return s;
}

// Byte-for-byte comparison with a readable failure.
inline ::testing::AssertionResult SameBytes(std::span<const std::uint8_t> actual,
                                            std::span<const std::uint8_t> expected) {
    if (actual.size() == expected.size() &&
        std::equal(actual.begin(), actual.end(), expected.begin())) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure()
           << "\n  actual:   " << HexBytes(actual) << "\n  expected: " << HexBytes(expected);
}

}  // namespace tolmarin::testing
