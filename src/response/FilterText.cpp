#include <algorithm>

#include "model/Codec.h"
#include "protocol/DeviceImage.h"
#include "response/Filter.h"
#include "text/NumberText.h"

namespace tolmarin {

std::string Filter::FreqText() const {
    return codec::kFrequency.Text(m_freq, Language::English);
}

std::string Filter::GainText() const {
    return codec::kBandGain.Text(GetGainStep(), Language::English);
}

std::string Filter::BandwidthText() const {
    // A dragged bandwidth lies between steps.
    return codec::kBandwidth.Format(m_bandwidth);
}

std::string Filter::QText() const {
    // A bandwidth outside the steps (only from a damaged record) shows the nearest end.
    const int step = std::clamp(GetBandwidthStep(), 0, kBandwidthSteps - 1);
    return FixedText(QTable[static_cast<std::size_t>(step)], 3);
}

std::string Filter::FamilyText() const {
    return codec::kFamily.Text(m_family, m_state->ui.language);
}

std::string Filter::ShelfSlopeText() const {
    return codec::kShelfSlope.Text(m_slope, Language::English);
}

std::string Filter::CrossoverSlopeText() const {
    return codec::kCrossoverSlope.Text(m_slope, Language::English);
}

std::string Filter::TypeText() const {
    return codec::kBandType.Text(m_type, m_state->ui.language);
}

std::string Filter::LabelText() const {
    const std::string gain = GainText();
    switch (m_type) {
        case filter::kPeaking:
            return IntText(m_freq) + "Hz " + QText() + "Q " + gain;
        case filter::kLowShelf:
        case filter::kHighShelf:
            return IntText(m_freq) + "Hz " + gain;
        case filter::kHighPass:
        case filter::kLowPass:
            return IntText(m_freq) + "HZ ";
        default:
            return {};
    }
}

}  // namespace tolmarin
