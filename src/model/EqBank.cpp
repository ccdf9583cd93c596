#include "model/EqBank.h"

#include <algorithm>
#include <cassert>
#include <stdexcept>

#include "protocol/DeviceImage.h"

namespace tolmarin {

EqBank::EqBank(SharedState& state, const SendMode& mode) : m_state(&state), m_mode(&mode) {}

EqBank::~EqBank() = default;

void EqBank::CreateFilters(int bandCount, int crossoverNumber, int lowPassFreq) {
    for (int i = 0; i < bandCount; ++i) {
        auto f = std::make_unique<Filter>(*m_state, *m_mode);
        f->SetFreq(kDefaultBandFreq.at(static_cast<std::size_t>(i)), true);
        f->SetNumber(i + 5);
        m_filters.push_back(std::move(f));
    }
    auto highPass = std::make_unique<Filter>(*m_state, *m_mode);
    highPass->SetType(filter::kHighPass);
    highPass->SetEqBand(false);
    highPass->SetFreq(20, true);
    highPass->SetNumber(crossoverNumber);
    m_filters.push_back(std::move(highPass));

    auto lowPass = std::make_unique<Filter>(*m_state, *m_mode);
    lowPass->SetType(filter::kLowPass);
    lowPass->SetEqBand(false);
    lowPass->SetFreq(lowPassFreq, true);
    lowPass->SetNumber(crossoverNumber);
    m_filters.push_back(std::move(lowPass));
}

Filter& EqBank::Band(int i) {
    return *m_filters.at(static_cast<std::size_t>(i));
}

const Filter& EqBank::Band(int i) const {
    return *m_filters.at(static_cast<std::size_t>(i));
}

Filter& EqBank::HighPass() {
    Filter& f = Band(FilterCount() - 2);
    assert(f.GetType() == filter::kHighPass);
    return f;
}

const Filter& EqBank::HighPass() const {
    const Filter& f = Band(FilterCount() - 2);
    assert(f.GetType() == filter::kHighPass);
    return f;
}

Filter& EqBank::LowPass() {
    Filter& f = Band(FilterCount() - 1);
    assert(f.GetType() == filter::kLowPass);
    return f;
}

const Filter& EqBank::LowPass() const {
    const Filter& f = Band(FilterCount() - 1);
    assert(f.GetType() == filter::kLowPass);
    return f;
}

GridResponse EqBank::SummedResponse() const {
    GridResponse sum{};
    for (const auto& f : m_filters) {
        for (int i = 0; i < kGridSize; ++i) {
            sum[i] += f->Response()[i];
        }
    }
    return sum;
}

void EqBank::CopyValuesFrom(const EqBank& other) {
    const int count = std::min(FilterCount(), other.FilterCount());
    for (int i = 0; i < count; ++i) {
        Band(i).CopyFrom(other.Band(i));
    }
}

BandRecord EqBank::BuildBandRecord(int position) const {
    const Filter& f = Band(position);
    BandRecord r;
    r.freq = static_cast<std::int16_t>(f.GetFreq());
    r.gainStep = static_cast<std::int16_t>(f.GetGainStep());
    r.bandwidthStep = static_cast<std::int16_t>(f.GetBandwidthStep());
    r.slope = static_cast<std::uint8_t>(f.GetSlope());
    r.type = static_cast<std::uint8_t>(f.GetType());
    return r;
}

void EqBank::StepBandRecord(BandRecord& target, int position) {
    Filter& f = Band(position);
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
            f.AdvanceSentFreq(true);
        }
    } else {
        c = c >= 10000 ? c - 2000 : c / 2;
        c = std::clamp(c, 20, 20000);
        if (c <= a) {
            c = a;
        } else {
            f.AdvanceSentFreq(true);
        }
    }
    BandRecord built = BuildBandRecord(position);
    built.freq = static_cast<std::int16_t>(c);
    target = built;
}

void EqBank::EditBand(const BandRecord& record, int position) {
    Filter& f = Band(position);
    f.SetGainStep(record.gainStep);
    f.SetBandwidthStep(record.bandwidthStep);
    f.SetSlope(record.slope, true);
    f.SetType(record.type);
    f.SetFreq(record.freq, true);
}

void EqBank::LoadBand(const BandRecord& record, int position) {
    EditBand(record, position);
    Band(position).AdvanceSentFreq(false);
}

}  // namespace tolmarin
