#pragma once

#include <vector>

#include "editor/graph/GraphRenderer.h"

namespace tolmarin {

class ChannelSet;
class EditHistory;
struct SharedState;

// The A/B compare as the graph shows it: for CH1 and CH2, when the setting not in the model
// differs from the model's, that setting's summed response in the channel's colour, faint,
// to be drawn behind the channels' own curves. Switching and copying are the history's.
class AbCompare {
public:
    // How faint the other setting's curves are drawn.
    static constexpr int kCurveAlpha = 110;

    // All borrowed for the tool's life.
    AbCompare(const SharedState& state, const ChannelSet& channels, const EditHistory& history);

    // The curves as the model and the other setting stand now; none when they agree.
    std::vector<GraphOverlay> CurvesBehind() const;

private:
    const SharedState& m_state;
    const ChannelSet& m_channels;
    const EditHistory& m_history;
};

}  // namespace tolmarin
