#include <gtest/gtest.h>

#include <array>
#include <random>
#include <string>

#include "model/ModelFixture.h"
#include "protocol/ByteOrder.h"
#include "support/RandomProgram.h"

namespace tolmarin::testing {
namespace {

using ChannelSetTest = ModelFixture;

TEST_F(ChannelSetTest, ConstructionGivesIdentityAndRegistersRecords) {
    const char* names[] = {"CH1", "CH2", "CH3", "CH4"};
    const RgbColour colours[] = {{102, 0, 102}, {0, 255, 0}, {0, 0, 255}, {255, 130, 130}};
    const std::uint32_t argb[] = {0xFF660066u, 0xFF00FF00u, 0xFF0000FFu, 0xFFFF8282u};
    ASSERT_EQ(set.ChannelCount(), 4);
    for (int c = 0; c < 4; ++c) {
        const OutputChannel& r = set.Channel(c);
        EXPECT_EQ(r.GetName(), names[c]);
        EXPECT_EQ(r.GetIndex(), c);
        EXPECT_EQ(r.GetColour(), colours[c]);
        EXPECT_EQ(r.GetColourArgb(), argb[c]);
        EXPECT_EQ(r.FilterCount(), 10);
        EXPECT_EQ(set.LinkGroup(c), c);
        EXPECT_FALSE(set.IsLinked(c));
        // What a new channel would send if it were marked.
        EXPECT_EQ(r.GetPolarity(), 1);
        EXPECT_EQ(r.GetOutputOn(), 0);
        EXPECT_EQ(r.GetInputGain(), 66);
        EXPECT_EQ(r.GetInputRoute(), 1);
        EXPECT_EQ(r.GetLimitThreshold(), 200);
        EXPECT_EQ(r.GetLimitAttack(), 106);
        EXPECT_EQ(r.GetVolume(), 0);
        EXPECT_EQ(r.PendingName() + r.PendingMain() + r.PendingLimiter() + r.PendingVolume(), 0);
    }
    EXPECT_FALSE(set.Sending());  // nothing goes out before a link says so
    EXPECT_EQ(Scan(1)[0][4], 0xA9);
    EXPECT_THROW(set.Channel(4), std::out_of_range);
}

// Each set holds its own links and send mode: a second set on the same state (a scratch copy)
// neither links nor marks the first one's records.
TEST(ChannelSetLifetime, TwoSetsOnOneStateKeepTheirOwnLinksAndSendMode) {
    FreshState fresh;
    ChannelSet first(*fresh);
    {
        ChannelSet second(*fresh);
        second.SetSending(true);
        second.LinkCh1Ch2(false, nullptr);
        EXPECT_FALSE(first.Ch1Ch2Linked());
        EXPECT_FALSE(first.Sending());
        first.Channel(0).SetDelay(12);
        EXPECT_EQ(second.Channel(1).GetDelay(), 0);
        EXPECT_FALSE(first.Channel(0).PendingMain());
    }
    first.SetSending(true);
    first.LinkCh1Ch2(false, nullptr);
    first.Channel(0).SetDelay(7);
    EXPECT_EQ(first.Channel(1).GetDelay(), 7);
    EXPECT_TRUE(first.Channel(1).PendingMain());
}

TEST(ChannelLinking, SharedGroupMeansLinked) {
    struct Case {
        std::array<int, 4> groups;
        std::array<bool, 4> linked;
    };
    for (const Case& c : {Case{{0, 0, 2, 3}, {true, true, false, false}},
                          Case{{0, 1, 2, 3}, {false, false, false, false}},
                          Case{{0, 1, 2, 2}, {false, false, true, true}}}) {
        FreshState fresh;
        ChannelSet set(*fresh);
        for (int ch = 0; ch < 4; ++ch) {
            set.SetLinkGroup(ch, c.groups[ch]);
        }
        for (int ch = 0; ch < 4; ++ch) {
            EXPECT_EQ(set.IsLinked(ch), c.linked[ch]) << ch;
        }
    }
}

TEST_F(ChannelSetTest, Ch12ModeSetsTheRoutingBytes) {
    const int expected[3][2] = {{1, 2}, {1, 1}, {7, 9}};
    for (int mode = 0; mode < 3; ++mode) {
        Live(0)[14] = 7;
        Live(1)[14] = 9;
        s.image.systemBytes[0] = static_cast<std::uint8_t>(mode);
        set.LoadAllFromImage();
        EXPECT_EQ(ch1.GetInputRoute(), expected[mode][0]) << mode;
        EXPECT_EQ(ch2.GetInputRoute(), expected[mode][1]) << mode;
        EXPECT_EQ(Live(1)[14], expected[mode][1]) << mode;
    }
}

TEST_F(ChannelSetTest, Ch34BridgeRoutesCh3AndInvertsCh4AgainstCh3) {
    s.image.systemBytes[1] = 2;
    Live(2)[14] = 4;
    Live(3)[14] = 4;
    Live(2)[9] = 0;
    Live(3)[9] = 0;
    set.LoadAllFromImage();
    EXPECT_EQ(set.Channel(2).GetInputRoute(), 1);
    EXPECT_EQ(set.Channel(3).GetInputRoute(), 4);
    EXPECT_EQ(set.Channel(3).GetPolarity(), 1);
    EXPECT_EQ(Live(3)[9], 1);
    Live(2)[9] = 3;
    set.LoadAllFromImage();
    EXPECT_EQ(set.Channel(3).GetPolarity(), 0);
    // Stereo and parallel give CH3/CH4 the same routing as CH1/CH2 would get.
    s.image.systemBytes[1] = 0;
    set.LoadAllFromImage();
    EXPECT_EQ(set.Channel(3).GetInputRoute(), 2);
    s.image.systemBytes[1] = 1;
    set.LoadAllFromImage();
    EXPECT_EQ(set.Channel(3).GetInputRoute(), 1);
    // An unknown mode leaves the bytes.
    s.image.systemBytes[1] = 9;
    Live(3)[14] = 6;
    set.LoadAllFromImage();
    EXPECT_EQ(set.Channel(3).GetInputRoute(), 6);
}

TEST_F(ChannelSetTest, SensitivitySetsTheInputGainInBlockAndRecord) {
    s.image.systemBytes[2] = 0;
    s.image.systemBytes[3] = 1;
    s.image.systemBytes[4] = 2;
    s.image.systemBytes[5] = 3;
    WriteLe16(Live(3), 10, 123);
    set.LoadAllFromImage();
    EXPECT_EQ(ch1.GetInputGain(), 600);
    EXPECT_EQ(ch2.GetInputGain(), 578);
    EXPECT_EQ(ReadLe16(Live(1), 10), 578);
    EXPECT_EQ(set.Channel(2).GetInputGain(), 549);
    EXPECT_EQ(set.Channel(3).GetInputGain(), 123);
}

TEST_F(ChannelSetTest, LoadingWhileSendingMarksNothing) {
    set.SetSending(true);
    WriteLe16(Live(0), 16, 2000);  // a high-pass far above the record's
    WriteLe16(Live(1), 40, 300);
    set.LoadAllFromImage();
    EXPECT_EQ(ch1.HighPass().GetFreq(), 2000);
    EXPECT_EQ(Scan(1)[0][4], 0xA9);
}

// Offline (not sending) the sent frequency never moves, so the block takes the filter's
// own frequency: otherwise a program saved after an offline edit loses it.
TEST_F(ChannelSetTest, OfflineCrossoverEditSurvivesWriteAndLoad) {
    ch1.HighPass().SetFreq(400, true);
    EXPECT_EQ(ch1.HighPass().GetSentFreq(), 20);
    set.WriteAllToImage();
    EXPECT_EQ(ReadLe16(Live(0), 16), 400);
    set.LoadAllFromImage();
    EXPECT_EQ(ch1.HighPass().GetFreq(), 400);
}

// While sending, the block keeps what the amplifier has been sent.
TEST_F(ChannelSetTest, WriteAllWhileSendingKeepsTheSentCrossoverFrequency) {
    set.SetSending(true);
    ch1.HighPass().SetFreq(400, true);
    Scan(1);  // 40 sent
    set.WriteAllToImage();
    EXPECT_EQ(ReadLe16(Live(0), 16), 40);
}

// --- Round trip over random settings -----------------------------------------------------

struct FilterValues {
    int type, freq, gainStep, bandwidthStep, slope, family, bypass;
    friend bool operator==(const FilterValues&, const FilterValues&) = default;
};

struct ChannelValues {
    std::string name;
    int on, polarity, gain, delay, route, threshold, attack, release, aux, volume;
    std::vector<FilterValues> filters;
    friend bool operator==(const ChannelValues&, const ChannelValues&) = default;
};

ChannelValues Snapshot(const OutputChannel& r) {
    ChannelValues v{r.GetName(),           r.GetOutputOn(),    r.GetPolarity(),
                    r.GetInputGain(),      r.GetDelay(),       r.GetInputRoute(),
                    r.GetLimitThreshold(), r.GetLimitAttack(), r.GetLimitRelease(),
                    r.GetVolumeAux(),      r.GetVolume(),      {}};
    for (int i = 0; i < r.FilterCount(); ++i) {
        const Filter& f = r.Band(i);
        if (i < 8) {
            v.filters.push_back({f.GetType(), f.GetFreq(), f.GetGainStep(), f.GetBandwidthStep(),
                                 f.GetSlope(), 0, f.GetBypass()});
        } else {
            v.filters.push_back({f.GetType(), f.GetFreq(), 0, 0, f.GetSlope(), f.GetFamily(), 0});
        }
    }
    return v;
}

void Randomise(OutputChannel& r, std::mt19937& rng) {
    testing::Picker pick(rng);
    std::string name;
    const int length = pick(0, 7);
    for (int i = 0; i < length; ++i) {
        name.push_back("ABCXYZabcxyz0189-_"[pick(0, 17)]);
    }
    r.SetName(name);
    testing::RandomLevels(r, pick);
    r.SetInputGain(static_cast<std::int16_t>(pick(0, 600)));
    r.SetInputRoute(static_cast<std::uint8_t>(pick(0, 15)));
    for (int k = 0; k < 8; ++k) {
        Filter& f = r.Band(k);
        testing::RandomBand(f, pick, [&pick] { return pick(20, 20000); });
        if (pick(0, 5) == 0) {
            f.SetBypass(true);
        }
    }
    Filter& hp = r.HighPass();
    Filter& lp = r.LowPass();
    const int a = pick(20, 20000);
    const int b = pick(20, 20000);
    hp.SetFreq(std::min(a, b), true);
    lp.SetFreq(std::max(a, b), true);
    hp.SetFamily(pick(0, 2), true);
    lp.SetFamily(pick(0, 2), true);
    hp.SetSlope(pick(0, 6), true);
    lp.SetSlope(pick(0, 6), true);
}

// What loading does to the stored values: routing by mode, CH4 polarity in a bridged
// CH3/CH4 pair, input gain by sensitivity.
void ApplyAdjustments(std::array<ChannelValues, 4>& v, const DeviceImage& image) {
    const int m12 = image.systemBytes[0];
    const int m34 = image.systemBytes[1];
    if (m12 == 0 || m12 == 1) {
        v[0].route = 1;
        v[1].route = m12 == 0 ? 2 : 1;
    }
    if (m34 == 0 || m34 == 1) {
        v[2].route = 1;
        v[3].route = m34 == 0 ? 2 : 1;
    } else if (m34 == 2) {
        v[2].route = 1;
        v[3].polarity = v[2].polarity == 0 ? 1 : 0;
    }
    const int gains[] = {600, 578, 549};
    for (int c = 0; c < 4; ++c) {
        const int sens = image.systemBytes[2 + c];
        if (sens <= 2) {
            v[c].gain = gains[sens];
        }
    }
}

class ChannelSetRoundTrip : public ::testing::TestWithParam<unsigned> {};

TEST_P(ChannelSetRoundTrip, WriteThenLoadKeepsEveryValueBarTheAdjustments) {
    std::mt19937 rng(GetParam());
    auto pick = [&rng](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    FreshState fresh;
    ChannelSet set(*fresh);
    set.SetSending(pick(0, 1) == 1);
    if (pick(0, 1) == 1) {
        set.LinkCh1Ch2(false, nullptr);
    }
    for (int c = 0; c < 4; ++c) {
        Randomise(set.Channel(c), rng);
    }
    // Let the crossover ramps finish when changes are being sent.
    for (int i = 0; i < 200; ++i) {
        set.NextPendingFrame();
    }
    // A volume byte the editor carries but never sets.
    for (int c = 0; c < 4; ++c) {
        fresh->image.ChannelBlock(0, c)[32] = static_cast<std::uint8_t>(pick(0, 255));
    }
    set.LoadAllFromImage();
    for (int c = 0; c < 4; ++c) {
        Randomise(set.Channel(c), rng);
    }
    for (int i = 0; i < 200; ++i) {
        set.NextPendingFrame();
    }
    for (int i = 0; i < 6; ++i) {
        fresh->image.systemBytes[i] = static_cast<std::uint8_t>(pick(0, 3));
    }

    std::array<ChannelValues, 4> expected;
    for (int c = 0; c < 4; ++c) {
        expected[c] = Snapshot(set.Channel(c));
    }
    set.WriteAllToImage();

    // Into a second process through the bytes alone, then back into the first one.
    FreshState other;
    ChannelSet copy(*other);
    std::copy(fresh->image.ProgramRecord(0).begin(), fresh->image.ProgramRecord(0).end(),
              other->image.ProgramRecord(0).begin());
    other->image.systemBytes = fresh->image.systemBytes;
    copy.LoadAllFromImage();
    set.LoadAllFromImage();

    ApplyAdjustments(expected, fresh->image);
    for (int c = 0; c < 4; ++c) {
        EXPECT_EQ(Snapshot(copy.Channel(c)), expected[c]) << "channel " << c;
        EXPECT_EQ(Snapshot(set.Channel(c)), expected[c]) << "channel " << c;
    }
    EXPECT_TRUE(fresh.sink.messages.empty());
}

INSTANTIATE_TEST_SUITE_P(Seeds, ChannelSetRoundTrip, ::testing::Range(1u, 41u));

}  // namespace
}  // namespace tolmarin::testing
