#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "model/EqBank.h"
#include "support/Fresh.h"

namespace tolmarin::testing {
namespace {

struct EqBankTest : ::testing::Test {
    FreshState fresh;
    SendMode sending;
    EqBank eq{*fresh, sending};
    EqBankTest() { eq.CreateFilters(8, 2, 20000); }
};

TEST_F(EqBankTest, CreatedBankHasBandsThenCrossoversAndIsFlat) {
    ASSERT_EQ(eq.FilterCount(), 10);
    std::vector<int> numbers, types;
    for (int i = 0; i < eq.FilterCount(); ++i) {
        numbers.push_back(eq.Band(i).GetNumber());
        types.push_back(eq.Band(i).GetType());
        EXPECT_FALSE(eq.Band(i).IsPending()) << i;
    }
    EXPECT_EQ(numbers, (std::vector<int>{5, 6, 7, 8, 9, 10, 11, 12, 2, 2}));
    EXPECT_EQ(types, (std::vector<int>{0, 0, 0, 0, 0, 0, 0, 0, 3, 4}));
    for (int k = 0; k < 8; ++k) {
        EXPECT_EQ(eq.Band(k).GetFreq(), kDefaultBandFreq[k]);
        EXPECT_EQ(eq.Band(k).GetEqBand(), 1);
    }
    EXPECT_EQ(&eq.HighPass(), &eq.Band(8));
    EXPECT_EQ(&eq.LowPass(), &eq.Band(9));
    EXPECT_EQ(eq.HighPass().GetFreq(), 20);
    EXPECT_EQ(eq.HighPass().GetSentFreq(), 20);
    EXPECT_EQ(eq.LowPass().GetSentFreq(), 20000);
    EXPECT_EQ(eq.HighPass().GetEqBand(), 0);
    for (int i = 0; i < eq.FilterCount(); ++i) {
        for (double v : eq.Band(i).Response()) {
            ASSERT_EQ(v, 0.0) << i;
        }
    }
    EXPECT_THROW(eq.Band(10), std::out_of_range);
}

TEST_F(EqBankTest, BandRecordKnownAnswer) {
    Filter& f = eq.Band(0);
    f.SetFreq(1000, true);
    f.SetGainStep(230);
    const BandRecord r = eq.BuildBandRecord(0);
    std::array<std::uint8_t, 8> bytes{};
    WriteBandRecord(bytes, 0, r);
    EXPECT_EQ(bytes, (std::array<std::uint8_t, 8>{0xE8, 0x03, 0xE6, 0x00, 0x05, 0x00, 0x00, 0x00}));
    EXPECT_EQ(ReadBandRecord(bytes, 0), r);
}

TEST_F(EqBankTest, BypassedBandRecordsUnityGain) {
    Filter& f = eq.Band(2);
    f.SetGainStep(120);
    f.SetBypass(1);
    EXPECT_EQ(eq.BuildBandRecord(2).gainStep, 200);
}

// Runs the stepping from a record frequency c towards the band's a and returns the
// sequence, with whether each step renewed the pending flag.
std::vector<std::pair<int, bool>> Steps(EqBank& eq, int c, int a, int maxSteps = 20) {
    Filter& f = eq.Band(0);
    f.SetFreq(a, true);
    BandRecord r;
    r.freq = static_cast<std::int16_t>(c);
    std::vector<std::pair<int, bool>> out;
    for (int i = 0; i < maxSteps; ++i) {
        f.AdvanceSentFreq(0);  // the scan clears the flag before each send
        eq.StepBandRecord(r, 0);
        out.emplace_back(r.freq, f.IsPending());
        if (!f.IsPending()) {
            break;
        }
    }
    return out;
}

TEST_F(EqBankTest, StepUpwardInOctavesLandingExactly) {
    using V = std::vector<std::pair<int, bool>>;
    EXPECT_EQ(Steps(eq, 100, 1000), (V{{200, true}, {400, true}, {800, true}, {1000, false}}));
    EXPECT_EQ(Steps(eq, 0, 40), (V{{20, true}, {40, false}}));
    EXPECT_EQ(Steps(eq, 5000, 20000), (V{{10000, true},
                                         {12000, true},
                                         {14000, true},
                                         {16000, true},
                                         {18000, true},
                                         {20000, false}}));
    EXPECT_EQ(Steps(eq, 1000, 1000), (V{{1000, false}}));
    EXPECT_EQ(Steps(eq, -300, 100), (V{{20, true}, {40, true}, {80, true}, {100, false}}));
}

TEST_F(EqBankTest, StepDownwardInTwoKilohertzThenOctaves) {
    using V = std::vector<std::pair<int, bool>>;
    EXPECT_EQ(Steps(eq, 16000, 1000), (V{{14000, true},
                                         {12000, true},
                                         {10000, true},
                                         {8000, true},
                                         {4000, true},
                                         {2000, true},
                                         {1000, false}}));
    // A record beyond the audio band is first brought back into it.
    EXPECT_EQ(Steps(eq, 30000, 20), (V{{20000, true},
                                       {18000, true},
                                       {16000, true},
                                       {14000, true},
                                       {12000, true},
                                       {10000, true},
                                       {8000, true},
                                       {4000, true},
                                       {2000, true},
                                       {1000, true},
                                       {500, true},
                                       {250, true},
                                       {125, true},
                                       {62, true},
                                       {31, true},
                                       {20, false}}));
}

TEST_F(EqBankTest, SteppedRecordCarriesTheBandsOtherFields) {
    Filter& f = eq.Band(0);
    f.SetEqKind(2);
    f.SetGainStep(321);
    f.SetBandwidthStep(40);
    BandRecord r{300, 7, 7, 9, 9};
    eq.StepBandRecord(r, 0);
    EXPECT_EQ(r, (BandRecord{150, 321, 40, 1, 1}));
}

TEST_F(EqBankTest, LoadedShelfIsLimitedAndNotPending) {
    sending.on = true;
    eq.LoadBand(BandRecord{5000, 260, 3, 1, 1}, 4);
    const Filter& f = eq.Band(4);
    EXPECT_EQ(f.GetType(), 1);
    EXPECT_EQ(f.GetFreq(), 2000);
    EXPECT_EQ(f.GetSlope(), 1);
    EXPECT_EQ(f.GetGainStep(), 260);
    EXPECT_EQ(f.GetBandwidthStep(), 3);
    EXPECT_FALSE(f.IsPending());
}

// Every gain step and every bandwidth step must come back from a band record.
TEST_F(EqBankTest, EveryStepSurvivesARecordRoundTrip) {
    for (int g = 0; g <= 400; ++g) {
        eq.LoadBand(BandRecord{1000, static_cast<std::int16_t>(g), 5, 0, 0}, 0);
        ASSERT_EQ(eq.BuildBandRecord(0), (BandRecord{1000, static_cast<std::int16_t>(g), 5, 0, 0}));
    }
    for (int bw = 0; bw <= 59; ++bw) {
        const BandRecord r{2500, 180, static_cast<std::int16_t>(bw), 1, 2};
        eq.LoadBand(r, 1);
        ASSERT_EQ(eq.BuildBandRecord(1), r);
    }
}

TEST_F(EqBankTest, CopyValuesFromLeavesPendingAlone) {
    FreshState other;
    SendMode otherSending;
    EqBank source(*other, otherSending);
    source.CreateFilters(8, 2, 20000);
    otherSending.on = true;
    source.Band(3).SetGainStep(300);
    source.HighPass().SetFreq(800, true);  // still stepping on the source side
    sending.on = true;
    eq.Band(6).SetGainStep(100);  // pending here
    eq.CopyValuesFrom(source);
    EXPECT_EQ(eq.Band(3).GetGainStep(), 300);
    EXPECT_FALSE(eq.Band(3).IsPending());
    EXPECT_TRUE(eq.Band(6).IsPending());
    EXPECT_EQ(eq.Band(6).GetGainStep(), 200);
    EXPECT_EQ(eq.HighPass().GetFreq(), 800);
    EXPECT_EQ(eq.HighPass().GetSentFreq(), 800);
}

TEST_F(EqBankTest, SummedResponseIsThePlainSumOfResponses) {
    eq.Band(2).SetGainStep(320);
    eq.Band(6).SetEqKind(3);
    eq.Band(6).SetGainStep(90);
    eq.HighPass().SetFreq(80, false);
    const GridResponse summed = eq.SummedResponse();
    for (int i = 0; i < kGridSize; ++i) {
        double sum = 0;
        for (int f = 0; f < 10; ++f) {
            sum += eq.Band(f).Response()[i];
        }
        EXPECT_DOUBLE_EQ(summed[i], sum) << i;
    }
}

}  // namespace
}  // namespace tolmarin::testing
