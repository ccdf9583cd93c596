// The room EQ's apply of fitted bands, without widgets.
#include <gtest/gtest.h>

#include "editor/history/EditHistory.h"
#include "editor/tools/RoomEqApply.h"
#include "model/ChannelSet.h"
#include "support/Fresh.h"

namespace tolmarin::testing {
namespace {

// The channel's own bands with three of them changed, as a fit returns them.
RoomEqApply::Bands Fitted(const OutputChannel& ch) {
    RoomEqApply::Bands bands{};
    for (int k = 0; k < kEqBandCount; ++k) {
        bands[static_cast<std::size_t>(k)] = ch.Eq().BuildBandRecord(k);
    }
    bands[1].gainStep = 150;
    bands[4].gainStep = 240;
    bands[4].bandwidthStep = 12;
    bands[6].freq = 3500;
    bands[6].gainStep = 170;
    return bands;
}

// Catches a band sent again although the fit left it as it was, a fit that takes more than
// one undo, a linked partner left behind (or an unlinked one changed), and a fit that lands
// on CH3 while CH1 and CH2 are linked.
TEST(RoomEqApply, OnlyChangedBandsAreMarkedAsOneStepAndALinkedPartnerTakesThem) {
    struct Case {
        int channel;
        bool linked;
        int partner;  // the channel that must follow, or -1
    };
    for (const Case c :
         {Case{0, false, -1}, Case{0, true, 1}, Case{1, true, 0}, Case{2, true, -1}}) {
        FreshState fresh;
        ChannelSet channels(*fresh);
        EditHistory history(*fresh, channels);
        RoomEqApply tool(channels, history);
        if (c.linked) {
            channels.LinkCh1Ch2(false, {});
        }
        channels.SetSending(true);
        channels.ClearAllPending(false);
        history.Reset();  // the link is where the history starts
        EXPECT_EQ(tool.LinkedFor(c.channel), c.linked && c.channel <= 1) << c.channel;

        const RoomEqApply::Bands bands = Fitted(channels.Channel(c.channel));
        ASSERT_EQ(tool.Apply(c.channel, bands), 3);
        EXPECT_EQ(history.Stack().count(), 1);
        EXPECT_EQ(history.UndoText(Language::English),
                  Tr(TextId::HistoryRoomEq, Language::English));
        for (int ch = 0; ch < kChannelCount; ++ch) {
            const bool follows = ch == c.channel || ch == c.partner;
            for (int k = 0; k < kEqBandCount; ++k) {
                const bool changed = follows && (k == 1 || k == 4 || k == 6);
                EXPECT_EQ(channels.Channel(ch).Band(k).IsPending(), changed)
                    << "channel " << ch << " band " << k;
                if (follows) {
                    EXPECT_EQ(channels.Channel(ch).Eq().BuildBandRecord(k),
                              bands[static_cast<std::size_t>(k)]);
                }
            }
        }

        // The same fit again changes nothing and is no step.
        channels.ClearAllPending(false);
        EXPECT_EQ(tool.Apply(c.channel, bands), 0);
        EXPECT_EQ(history.Stack().count(), 1);
        EXPECT_FALSE(channels.Channel(c.channel).Band(1).IsPending());
    }
}

}  // namespace
}  // namespace tolmarin::testing
