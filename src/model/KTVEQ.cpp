#include "model/KTVEQ.h"

#include <algorithm>
#include <cassert>
#include <stdexcept>

#include "protocol/DataDefine.h"

namespace tolmarin {

CKTVEQ::CKTVEQ(SharedState& state) : m_state(&state) {}

CKTVEQ::~CKTVEQ() = default;

void CKTVEQ::CreateFilters(int bandCount, int crossoverNumber, int lowPassFreq) {
    for (int i = 0; i < bandCount; ++i) {
        auto f = std::make_unique<CFilter>(*m_state);
        f->SetFreq(kDefaultBandFreq.at(static_cast<std::size_t>(i)), true);
        f->SetNumber(i + 5);
        m_filters.push_back(std::move(f));
    }
    auto highPass = std::make_unique<CFilter>(*m_state);
    highPass->SetType(filter::kHighPass);
    highPass->SetEqBand(0);
    highPass->SetFreq(20, true);
    highPass->SetNumber(crossoverNumber);
    m_filters.push_back(std::move(highPass));

    auto lowPass = std::make_unique<CFilter>(*m_state);
    lowPass->SetType(filter::kLowPass);
    lowPass->SetEqBand(0);
    lowPass->SetFreq(lowPassFreq, true);
    lowPass->SetNumber(crossoverNumber);
    m_filters.push_back(std::move(lowPass));
}

CFilter& CKTVEQ::Band(int i) {
    return *m_filters.at(static_cast<std::size_t>(i));
}

const CFilter& CKTVEQ::Band(int i) const {
    return *m_filters.at(static_cast<std::size_t>(i));
}

CFilter& CKTVEQ::HighPass() {
    CFilter& f = Band(FilterCount() - 2);
    assert(f.GetType() == filter::kHighPass);
    return f;
}

const CFilter& CKTVEQ::HighPass() const {
    const CFilter& f = Band(FilterCount() - 2);
    assert(f.GetType() == filter::kHighPass);
    return f;
}

CFilter& CKTVEQ::LowPass() {
    CFilter& f = Band(FilterCount() - 1);
    assert(f.GetType() == filter::kLowPass);
    return f;
}

const CFilter& CKTVEQ::LowPass() const {
    const CFilter& f = Band(FilterCount() - 1);
    assert(f.GetType() == filter::kLowPass);
    return f;
}

void CKTVEQ::LayoutCurve(const Rect& plot) {
    m_plotHeight = plot.Height();
    m_plotWidth = plot.Width();
    for (int i = 0; i < kGridSize; ++i) {
        m_curve[i] = {FreqToX(FreqTable[i], m_plotWidth) + kPlotOffsetX, m_plotHeight / 2};
    }
    for (auto& f : m_filters) {
        f->SetGraphRect(plot);
    }
}

GridResponse CKTVEQ::SummedResponse() const {
    GridResponse sum{};
    for (const auto& f : m_filters) {
        for (int i = 0; i < kGridSize; ++i) {
            sum[i] += f->Response()[i];
        }
    }
    return sum;
}

void CKTVEQ::UpdateCurve() {
    const GridResponse total = SummedResponse();
    for (int i = 0; i < kGridSize; ++i) {
        const double sum = total[i];
        m_curve[i].y = DbToY(sum, m_plotHeight) + kPlotOffsetY;
        m_curveF[i].y = DbToYf(sum, m_plotHeight) + kPlotOffsetY;
    }
}

void CKTVEQ::CopyValuesFrom(const CKTVEQ& other) {
    const int count = std::min(FilterCount(), other.FilterCount());
    for (int i = 0; i < count; ++i) {
        Band(i).CopyFrom(other.Band(i));
    }
}

BandRecord CKTVEQ::BuildBandRecord(int position) const {
    const CFilter& f = Band(position);
    BandRecord r;
    r.freq = static_cast<std::int16_t>(f.GetFreq());
    r.gainStep = static_cast<std::int16_t>(f.GetGainStep());
    r.bandwidthStep = static_cast<std::int16_t>(f.GetBandwidthStep());
    r.slope = static_cast<std::uint8_t>(f.GetSlope());
    r.type = static_cast<std::uint8_t>(f.GetType());
    return r;
}

void CKTVEQ::StepBandRecord(BandRecord& target, int position) {
    CFilter& f = Band(position);
    const int a = f.GetFreq();
    int c = target.freq;
    if (c <= a) {
        c = c >= 10000 ? c + 2000 : c * 2;
        if (c < 20) {
            c = 20;
        }
        if (c >= a) {
            c = a;
        } else {
            f.AdvanceSentFreq(1);
        }
    } else {
        c = c >= 10000 ? c - 2000 : c / 2;
        c = std::clamp(c, 20, 20000);
        if (c <= a) {
            c = a;
        } else {
            f.AdvanceSentFreq(1);
        }
    }
    BandRecord built = BuildBandRecord(position);
    built.freq = static_cast<std::int16_t>(c);
    target = built;
}

void CKTVEQ::LoadBand(const BandRecord& record, int position) {
    CFilter& f = Band(position);
    f.SetGainStep(record.gainStep);
    f.SetBandwidthStep(record.bandwidthStep);
    f.SetSlope(record.slope, true);
    f.SetType(record.type);
    f.SetFreq(record.freq, true);
    f.AdvanceSentFreq(0);
}

}  // namespace tolmarin
