// The link controller's edit tracking: the ledger of unsent edits and the choice at link-up
// between the PC's edits and the amplifier's live program.

#include <gtest/gtest.h>

#include "FrameFields.h"
#include "LinkRig.h"
#include "link/LinkController.h"

namespace tolmarin::testing {
namespace {

// Records holding one operator's value the amplifier was never sent.
ChannelBlocks OneUnsentValue() {
    ChannelBlocks blocks{};
    for (std::uint8_t& byte : blocks) {
        byte = 1;
        if (!DifferencesBetween(ChannelBlocks{}, blocks).empty()) {
            break;
        }
        byte = 0;
    }
    return blocks;
}

TEST(EditTracking, ALinkUpOverUnsentEditsKeepsTheRecordsUntilTheOperatorChooses) {
    struct Case {
        LiveChoice choice;
        int stores;        // records written into the live program
        int liveWrites;    // program-0 writes sent
        bool unsentAfter;  // the edits still count as not arrived
    };
    for (const Case c :
         {Case{LiveChoice::TakeAmplifier, 0, 0, false}, Case{LiveChoice::SendPc, 1, 1, true}}) {
        SCOPED_TRACE(c.choice == LiveChoice::SendPc ? "SendPc" : "TakeAmplifier");
        LinkRig rig;
        rig.model.records = OneUnsentValue();
        ASSERT_FALSE(rig.controller->UnsentEdits().empty());
        int asked = 0;
        QObject::connect(rig.controller, &LinkController::liveChoiceNeeded, [&asked] { ++asked; });
        rig.Answering();
        ASSERT_TRUE(rig.rig.LinkUpUsb());
        EXPECT_EQ(asked, 1);
        EXPECT_TRUE(rig.controller->LiveChoicePending());
        EXPECT_EQ(rig.model.loads, 0);  // reloading would have overwritten the edit
        EXPECT_FALSE(rig.controller->LiveKnown());

        rig.serial.writes.clear();
        rig.controller->ResolveLiveChoice(c.choice);
        rig.Step(6);
        EXPECT_FALSE(rig.controller->LiveChoicePending());
        EXPECT_TRUE(rig.controller->LiveKnown());
        EXPECT_EQ(rig.model.stores, c.stores);
        int liveWrites = 0;
        for (const Bytes& f : rig.serial.writes) {
            liveWrites += Code(f) == CMD_WRITE_PROGRAM && Program(f) == 0 ? 1 : 0;
        }
        EXPECT_EQ(liveWrites, c.liveWrites);
        // The fake's image never takes the records, so what SendPc sent is not the edit.
        EXPECT_EQ(!rig.controller->UnsentEdits().empty(), c.unsentAfter);
    }
}

TEST(EditTracking, AnEditNotArrivedWhenTheLinkGivesUpIsNamedInItsMessage) {
    LinkRig rig;
    rig.LinkedUsb();
    rig.model.records = OneUnsentValue();
    rig.serial.responder = nullptr;  // the amplifier falls silent: the link gives up
    rig.serial.inbox.clear();
    rig.StepUntil([&] { return !rig.controller->Linked(); });
    ASSERT_FALSE(rig.controller->Linked());
    ASSERT_FALSE(rig.fresh.sink.messages.empty());
    EXPECT_NE(rig.fresh.sink.messages.back().find(DescribeEdits(
                  DifferencesBetween(ChannelBlocks{}, OneUnsentValue()), rig.fresh->ui)),
              std::string::npos);
}

}  // namespace
}  // namespace tolmarin::testing
