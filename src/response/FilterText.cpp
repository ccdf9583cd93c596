#include <algorithm>

#include "protocol/DataDefine.h"
#include "response/Filter.h"
#include "text/NumberText.h"

namespace tolmarin {

std::string CFilter::FreqText() const {
    return IntText(m_freq) + "Hz";
}

std::string CFilter::GainText() const {
    return (m_bypass != 0 ? std::string("0.0") : FixedText(m_gain, 1)) + "dB";
}

std::string CFilter::BandwidthText() const {
    return FixedText(m_bandwidth, 2) + "Oct";
}

std::string CFilter::QText() const {
    // A bandwidth outside the steps (only from a damaged record) shows the nearest end.
    const int step = std::clamp(GetBandwidthStep(), 0, kBandwidthSteps - 1);
    return FixedText(QTable[static_cast<std::size_t>(step)], 3);
}

std::string CFilter::FamilyText() const {
    const int english = m_state->ui.english;
    switch (m_family) {
        case filter::kLinkwitzRiley:
            return Tr(TextId::FamilyTextLinkwitzRiley, english);
        case filter::kBessel:
            return Tr(TextId::FamilyTextBessel, english);
        case filter::kButterworth:
            return Tr(TextId::FamilyTextButterworth, english);
        default:
            return {};
    }
}

std::string CFilter::ShelfSlopeText() const {
    switch (m_slope) {
        case 0:
            return "6dB/Oct";
        case 1:
            return "12dB/Oct";
        default:
            return {};
    }
}

std::string CFilter::CrossoverSlopeText() const {
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

std::string CFilter::TypeText() const {
    const int english = m_state->ui.english;
    switch (m_type) {
        case filter::kPeaking:
            return Tr(TextId::TypeTextPeaking, english);
        case filter::kLowShelf:
            return Tr(TextId::TypeTextLowShelf, english);
        case filter::kHighShelf:
            return Tr(TextId::TypeTextHighShelf, english);
        default:
            return {};
    }
}

std::string CFilter::LabelText() {
    const std::string gain = (m_bypass != 0 ? std::string("0.0") : FixedText(m_gain, 1)) + "dB";
    switch (m_type) {
        case filter::kPeaking:
            m_label = IntText(m_freq) + "Hz " + QText() + "Q " + gain;
            break;
        case filter::kLowShelf:
        case filter::kHighShelf:
            m_label = IntText(m_freq) + "Hz " + gain;
            break;
        case filter::kHighPass:
        case filter::kLowPass:
            m_label = IntText(m_freq) + "HZ ";
            break;
        default:
            m_label.clear();
            break;
    }
    return m_label;
}

}  // namespace tolmarin
