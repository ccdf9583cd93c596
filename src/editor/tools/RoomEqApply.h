#pragma once

#include <QString>
#include <array>

#include "editor/roomeq/RoomEqOverlays.h"
#include "model/BandRecord.h"
#include "model/Parameters.h"

namespace tolmarin {

class ChannelSet;
class EditHistory;

// What the editor keeps of the room EQ between its dialogs: the measurements laid over the
// graph, the measurement file last used (offered again), and the applying of fitted bands
// to a channel as one edit.
class RoomEqApply {
public:
    using Bands = std::array<BandRecord, kEqBandCount>;

    // Both borrowed for the tool's life.
    RoomEqApply(ChannelSet& channels, EditHistory& history);

    // Sets channel's eight bands as one step of the history: only the bands that differ
    // change, so only their records are marked to be sent; a linked partner takes each one
    // over. Returns the bands changed.
    int Apply(int channel, const Bands& bands);
    // Whether a fit for channel lands on its linked partner too (the dialog says so).
    bool LinkedFor(int channel) const;

    RoomEqOverlays& Curves() { return m_curves; }
    const QString& MeasurementPath() const { return m_measurementPath; }
    void SetMeasurementPath(const QString& path) { m_measurementPath = path; }

private:
    ChannelSet& m_channels;
    EditHistory& m_history;
    RoomEqOverlays m_curves;
    QString m_measurementPath;
};

}  // namespace tolmarin
