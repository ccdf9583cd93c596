// The link controller's pacing: one frame per tick, the polls of an idle link and the USB
// retransmission and give-up.

#include <gtest/gtest.h>

#include <algorithm>

#include "FrameFields.h"
#include "LinkRig.h"
#include "link/LinkController.h"
#include "support/ReplyFrames.h"

namespace tolmarin::testing {
namespace {

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

}  // namespace
}  // namespace tolmarin::testing
