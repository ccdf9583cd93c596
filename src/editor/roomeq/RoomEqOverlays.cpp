#include "editor/roomeq/RoomEqOverlays.h"

#include "model/OutputChannel.h"
#include "roomeq/Measurement.h"

namespace tolmarin {

roomeq::ChannelFilters FiltersOf(const OutputChannel& channel) {
    roomeq::ChannelFilters c;
    const EqBank& eq = channel.Eq();
    for (int k = 0; k < roomeq::kBands; ++k) {
        c.bands[static_cast<std::size_t>(k)] = eq.BuildBandRecord(k);
    }
    for (auto [f, into] : {std::pair{&eq.HighPass(), &c.highPass}, {&eq.LowPass(), &c.lowPass}}) {
        into->type = f->GetType();
        into->frequency = f->GetFreq();
        into->family = f->GetFamily();
        into->slope = f->GetSlope();
    }
    return c;
}

void RoomEqOverlays::SetMeasurement(int channel, const GridResponse& measured, double loHz,
                                    double hiHz, double spanLoHz, double spanHiHz) {
    Entry e{measured, spanLoHz, spanHiHz};
    const double level = roomeq::MeanOver(measured, loHz, hiHz);
    for (double& db : e.db) {
        db -= level;
    }
    m_measured.at(static_cast<std::size_t>(channel)) = e;
}

void RoomEqOverlays::Clear(int channel) {
    m_measured.at(static_cast<std::size_t>(channel)).reset();
}

bool RoomEqOverlays::Has(int channel) const {
    return m_measured.at(static_cast<std::size_t>(channel)).has_value();
}

void RoomEqOverlays::SetShown(Curve curve, bool shown) {
    (curve == Curve::Measurement ? m_showMeasurement : m_showPredicted) = shown;
}

bool RoomEqOverlays::Shown(Curve curve) const {
    return curve == Curve::Measurement ? m_showMeasurement : m_showPredicted;
}

std::vector<GraphOverlay> RoomEqOverlays::For(const OutputChannel& channel) const {
    const std::size_t index = channel.GetIndex();
    if (index >= m_measured.size() || !m_measured[index]) {
        return {};
    }
    const Entry& e = *m_measured[index];
    std::vector<GraphOverlay> out;
    if (m_showMeasurement) {
        out.push_back({e.db, kMeasurementColour, e.spanLoHz, e.spanHiHz});
    }
    if (m_showPredicted) {
        GraphOverlay p{e.db, kPredictedColour, e.spanLoHz, e.spanHiHz};
        const GridResponse response = roomeq::ChannelResponse(FiltersOf(channel));
        for (std::size_t i = 0; i < p.db.size(); ++i) {
            p.db[i] += response[i];
        }
        out.push_back(p);
    }
    return out;
}

}  // namespace tolmarin
