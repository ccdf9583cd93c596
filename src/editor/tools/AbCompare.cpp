#include "editor/tools/AbCompare.h"

#include "editor/history/EditHistory.h"
#include "model/ChannelSet.h"
#include "model/Setting.h"

namespace tolmarin {

namespace {

// A and B hold the two channels the form shows.
constexpr int kComparedChannels = 2;

}  // namespace

AbCompare::AbCompare(const SharedState& state, const ChannelSet& channels,
                     const EditHistory& history)
    : m_state(state), m_channels(channels), m_history(history) {}

std::vector<GraphOverlay> AbCompare::CurvesBehind() const {
    std::vector<GraphOverlay> curves;
    const Setting now = CaptureSetting(m_channels, m_state);
    for (int c = 0; c < kComparedChannels; ++c) {
        const auto at = static_cast<std::size_t>(c);
        if (m_history.Other().channels[at] == now.channels[at]) {
            continue;
        }
        const RgbColour rgb = m_channels.Channel(c).GetColour();
        GraphOverlay curve;
        curve.db = m_history.OtherResponse(c);
        curve.colour = QColor(rgb.r, rgb.g, rgb.b, kCurveAlpha);
        curves.push_back(curve);
    }
    return curves;
}

}  // namespace tolmarin
