#include <algorithm>

#include "protocol/DeviceImage.h"
#include "response/Filter.h"
#include "text/NumberText.h"

namespace tolmarin {

std::string Filter::FreqText() const {
    return IntText(m_freq) + "Hz";
}

std::string Filter::GainText() const {
    return (m_bypass ? std::string("0.0") : FixedText(m_gain, 1)) + "dB";
}

std::string Filter::BandwidthText() const {
    return FixedText(m_bandwidth, 2) + "Oct";
}

std::string Filter::QText() const {
    // A bandwidth outside the steps (only from a damaged record) shows the nearest end.
    const int step = std::clamp(GetBandwidthStep(), 0, kBandwidthSteps - 1);
    return FixedText(QTable[static_cast<std::size_t>(step)], 3);
}

std::string Filter::FamilyText() const {
    const Language language = m_state->ui.language;
    switch (m_family) {
        case filter::kLinkwitzRiley:
            return Tr(TextId::FamilyTextLinkwitzRiley, language);
        case filter::kBessel:
            return Tr(TextId::FamilyTextBessel, language);
        case filter::kButterworth:
            return Tr(TextId::FamilyTextButterworth, language);
        default:
            return {};
    }
}

std::string Filter::ShelfSlopeText() const {
    switch (m_slope) {
        case 0:
            return "6dB/Oct";
        case 1:
            return "12dB/Oct";
        default:
            return {};
    }
}

std::string Filter::CrossoverSlopeText() const {
    switch (m_slope) {
        case 0:
            return "12dB/Oct";
        case 1:
            return "18dB/Oct";
        case 2:
            return "24dB/Oct";
        case 3:
            return "48dB/Oct";
        default:
            return {};  // orders 7, 5 and 6 have no list entry
    }
}

std::string Filter::TypeText() const {
    const Language language = m_state->ui.language;
    switch (m_type) {
        case filter::kPeaking:
            return Tr(TextId::TypeTextPeaking, language);
        case filter::kLowShelf:
            return Tr(TextId::TypeTextLowShelf, language);
        case filter::kHighShelf:
            return Tr(TextId::TypeTextHighShelf, language);
        default:
            return {};
    }
}

std::string Filter::LabelText() const {
    const std::string gain = (m_bypass ? std::string("0.0") : FixedText(m_gain, 1)) + "dB";
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
