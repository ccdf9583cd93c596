// The link controller's connection phases: link-up, the Link button, the network's
// time-outs and reconnections, and which bytes reach the parser.

#include <gtest/gtest.h>

#include <algorithm>

#include "FrameFields.h"
#include "LinkRig.h"
#include "link/LinkController.h"
#include "support/ReplyFrames.h"

namespace tolmarin::testing {
namespace {

// ---- Link-up ----

TEST(LinkUp, UsbOpenQueuesTwentyFourReadsWithProgressRangeZeroToTwentyFour) {
    LinkRig rig;
    ASSERT_TRUE(rig.controller->OpenSerialLinkTo("ttyFAKE0"));
    EXPECT_EQ(rig.serial.targets.at(0).port, "ttyFAKE0");
    EXPECT_EQ(rig.controller->SerialPort(), "ttyFAKE0");
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
