#include "editor/tools/RoomEqApply.h"

#include "editor/history/EditHistory.h"
#include "model/ChannelSet.h"

namespace tolmarin {

RoomEqApply::RoomEqApply(ChannelSet& channels, EditHistory& history)
    : m_channels(channels), m_history(history) {}

int RoomEqApply::Apply(int channel, const Bands& bands) {
    OutputChannel& ch = m_channels.Channel(channel);
    int changed = 0;
    // All bands of a fit are one step of the history, whatever number changed.
    m_history.ApplyAsOneStep(
        [&] {
            for (int k = 0; k < kEqBandCount; ++k) {
                const BandRecord& band = bands[static_cast<std::size_t>(k)];
                // An unchanged band is left alone, so that it is not sent again.
                if (ch.Eq().BuildBandRecord(k) == band) {
                    continue;
                }
                ch.Eq().EditBand(band, k);
                m_channels.MirrorFilter(channel, k);
                ++changed;
            }
        },
        TextId::HistoryRoomEq);
    return changed;
}

bool RoomEqApply::LinkedFor(int channel) const {
    return channel <= 1 && m_channels.Ch1Ch2Linked();
}

}  // namespace tolmarin
