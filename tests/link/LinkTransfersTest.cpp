// The link controller's transfers: batches of reads and writes, their read-back and progress,
// reads answered without their data, and the system items.

#include <gtest/gtest.h>

#include <algorithm>

#include "FrameFields.h"
#include "LinkRig.h"
#include "link/LinkController.h"
#include "support/ReplyFrames.h"

namespace tolmarin::testing {
namespace {

// ---- Batches ----

TEST(Batches, StoreLiveToSlotQueuesANameWriteAndFourChannelBlocks) {
    LinkRig rig;
    rig.controller->SetVerifyWrites(false);  // the writes alone; read-backs are tested below
    rig.LinkedUsb();
    const int before = rig.command.QueueCount();
    rig.controller->StoreLiveToSlot(5, "HALL5", true);
    EXPECT_EQ(rig.model.stores, 1);
    ASSERT_EQ(rig.command.QueueCount(), before + 5);
    EXPECT_EQ(rig.view.rangeLow, 0);
    EXPECT_EQ(rig.view.rangeHigh, 5);
    EXPECT_EQ(rig.view.busy, std::vector<BusyState>{BusyState::Shown});

    rig.status = {0, 0, 0, 0, 45, 50, 0, 0};
    rig.StepUntil([&] {
        int a4 = 0;
        for (const Bytes& f : rig.serial.writes) {
            a4 += Code(f) == CMD_WRITE_CHANNEL ? 1 : 0;
        }
        return a4 == 4;
    });
    std::vector<Bytes> batch;
    for (const Bytes& f : rig.serial.writes) {
        if (Code(f) != CMD_POLL) {
            batch.push_back(f);
        }
    }
    ASSERT_EQ(batch.size(), 5u);
    EXPECT_EQ(Code(batch[0]), CMD_WRITE);
    EXPECT_EQ(batch[0][7], SECTION_ITEM);
    EXPECT_EQ(Item(batch[0]), ITEM_NAME);
    EXPECT_EQ(Program(batch[0]), 5);
    for (int ch = 0; ch < 4; ++ch) {
        const Bytes& f = batch[static_cast<std::size_t>(ch + 1)];
        EXPECT_EQ(f.size(), 174u);
        EXPECT_EQ(Program(f), 5);
        EXPECT_EQ(f[8], ch);
    }
    // Only the answer to the fifth frame announces the download.
    EXPECT_EQ(rig.view.done, std::vector<TransferDirection>{TransferDirection::Down});
    EXPECT_EQ(rig.view.progress.back(), 5);
}

// The name to store is the caller's, not whatever the image held: it is what the name
// write carries, and one too long for the slot stores nothing.
TEST(Batches, StoreLiveToSlotSendsTheNameItWasGivenAndRefusesOneTooLong) {
    struct Case {
        const char* name;
        bool stored;
    };
    const Case cases[] = {{"HALL", true}, {"A234567890ABCDEF", false}, {"", true}};
    for (const Case& c : cases) {
        LinkRig rig;
        rig.controller->SetVerifyWrites(false);
        rig.LinkedUsb();
        StoreProgramName(rig.fresh->ui, rig.fresh->image.Name(6), "OLD");
        const int before = rig.command.QueueCount();
        EXPECT_EQ(rig.controller->StoreLiveToSlot(6, c.name, true), c.stored) << c.name;
        EXPECT_EQ(rig.command.QueueCount(), before + (c.stored ? 5 : 0)) << c.name;
        const std::string held = LoadFixedText(rig.fresh->image.Name(6), 15);
        EXPECT_EQ(held, c.stored ? std::string(c.name) : "OLD") << c.name;
        if (!c.stored) {
            EXPECT_EQ(rig.fresh.sink.messages, std::vector<std::string>{"char Len error!"});
            continue;
        }
        rig.StepUntil([&] { return !rig.view.done.empty(); });
        const auto at = std::find_if(rig.serial.writes.begin(), rig.serial.writes.end(),
                                     [](const Bytes& f) { return Code(f) == CMD_WRITE; });
        ASSERT_NE(at, rig.serial.writes.end());
        const Bytes& nameWrite = *at;
        ASSERT_EQ(Item(nameWrite), ITEM_NAME);
        const std::string sent(nameWrite.begin() + 12, nameWrite.begin() + 12 + 15);
        EXPECT_EQ(sent, (std::string(c.name) + std::string(15, ' ')).substr(0, 15)) << c.name;
    }
}

TEST(Batches, UnlinkedBatchesSayPleaseLinkExceptSendingTheLiveProgram) {
    LinkRig rig;
    rig.controller->StoreAllPrograms();
    rig.controller->StoreLiveToSlot(3, "HALL3", true);
    EXPECT_FALSE(rig.controller->ReadAllPrograms("all.ALLData12File"));
    rig.controller->RequestLive(4);
    rig.controller->SendLiveProgram();
    EXPECT_EQ(rig.fresh.sink.messages, std::vector<std::string>(4, "Please Link!"));
    EXPECT_EQ(rig.command.QueueCount(), 0);
    EXPECT_EQ(rig.model.stores, 0);
    EXPECT_TRUE(rig.view.busy.empty());
}

TEST(Batches, StoreAllProgramsAlternatesNameAndDataForTwentySlots) {
    LinkRig rig;
    rig.controller->SetVerifyWrites(false);  // the writes alone; read-backs are tested below
    rig.controller->OpenSerialLinkTo("ttyFAKE0");
    rig.command.ClearQueue();
    rig.controller->StoreAllPrograms();
    ASSERT_EQ(rig.command.QueueCount(), 40);
    EXPECT_EQ(rig.view.rangeHigh, 40);
    EXPECT_EQ(rig.controller->ProgressPos(), 40);
    for (int i = 0; i < 40; ++i) {
        const SendData& head = rig.command.Head();
        const Bytes f(head.Frame().begin(), head.Frame().end());
        EXPECT_EQ(Program(f), i / 2 + 1);
        EXPECT_EQ(Code(f), i % 2 == 0 ? CMD_WRITE : CMD_WRITE_PROGRAM);
        EXPECT_EQ(head.NotifyDown(), i == 39 ? 1 : 0);
        rig.command.CompleteHead();
    }
}

TEST(Batches, ReadAllProgramsWritesTheFileTheFormChoseWhenAllTwentyArrived) {
    LinkRig rig;
    rig.LinkedUsb();
    EXPECT_FALSE(rig.controller->ReadAllPrograms(""));  // no file, nothing read
    const int before = rig.command.QueueCount();
    EXPECT_EQ(before, 1);

    EXPECT_TRUE(rig.controller->ReadAllPrograms("/tmp/all.ALLData12File"));
    EXPECT_EQ(rig.command.QueueCount(), before + 20);
    EXPECT_EQ(rig.view.rangeHigh, 20);
    rig.StepUntil([&] { return !rig.view.written.empty(); });
    EXPECT_EQ(rig.view.written, std::vector<std::string>{"/tmp/all.ALLData12File"});
    EXPECT_EQ(rig.view.done, std::vector<TransferDirection>{TransferDirection::Up});
    for (int n : {1, 20}) {
        const Bytes data(rig.fresh->image.Data(n).begin(), rig.fresh->image.Data(n).end());
        EXPECT_EQ(data, LiveDataPattern(n)) << "program " << n;
    }
}

TEST(Batches, RecallOfAStoredProgramRestartsTheProgressCount) {
    LinkRig rig;
    rig.LinkedUsb();
    rig.controller->RequestLive(7);
    EXPECT_EQ(rig.model.sending, 0);
    EXPECT_EQ(rig.controller->ProgressPos(), 0);
    EXPECT_TRUE(rig.view.busy.empty());  // only the link-up's live read shows the popup
    rig.StepUntil([&] { return rig.model.sending == 1; });
    EXPECT_EQ(rig.model.loads, 2);
    const Bytes live(rig.fresh->image.Data(0).begin(), rig.fresh->image.Data(0).end());
    EXPECT_EQ(live, LiveDataPattern(7));
}

TEST(Batches, SendLiveProgramQueuesOneProgramWriteWithoutAdvancingTheCount) {
    LinkRig rig;
    rig.controller->SetVerifyWrites(false);  // the writes alone; read-backs are tested below
    rig.controller->OpenSerialLinkTo("ttyFAKE0");
    rig.command.ClearQueue();
    const int pos = rig.controller->ProgressPos();
    rig.controller->SendLiveProgram();
    ASSERT_EQ(rig.command.QueueCount(), 1);
    EXPECT_EQ(rig.controller->ProgressPos(), pos);
    const SendData& head = rig.command.Head();
    EXPECT_EQ(head.Length(), 654);
    EXPECT_EQ(head.Frame()[5], 0);
    EXPECT_EQ(head.NotifyDown(), 1);
}

// The fake amplifier answers the live read with its own pattern, not what was sent: the
// read-back must say so, and must not be taken for a link-up (records reloaded).
TEST(Batches, ALiveReadBackThatDiffersIsToldAndDoesNotReloadTheRecords) {
    LinkRig rig;
    rig.LinkedUsb();
    const int loads = rig.model.loads;
    bool verified = true;
    bool ended = false;
    QObject::connect(rig.controller, &LinkController::writesVerified, [&](bool v) {
        verified = v;
        ended = true;
    });
    std::ranges::fill(rig.fresh->image.Data(0), std::uint8_t{0x11});
    rig.controller->SendLiveProgram();
    rig.StepUntil([&] { return ended; });
    EXPECT_FALSE(verified);
    EXPECT_EQ(rig.model.loads, loads);
    EXPECT_TRUE(rig.view.done.empty());
    ASSERT_FALSE(rig.fresh.sink.messages.empty());
    EXPECT_EQ(rig.fresh.sink.messages.back(),
              "Written but not verified: live program differs from what was sent (CH1 block, "
              "CH2 block, CH3 block, CH4 block).");
}

// A store whose writes are acknowledged but whose read-back never comes: the link is lost,
// and the message tells the slot apart from one that was not sent at all.
TEST(Batches, AStoreCutOffAfterItsWritesSaysAcknowledgedButNotVerified) {
    LinkRig rig;
    rig.LinkedUsb();
    auto amplifier = rig.serial.responder;
    rig.serial.responder = [amplifier](const Bytes& f) {
        return Code(f) == CMD_READ_PROGRAM ? std::vector<Bytes>{} : amplifier(f);
    };
    rig.controller->StoreLiveToSlot(4, "HALL4", true);
    rig.StepUntil([&] { return !rig.controller->Linked(); }, 2000);
    ASSERT_FALSE(rig.controller->Linked());
    const auto& messages = rig.fresh.sink.messages;
    EXPECT_NE(std::find(messages.begin(), messages.end(),
                        "Writing was cut off: program 4 acknowledged but not verified."),
              messages.end());
    EXPECT_TRUE(rig.view.done.empty());
}

// ---- Reads answered without their data ----

// The amplifier refuses (0xAB) every request with the given code; everything else it answers.
void Refusing(LinkRig& rig, int code, int program = -1) {
    rig.serial.responder = [&rig, code, program](const Bytes& f) {
        if (Code(f) == code && (program < 0 || Program(f) == program)) {
            return std::vector<Bytes>{MakeReplyFrame(ACK_AB, 0, 0, {})};
        }
        return AmplifierReply(f, rig.status);
    };
}

TEST(VerifiedReads, ALinkUpWhoseLivePickupIsRefusedKeepsEditsOffAndSaysSo) {
    LinkRig rig;
    Refusing(rig, CMD_RECALL);
    std::vector<bool> ups;
    QObject::connect(rig.controller, &LinkController::linkUpFinished,
                     [&](bool complete) { ups.push_back(complete); });
    rig.controller->OpenSerialLinkTo("ttyFAKE0");
    rig.StepUntil([&] { return !ups.empty(); });
    EXPECT_EQ(ups, std::vector<bool>{false});
    EXPECT_TRUE(rig.controller->Linked());  // polling goes on; the operator may recall
    EXPECT_FALSE(rig.controller->LiveKnown());
    EXPECT_EQ(rig.model.sending, 0);
    EXPECT_EQ(rig.model.loads, 0);
    EXPECT_TRUE(rig.view.done.empty());
    EXPECT_EQ(rig.view.busy, (std::vector<BusyState>{BusyState::Shown, BusyState::Hidden}));
    EXPECT_EQ(rig.fresh.sink.messages,
              std::vector<std::string>{"The amplifier did not send: live program. Edits are not "
                                       "sent until the live program has been read."});
    EXPECT_EQ(rig.fresh.sink.kinds, std::vector<MessageKind>{MessageKind::Warning});
}

TEST(VerifiedReads, ARefusedProgramMeansNoFileAndNoDonePopup) {
    LinkRig rig;
    rig.LinkedUsb();
    Refusing(rig, CMD_READ_PROGRAM, 7);
    ASSERT_TRUE(rig.controller->ReadAllPrograms("/tmp/all.ALLData12File"));
    rig.StepUntil(
        [&] { return !rig.view.busy.empty() && rig.view.busy.back() == BusyState::Hidden; });
    EXPECT_TRUE(rig.view.written.empty());
    EXPECT_TRUE(rig.view.done.empty());
    EXPECT_EQ(rig.fresh.sink.messages,
              std::vector<std::string>{"The amplifier did not send: programs 7."});
    // The next read of all programs starts with a clean slate.
    rig.Answering();
    rig.fresh.sink.messages.clear();
    ASSERT_TRUE(rig.controller->ReadAllPrograms("/tmp/again.ALLData12File"));
    rig.StepUntil([&] { return !rig.view.written.empty(); });
    EXPECT_EQ(rig.view.written, std::vector<std::string>{"/tmp/again.ALLData12File"});
    EXPECT_EQ(rig.view.done, std::vector<TransferDirection>{TransferDirection::Up});
    EXPECT_TRUE(rig.fresh.sink.messages.empty());
}

TEST(VerifiedReads, ARefusedRecallIsNotASuccessAndEditsGoOnFlowing) {
    LinkRig rig;
    rig.LinkedUsb();
    Refusing(rig, CMD_RECALL);
    ASSERT_TRUE(rig.controller->RequestLive(3));
    rig.StepUntil([&] { return !rig.fresh.sink.messages.empty(); });
    EXPECT_EQ(rig.fresh.sink.messages,
              std::vector<std::string>{"The amplifier did not send: live program."});
    EXPECT_TRUE(rig.view.done.empty());
    EXPECT_EQ(rig.model.loads, 1);  // the link-up's only
    EXPECT_EQ(rig.model.sending, 1);
}

// Arguments outside their ranges are refused before anything is built or queued (the frame
// builders would throw into the event loop).
TEST(VerifiedReads, OperationsRefuseArgumentsOutOfRange) {
    LinkRig rig;
    rig.LinkedUsb();
    const int queued = rig.command.QueueCount();
    EXPECT_FALSE(rig.controller->RequestLive(21));
    EXPECT_FALSE(rig.controller->RequestLive(-1));
    EXPECT_FALSE(rig.controller->StoreLiveToSlot(0, "X", true));
    EXPECT_FALSE(rig.controller->StoreLiveToSlot(21, "X", false));
    EXPECT_FALSE(rig.controller->SendSystemItem(99, 0, 0));
    EXPECT_FALSE(rig.controller->SendSystemItem(ITEM_NAME, 21, 0));
    EXPECT_FALSE(rig.controller->SendSystemItem(ITEM_SENSITIVITY, 0, 4));
    EXPECT_EQ(rig.command.QueueCount(), queued);
    EXPECT_EQ(rig.model.stores, 0);
    EXPECT_TRUE(rig.model.gains.empty());
    EXPECT_EQ(rig.model.sending, 1);
    EXPECT_TRUE(rig.fresh.sink.messages.empty());
}

// ---- System items ----

TEST(SystemItems, SensitivitySetsTheInputGainOfTheChannelFromItsInput) {
    LinkRig rig;
    rig.fresh->image.systemBytes[2] = 1;
    rig.fresh->image.systemBytes[3] = 2;
    rig.controller->SendSystemItem(ITEM_SENSITIVITY, 0, 0);
    rig.controller->SendSystemItem(ITEM_SENSITIVITY, 0, 1);
    rig.controller->SendSystemItem(ITEM_SENSITIVITY, 0, 3);  // follows input 2 too
    rig.fresh->image.systemBytes[3] = 9;                     // no such setting
    rig.controller->SendSystemItem(ITEM_SENSITIVITY, 0, 1);
    EXPECT_EQ(rig.model.gains, (std::vector<std::pair<int, int>>{{0, 578}, {1, 549}, {3, 549}}));
    EXPECT_EQ(rig.command.QueueCount(), 0);  // unlinked: nothing is sent
    EXPECT_TRUE(rig.fresh.sink.messages.empty());

    rig.controller->OpenSerialLinkTo("ttyFAKE0");
    rig.command.ClearQueue();
    rig.controller->SendSystemItem(ITEM_POWER, 0, 0);
    ASSERT_EQ(rig.command.QueueCount(), 1);
    const SendData& head = rig.command.Head();
    EXPECT_EQ(head.Frame()[4], CMD_WRITE);
    EXPECT_EQ(head.Frame()[9], ITEM_POWER);
    EXPECT_EQ(head.CountsProgress() + head.NotifyUp() + head.NotifyDown(), 0);
}

}  // namespace
}  // namespace tolmarin::testing
