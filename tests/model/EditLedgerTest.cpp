// What the amplifier holds against what the records say: which edits have not arrived.
#include <gtest/gtest.h>

#include "model/ChannelSet.h"
#include "model/EditLedger.h"
#include "protocol/FrameBuilder.h"
#include "support/Fresh.h"

namespace tolmarin::testing {
namespace {

TEST(EditLedger, NamesUnarrivedEditsUntilTheirFrameIsAcknowledgedAndIgnoresDerivedValues) {
    FreshState fresh;
    ChannelSet channels(*fresh);
    EditLedger ledger;
    ledger.SetHeld(RecordBlocks(channels));
    const auto live = fresh->image.Data(0);
    const std::vector<std::uint8_t> liveBefore(live.begin(), live.end());

    channels.Channel(0).Band(2).SetGainStep(260);
    channels.Channel(1).SetVolumeDb(10);
    channels.Channel(1).SetInputGain(549);  // follows a sensitivity: not the operator's edit
    const std::vector<UnsentEdit> edits = ledger.Differences(RecordBlocks(channels));
    EXPECT_EQ(DescribeEdits(edits, fresh->ui), "CH1 band 3 gain, CH2 volume");
    fresh->ui.language = Language::Chinese;
    EXPECT_EQ(DescribeEdits(edits, fresh->ui), "CH1 均衡3增益, CH2 音量");
    EXPECT_TRUE(std::equal(live.begin(), live.end(), liveBefore.begin()))
        << "looking at the records changed the live program";

    // Band 3's record travels in one sub-block; once acknowledged, only the volume is left.
    channels.WriteAllToImage();
    const int subBlock = (block::kBands + 2 * block::kBandRecordSize) / kSubBlockSize;
    EXPECT_TRUE(ledger.Acknowledge(BuildChannelSubBlock(*fresh, 0, subBlock)->Frame()));
    EXPECT_FALSE(ledger.Acknowledge(BuildPoll(*fresh)->Frame()));
    EXPECT_EQ(ledger.Differences(RecordBlocks(channels)),
              (std::vector<UnsentEdit>{{1, -1, Param::Volume}}));
}

}  // namespace
}  // namespace tolmarin::testing
