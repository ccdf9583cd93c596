#include "response/Filter.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>

#include "model/Codec.h"
#include "protocol/DeviceImage.h"

namespace tolmarin {

namespace {

constexpr int kShelfLimitHz = codec::kShelfSplitHz;
constexpr const Codec& kGain = codec::kBandGain;

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

Filter::Filter(SharedState& state, const SendMode& mode) : m_state(&state), m_mode(&mode) {
    m_response = FilterResponse(Params());
}

FilterParams Filter::Params() const {
    return {m_type, static_cast<double>(m_freq), GetGain(), m_bypass, m_bandwidth, m_family,
            m_slope};
}

void Filter::MarkPending() {
    m_pending = m_mode->on;
}

void Filter::ApplyShelfLimits() {
    if (m_type == filter::kLowShelf && m_freq > kShelfLimitHz) {
        m_freq = kShelfLimitHz;
    } else if (m_type == filter::kHighShelf && m_freq < kShelfLimitHz) {
        m_freq = kShelfLimitHz;
    }
}

void Filter::SetFreq(int hz, bool fromEdit) {
    if (m_eqBand) {
        m_freq = hz;
        // Kept on the shelf's side at once, so response, handle and what is sent agree.
        ApplyShelfLimits();
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
    }
    Recalculate();
    if (fromEdit) {
        MarkPending();
    }
}

void Filter::SetGainStep(int step) {
    m_gainStep = step;
    m_bypass = step == kGain.Flat();
    Recalculate();
    MarkPending();
}

void Filter::SetBandwidthStep(int step) {
    m_bandwidth = step * 0.05 + 0.05;
    Recalculate();
    MarkPending();
}

void Filter::SetBypass(bool on) {
    if (on == m_bypass || m_gainStep == kGain.Flat()) {
        return;
    }
    m_bypass = on;
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
    return m_bypass ? kGain.Flat() : m_gainStep;
}

double Filter::GetGain() const {
    return kGain.Display(m_gainStep);
}

int Filter::GetBandwidthStep() const {
    return TruncToInt((m_bandwidth - 0.05) / 0.05 + 0.05);
}

void Filter::AdvanceSentFreq(bool doneValue) {
    if (m_eqBand || m_freq == m_sentFreq) {
        m_pending = doneValue;
        return;
    }
    m_pending = true;
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

void Filter::DropPending() {
    m_pending = false;
    if (!m_eqBand) {
        m_sentFreq = m_freq;
    }
}

void Filter::CopyFrom(const Filter& other) {
    m_type = other.m_type;
    m_freq = other.m_freq;
    m_sentFreq = other.m_freq;
    m_gainStep = other.m_gainStep;
    m_bypass = other.m_bypass;
    m_bandwidth = other.m_bandwidth;
    m_family = other.m_family;
    m_slope = other.m_slope;
    Recalculate();
}

void Filter::CopyCrossoverFrom(const Filter& other) {
    m_freq = other.m_freq;
    m_sentFreq = other.m_freq;
    m_family = other.m_family;
    m_slope = other.m_slope;
    Recalculate();
    MarkPending();
}

void Filter::CopyEqFrom(const Filter& other) {
    m_freq = other.m_freq;
    m_type = other.m_type;
    m_slope = other.m_slope;
    m_gainStep = other.m_gainStep;
    m_bypass = other.m_bypass;
    m_bandwidth = other.m_bandwidth;
    Recalculate();
    MarkPending();
}

void Filter::Recalculate() {
    m_response = FilterResponse(Params());
}

Filter::PointDrag Filter::DragTo(int hz, double db, bool always) {
    PointDrag drag;
    if (m_type == filter::kHighPass || m_type == filter::kLowPass) {
        return drag;
    }
    const int freqOld = GetFreq();
    const int stepOld = GetGainStep();
    m_freq = hz;
    ApplyShelfLimits();
    const double held = std::clamp(db, kGain.Display(kGain.low), kGain.Display(kGain.high));
    m_gainStep = kGain.StepOf(held);
    m_bypass = held == 0.0;
    const int freqNew = GetFreq();
    drag.gainStep = GetGainStep();
    drag.changed = freqNew != freqOld || drag.gainStep != stepOld || always;
    if (drag.changed) {
        SetFreq(freqNew, true);  // also marks the gain change pending
    }
    Recalculate();
    return drag;
}

void Filter::DragEdgeTo(int edgeHz, BandEdge edge) {
    const double f = m_freq;
    const double ratio = edge == BandEdge::kLower ? f / edgeHz : edgeHz / f;
    const double bandwidth = std::log10(ratio) / std::log10(2.0);
    // NaN (a band at 0 Hz or below) counts as the narrowest band.
    m_bandwidth = std::isnan(bandwidth) ? 0.05 : std::clamp(bandwidth, 0.05, 3.0);
    SetBandwidthStep(GetBandwidthStep());
}

}  // namespace tolmarin
