#include "response/Filter.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>

#include "protocol/DeviceImage.h"

namespace tolmarin {

namespace {

constexpr int kShelfLimitHz = 2000;
constexpr int kHandleHalf = 8;  // main handle: 16 x 16
constexpr int kSideHandleHalf = 4;
// Larger plots than this are not drawn; the bound keeps every coordinate sum in range.
constexpr int kMaxPlotSize = 1000000;

int TruncToInt(double v) {
    if (std::isnan(v)) {
        return 0;
    }
    return static_cast<int>(std::clamp(v, -2147483647.0, 2147483647.0));
}

int ClampToInt(std::int64_t v) {
    return static_cast<int>(std::clamp<std::int64_t>(v, INT_MIN, INT_MAX));
}

}  // namespace

Filter::Filter(SharedState& state) : m_state(&state) {
    m_response = FilterResponse(Params());
}

FilterParams Filter::Params() const {
    return {m_type, static_cast<double>(m_freq), m_gain, m_bypass, m_bandwidth, m_family, m_slope};
}

void Filter::MarkPending() {
    m_pending = m_state->app.sendChanges;
}

void Filter::ApplyShelfLimits() {
    if (m_type == filter::kLowShelf && m_freq > kShelfLimitHz) {
        m_freq = kShelfLimitHz;
    } else if (m_type == filter::kHighShelf && m_freq < kShelfLimitHz) {
        m_freq = kShelfLimitHz;
    }
}

void Filter::SetFreq(int hz, bool fromEdit) {
    if (m_eqBand != 0) {
        m_freq = hz;
        // Kept on the shelf's side at once, so response, handle and what is sent agree.
        ApplyShelfLimits();
        UpdateBandGeometry();
    } else {
        if (fromEdit) {
            m_freq = hz;
            if (m_sentFreq == 0) {
                m_sentFreq = 20;
            }
            // Below a doubling the new value goes out at once; larger jumps are stepped.
            if (static_cast<std::int64_t>(hz) / m_sentFreq < 2) {
                m_sentFreq = hz;
            }
        } else {
            m_freq = hz;
            m_sentFreq = hz;
        }
        UpdateCrossoverGeometry();
    }
    Recalculate();
    if (fromEdit) {
        MarkPending();
    }
}

void Filter::SetGainStep(int step) {
    m_gain = step * 0.1 - 20.0;
    m_bypass = m_gain == 0.0 ? 1 : 0;
    if (m_eqBand != 0) {
        UpdateBandGeometry();
    }
    Recalculate();
    MarkPending();
}

void Filter::SetBandwidthStep(int step) {
    m_bandwidth = step * 0.05 + 0.05;
    if (m_eqBand != 0) {
        UpdateBandwidthHandles();
    }
    Recalculate();
    MarkPending();
}

void Filter::SetBypass(int on) {
    if (on == m_bypass || m_gain == 0.0) {
        return;
    }
    m_bypass = on;
    UpdateGeometry();
    Recalculate();
    MarkPending();
}

void Filter::SetEqKind(int kind) {
    switch (kind) {
        case 0:
            m_type = filter::kPeaking;
            break;
        case 1:
        case 2:
            m_type = filter::kLowShelf;
            m_slope = kind - 1;
            break;
        case 3:
        case 4:
            m_type = filter::kHighShelf;
            m_slope = kind - 3;
            break;
        default:
            return;  // no such list entry: nothing to change or send
    }
    ApplyShelfLimits();
    UpdateGeometry();
    Recalculate();
    MarkPending();
}

int Filter::GetEqKind() const {
    if (m_type == filter::kLowShelf) {
        return 1 + m_slope;
    }
    if (m_type == filter::kHighShelf) {
        return 3 + m_slope;
    }
    return 0;
}

void Filter::SetType(int type) {
    m_type = type;
    ApplyShelfLimits();
    if (type == filter::kLowPass) {
        m_sentFreq = 20000;
    }
    UpdateGeometry();
    Recalculate();
    MarkPending();
}

void Filter::SetFamily(int family, bool mark) {
    m_family = family;
    Recalculate();
    if (mark) {
        MarkPending();
    }
}

void Filter::SetSlope(int slope, bool mark) {
    m_slope = slope;
    Recalculate();
    if (mark) {
        MarkPending();
    }
}

int Filter::GetFreq() const {
    if (m_type == filter::kLowShelf) {
        return std::min(m_freq, kShelfLimitHz);
    }
    if (m_type == filter::kHighShelf) {
        return std::max(m_freq, kShelfLimitHz);
    }
    return m_freq;
}

int Filter::GetGainStep() const {
    if (m_bypass != 0) {
        return 200;
    }
    return TruncToInt((m_gain + 20.0) * 100.0 / 10.0 + 0.5);
}

int Filter::GetBandwidthStep() const {
    return TruncToInt((m_bandwidth - 0.05) / 0.05 + 0.05);
}

void Filter::AdvanceSentFreq(int doneValue) {
    if (m_eqBand != 0 || m_freq == m_sentFreq) {
        m_pending = doneValue;
        return;
    }
    m_pending = 1;
    if (m_sentFreq == 0) {
        m_sentFreq = m_freq;  // no octave to step from
        return;
    }
    const std::int64_t sent = m_sentFreq;
    if (m_freq / sent >= 2) {
        m_sentFreq = ClampToInt(sent * 2);
    } else if (static_cast<double>(m_freq) / static_cast<double>(sent) <= 0.5) {
        m_sentFreq = m_sentFreq / 2;
    } else {
        m_sentFreq = m_freq;
    }
}

void Filter::AttachFaders(GainFader* /*freqFader*/, GainFader* gainFader,
                          GainFader* /*bandwidthFader*/) {
    m_gainFader = gainFader;
}

void Filter::CopyFrom(const Filter& other) {
    m_type = other.m_type;
    m_freq = other.m_freq;
    m_sentFreq = other.m_freq;
    m_gain = other.m_gain;
    m_bypass = other.m_bypass;
    m_bandwidth = other.m_bandwidth;
    m_family = other.m_family;
    m_slope = other.m_slope;
    UpdateGeometry();
    Recalculate();
}

void Filter::CopyCrossoverFrom(const Filter& other) {
    m_freq = other.m_freq;
    m_sentFreq = other.m_freq;
    m_family = other.m_family;
    m_slope = other.m_slope;
    UpdateCrossoverGeometry();
    Recalculate();
    MarkPending();
}

void Filter::CopyEqFrom(const Filter& other) {
    m_freq = other.m_freq;
    m_type = other.m_type;
    m_slope = other.m_slope;
    m_gain = other.m_gain;
    m_bypass = other.m_bypass;
    m_bandwidth = other.m_bandwidth;
    UpdateBandGeometry();
    Recalculate();
    MarkPending();
}

void Filter::Recalculate() {
    m_response = FilterResponse(Params());
    for (std::size_t i = 0; i < m_response.size(); ++i) {
        m_polygon[i + 1].y = DbToY(m_response[i], m_graphHeight) + kPlotOffsetY;
    }
}

void Filter::SetGraphRect(const Rect& plot) {
    // A negative size means no plot; sizes are bounded so coordinate sums stay in range.
    const auto size = [](int lo, int hi) {
        return static_cast<int>(
            std::clamp<std::int64_t>(static_cast<std::int64_t>(hi) - lo, 0, kMaxPlotSize));
    };
    m_graphWidth = size(plot.left, plot.right);
    m_graphHeight = size(plot.top, plot.bottom);
    UpdateGeometry();
    const int zeroY = DbToY(0.0, m_graphHeight) + kPlotOffsetY;
    m_polygon.front() = {kPlotOffsetX, zeroY};
    m_polygon.back() = {m_graphWidth + kPlotOffsetX, zeroY};
    for (std::size_t i = 0; i < FreqTable.size(); ++i) {
        m_polygon[i + 1].x = FreqToX(FreqTable[i], m_graphWidth) + kPlotOffsetX;
    }
    Recalculate();
}

void Filter::UpdateGeometry() {
    if (m_eqBand != 0) {
        UpdateBandGeometry();
    } else {
        UpdateCrossoverGeometry();
    }
}

void Filter::UpdateBandGeometry() {
    const int w = m_graphWidth;
    const int h = m_graphHeight;
    int x0 = FreqToX(m_freq, w) - kHandleHalf;
    int y0 = DbToY(m_bypass != 0 ? 0.0 : m_gain, h) - kHandleHalf;
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
    m_mainHandle = {x0 + kPlotOffsetX, y0 + kPlotOffsetY, x1 + kPlotOffsetX, y1 + kPlotOffsetY};

    // A shelf's label (no Q) is shorter than a band's.
    const bool shelf = m_type == filter::kLowShelf || m_type == filter::kHighShelf;
    const int reach = shelf ? 90 : 150;
    const int width = shelf ? 116 : 170;
    m_labelRect.top = m_mainHandle.top + 25;
    m_labelRect.bottom = m_mainHandle.bottom + 25;
    if (m_mainHandle.right + reach > w + kPlotOffsetX) {
        m_labelRect.right = w + kPlotOffsetX;
        m_labelRect.left = m_labelRect.right - width;
    } else {
        m_labelRect.left = m_mainHandle.left;
        m_labelRect.right = m_mainHandle.right + reach;
    }
    if (m_labelRect.bottom > h + kPlotOffsetY) {
        m_labelRect.top = m_mainHandle.top + 15;
    }
    UpdateBandwidthHandles();
}

void Filter::UpdateBandwidthHandles() {
    const int w = m_graphWidth;
    const int cy = m_mainHandle.Center().y + (m_gain >= 0.0 ? 10 : -10);
    const double p = std::pow(2.0, m_bandwidth);
    const int right = FreqToX(m_freq * p, w) + kPlotOffsetX + 10;
    const int left = FreqToX(m_freq / p, w) + kPlotOffsetX - 10;
    const int d = kSideHandleHalf;
    m_rightHandle = {right - d, cy - d, right + d, cy + d};
    m_leftHandle = {left - d, cy - d, left + d, cy + d};
}

void Filter::UpdateCrossoverGeometry() {
    const int w = m_graphWidth;
    const int h = m_graphHeight;
    // The two handles sit at different heights so they stay apart when frequencies meet.
    int x0 = std::max(FreqToX(m_freq, w) - kHandleHalf, -kHandleHalf);
    const int y0 = DbToY(m_type == filter::kHighPass ? -35.0 : -30.0, h);
    int x1 = x0 + 2 * kHandleHalf;
    const int y1 = y0 + 2 * kHandleHalf;
    if (x1 > w + kHandleHalf) {
        x1 = w + kHandleHalf;
        x0 = x1 - 2 * kHandleHalf;
    }
    m_mainHandle = {x0 + kPlotOffsetX, y0 + kPlotOffsetY, x1 + kPlotOffsetX, y1 + kPlotOffsetY};
    m_labelRect.top = m_mainHandle.top - 15;
    m_labelRect.bottom = m_mainHandle.bottom + 25;
    if (m_mainHandle.right + 50 > w + kPlotOffsetX) {
        m_labelRect.right = w + kPlotOffsetX;
        m_labelRect.left = m_labelRect.right - 66;
    } else {
        m_labelRect.left = m_mainHandle.left;
        m_labelRect.right = m_mainHandle.right + 50;
    }
}

int Filter::DragPoint(Point pointer) {
    if (m_type == filter::kHighPass || m_type == filter::kLowPass) {
        return 0;
    }
    const int w = m_graphWidth;
    const int h = m_graphHeight;
    const std::int64_t px = static_cast<std::int64_t>(pointer.x) - m_pointer.grabOffset.x;
    const std::int64_t py = static_cast<std::int64_t>(pointer.y) - m_pointer.grabOffset.y;
    const int x = static_cast<int>(std::clamp<std::int64_t>(px - kPlotOffsetX, 0, w));
    const int y = static_cast<int>(std::clamp<std::int64_t>(py - kPlotOffsetY, 0, h));

    const int freqOld = GetFreq();
    const int stepOld = GetGainStep();
    m_freq = XToFreq(x, w);
    ApplyShelfLimits();
    // The half-dB offset of the mapping stays: a drag never lands inside (-0.5, +0.5) dB.
    m_gain = std::clamp(YToDb(y, h), -20.0, 20.0);
    m_bypass = m_gain == 0.0 ? 1 : 0;
    const int freqNew = GetFreq();
    const int stepNew = GetGainStep();
    int changed = (freqNew != freqOld || stepNew != stepOld) ? 1 : 0;
    if (y == 0) {
        changed = 1;
    }
    if (changed != 0) {
        SetFreq(freqNew, true);  // also marks the gain change pending
    }
    m_gain = stepNew * 0.1 - 20.0;
    if (m_gainFader != nullptr) {
        m_gainFader->SetPosReversed(stepNew);
    }
    UpdateBandGeometry();
    Recalculate();
    return changed;
}

void Filter::DragBandwidth(int x) {
    const int fh = XToFreq(ClampToInt(static_cast<std::int64_t>(x) - kPlotOffsetX), m_graphWidth);
    const double f = m_freq;
    double bandwidth;
    if (m_pointer.draggingLeft != 0) {
        bandwidth = std::log10(f / fh) / std::log10(2.0);
    } else if (m_pointer.draggingRight != 0) {
        bandwidth = std::log10(fh / f) / std::log10(2.0);
    } else {
        return;
    }
    // NaN (a band at 0 Hz or below) counts as the narrowest band.
    m_bandwidth = std::isnan(bandwidth) ? 0.05 : std::clamp(bandwidth, 0.05, 3.0);
    SetBandwidthStep(GetBandwidthStep());
}

int Filter::DragCrossover(Point pointer, int otherFreq) {
    const bool high = m_type == filter::kHighPass;
    std::int64_t x = static_cast<std::int64_t>(pointer.x) - m_pointer.grabOffset.x - kPlotOffsetX;
    if (x <= 0) {
        if (high) {
            SetFreq(20, true);  // at the left edge the high-pass is off
            return 1;
        }
        x = 0;
    }
    x = std::min<std::int64_t>(x, m_graphWidth);
    const int freqNew = XToFreq(static_cast<int>(x), m_graphWidth);
    if (freqNew == GetFreq()) {
        return 0;
    }
    SetFreq(high ? std::min(otherFreq, freqNew) : std::max(freqNew, otherFreq), true);
    return 1;
}

}  // namespace tolmarin
