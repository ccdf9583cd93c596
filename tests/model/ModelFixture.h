#pragma once

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "model/ChannelSet.h"
#include "support/ExpectedFrames.h"
#include "support/Fresh.h"

namespace tolmarin::testing {

// A freshly started process with its channel set, as the document creates it.
struct ModelFixture : ::testing::Test {
    FreshState fresh;
    SharedState& s = *fresh;
    ChannelSet set{s};
    OutputChannel& ch1 = set.Channel(0);
    OutputChannel& ch2 = set.Channel(1);

    std::span<std::uint8_t, 160> Live(int ch) { return s.image.ChannelBlock(0, ch); }

    // Runs the scan n times and keeps the frames.
    std::vector<std::vector<std::uint8_t>> Scan(int n) {
        std::vector<std::vector<std::uint8_t>> frames;
        for (int i = 0; i < n; ++i) {
            auto item = set.NextPendingFrame();
            EXPECT_NE(item, nullptr);
            frames.emplace_back(item->Frame().begin(), item->Frame().end());
        }
        return frames;
    }

    void Link() { set.LinkCh1Ch2(false, nullptr); }
};

// The eight bytes of a band record, written out by hand.
inline std::array<std::uint8_t, 8> BandBytes(int freq, int gain, int bw, int slope, int type) {
    return {static_cast<std::uint8_t>(freq & 0xFF), static_cast<std::uint8_t>(freq >> 8),
            static_cast<std::uint8_t>(gain & 0xFF), static_cast<std::uint8_t>(gain >> 8),
            static_cast<std::uint8_t>(bw & 0xFF),   static_cast<std::uint8_t>(bw >> 8),
            static_cast<std::uint8_t>(slope),       static_cast<std::uint8_t>(type)};
}

// Sub-block 2: high-pass frequency, family, slope; low-pass frequency, family, slope.
inline std::array<std::uint8_t, 8> CrossoverBytes(int hpFreq, int hpFamily, int hpSlope, int lpFreq,
                                                  int lpFamily, int lpSlope) {
    return {static_cast<std::uint8_t>(hpFreq & 0xFF), static_cast<std::uint8_t>(hpFreq >> 8),
            static_cast<std::uint8_t>(hpFamily),      static_cast<std::uint8_t>(hpSlope),
            static_cast<std::uint8_t>(lpFreq & 0xFF), static_cast<std::uint8_t>(lpFreq >> 8),
            static_cast<std::uint8_t>(lpFamily),      static_cast<std::uint8_t>(lpSlope)};
}

// Sub-block 1: on, polarity, input gain, delay, routing, reserved 0.
inline std::array<std::uint8_t, 8> MainBytes(int on, int polarity, int gain, int delay, int route) {
    return {static_cast<std::uint8_t>(on),           static_cast<std::uint8_t>(polarity),
            static_cast<std::uint8_t>(gain & 0xFF),  static_cast<std::uint8_t>(gain >> 8),
            static_cast<std::uint8_t>(delay & 0xFF), static_cast<std::uint8_t>(delay >> 8),
            static_cast<std::uint8_t>(route),        0};
}

inline std::vector<std::uint8_t> SubBlockFrame(int ch, int d, std::span<const std::uint8_t> eight) {
    return ExpectedFrame(0xA1, 0, 4, static_cast<std::uint8_t>(ch), static_cast<std::uint8_t>(d),
                         eight);
}

}  // namespace tolmarin::testing
