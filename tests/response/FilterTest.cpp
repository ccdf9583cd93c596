#include <gtest/gtest.h>

#include <climits>
#include <random>
#include <vector>

#include "response/Filter.h"
#include "support/FilterFixture.h"

namespace tolmarin {
namespace {

using testing::Flat;

class FilterTest : public testing::FilterFixture {};

// --- Parameters and pending ---------------------------------------------------------------

TEST_F(FilterTest, NewFilterIsAFlatBypassedBandAt1000Hz) {
    Filter f(*s, sending);
    EXPECT_TRUE(Flat(f));
    EXPECT_EQ(f.GetFreq(), 1000);
    EXPECT_EQ(f.GetSentFreq(), 20);
    EXPECT_EQ(f.GetGainStep(), 200);
    EXPECT_EQ(f.GetBandwidthStep(), 5);
    EXPECT_EQ(f.GetBypass(), 1);
    EXPECT_EQ(f.GetPending(), 0);
}

TEST_F(FilterTest, GainStepDrivesBypassAndBypassOnlyActsOnNonZeroGain) {
    Filter f = Band(1000);
    EXPECT_EQ(f.GetGain(), 0.0);
    EXPECT_EQ(f.GetBypass(), 1);
    f.SetGainStep(230);
    EXPECT_DOUBLE_EQ(f.GetGain(), 3.0);
    EXPECT_EQ(f.GetBypass(), 0);
    EXPECT_NEAR(f.Response()[136], 3.0, 1e-4);
    f.SetBypass(1);
    EXPECT_TRUE(Flat(f));
    EXPECT_EQ(f.GetGainStep(), 200);  // a bypassed band sends 0 dB
    EXPECT_DOUBLE_EQ(f.GetGain(), 3.0);
    f.SetBypass(0);
    EXPECT_NEAR(f.Response()[136], 3.0, 1e-4);

    Filter zero = Band(1000);
    sending.on = 0;  // so a change would be visible as pending 0
    zero.SetBypass(0);
    EXPECT_EQ(zero.GetBypass(), 1);
    EXPECT_EQ(zero.GetPending(), 1);  // untouched: SetBypass(0) changed nothing
}

TEST_F(FilterTest, PendingCopiesTheChangeSendingFlagOnlyWhereMarked) {
    sending.on = 0;
    Filter f(*s, sending);
    f.SetGainStep(250);
    f.SetFreq(500, true);
    f.SetBandwidthStep(10);
    EXPECT_EQ(f.GetPending(), 0);
    sending.on = 1;
    f.SetFreq(600, false);
    f.SetFamily(1, false);
    f.SetSlope(1, false);
    EXPECT_EQ(f.GetPending(), 0);
    f.SetSlope(0, true);
    EXPECT_EQ(f.GetPending(), 1);
    f.AdvanceSentFreq(0);
    EXPECT_EQ(f.GetPending(), 0);
    f.SetBandwidthStep(11);
    EXPECT_EQ(f.GetPending(), 1);
}

TEST_F(FilterTest, EqKindMovesShelvesToTheirSideOf2000Hz) {
    Filter f = Band(5000, 260);
    f.SetEqKind(1);
    EXPECT_EQ(f.GetType(), 1);
    EXPECT_EQ(f.GetSlope(), 0);
    EXPECT_EQ(f.GetFreq(), 2000);
    EXPECT_EQ(f.GetEqKind(), 1);
    Filter g = Band(100, 260);
    g.SetEqKind(3);
    EXPECT_EQ(g.GetFreq(), 2000);
    g.SetEqKind(4);
    EXPECT_EQ(g.GetType(), 2);
    EXPECT_EQ(g.GetEqKind(), 4);
    g.SetEqKind(0);
    EXPECT_EQ(g.GetEqKind(), 0);
    EXPECT_EQ(g.GetType(), 0);
    // Not a list entry: nothing changes and nothing is marked.
    g.AdvanceSentFreq(0);
    g.SetEqKind(5);
    g.SetEqKind(-1);
    EXPECT_EQ(g.GetType(), 0);
    EXPECT_EQ(g.GetPending(), 0);
}

// A shelf's frequency is limited as it is set, so the curve drawn is the one sent.
TEST_F(FilterTest, ShelfFrequencyIsLimitedWhenSetNotOnlyWhenRead) {
    Filter low = Band(1000, 260);
    low.SetEqKind(1);
    low.SetFreq(5000, true);
    EXPECT_EQ(low.GetFreq(), 2000);
    EXPECT_EQ(low.FreqText(), "2000Hz");
    EXPECT_EQ(low.Response(), FilterResponse(1, 2000, 6.0, 0, 0.3, 0, 0));
    Filter high = Band(1000, 260);
    high.SetType(2);
    EXPECT_EQ(high.GetFreq(), 2000);
    high.SetFreq(20, true);
    EXPECT_EQ(high.GetFreq(), 2000);
}

TEST_F(FilterTest, BandwidthStepRoundTripsForEveryStep) {
    Filter f = Band(1000, 260);
    for (int step = 0; step < kBandwidthSteps; ++step) {
        f.SetBandwidthStep(step);
        EXPECT_EQ(f.GetBandwidthStep(), step);
    }
    for (int step = 0; step <= 400; ++step) {
        f.SetGainStep(step);
        EXPECT_EQ(f.GetGainStep(), step);
        EXPECT_EQ(f.GetBypass(), step == 200 ? 1 : 0);
    }
}

TEST_F(FilterTest, ResponseFollowsEveryParameter) {
    Filter f = Crossover(3, 1000);
    f.SetFamily(2, true);
    f.SetSlope(3, true);
    EXPECT_EQ(f.Response(), FilterResponse(3, 1000, 0, 1, 0.3, 2, 3));
    Filter b = Band(1010, 150);
    b.SetBandwidthStep(19);
    EXPECT_EQ(b.Response(), FilterResponse(0, 1000, -5.0, 0, 1.0, 0, 0));
}

// --- Crossover sent frequency -----------------------------------------------------------------

TEST_F(FilterTest, LargeUpwardCrossoverJumpIsSentOneOctaveAtATime) {
    Filter hp = Crossover(3, 20);
    EXPECT_EQ(hp.GetSentFreq(), 20);
    hp.SetFreq(200, true);
    EXPECT_EQ(hp.GetSentFreq(), 20);  // quotient 10: stepped later
    for (int expected : {40, 80, 160, 200}) {
        hp.AdvanceSentFreq(0);
        EXPECT_EQ(hp.GetSentFreq(), expected);
        EXPECT_EQ(hp.GetPending(), 1);
    }
    hp.AdvanceSentFreq(0);
    EXPECT_EQ(hp.GetPending(), 0);
    hp.SetFreq(20, true);
    EXPECT_EQ(hp.GetSentFreq(), 20);  // downwards: at once
    hp.SetFreq(39, true);
    EXPECT_EQ(hp.GetSentFreq(), 39);  // below a doubling: at once
}

TEST_F(FilterTest, SentFrequencyFarAboveIsHalvedThenSet) {
    Filter lp(*s, sending);
    lp.SetEqBand(0);
    lp.SetFreq(1000, false);
    lp.SetType(4);  // the low-pass starts from a sent 20000
    EXPECT_EQ(lp.GetSentFreq(), 20000);
    std::vector<int> steps;
    for (int i = 0; i < 10 && lp.GetFreq() != lp.GetSentFreq(); ++i) {
        lp.AdvanceSentFreq(0);
        steps.push_back(lp.GetSentFreq());
    }
    EXPECT_EQ(steps, (std::vector<int>{10000, 5000, 2500, 1250, 1000}));
    lp.AdvanceSentFreq(true);
    EXPECT_TRUE(lp.GetPending());
}

TEST_F(FilterTest, LoadedCrossoverValuesAreNotSentBack) {
    Filter lp = Crossover(4, 20000);
    lp.AdvanceSentFreq(0);
    lp.SetFreq(80, false);
    lp.SetFamily(2, false);
    lp.SetSlope(2, false);
    lp.AdvanceSentFreq(0);
    EXPECT_EQ(lp.GetSentFreq(), 80);
    EXPECT_EQ(lp.GetPending(), 0);
}

// Catches division by zero and overflow in the stepping for values a damaged record or
// file can carry; every sequence settles within a few dozen sends.
TEST_F(FilterTest, SteppingAlwaysSettlesForAnyFrequencies) {
    const int values[] = {INT_MIN, INT_MIN + 1, -40000, -3, -1,    0,     1,           2,
                          3,       20,          39,     40, 20000, 32767, INT_MAX - 1, INT_MAX};
    for (int loaded : values) {
        for (int edited : values) {
            Filter f = Crossover(3, 20);
            f.SetFreq(loaded, false);
            f.SetFreq(edited, true);
            int sends = 0;
            do {
                f.AdvanceSentFreq(0);
            } while (f.GetPending() != 0 && ++sends < 80);
            EXPECT_EQ(f.GetPending(), 0) << loaded << " -> " << edited;
            EXPECT_EQ(f.GetSentFreq(), edited) << loaded << " -> " << edited;
        }
    }
}

// --- Copies --------------------------------------------------------------------------------

TEST_F(FilterTest, CopiesTakeTheirOwnFieldsAndMarkAsDescribed) {
    Filter src = Band(3000, 120);
    src.SetEqKind(4);
    src.SetBandwidthStep(9);
    src.SetFamily(2, true);
    src.SetNumber(9);

    sending.on = 1;
    Filter all(*s, sending);
    all.CopyFrom(src);
    EXPECT_EQ(all.GetPending(), 0);  // loading copies, nothing to send
    EXPECT_EQ(all.GetType(), 2);
    EXPECT_EQ(all.GetSentFreq(), 3000);
    EXPECT_EQ(all.GetFamily(), 2);
    EXPECT_EQ(all.GetNumber(), 0);
    EXPECT_EQ(all.Response(), src.Response());
    EXPECT_EQ(all.GetFreq(), src.GetFreq());  // where the graph puts its handle
    EXPECT_EQ(all.GetGainStep(), src.GetGainStep());

    Filter eq(*s, sending);
    eq.CopyEqFrom(src);
    EXPECT_EQ(eq.GetPending(), 1);
    EXPECT_EQ(eq.GetFamily(), 0);  // not an EQ field
    EXPECT_EQ(eq.Response(), src.Response());

    Filter hp = Crossover(3, 20);
    Filter other = Crossover(3, 20);
    other.SetFreq(300, true);
    other.SetFamily(1, true);
    other.SetSlope(5, true);
    hp.AdvanceSentFreq(0);
    hp.CopyCrossoverFrom(other);
    EXPECT_EQ(hp.GetPending(), 1);
    EXPECT_EQ(hp.GetSentFreq(), 300);  // the copy is sent at once, not stepped
    EXPECT_EQ(hp.Response(), other.Response());
    EXPECT_EQ(hp.GetFreq(), other.GetFreq());
}

// --- Texts -----------------------------------------------------------------------------------

TEST_F(FilterTest, ValueTextsAndLabels) {
    Filter f = Band(1000, 230);
    EXPECT_EQ(f.FreqText(), "1000Hz");
    EXPECT_EQ(f.GainText(), "3.0dB");
    EXPECT_EQ(f.BandwidthText(), "0.30Oct");
    EXPECT_EQ(f.QText(), "4.800");
    EXPECT_EQ(f.LabelText(), "1000Hz 4.800Q 3.0dB");
    f.SetGainStep(165);
    EXPECT_EQ(f.GainText(), "-3.5dB");
    f.SetBypass(1);
    EXPECT_EQ(f.GainText(), "0.0dB");
    EXPECT_EQ(f.LabelText(), "1000Hz 4.800Q 0.0dB");
    f.SetBandwidthStep(59);
    EXPECT_EQ(f.QText(), "0.404");
    f.SetBandwidthStep(0);
    EXPECT_EQ(f.QText(), "28.852");
    f.SetBandwidthStep(80);  // beyond the table: its nearest end, not past it
    EXPECT_EQ(f.QText(), "0.404");
    f.SetBandwidthStep(-3);
    EXPECT_EQ(f.QText(), "28.852");

    Filter shelf = Band(2000, 140);
    shelf.SetEqKind(3);
    EXPECT_EQ(shelf.LabelText(), "2000Hz -6.0dB");
    EXPECT_EQ(shelf.ShelfSlopeText(), "6dB/Oct");
    shelf.SetEqKind(4);
    EXPECT_EQ(shelf.ShelfSlopeText(), "12dB/Oct");
    Filter hp = Crossover(3, 80);
    EXPECT_EQ(hp.LabelText(), "80HZ ");
    EXPECT_EQ(hp.TypeText(), "");
}

TEST_F(FilterTest, CrossoverSlopeTextsAndOrdersWithoutText) {
    Filter lp = Crossover(4, 1000);
    const char* texts[] = {"12dB/Oct", "18dB/Oct", "24dB/Oct", "48dB/Oct", "", "", ""};
    for (int slope = 0; slope < 7; ++slope) {
        lp.SetSlope(slope, true);
        EXPECT_EQ(lp.CrossoverSlopeText(), texts[slope]);
        EXPECT_FALSE(Flat(lp)) << slope;  // computed even without a text
    }
}

TEST_F(FilterTest, FamilyAndTypeTextsFollowTheLanguageAtEachCall) {
    Filter f = Crossover(3, 100);
    Filter b = Band(1000);
    const char* en[] = {"Link_Ril", "Bessel", "Butter_W"};
    const char* zh[] = {"宁克", "贝塞尔", "巴特沃斯"};
    const char* typeEn[] = {"PEQ", "Lo_Shf", "Hi_Shf"};
    const char* typeZh[] = {"参量均衡", "低架", "高架"};
    for (int i = 0; i < 3; ++i) {
        f.SetFamily(i, false);
        b.SetEqKind(i == 0 ? 0 : 2 * i - 1);
        s->ui.language = Language::English;
        EXPECT_EQ(f.FamilyText(), en[i]);
        EXPECT_EQ(b.TypeText(), typeEn[i]);
        s->ui.language = Language::Chinese;
        EXPECT_EQ(f.FamilyText(), zh[i]);
        EXPECT_EQ(b.TypeText(), typeZh[i]);
        EXPECT_EQ(b.GainText(), "0.0dB");  // not language-dependent
    }
    f.SetFamily(3, false);
    EXPECT_EQ(f.FamilyText(), "");
}

// --- Robustness -------------------------------------------------------------------------------

// Random operations with extreme values must stay defined (run under the sanitizers).
TEST_F(FilterTest, ExtremeValuesStayDefined) {
    std::mt19937 rng(12345);
    const int extremes[] = {INT_MIN, -1000000, -1, 0, 1, 59, 60, 400, 401, 20000, INT_MAX};
    auto pick = [&] { return extremes[rng() % std::size(extremes)]; };
    Filter f(*s, sending);
    for (int i = 0; i < 4000; ++i) {
        switch (rng() % 10) {
            case 0:
                f.SetFreq(pick(), rng() % 2 == 0);
                break;
            case 1:
                f.SetGainStep(pick());
                break;
            case 2:
                f.SetBandwidthStep(pick());
                break;
            case 3:
                f.SetType(static_cast<int>(rng() % 6));
                break;
            case 4:
                f.SetSlope(pick(), true);
                break;
            case 5:
                f.SetFamily(pick(), true);
                break;
            case 6:
                f.SetEqBand(static_cast<int>(rng() % 2));
                break;
            case 7:
                f.DragTo(pick(), pick(), rng() % 2 == 0);
                break;
            case 8:
                f.DragEdgeTo(pick(),
                             rng() % 2 == 0 ? Filter::BandEdge::kLower : Filter::BandEdge::kUpper);
                break;
            default:
                f.AdvanceSentFreq(0);
                break;
        }
        (void)f.LabelText();
        (void)f.GainText();
        (void)f.GetGainStep();
    }
    SUCCEED();
}

}  // namespace
}  // namespace tolmarin
