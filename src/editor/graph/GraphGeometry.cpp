#include "editor/graph/GraphGeometry.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>

namespace tolmarin {

namespace {

constexpr int kHandleHalf = 8;  // main handle: 16 x 16
constexpr int kSideHandleHalf = 4;
// The bandwidth handles sit this far outside the band's edges, below a boost and above a cut.
constexpr int kSideHandleOffset = 10;

int ClampToInt(std::int64_t v) {
    return static_cast<int>(std::clamp<std::int64_t>(v, INT_MIN, INT_MAX));
}

bool IsShelf(const Filter& f) {
    return f.GetType() == filter::kLowShelf || f.GetType() == filter::kHighShelf;
}

void PlaceBandwidthHandles(const Filter& f, PlotSize plot, FilterMarks& m) {
    const int cy =
        m.main.Center().y + (f.GetGain() >= 0.0 ? kSideHandleOffset : -kSideHandleOffset);
    const double freq = f.GetFreq();
    const double p = std::pow(2.0, f.GetBandwidth());
    const int right = FreqToX(freq * p, plot.width) + kPlotOffsetX + kSideHandleOffset;
    const int left = FreqToX(freq / p, plot.width) + kPlotOffsetX - kSideHandleOffset;
    const int d = kSideHandleHalf;
    m.right = {right - d, cy - d, right + d, cy + d};
    m.left = {left - d, cy - d, left + d, cy + d};
}

FilterMarks BandMarks(const Filter& f, PlotSize plot) {
    const int w = plot.width;
    const int h = plot.height;
    FilterMarks m;
    int x0 = FreqToX(f.GetFreq(), w) - kHandleHalf;
    int y0 = DbToY(f.GetBypass() ? 0.0 : f.GetGain(), h) - kHandleHalf;
    x0 = std::max(x0, -kHandleHalf);
    y0 = std::max(y0, -kHandleHalf);
    if (y0 <= 0) {
        y0 = 0;
    }
    int x1 = x0 + 2 * kHandleHalf;
    int y1 = y0 + 2 * kHandleHalf;
    if (x1 > w + kHandleHalf) {
        x1 = w + kHandleHalf;
        x0 = x1 - 2 * kHandleHalf;
    }
    if (y1 > h + kHandleHalf) {
        y1 = h + kHandleHalf;
        y0 = y1 - 2 * kHandleHalf;
    }
    m.main = {x0 + kPlotOffsetX, y0 + kPlotOffsetY, x1 + kPlotOffsetX, y1 + kPlotOffsetY};

    // A shelf's label (no Q) is shorter than a band's.
    const bool shelf = IsShelf(f);
    const int reach = shelf ? 90 : 150;
    const int width = shelf ? 116 : 170;
    m.label.top = m.main.top + 25;
    m.label.bottom = m.main.bottom + 25;
    if (m.main.right + reach > w + kPlotOffsetX) {
        m.label.right = w + kPlotOffsetX;
        m.label.left = m.label.right - width;
    } else {
        m.label.left = m.main.left;
        m.label.right = m.main.right + reach;
    }
    if (m.label.bottom > h + kPlotOffsetY) {
        m.label.top = m.main.top + 15;
    }
    PlaceBandwidthHandles(f, plot, m);
    return m;
}

FilterMarks CrossoverMarks(const Filter& f, PlotSize plot) {
    const int w = plot.width;
    const int h = plot.height;
    FilterMarks m;
    // The two handles sit at different heights so they stay apart when frequencies meet.
    int x0 = std::max(FreqToX(f.GetFreq(), w) - kHandleHalf, -kHandleHalf);
    const int y0 = DbToY(f.GetType() == filter::kHighPass ? -35.0 : -30.0, h);
    int x1 = x0 + 2 * kHandleHalf;
    const int y1 = y0 + 2 * kHandleHalf;
    if (x1 > w + kHandleHalf) {
        x1 = w + kHandleHalf;
        x0 = x1 - 2 * kHandleHalf;
    }
    m.main = {x0 + kPlotOffsetX, y0 + kPlotOffsetY, x1 + kPlotOffsetX, y1 + kPlotOffsetY};
    m.label.top = m.main.top - 15;
    m.label.bottom = m.main.bottom + 25;
    if (m.main.right + 50 > w + kPlotOffsetX) {
        m.label.right = w + kPlotOffsetX;
        m.label.left = m.label.right - 66;
    } else {
        m.label.left = m.main.left;
        m.label.right = m.main.right + 50;
    }
    return m;
}

}  // namespace

PlotSize PlotSize::Of(const Rect& plot) {
    const auto size = [](int lo, int hi) {
        return static_cast<int>(
            std::clamp<std::int64_t>(static_cast<std::int64_t>(hi) - lo, 0, kMax));
    };
    return {size(plot.left, plot.right), size(plot.top, plot.bottom)};
}

FilterMarks MarksOf(const Filter& f, PlotSize plot) {
    return f.GetEqBand() ? BandMarks(f, plot) : CrossoverMarks(f, plot);
}

std::array<Point, kAreaPoints> AreaOf(const Filter& f, PlotSize plot) {
    std::array<Point, kAreaPoints> area{};
    const int zeroY = DbToY(0.0, plot.height) + kPlotOffsetY;
    area.front() = {kPlotOffsetX, zeroY};
    area.back() = {plot.width + kPlotOffsetX, zeroY};
    const GridResponse& response = f.Response();
    for (std::size_t i = 0; i < response.size(); ++i) {
        area[i + 1] = {FreqToX(FreqTable[i], plot.width) + kPlotOffsetX,
                       DbToY(response[i], plot.height) + kPlotOffsetY};
    }
    return area;
}

std::array<PointF, kGridSize> CurveOf(const GridResponse& response, PlotSize plot) {
    std::array<PointF, kGridSize> curve{};
    for (std::size_t i = 0; i < curve.size(); ++i) {
        curve[i] = {FreqToXf(FreqTable[i], plot.width) + kPlotOffsetX,
                    DbToYf(response[i], plot.height) + kPlotOffsetY};
    }
    return curve;
}

Filter::PointDrag DragBand(Filter& f, Point pointer, Point grabOffset, PlotSize plot) {
    const std::int64_t px = static_cast<std::int64_t>(pointer.x) - grabOffset.x;
    const std::int64_t py = static_cast<std::int64_t>(pointer.y) - grabOffset.y;
    const int x = static_cast<int>(std::clamp<std::int64_t>(px - kPlotOffsetX, 0, plot.width));
    const int y = static_cast<int>(std::clamp<std::int64_t>(py - kPlotOffsetY, 0, plot.height));
    // The half-dB offset of the mapping stays: a drag never lands inside (-0.5, +0.5) dB.
    return f.DragTo(XToFreq(x, plot.width), YToDb(y, plot.height), y == 0);
}

void DragBandEdge(Filter& f, int x, Filter::BandEdge edge, PlotSize plot) {
    f.DragEdgeTo(XToFreq(ClampToInt(static_cast<std::int64_t>(x) - kPlotOffsetX), plot.width),
                 edge);
}

bool DragCrossover(Filter& f, Point pointer, Point grabOffset, int otherFreq, PlotSize plot) {
    const bool high = f.GetType() == filter::kHighPass;
    std::int64_t x = static_cast<std::int64_t>(pointer.x) - grabOffset.x - kPlotOffsetX;
    if (x <= 0) {
        if (high) {
            f.SetFreq(20, true);  // at the left edge the high-pass is off
            return true;
        }
        x = 0;
    }
    x = std::min<std::int64_t>(x, plot.width);
    const int freqNew = XToFreq(static_cast<int>(x), plot.width);
    if (freqNew == f.GetFreq()) {
        return false;
    }
    f.SetFreq(high ? std::min(otherFreq, freqNew) : std::max(freqNew, otherFreq), true);
    return true;
}

}  // namespace tolmarin
