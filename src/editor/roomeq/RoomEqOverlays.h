#pragma once

#include <QColor>

#include <array>
#include <optional>
#include <vector>

#include "editor/graph/GraphRenderer.h"
#include "protocol/Protocol.h"
#include "roomeq/Model.h"

namespace tolmarin {

class OutputChannel;

// What the room EQ needs of a channel record: its bands as the amplifier holds them and its
// two crossover filters.
roomeq::ChannelFilters FiltersOf(const OutputChannel& channel);

// The room measurements of the channels, laid over the live graph. For the channel shown:
// its measurement, moved to sit around 0 dB by its mean over the fit range, and the result
// it predicts (measurement plus the channel's response as the amplifier plays it), each in
// its own colour and each switchable. The predicted curve is worked out from the channel as
// it is when drawn, so it follows every edit.
class RoomEqOverlays {
public:
    enum class Curve { Measurement, Predicted };
    inline static const QColor kMeasurementColour{255, 170, 40};
    inline static const QColor kPredictedColour{90, 200, 255};

    // measured: on the grid; lo to hi: the fit range its level is taken over; the curves
    // are drawn where it has points, from spanLo to spanHi.
    void SetMeasurement(int channel, const GridResponse& measured, double loHz, double hiHz,
                        double spanLoHz, double spanHiHz);
    void Clear(int channel);
    bool Has(int channel) const;
    void SetShown(Curve curve, bool shown);
    bool Shown(Curve curve) const;

    // The switched-on curves of a channel as it is now; none without a measurement.
    std::vector<GraphOverlay> For(const OutputChannel& channel) const;

private:
    struct Entry {
        GridResponse db{};  // around 0 dB
        double spanLoHz = 0.0;
        double spanHiHz = 0.0;
    };
    std::array<std::optional<Entry>, kChannelCount> m_measured;
    bool m_showMeasurement = true;
    bool m_showPredicted = true;
};

}  // namespace tolmarin
