#include <gtest/gtest.h>

#include <climits>
#include <random>
#include <vector>

#include "response/Filter.h"
#include "support/Fresh.h"

namespace tolmarin {
namespace {

constexpr Rect kPlot{35, 10, 635, 250};  // 600 x 240, as the form lays it out
constexpr int kW = 600;
constexpr int kH = 240;

struct RecordingFader : GainFader {
    void SetPosReversed(int pos) override { positions.push_back(pos); }
    std::vector<int> positions;
};

class FilterTest : public ::testing::Test {
protected:
    FilterTest() { s->app.sendChanges = 1; }

    Filter Band(int hz, int gainStep = 200) {
        Filter f(*s);
        f.SetGraphRect(kPlot);
        f.SetFreq(hz, true);
        f.SetGainStep(gainStep);
        return f;
    }
    // Configured as the EQ bank configures its crossover filters.
    Filter Crossover(int type, int hz) {
        Filter f(*s);
        f.SetType(type);
        f.SetEqBand(0);
        f.SetGraphRect(kPlot);
        f.SetFreq(hz, true);
        return f;
    }

    testing::FreshState s;
};

bool Flat(const Filter& f) {
    for (double v : f.Response()) {
        if (v != 0.0) {
            return false;
        }
    }
    return true;
}

// --- Parameters and pending ---------------------------------------------------------------

TEST_F(FilterTest, NewFilterIsAFlatBypassedBandAt1000Hz) {
    Filter f(*s);
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
    s->app.sendChanges = 0;  // so a change would be visible as pending 0
    zero.SetBypass(0);
    EXPECT_EQ(zero.GetBypass(), 1);
    EXPECT_EQ(zero.GetPending(), 1);  // untouched: SetBypass(0) changed nothing
}

TEST_F(FilterTest, PendingCopiesTheChangeSendingFlagOnlyWhereMarked) {
    s->app.sendChanges = 0;
    Filter f(*s);
    f.SetGainStep(250);
    f.SetFreq(500, true);
    f.SetBandwidthStep(10);
    EXPECT_EQ(f.GetPending(), 0);
    s->app.sendChanges = 1;
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
    Filter lp(*s);
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
    lp.AdvanceSentFreq(7);
    EXPECT_EQ(lp.GetPending(), 7);
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

    s->app.sendChanges = 1;
    Filter all(*s);
    all.SetGraphRect(kPlot);
    all.CopyFrom(src);
    EXPECT_EQ(all.GetPending(), 0);  // loading copies, nothing to send
    EXPECT_EQ(all.GetType(), 2);
    EXPECT_EQ(all.GetSentFreq(), 3000);
    EXPECT_EQ(all.GetFamily(), 2);
    EXPECT_EQ(all.GetNumber(), 0);
    EXPECT_EQ(all.Response(), src.Response());
    EXPECT_EQ(all.MainHandle(), src.MainHandle());

    Filter eq(*s);
    eq.SetGraphRect(kPlot);
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
    EXPECT_EQ(hp.MainHandle(), other.MainHandle());
}

// --- Geometry --------------------------------------------------------------------------------

TEST_F(FilterTest, PolygonRunsFromTheZeroLineAlongTheResponseAndBack) {
    Filter f = Band(1000, 260);
    const auto& poly = f.Polygon();
    EXPECT_EQ(poly.front(), (Point{35, 90}));
    EXPECT_EQ(poly.back(), (Point{635, 90}));
    for (int i = 0; i < kGridSize; ++i) {
        const auto k = static_cast<std::size_t>(i);
        EXPECT_EQ(poly[k + 1].x, FreqToX(FreqTable[k], kW) + 35);
        EXPECT_EQ(poly[k + 1].y, DbToY(f.Response()[k], kH) + 10);
    }
    EXPECT_EQ(poly[1].x, 35 - 1);  // 19.7 Hz lies just left of the axis
    EXPECT_EQ(poly[241].x, 635);
}

TEST_F(FilterTest, BandHandleCentresOnItsFrequencyWhileTheAreaPeaksOnTheGrid) {
    Filter f = Band(1010, 320);  // +12 dB
    const Point c = f.MainHandle().Center();
    EXPECT_EQ(c.x, FreqToX(1010, kW) + 35);
    EXPECT_EQ(c.y, DbToY(12.0, kH) + 10);
    std::size_t top = 1;
    for (std::size_t i = 1; i <= 241; ++i) {
        if (f.Polygon()[i].y < f.Polygon()[top].y) {
            top = i;
        }
    }
    EXPECT_EQ(top, 137u);  // grid index 136, 1000 Hz
    EXPECT_EQ(f.MainHandle().Width(), 16);
    EXPECT_EQ(f.MainHandle().Height(), 16);
}

TEST_F(FilterTest, BandHandleAndLabelStayInsideThePlotEdges) {
    Filter right = Band(20000, 400);
    EXPECT_EQ(right.MainHandle(), (Rect{627, 10, 643, 26}));  // right edge at w + 8 + 35
    EXPECT_EQ(right.LabelRect(), (Rect{465, 35, 635, 51}));
    Filter left = Band(20, 200);
    EXPECT_EQ(left.MainHandle().left, 27);
    EXPECT_EQ(left.LabelRect(), (Rect{27, 107, 43 + 150, 123}));
    Filter shelf = Band(20000, 140);
    shelf.SetEqKind(3);
    EXPECT_EQ(shelf.LabelRect().right - shelf.LabelRect().left, 116);

    // A low plot: the label would fall off the bottom and is drawn taller instead.
    Filter low = Band(1000, 0);
    low.SetGraphRect({0, 0, 600, 90});
    EXPECT_EQ(low.MainHandle().top, 52 + 10);
    EXPECT_EQ(low.LabelRect().top, 62 + 15);
    EXPECT_EQ(low.LabelRect().bottom, 78 + 25);
}

TEST_F(FilterTest, BandwidthHandlesSitAtTheBandEdgesBelowOrAboveTheHandle) {
    Filter f = Band(1000, 260);
    f.SetBandwidthStep(19);  // one octave
    EXPECT_EQ(f.RightHandle(), (Rect{441, 66 + 10 - 4, 449, 66 + 10 + 4}));
    EXPECT_EQ(f.LeftHandle(), (Rect{300, 72, 308, 80}));
    f.SetGainStep(140);  // -6 dB: the handles go above the centre
    const int cy = f.MainHandle().Center().y;
    EXPECT_EQ(f.LeftHandle().Center().y, cy - 10);
}

TEST_F(FilterTest, CrossoverHandlesAtTheirFixedHeights) {
    Filter hp = Crossover(3, 20);
    EXPECT_EQ(hp.MainHandle(), (Rect{27, 230, 43, 246}));
    EXPECT_EQ(hp.LabelRect(), (Rect{27, 215, 93, 271}));
    Filter lp = Crossover(4, 20000);
    EXPECT_EQ(lp.MainHandle(), (Rect{627, 210, 643, 226}));
    EXPECT_EQ(lp.LabelRect(), (Rect{569, 195, 635, 251}));
    EXPECT_TRUE(Flat(hp));
    EXPECT_TRUE(Flat(lp));
}

// --- Drags ------------------------------------------------------------------------------------

TEST_F(FilterTest, DraggingOntoTheZeroLineGivesMinusHalfADecibel) {
    Filter f = Band(1000, 260);
    RecordingFader fader;
    f.AttachFaders(nullptr, &fader, nullptr);
    f.AdvanceSentFreq(0);
    EXPECT_EQ(f.DragPoint({FreqToX(1000, kW) + 35, 90}), 1);
    EXPECT_DOUBLE_EQ(f.GetGain(), -0.5);
    EXPECT_EQ(f.GetBypass(), 0);
    EXPECT_EQ(f.GetGainStep(), 195);
    EXPECT_EQ(f.GetPending(), 1);
    EXPECT_EQ(fader.positions, (std::vector<int>{195}));
    EXPECT_EQ(f.DragPoint({FreqToX(1000, kW) + 35, 90}), 0);  // same place: no change
    EXPECT_EQ(f.DragPoint({FreqToX(1000, kW) + 35, 0}), 1);   // top edge always counts
    EXPECT_DOUBLE_EQ(f.GetGain(), 20.0);
    // No pixel gives a gain strictly between -0.4 and +0.4 dB.
    for (int y = 0; y <= 260; ++y) {
        f.DragPoint({400, y});
        EXPECT_FALSE(f.GetGain() > -0.4 && f.GetGain() < 0.4) << y;
        EXPECT_EQ(f.GetGain(), f.GetGainStep() * 0.1 - 20.0);
    }
}

TEST_F(FilterTest, DragUsesTheGrabOffsetAndStopsShelvesAt2000Hz) {
    Filter f = Band(1000, 260);
    f.Pointer().grabOffset = {5, 0};
    f.DragPoint({235 + 5, 90});
    EXPECT_EQ(f.GetFreq(), 200);
    Filter low = Band(500, 260);
    low.SetEqKind(2);
    low.DragPoint({FreqToX(5000, kW) + 35, 50});
    EXPECT_EQ(low.GetFreq(), 2000);
    Filter high = Band(5000, 260);
    high.SetEqKind(3);
    high.DragPoint({FreqToX(100, kW) + 35, 50});
    EXPECT_EQ(high.GetFreq(), 2000);
    Filter hp = Crossover(3, 100);
    EXPECT_EQ(hp.DragPoint({400, 50}), 0);
    EXPECT_EQ(hp.GetFreq(), 100);
}

TEST_F(FilterTest, BandwidthDragIsQuantisedAndLimited) {
    Filter f = Band(1000, 260);
    f.Pointer().draggingRight = 1;
    f.DragBandwidth(FreqToX(2000, kW) + 35);
    EXPECT_EQ(f.GetBandwidthStep(), 19);
    f.DragBandwidth(634);
    EXPECT_EQ(f.BandwidthText(), "3.00Oct");
    f.DragBandwidth(FreqToX(1000, kW) + 35);
    EXPECT_EQ(f.BandwidthText(), "0.05Oct");
    f.Pointer().draggingRight = 0;
    f.Pointer().draggingLeft = 1;
    f.DragBandwidth(FreqToX(500, kW) + 35);
    EXPECT_NEAR(f.GetBandwidth(), 1.0, 1e-9);
    f.Pointer().draggingLeft = 0;
    f.DragBandwidth(40);
    EXPECT_NEAR(f.GetBandwidth(), 1.0, 1e-9);
}

TEST_F(FilterTest, CrossoverDragsNeverPassEachOther) {
    Filter hp = Crossover(3, 200);
    Filter lp = Crossover(4, 1000);
    EXPECT_EQ(hp.DragCrossover({FreqToX(5000, kW) + 35, 0}, lp.GetFreq()), 1);
    EXPECT_EQ(hp.GetFreq(), 1000);
    hp.SetFreq(200, true);
    EXPECT_EQ(lp.DragCrossover({FreqToX(100, kW) + 35, 999}, hp.GetFreq()), 1);
    EXPECT_EQ(lp.GetFreq(), 200);
    // Held against the other filter, a step still reports a change; at its own
    // frequency it does not.
    EXPECT_EQ(lp.DragCrossover({FreqToX(100, kW) + 35, 0}, hp.GetFreq()), 1);
    EXPECT_EQ(lp.DragCrossover({235, 0}, hp.GetFreq()), 0);
    EXPECT_EQ(lp.DragCrossover({-50, 0}, 20), 1);  // the low-pass stops at 20 Hz
    EXPECT_EQ(lp.GetFreq(), 20);
    EXPECT_EQ(hp.DragCrossover({30, 0}, 20000), 1);
    EXPECT_EQ(hp.GetFreq(), 20);
    EXPECT_TRUE(Flat(hp));
    EXPECT_EQ(hp.DragCrossover({9999, 0}, 20000), 1);
    EXPECT_EQ(hp.GetFreq(), 20000);
}

// --- Texts -----------------------------------------------------------------------------------

TEST_F(FilterTest, ValueTextsAndLabels) {
    Filter f = Band(1000, 230);
    EXPECT_EQ(f.FreqText(), "1000Hz");
    EXPECT_EQ(f.GainText(), "3.0dB");
    EXPECT_EQ(f.BandwidthText(), "0.30Oct");
    EXPECT_EQ(f.QText(), "4.800");
    EXPECT_EQ(f.LabelText(), "1000Hz 4.800Q 3.0dB");
    EXPECT_EQ(f.Label(), "1000Hz 4.800Q 3.0dB");
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
    Filter f(*s);
    f.SetGraphRect({INT_MIN, 0, INT_MAX, 10});
    for (int i = 0; i < 4000; ++i) {
        switch (rng() % 12) {
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
                f.DragPoint({pick(), pick()});
                break;
            case 8:
                f.Pointer().draggingLeft = 1;
                f.DragBandwidth(pick());
                break;
            case 9:
                f.DragCrossover({pick(), pick()}, pick());
                break;
            case 10:
                f.SetGraphRect({pick(), pick(), pick(), pick()});
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
