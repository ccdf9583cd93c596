#include <gtest/gtest.h>

#include <cmath>

#include "model/ModelFixture.h"
#include "protocol/ByteOrder.h"

namespace tolmarin::testing {
namespace {

using ChannelRecord = ModelFixture;

TEST_F(ChannelRecord, VolumeIsKeptWithinItsRange) {
    set.SetSending(true);
    ch1.SetVolumeDb(60);
    EXPECT_EQ(ch1.GetVolume(), 600);
    EXPECT_EQ(ch1.GetVolumeDb(), 60);
    ch1.SetVolumeDb(61);
    EXPECT_EQ(ch1.GetVolume(), 600);
    ch1.SetVolumeDb(-1);
    EXPECT_EQ(ch1.GetVolume(), 0);
    ch1.SetVolumeDb(1 << 30);  // no overflow into a negative volume
    EXPECT_EQ(ch1.GetVolume(), 600);
    EXPECT_EQ(ch1.PendingVolume(), 1);
}

TEST_F(ChannelRecord, LoadedVolumeIsLimited) {
    auto b = Live(0);
    WriteLe16(b, 34, 700);
    ch1.LoadFromBlock(b);
    EXPECT_EQ(ch1.GetVolume(), 600);
    WriteLeI16(b, 34, -5);
    ch1.LoadFromBlock(b);
    EXPECT_EQ(ch1.GetVolume(), 0);
    WriteLe16(b, 34, 455);
    ch1.LoadFromBlock(b);
    EXPECT_EQ(ch1.GetVolume(), 455);
}

// Every field comes from its own offset; a swapped pair of offsets fails here.
TEST_F(ChannelRecord, LoadFromBlockReadsEachFieldFromItsOffset) {
    std::array<std::uint8_t, 160> b{};
    const std::array<std::uint8_t, 8> name{' ', 'M', 'i', 'x', ' ', 0, 'Z', 'Z'};
    std::copy(name.begin(), name.end(), b.begin());
    const auto main = MainBytes(1, 0, 549, 1000, 3);
    std::copy(main.begin(), main.end(), b.begin() + 8);
    const auto xo = CrossoverBytes(150, 2, 4, 3000, 1, 6);
    std::copy(xo.begin(), xo.end(), b.begin() + 16);
    const std::array<std::uint8_t, 8> limiter{0x2C, 0x01, 50, 4, 0, 0, 0, 0};
    std::copy(limiter.begin(), limiter.end(), b.begin() + 24);
    const std::array<std::uint8_t, 8> volume{9, 0, 0x58, 0x02, 0, 0, 0, 0};
    std::copy(volume.begin(), volume.end(), b.begin() + 32);
    for (int k = 0; k < 8; ++k) {
        const auto band = BandBytes(100 + 10 * k, 150 + k, 10 + k, 0, 0);
        std::copy(band.begin(), band.end(), b.begin() + 40 + 8 * k);
    }
    set.SetSending(true);
    ch2.LoadFromBlock(b);
    EXPECT_EQ(ch2.GetName(), "Mix");
    EXPECT_EQ(ch2.GetOutputOn(), 1);
    EXPECT_EQ(ch2.GetPolarity(), 0);
    EXPECT_EQ(ch2.GetInputGain(), 549);
    EXPECT_EQ(ch2.GetDelay(), 1000);
    EXPECT_EQ(ch2.GetInputRoute(), 3);
    EXPECT_EQ(ch2.HighPass().GetFreq(), 150);
    EXPECT_EQ(ch2.HighPass().GetSentFreq(), 150);
    EXPECT_EQ(ch2.HighPass().GetFamily(), 2);
    EXPECT_EQ(ch2.HighPass().GetSlope(), 4);
    EXPECT_EQ(ch2.LowPass().GetFreq(), 3000);
    EXPECT_EQ(ch2.LowPass().GetFamily(), 1);
    EXPECT_EQ(ch2.LowPass().GetSlope(), 6);
    EXPECT_EQ(ch2.GetLimitThreshold(), 300);
    EXPECT_EQ(ch2.GetLimitAttack(), 50);
    EXPECT_EQ(ch2.GetLimitRelease(), 4);
    EXPECT_EQ(ch2.GetVolumeAux(), 9);
    EXPECT_EQ(ch2.GetVolume(), 600);
    for (int k = 0; k < 8; ++k) {
        EXPECT_EQ(ch2.Band(k).GetFreq(), 100 + 10 * k);
        EXPECT_EQ(ch2.Band(k).GetGainStep(), 150 + k);
        EXPECT_EQ(ch2.Band(k).GetBandwidthStep(), 10 + k);
    }
    // Loaded values are never sent back.
    EXPECT_EQ(Scan(1)[0][4], 0xA9);
}

TEST_F(ChannelRecord, TextsFollowTheInterfaceLanguageAtCallTime) {
    ch1.SetOutputOn(1);
    EXPECT_EQ(ch1.OutputOnText(), "On");
    EXPECT_EQ(ch1.PolarityText(), "Pol-");
    s.ui.language = Language::Chinese;
    EXPECT_EQ(ch1.OutputOnText(), "开音");
    EXPECT_EQ(ch1.PolarityText(), "反相");
    EXPECT_EQ(ch1.ReleaseText(), "Atk \xC3\x97 2");
}

}  // namespace
}  // namespace tolmarin::testing
