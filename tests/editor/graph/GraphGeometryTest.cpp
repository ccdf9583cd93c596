#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <random>

#include "editor/graph/GraphGeometry.h"
#include "model/ChannelSet.h"
#include "model/EqBank.h"
#include "response/Filter.h"
#include "support/FilterFixture.h"

namespace tolmarin {
namespace {

constexpr int kW = 600;
constexpr int kH = 240;
constexpr PlotSize kPlot{kW, kH};  // as the form lays it out

using testing::Flat;

class FilterGeometry : public testing::FilterFixture {
protected:
    static Rect Main(const Filter& f, PlotSize plot = kPlot) { return MarksOf(f, plot).main; }
    static Rect LabelBox(const Filter& f, PlotSize plot = kPlot) { return MarksOf(f, plot).label; }
};

// --- Geometry --------------------------------------------------------------------------------

TEST_F(FilterGeometry, PolygonRunsFromTheZeroLineAlongTheResponseAndBack) {
    Filter f = Band(1000, 260);
    const auto poly = AreaOf(f, kPlot);
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

TEST_F(FilterGeometry, BandHandleCentresOnItsFrequencyWhileTheAreaPeaksOnTheGrid) {
    Filter f = Band(1010, 320);  // +12 dB
    const Point c = Main(f).Center();
    EXPECT_EQ(c.x, FreqToX(1010, kW) + 35);
    EXPECT_EQ(c.y, DbToY(12.0, kH) + 10);
    const auto poly = AreaOf(f, kPlot);
    std::size_t top = 1;
    for (std::size_t i = 1; i <= 241; ++i) {
        if (poly[i].y < poly[top].y) {
            top = i;
        }
    }
    EXPECT_EQ(top, 137u);  // grid index 136, 1000 Hz
    EXPECT_EQ(Main(f).Width(), 16);
    EXPECT_EQ(Main(f).Height(), 16);
}

TEST_F(FilterGeometry, BandHandleAndLabelStayInsideThePlotEdges) {
    Filter right = Band(20000, 400);
    EXPECT_EQ(Main(right), (Rect{627, 10, 643, 26}));  // right edge at w + 8 + 35
    EXPECT_EQ(LabelBox(right), (Rect{465, 35, 635, 51}));
    Filter left = Band(20, 200);
    EXPECT_EQ(Main(left).left, 27);
    EXPECT_EQ(LabelBox(left), (Rect{27, 107, 43 + 150, 123}));
    Filter shelf = Band(20000, 140);
    shelf.SetEqKind(3);
    EXPECT_EQ(LabelBox(shelf).right - LabelBox(shelf).left, 116);

    // A low plot: the label would fall off the bottom and is drawn taller instead.
    Filter low = Band(1000, 0);
    const PlotSize lowPlot = PlotSize::Of({0, 0, 600, 90});
    EXPECT_EQ(Main(low, lowPlot).top, 52 + 10);
    EXPECT_EQ(LabelBox(low, lowPlot).top, 62 + 15);
    EXPECT_EQ(LabelBox(low, lowPlot).bottom, 78 + 25);
}

TEST_F(FilterGeometry, BandwidthHandlesSitAtTheBandEdgesBelowOrAboveTheHandle) {
    Filter f = Band(1000, 260);
    f.SetBandwidthStep(19);  // one octave
    EXPECT_EQ(MarksOf(f, kPlot).right, (Rect{441, 66 + 10 - 4, 449, 66 + 10 + 4}));
    EXPECT_EQ(MarksOf(f, kPlot).left, (Rect{300, 72, 308, 80}));
    f.SetGainStep(140);  // -6 dB: the handles go above the centre
    const int cy = Main(f).Center().y;
    EXPECT_EQ(MarksOf(f, kPlot).left.Center().y, cy - 10);
}

TEST_F(FilterGeometry, CrossoverHandlesAtTheirFixedHeights) {
    Filter hp = Crossover(3, 20);
    EXPECT_EQ(Main(hp), (Rect{27, 230, 43, 246}));
    EXPECT_EQ(LabelBox(hp), (Rect{27, 215, 93, 271}));
    Filter lp = Crossover(4, 20000);
    EXPECT_EQ(Main(lp), (Rect{627, 210, 643, 226}));
    EXPECT_EQ(LabelBox(lp), (Rect{569, 195, 635, 251}));
    EXPECT_TRUE(Flat(hp));
    EXPECT_TRUE(Flat(lp));
}

// --- Drags ------------------------------------------------------------------------------------

TEST_F(FilterGeometry, DraggingOntoTheZeroLineGivesMinusHalfADecibel) {
    Filter f = Band(1000, 260);
    f.AdvanceSentFreq(0);
    const Filter::PointDrag first = DragBand(f, {FreqToX(1000, kW) + 35, 90}, {}, kPlot);
    EXPECT_TRUE(first.changed);
    EXPECT_DOUBLE_EQ(f.GetGain(), -0.5);
    EXPECT_EQ(f.GetBypass(), 0);
    EXPECT_EQ(f.GetGainStep(), 195);
    EXPECT_EQ(f.GetPending(), 1);
    EXPECT_EQ(first.gainStep, 195);  // what the band's fader is moved to
    // Same place: no change; the top edge always counts.
    EXPECT_FALSE(DragBand(f, {FreqToX(1000, kW) + 35, 90}, {}, kPlot).changed);
    EXPECT_TRUE(DragBand(f, {FreqToX(1000, kW) + 35, 0}, {}, kPlot).changed);
    EXPECT_DOUBLE_EQ(f.GetGain(), 20.0);
    // No pixel gives a gain strictly between -0.4 and +0.4 dB.
    for (int y = 0; y <= 260; ++y) {
        DragBand(f, {400, y}, {}, kPlot);
        EXPECT_FALSE(f.GetGain() > -0.4 && f.GetGain() < 0.4) << y;
        EXPECT_EQ(f.GetGain(), f.GetGainStep() * 0.1 - 20.0);
    }
}

TEST_F(FilterGeometry, DragUsesTheGrabOffsetAndStopsShelvesAt2000Hz) {
    Filter f = Band(1000, 260);
    DragBand(f, {235 + 5, 90}, {5, 0}, kPlot);
    EXPECT_EQ(f.GetFreq(), 200);
    Filter low = Band(500, 260);
    low.SetEqKind(2);
    DragBand(low, {FreqToX(5000, kW) + 35, 50}, {}, kPlot);
    EXPECT_EQ(low.GetFreq(), 2000);
    Filter high = Band(5000, 260);
    high.SetEqKind(3);
    DragBand(high, {FreqToX(100, kW) + 35, 50}, {}, kPlot);
    EXPECT_EQ(high.GetFreq(), 2000);
    Filter hp = Crossover(3, 100);
    EXPECT_FALSE(DragBand(hp, {400, 50}, {}, kPlot).changed);
    EXPECT_EQ(hp.GetFreq(), 100);
}

TEST_F(FilterGeometry, BandwidthDragIsQuantisedAndLimited) {
    Filter f = Band(1000, 260);
    const auto upper = Filter::BandEdge::kUpper;
    DragBandEdge(f, FreqToX(2000, kW) + 35, upper, kPlot);
    EXPECT_EQ(f.GetBandwidthStep(), 19);
    DragBandEdge(f, 634, upper, kPlot);
    EXPECT_EQ(f.BandwidthText(), "3.00Oct");
    DragBandEdge(f, FreqToX(1000, kW) + 35, upper, kPlot);
    EXPECT_EQ(f.BandwidthText(), "0.05Oct");
    DragBandEdge(f, FreqToX(500, kW) + 35, Filter::BandEdge::kLower, kPlot);
    EXPECT_NEAR(f.GetBandwidth(), 1.0, 1e-9);
}

TEST_F(FilterGeometry, CrossoverDragsNeverPassEachOther) {
    Filter hp = Crossover(3, 200);
    Filter lp = Crossover(4, 1000);
    const auto drag = [](Filter& f, Point p, int other) {
        return DragCrossover(f, p, {}, other, kPlot);
    };
    EXPECT_TRUE(drag(hp, {FreqToX(5000, kW) + 35, 0}, lp.GetFreq()));
    EXPECT_EQ(hp.GetFreq(), 1000);
    hp.SetFreq(200, true);
    EXPECT_TRUE(drag(lp, {FreqToX(100, kW) + 35, 999}, hp.GetFreq()));
    EXPECT_EQ(lp.GetFreq(), 200);
    // Held against the other filter, a step still reports a change; at its own
    // frequency it does not.
    EXPECT_TRUE(drag(lp, {FreqToX(100, kW) + 35, 0}, hp.GetFreq()));
    EXPECT_FALSE(drag(lp, {235, 0}, hp.GetFreq()));
    EXPECT_TRUE(drag(lp, {-50, 0}, 20));  // the low-pass stops at 20 Hz
    EXPECT_EQ(lp.GetFreq(), 20);
    EXPECT_TRUE(drag(hp, {30, 0}, 20000));
    EXPECT_EQ(hp.GetFreq(), 20);
    EXPECT_TRUE(Flat(hp));
    EXPECT_TRUE(drag(hp, {9999, 0}, 20000));
    EXPECT_EQ(hp.GetFreq(), 20000);
}

// --- Curves ---------------------------------------------------------------------------------

TEST_F(FilterGeometry, SummedCurveIsThePlainSumOfResponses) {
    EqBank eq(*s);
    eq.CreateFilters(8, 2, 20000);
    eq.Band(2).SetGainStep(320);
    eq.Band(6).SetEqKind(3);
    eq.Band(6).SetGainStep(90);
    eq.HighPass().SetFreq(80, false);
    const auto curve = CurveOf(eq.SummedResponse(), PlotSize::Of({0, 0, 600, 300}));
    for (int i = 0; i < kGridSize; ++i) {
        double sum = 0;
        for (int f = 0; f < 10; ++f) {
            sum += eq.Band(f).Response()[i];
        }
        const double yf = 300 / 60.0 * (20 - sum) + 10;
        EXPECT_NEAR(curve[i].y, yf, 1e-9) << i;
        EXPECT_NEAR(curve[i].x, FreqToXf(FreqTable[i], 600) + 35, 1e-9) << i;
    }
}

TEST_F(FilterGeometry, CurvesLieOnTheFrequencyAxisAndFlatOnZeroDb) {
    ChannelSet set(*s);
    const PlotSize plot = PlotSize::Of({0, 0, 600, 240});
    const auto curveOf = [&](int c) { return CurveOf(set.Channel(c).Eq().SummedResponse(), plot); };
    EXPECT_NEAR(curveOf(0)[240].x, std::log10(1000.0) * 200 + 35, 1e-9);
    for (int c = 0; c < 4; ++c) {
        const auto curve = curveOf(c);
        for (int i = 0; i < kGridSize; ++i) {
            ASSERT_EQ(curve[i].y, 240 / 60.0 * 20 + 10) << c << " " << i;
        }
    }
    // Volume and input gain do not move the curve.
    set.Channel(0).SetVolumeDb(10);
    set.Channel(0).SetInputGain(549);
    EXPECT_EQ(curveOf(0)[100].y, 240 / 60.0 * 20 + 10);
}

// --- Robustness -------------------------------------------------------------------------------

// Geometry and drags at extreme plots and values must stay defined (run under the
// sanitizers); the plot is bounded so no coordinate sum overflows.
TEST_F(FilterGeometry, ExtremeValuesStayDefined) {
    std::mt19937 rng(12345);
    const int extremes[] = {INT_MIN, -1000000, -1, 0, 1, 59, 60, 400, 401, 20000, INT_MAX};
    auto pick = [&] { return extremes[rng() % std::size(extremes)]; };
    Filter f(*s);
    PlotSize plot = PlotSize::Of({INT_MIN, 0, INT_MAX, 10});
    EXPECT_EQ(plot.width, PlotSize::kMax);
    for (int i = 0; i < 4000; ++i) {
        switch (rng() % 9) {
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
                f.SetEqBand(static_cast<int>(rng() % 2));
                break;
            case 5:
                DragBand(f, {pick(), pick()}, {pick(), pick()}, plot);
                break;
            case 6:
                DragBandEdge(f, pick(), Filter::BandEdge::kLower, plot);
                break;
            case 7:
                DragCrossover(f, {pick(), pick()}, {pick(), pick()}, pick(), plot);
                break;
            default:
                plot = PlotSize::Of({pick(), pick(), pick(), pick()});
                break;
        }
        (void)MarksOf(f, plot);
        (void)AreaOf(f, plot);
    }
    SUCCEED();
}

}  // namespace
}  // namespace tolmarin
