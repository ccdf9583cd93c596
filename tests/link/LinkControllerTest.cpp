#include <gtest/gtest.h>

#include <algorithm>

#include "LinkRig.h"
#include "link/LinkController.h"
#include "support/ReplyFrames.h"

namespace tolmarin::testing {
namespace {

int Code(const Bytes& f) {
    return f[4];
}
int Program(const Bytes& f) {
    return f[5];
}
int Item(const Bytes& f) {
    return f[9];
}

// ---- Link-up ----

TEST(LinkUp, UsbOpenQueuesTwentyFourReadsWithProgressRangeZeroToTwentyFour) {
    LinkRig rig;
    ASSERT_TRUE(rig.controller->OpenSerialLinkTo("ttyFAKE0"));
    EXPECT_EQ(rig.serial.targets.at(0).port, "ttyFAKE0");
    EXPECT_EQ(rig.fresh->app.portName, "ttyFAKE0");
    ASSERT_EQ(rig.command.QueueCount(), 24);
    EXPECT_EQ(rig.view.rangeLow, 0);
    EXPECT_EQ(rig.view.rangeHigh, 24);
    EXPECT_EQ(rig.view.progress.back(), 0);
    EXPECT_EQ(rig.view.busy, std::vector<BusyState>{BusyState::Shown});
    EXPECT_TRUE(rig.view.buttonActive);
    EXPECT_EQ(rig.sched->PacingTimer(), kUsbPacingTimer);
    EXPECT_EQ(rig.sched->IntervalMs(), 50);
    // The live read turns change sending off until the live program is in.
    EXPECT_EQ(rig.model.sending, 0);

    // Tick by tick, without replies, the head goes out once; order of the 24 frames is
    // checked as they are answered.
    rig.Answering();
    std::vector<Bytes> sent;
    for (int i = 0; i < 24; ++i) {
        rig.Step();
    }
    sent = rig.serial.writes;
    ASSERT_GE(sent.size(), 24u);
    for (int n = 1; n <= 20; ++n) {
        const Bytes& f = sent[static_cast<std::size_t>(n - 1)];
        EXPECT_EQ(Code(f), CMD_READ_ITEM);
        EXPECT_EQ(Item(f), ITEM_NAME);
        EXPECT_EQ(Program(f), n);
    }
    EXPECT_EQ(Item(sent[20]), ITEM_MODES);
    EXPECT_EQ(Item(sent[21]), ITEM_SENSITIVITY);
    EXPECT_EQ(Item(sent[22]), ITEM_POWER);
    EXPECT_EQ(Code(sent[23]), CMD_RECALL);
    EXPECT_EQ(Program(sent[23]), 0);
}

TEST(LinkUp, CompletesInTwentyFourTicksAndTurnsChangeSendingOn) {
    LinkRig rig;
    rig.Answering();
    rig.model.ch1Ch2Linked = true;  // CH1 and CH2 linked before the live program arrives
    std::vector<bool> ups;
    QObject::connect(rig.controller, &LinkController::linkUpFinished,
                     [&](bool complete) { ups.push_back(complete); });
    rig.controller->OpenSerialLinkTo("ttyFAKE0");
    const int ticks = rig.StepUntil([&] { return !ups.empty(); });
    EXPECT_EQ(ticks, 24);
    EXPECT_EQ(ups, std::vector<bool>{true});

    const SharedState& s = *rig.fresh;
    EXPECT_EQ(LoadFixedText(s.image.Name(7), 15), "PROG 7");
    EXPECT_EQ(s.image.systemBytes[0], 1);
    EXPECT_EQ(s.image.systemBytes[2], 2);
    EXPECT_EQ(s.image.systemBytes[7], 1);
    const Bytes live(s.image.Data(0).begin(), s.image.Data(0).end());
    EXPECT_EQ(live, LiveDataPattern(0));
    EXPECT_TRUE(rig.model.sending);
    EXPECT_EQ(rig.model.loads, 1);
    EXPECT_FALSE(rig.model.ch1Ch2Linked);
    EXPECT_EQ(rig.view.checkBoxCleared, 1);
    EXPECT_EQ(rig.view.statesShown, 1);
    EXPECT_EQ(rig.view.system, (std::vector<std::pair<int, int>>{{1, 1}}));
    // The progress bar walks 1 to 24 as the frames go out; the live read ends the
    // sequence with the "up" done popup.
    std::vector<int> expected{0};
    for (int i = 1; i <= 24; ++i) {
        expected.push_back(i);
    }
    EXPECT_EQ(rig.view.progress, expected);
    EXPECT_EQ(rig.view.done, std::vector<TransferDirection>{TransferDirection::Up});
    EXPECT_TRUE(rig.fresh.sink.messages.empty());
}

TEST(LinkUp, FailedSerialOpenLeavesEverythingUnlinked) {
    LinkRig rig;
    rig.serial.openResult = false;
    int failed = 0;
    QObject::connect(rig.controller, &LinkController::linkOpenFailed, [&] { ++failed; });
    EXPECT_FALSE(rig.controller->OpenSerialLinkTo("ttyFAKE0"));
    EXPECT_EQ(failed, 1);
    EXPECT_FALSE(rig.controller->Linked());
    EXPECT_EQ(rig.command.QueueCount(), 0);
    EXPECT_EQ(rig.sched->PacingTimer(), 0);
    EXPECT_FALSE(rig.view.buttonActive);
}

TEST(LinkUp, NetworkConnectIsAwaitedWithoutBlockingAndItsFailureIsReported) {
    LinkRig rig;
    rig.network.deferOpen = true;
    rig.controller->OpenNetworkLinkTo("127.0.0.1", 18899);
    EXPECT_EQ(rig.network.targets.at(0).host, "127.0.0.1");
    EXPECT_EQ(rig.network.targets.at(0).tcpPort, 18899);
    EXPECT_TRUE(rig.controller->Opening());
    EXPECT_FALSE(rig.controller->Linked());
    EXPECT_EQ(rig.command.QueueCount(), 0);
    rig.network.FinishOpen(false);
    EXPECT_FALSE(rig.controller->Opening());
    EXPECT_EQ(rig.fresh.sink.messages,
              std::vector<std::string>{"Unable to Open NetWork Link! 127.0.0.1:18899."});
    EXPECT_EQ(rig.sched->PacingTimer(), 0);

    // A second attempt that connects links up on timer 2 with the same 24 reads.
    rig.network.deferOpen = false;
    rig.controller->OpenNetworkLink();
    EXPECT_TRUE(rig.controller->Linked());
    EXPECT_EQ(rig.command.QueueCount(), 24);
    EXPECT_EQ(rig.sched->PacingTimer(), kNetworkPacingTimer);
    EXPECT_EQ(rig.controller->NetRetries(), 0);
}

TEST(LinkUp, TheDefaultNetworkTargetIsTheAmplifierAddressOnPort8899) {
    LinkRig rig;
    rig.network.deferOpen = true;  // never connects: no traffic anywhere
    rig.controller->OpenNetworkLink();
    EXPECT_EQ(rig.network.targets.at(0).host, std::string(kDefaultAmplifierAddress));
    EXPECT_EQ(rig.network.targets.at(0).tcpPort, 8899);
    rig.controller->CloseLink();
}

// ---- Link button: the form runs the Connect dialog, then opens the kind chosen ----

TEST(LinkButton, OpenLinkOpensTheKindTheFormChoseAndCloseLinkUndoesIt) {
    LinkRig rig;
    rig.controller->OpenLink(LinkKind::Network);
    EXPECT_EQ(rig.controller->LinkType(), LinkKind::Network);
    EXPECT_EQ(rig.network.opens, 1);
    EXPECT_TRUE(rig.controller->Linked());
    rig.controller->OpenLink(LinkKind::Usb);  // one link at a time
    EXPECT_EQ(rig.serial.opens, 0);
    EXPECT_EQ(rig.controller->LinkType(), LinkKind::Network);

    ASSERT_TRUE(rig.controller->LinkActive());
    rig.controller->CloseLink();
    EXPECT_FALSE(rig.controller->Linked());
    EXPECT_FALSE(rig.network.IsOpen());
    EXPECT_EQ(rig.sched->PacingTimer(), 0);
    EXPECT_FALSE(rig.view.buttonActive);
    EXPECT_EQ(rig.command.QueueCount(), 0);
    EXPECT_EQ(rig.model.clearCalls, std::vector<int>{0});
    EXPECT_TRUE(rig.fresh.sink.messages.empty());
    rig.controller->OpenLink(LinkKind::Usb);
    EXPECT_EQ(rig.serial.opens, 1);
    EXPECT_TRUE(rig.controller->Linked());
}

TEST(LinkButton, ClosingDuringAConnectAbandonsItSilently) {
    LinkRig rig;
    rig.network.deferOpen = true;
    rig.controller->OpenLink(LinkKind::Network);
    ASSERT_TRUE(rig.controller->Opening());
    ASSERT_TRUE(rig.controller->LinkActive());
    rig.controller->CloseLink();
    EXPECT_FALSE(rig.controller->Opening());
    EXPECT_FALSE(rig.network.OpenPending());
    EXPECT_TRUE(rig.fresh.sink.messages.empty());
    EXPECT_TRUE(rig.model.clearCalls.empty());
}

TEST(LinkButton, CloseSerialLinkRefusesWhenNoUsbLinkIsUp) {
    LinkRig rig;
    EXPECT_FALSE(rig.controller->CloseSerialLink());
    rig.controller->OpenNetworkLinkTo("127.0.0.1", 1);
    EXPECT_FALSE(rig.controller->CloseSerialLink());
    EXPECT_TRUE(rig.controller->Linked());
    EXPECT_TRUE(rig.model.clearCalls.empty());
}

// ---- Pacing ----

TEST(Pacing, EmitsOneItemPerTickOnlyWhileFewerThanTwoWait) {
    LinkRig rig;
    rig.controller->OpenSerialLinkTo("ttyFAKE0");
    rig.Step(3);  // 24 queued, no replies: nothing is asked of the model
    EXPECT_EQ(rig.model.nextCalls, 0);

    LinkRig idle;
    idle.LinkedUsb();
    idle.serial.responder = nullptr;  // the amplifier falls silent
    idle.serial.inbox.clear();
    const int before = idle.model.nextCalls;
    ASSERT_EQ(idle.command.QueueCount(), 1);  // the poll in flight
    idle.Step();
    EXPECT_EQ(idle.model.nextCalls, before + 1);
    EXPECT_EQ(idle.command.QueueCount(), 2);
    idle.Step(5);
    EXPECT_EQ(idle.model.nextCalls, before + 1);
    EXPECT_EQ(idle.command.QueueCount(), 2);
}

TEST(Pacing, AnIdleLinkPollsAndShowsLevelsAndTemperatures) {
    LinkRig rig;
    rig.LinkedUsb();
    rig.view.levels.clear();
    rig.status = {7, 9, 0, 0, 40, 41, 0, 0};
    rig.Step(4);
    int polls = 0;
    for (const Bytes& f : rig.serial.writes) {
        polls += Code(f) == CMD_POLL ? 1 : 0;
    }
    EXPECT_EQ(polls, 4);
    ASSERT_FALSE(rig.view.levels.empty());
    EXPECT_EQ(rig.view.levels.back(), (std::pair<int, int>{7, 9}));
    EXPECT_EQ(rig.view.temperatures.back(), (std::pair<int, int>{1, 31}));
}

TEST(UsbTimeout, HeadIsSentAgainAtTick50AndTheLinkClosesAtTick101) {
    LinkRig rig;
    rig.controller->OpenSerialLinkTo("ttyFAKE0");
    int closed = 0;
    LinkCloseReason reason = LinkCloseReason::Operator;
    QObject::connect(rig.controller, &LinkController::linkClosed, [&](LinkCloseReason r) {
        ++closed;
        reason = r;
    });
    const int purged = rig.serial.purges;  // the open's
    rig.Step();                            // the first name read goes out
    ASSERT_EQ(rig.serial.writes.size(), 1u);
    rig.Step(49);
    EXPECT_EQ(rig.serial.writes.size(), 1u);
    EXPECT_EQ(rig.serial.purges, purged);
    rig.Step();  // 50th tick of waiting
    ASSERT_EQ(rig.serial.writes.size(), 2u);
    EXPECT_EQ(rig.serial.writes[1], rig.serial.writes[0]);
    EXPECT_EQ(rig.serial.purges, purged + 1);
    rig.Step(50);  // 100 ticks of waiting: still hoping
    EXPECT_TRUE(rig.controller->Linked());
    EXPECT_TRUE(rig.fresh.sink.messages.empty());
    rig.Step();  // the 101st
    EXPECT_FALSE(rig.controller->Linked());
    EXPECT_EQ(closed, 1);
    EXPECT_EQ(reason, LinkCloseReason::NoReply);
    EXPECT_EQ(rig.fresh.sink.messages,
              std::vector<std::string>{
                  "No online machine can be linked! ttyFAKE0: no answer within 5.1 s."});
    EXPECT_FALSE(rig.serial.IsOpen());
    EXPECT_EQ(rig.command.QueueCount(), 0);
    EXPECT_EQ(rig.sched->PacingTimer(), 0);
    EXPECT_EQ(rig.view.busy.back(), BusyState::Hidden);
    EXPECT_EQ(rig.view.progress.back(), 0);
    EXPECT_EQ(rig.model.clearCalls, std::vector<int>{0});
    EXPECT_EQ(rig.model.sending, 0);
}

TEST(UsbTimeout, AReplyTheParserDoesNotActOnEndsTheSameWay) {
    LinkRig rig;
    rig.serial.responder = [](const Bytes&) {
        return std::vector<Bytes>{MakeReplyFrame(CMD_WRITE_CHANNEL, 0, 0, {})};
    };
    rig.controller->OpenSerialLinkTo("ttyFAKE0");
    rig.Step(101);
    EXPECT_TRUE(rig.controller->Linked());
    rig.Step();
    EXPECT_FALSE(rig.controller->Linked());
    EXPECT_EQ(rig.fresh.sink.messages,
              std::vector<std::string>{
                  "No online machine can be linked! ttyFAKE0: no answer within 5.1 s."});
}

// ---- Network time-outs and reconnection ----

struct NetworkTimeoutRig : LinkRig {
    NetworkTimeoutRig() {
        controller->OpenNetworkLinkTo("127.0.0.1", 18899);
        QObject::connect(controller, &LinkController::linkClosed,
                         [this](LinkCloseReason r) { reasons.push_back(r); });
    }
    // Ticks until the head has waited past its 30 ticks; returns ticks taken.
    int ToTimeout() {
        return StepUntil([this] { return controller->Reconnecting() || !controller->Linked(); },
                         100);
    }
    std::vector<LinkCloseReason> reasons;
};

TEST(NetworkTimeout, FourthTimeOutClosesEvenWhenEveryReconnectionSucceeded) {
    NetworkTimeoutRig rig;
    const int purged = rig.network.purges;  // the open's
    rig.Step();                             // the head goes out
    ASSERT_EQ(rig.network.writes.size(), 1u);
    for (int attempt = 1; attempt <= 3; ++attempt) {
        EXPECT_EQ(rig.ToTimeout(), 31) << "attempt " << attempt;
        EXPECT_TRUE(rig.controller->Reconnecting());
        EXPECT_EQ(rig.controller->NetRetries(), attempt);
        EXPECT_FALSE(rig.network.IsOpen());  // closed first

        // During the waits nothing is serviced or emitted.
        const std::size_t writes = rig.network.writes.size();
        const int asked = rig.model.nextCalls;
        rig.Step(5);
        rig.sched->Advance(499);
        EXPECT_EQ(rig.network.opens, attempt);
        rig.sched->Advance(1);  // 500 ms: connect again
        EXPECT_EQ(rig.network.opens, attempt + 1);
        EXPECT_TRUE(rig.network.IsOpen());
        rig.Step(5);
        rig.sched->Advance(999);
        EXPECT_TRUE(rig.controller->Reconnecting());
        rig.sched->Advance(1);  // 1000 ms settled: the head is marked for sending
        EXPECT_FALSE(rig.controller->Reconnecting());
        EXPECT_EQ(rig.network.writes.size(), writes);
        EXPECT_EQ(rig.model.nextCalls, asked);
        EXPECT_EQ(rig.network.purges, purged + attempt);
        rig.Step();  // the same frame again on the new connection
        ASSERT_EQ(rig.network.writes.size(), writes + 1);
        EXPECT_EQ(rig.network.writes.back(), rig.network.writes.front());
    }
    EXPECT_TRUE(rig.fresh.sink.messages.empty());
    EXPECT_EQ(rig.ToTimeout(), 31);
    EXPECT_FALSE(rig.controller->Linked());
    EXPECT_EQ(rig.controller->NetRetries(), 4);
    EXPECT_EQ(rig.network.opens, 4);
    EXPECT_EQ(rig.reasons, std::vector<LinkCloseReason>{LinkCloseReason::NetworkGaveUp});
    EXPECT_EQ(rig.fresh.sink.messages,
              std::vector<std::string>{
                  "Unable to Open NetWork Link! 127.0.0.1:18899: no answer within 7.9 s."});
    EXPECT_EQ(rig.sched->PacingTimer(), 0);
    EXPECT_EQ(rig.sched->PendingWaits(), 0);
}

TEST(NetworkTimeout, AFailedReconnectionClosesTheLink) {
    NetworkTimeoutRig rig;
    rig.Step();
    rig.ToTimeout();
    rig.network.openResult = false;
    rig.sched->Advance(500);
    EXPECT_FALSE(rig.controller->Linked());
    EXPECT_EQ(rig.fresh.sink.messages,
              std::vector<std::string>{"Unable to Open NetWork Link! 127.0.0.1:18899."});
    EXPECT_EQ(rig.model.clearCalls, std::vector<int>{0});
    EXPECT_EQ(rig.sched->PendingWaits(), 0);
}

// The lamp turns green only with a valid reply, and a give-up after one reads as a lost
// link, not as a link that never opened.
TEST(NetworkTimeout, ALinkTheAmplifierHadAnsweredOnReadsAsLostAndTheLampFollowsTheReplies) {
    NetworkTimeoutRig rig;
    EXPECT_EQ(rig.view.lamp, LinkLamp::Connecting);  // connected, nothing answered yet
    rig.Answering();
    rig.Step();
    EXPECT_EQ(rig.view.lamp, LinkLamp::Up);
    rig.network.responder = nullptr;  // the amplifier goes silent
    for (int attempt = 1; attempt <= 3; ++attempt) {
        rig.ToTimeout();
        EXPECT_EQ(rig.view.lamp, LinkLamp::Connecting) << "attempt " << attempt;
        rig.sched->Advance(1500);
    }
    rig.ToTimeout();
    EXPECT_EQ(rig.view.lamp, LinkLamp::Off);
    ASSERT_EQ(rig.fresh.sink.messages.size(), 1u);
    EXPECT_EQ(rig.fresh.sink.messages[0].rfind("The link was lost: 127.0.0.1:18899: no answer "
                                               "within ",
                                               0),
              0u)
        << rig.fresh.sink.messages[0];
}

TEST(NetworkTimeout, ClosingDuringAReconnectionCancelsItsWaits) {
    NetworkTimeoutRig rig;
    rig.Step();
    rig.ToTimeout();
    ASSERT_EQ(rig.sched->PendingWaits(), 1);
    rig.controller->CloseLink();
    EXPECT_FALSE(rig.controller->Linked());
    EXPECT_EQ(rig.sched->PendingWaits(), 0);
    rig.sched->Advance(5000);
    EXPECT_EQ(rig.network.opens, 1);  // no reconnection after the close
    EXPECT_TRUE(rig.fresh.sink.messages.empty());
}

// Three reconnections per fault: the count was per opening, so one corrupt reply every so
// often ended a long transfer that had recovered each time.
TEST(NetworkTimeout, AReplyAfterAReconnectionStartsTheCountAgain) {
    NetworkTimeoutRig rig;
    rig.Step();
    rig.ToTimeout();
    EXPECT_EQ(rig.controller->NetRetries(), 1);
    rig.sched->Advance(1500);
    rig.Answering();
    rig.Step(40);
    EXPECT_TRUE(rig.controller->Linked());
    EXPECT_EQ(rig.controller->NetRetries(), 0);
    // Five faults, each recovered from: the link stays up.
    for (int fault = 0; fault < 5; ++fault) {
        rig.network.responder = nullptr;
        rig.ToTimeout();
        ASSERT_TRUE(rig.controller->Reconnecting()) << "fault " << fault;
        EXPECT_EQ(rig.controller->NetRetries(), 1);
        rig.sched->Advance(1500);
        rig.Answering();
        rig.Step(5);
        EXPECT_EQ(rig.controller->NetRetries(), 0);
    }
    EXPECT_TRUE(rig.controller->Linked());
    EXPECT_TRUE(rig.fresh.sink.messages.empty());
}

// Replies that arrive with a wrong checksum: the amplifier is there, its line is not clean.
TEST(NetworkTimeout, AGiveUpOnCorruptRepliesSaysBadChecksumNotNoAnswer) {
    NetworkTimeoutRig rig;
    rig.network.responder = [&rig](const Bytes& f) {
        auto replies = AmplifierReply(f, rig.status);
        for (Bytes& reply : replies) {
            reply[reply.size() - 2] ^= 0xFF;
        }
        return replies;
    };
    rig.Step();
    for (int attempt = 1; attempt <= 3; ++attempt) {
        rig.ToTimeout();
        EXPECT_EQ(rig.controller->LastFault(), LinkFailure::BadChecksum);
        rig.sched->Advance(1500);
    }
    rig.ToTimeout();
    EXPECT_FALSE(rig.controller->Linked());
    EXPECT_EQ(rig.fresh.sink.messages,
              std::vector<std::string>{"Unable to Open NetWork Link! 127.0.0.1:18899: bad "
                                       "checksum."});
}

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

// ---- Status ----

TEST(Status, TemperaturesAreClampedShownMinusTenAndOnlyWhenChanged) {
    LinkRig rig;
    rig.LinkedUsb();
    auto poll = [&](std::uint8_t t1, std::uint8_t t2) {
        rig.status = {0, 0, 0, 0, t1, t2, 0, 0};
        rig.view.temperatures.clear();
        rig.Step();
        return rig.view.temperatures;
    };
    using Shown = std::vector<std::pair<int, int>>;
    EXPECT_EQ(poll(255, 10), (Shown{{0, 90}, {1, 0}}));
    EXPECT_EQ(poll(255, 10), (Shown{{0, 90}}));  // 255 differs from the stored 100
    EXPECT_EQ(poll(100, 10), Shown{});           // a repeat shows nothing
    EXPECT_EQ(poll(0, 11), (Shown{{0, -10}, {1, 1}}));
}

// ---- Receiving ----

TEST(Receiving, BytesFromALinkThatIsNotOpenAreIgnored) {
    LinkRig rig;
    rig.controller->OpenSerialLinkTo("ttyFAKE0");
    rig.Step();
    rig.network.Inject(MakeReplyFrame(ACK_AA, 0, 0, {}));
    EXPECT_EQ(rig.command.QueueCount(), 24);
    rig.serial.Inject(MakeReplyFrame(ACK_AA, 0, 0, {}));
    EXPECT_EQ(rig.command.QueueCount(), 23);
}

TEST(Receiving, AReplySplitIntoBurstsCompletesTheHeadOnce) {
    LinkRig rig;
    rig.controller->OpenSerialLinkTo("ttyFAKE0");
    rig.Step();
    const Bytes reply = MakeReplyFrame(CMD_READ_ITEM, 1, ITEM_NAME, Bytes(16, 'A'));
    rig.serial.Inject(Bytes(reply.begin(), reply.begin() + 9));
    EXPECT_EQ(rig.command.QueueCount(), 24);
    rig.serial.Inject(Bytes(reply.begin() + 9, reply.end()));
    EXPECT_EQ(rig.command.QueueCount(), 23);
    EXPECT_EQ(LoadFixedText(rig.fresh->image.Name(1), 15), std::string(15, 'A'));
}

TEST(Receiving, AFrameHalfReceivedBeforeACloseDoesNotSpoilTheNextLink) {
    LinkRig rig;
    rig.controller->OpenSerialLinkTo("ttyFAKE0");
    rig.Step();
    const Bytes reply = MakeReplyFrame(ACK_AA, 0, 0, {});
    rig.serial.Inject(Bytes(reply.begin(), reply.begin() + 9));
    ASSERT_TRUE(rig.controller->CloseSerialLink());
    rig.controller->OpenNetworkLinkTo("127.0.0.1", 1);
    rig.Step();
    rig.network.Inject(reply);
    EXPECT_EQ(rig.command.QueueCount(), 23);
}

}  // namespace
}  // namespace tolmarin::testing
