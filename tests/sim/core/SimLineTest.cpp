// The simulator's request parser, faults, trace and output pacing.

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "protocol/CommandQueue.h"
#include "protocol/FrameBuilder.h"
#include "sim/Amplifier.h"
#include "sim/OutputSchedule.h"
#include "sim/RequestParser.h"
#include "sim/Session.h"
#include "support/Fresh.h"
#include "support/ReplyFrames.h"

namespace tolmarin {
namespace {

using sim::OutputSchedule;
using sim::RequestParser;
using testing::Bytes;
using testing::Cat;
using testing::FreshState;
using testing::MakeReplyFrame;
using testing::Pattern;

Bytes FrameOf(const std::unique_ptr<SendData>& item) {
    return Bytes(item->Frame().begin(), item->Frame().end());
}

Bytes Request(SharedState& s, int which) {
    switch (which % 3) {
        case 0:
            return FrameOf(BuildPoll(s));
        case 1:
            return FrameOf(BuildProgramWrite(s, 3));
        default:
            return FrameOf(BuildItemWrite(s, ITEM_NAME, 2));
    }
}

TEST(SimRequestParser, FindsARequestSplitAtEveryPosition) {
    FreshState s;
    for (int which = 0; which < 3; ++which) {
        const Bytes req = Request(*s, which);
        for (std::size_t cut = 0; cut <= req.size(); cut += (req.size() > 100 ? 7 : 1)) {
            RequestParser p;
            auto a = p.Feed(std::span(req).first(cut));
            auto b = p.Feed(std::span(req).subspan(cut));
            a.insert(a.end(), b.begin(), b.end());
            ASSERT_EQ(a.size(), 1u) << "cut " << cut;
            EXPECT_EQ(a[0], req);
        }
    }
}

TEST(SimRequestParser, TakesBackToBackRequestsAndSkipsGarbageAndBadFrames) {
    FreshState s;
    const Bytes poll = Request(*s, 0);
    const Bytes name = Request(*s, 2);
    Bytes corrupt = poll;
    corrupt[15] ^= 0x10;
    RequestParser p;
    const auto frames = p.Feed(Cat({Pattern(30, 1), poll, corrupt, {0x5A, 0x5A}, name, poll}));
    ASSERT_EQ(frames.size(), 3u);
    EXPECT_EQ(frames[0], poll);
    EXPECT_EQ(frames[1], name);
    EXPECT_EQ(frames[2], poll);
    EXPECT_EQ(p.Dropped(), 1);
}

TEST(SimRequestParser, AReplyStyleChecksumIsNotARequest) {
    // The PC's frames carry the H in their checksum; the amplifier must insist on it.
    RequestParser p;
    EXPECT_TRUE(p.Feed(MakeReplyFrame(0xA9, 0, 0, Bytes(8, 0))).empty());
    EXPECT_EQ(p.Dropped(), 1);
    EXPECT_EQ(p.Feed(MakeReplyFrame(0xA9, 0, 0, Bytes(8, 0), /*includeH=*/true)).size(), 1u);
}

TEST(SimRequestParser, OverlongLengthIsDroppedAndTheBufferStaysSmall) {
    RequestParser p;
    Bytes bogus = {0x5A, 0x5A, 0x5A, 0x48, 0xA6, 0, 1, 0xA6, 0, 0, 0xFF, 0xFF};
    EXPECT_TRUE(p.Feed(bogus).empty());
    EXPECT_EQ(p.Dropped(), 1);
    for (int i = 0; i < 100; ++i) {
        p.Feed(Pattern(1000, static_cast<unsigned>(i)));
    }
    EXPECT_LE(p.Buffered(), 654u);
}

struct SessionRig {
    explicit SessionRig(sim::Faults f) : faults(f), session(amp, faults, counter) {}
    std::vector<sim::Outgoing> Send(const Bytes& b) { return session.Receive(b); }
    sim::Amplifier amp;
    sim::Faults faults;
    sim::ReplyCounter counter;
    sim::Session session;
};

TEST(SimFaults, NoReplyReadsButNeitherAnswersNorWrites) {
    FreshState s;
    sim::Faults f;
    f.noReply = true;
    SessionRig r(f);
    const auto before = r.amp.SaveState();
    EXPECT_TRUE(r.Send(Request(*s, 1)).empty());
    EXPECT_EQ(r.session.FramesReceived(), 1);
    EXPECT_EQ(r.amp.SaveState(), before);
}

TEST(SimFaults, RefusedReadsCompleteTheHeadWithoutDataWhileWritesAndPollsGoOn) {
    FreshState s;
    sim::Faults f;
    f.refuseReads = true;
    SessionRig r(f);
    for (auto& read :
         {BuildItemRead(*s, ITEM_NAME, 3), BuildRecall(*s, 0), BuildProgramRead(*s, 5)}) {
        const auto out = r.Send(Bytes(read->Frame().begin(), read->Frame().end()));
        ASSERT_EQ(out.size(), 1u);
        EXPECT_EQ(out[0].bytes[4], ACK_AB);
        EXPECT_EQ(out[0].bytes.size(), static_cast<std::size_t>(kFrameOverhead)) << "no data";
    }
    s->image.systemBytes[7] = 0;
    const auto write = BuildItemWrite(*s, ITEM_POWER, 0);
    EXPECT_EQ(r.Send(Bytes(write->Frame().begin(), write->Frame().end()))[0].bytes[4], ACK_AA);
    EXPECT_EQ(r.amp.SystemBytes()[7], 0);
    EXPECT_EQ(r.Send(Request(*s, 0))[0].bytes[4], CMD_POLL);
}

TEST(SimFaults, EveryNthChecksumIsBadAndTheCountSpansConnections) {
    FreshState s;
    sim::Faults f;
    f.badChecksumEvery = 3;
    sim::Amplifier amp;
    sim::ReplyCounter counter;
    sim::Session first(amp, f, counter);
    sim::Session second(amp, f, counter);
    std::vector<int> accepted;
    for (int i = 0; i < 6; ++i) {
        auto& session = i < 2 ? first : second;
        CommandQueue cmd(*s);
        cmd.Enqueue(BuildPoll(*s));
        for (auto& o : session.Receive(Request(*s, 0))) {
            cmd.FeedBytes(o.bytes);
        }
        accepted.push_back(cmd.QueueCount() == 0 ? 1 : 0);
    }
    EXPECT_EQ(accepted, (std::vector<int>{1, 1, 0, 1, 1, 0}));
}

TEST(SimFaults, UnknownCodeRepliesAreWellFormedAndLeaveThePCCollecting) {
    FreshState s;
    sim::Faults f;
    f.unknownEvery = 2;
    f.unknownCode = 0xA4;
    SessionRig r(f);
    CommandQueue cmd(*s);
    cmd.Enqueue(BuildPoll(*s));
    cmd.Enqueue(BuildPoll(*s));
    for (int i = 0; i < 2; ++i) {
        for (auto& o : r.Send(Request(*s, 0))) {
            if (i == 1) {
                EXPECT_EQ(o.bytes[4], 0xA4);
            }
            cmd.FeedBytes(o.bytes);
        }
    }
    EXPECT_EQ(cmd.QueueCount(), 1);
    EXPECT_EQ(cmd.Counts().unknownCode, 1);
    EXPECT_EQ(cmd.Counts().badChecksum, 0);
    EXPECT_TRUE(cmd.Synced());
}

TEST(SimFaults, CloseAfterNMarksTheNthReplyAndIgnoresTheRest) {
    FreshState s;
    sim::Faults f;
    f.closeAfterFrames = 2;
    SessionRig r(f);
    const Bytes poll = Request(*s, 0);
    const auto out = r.Send(Cat({poll, poll, poll}));
    ASSERT_EQ(out.size(), 2u);
    EXPECT_FALSE(out[0].closeAfter);
    EXPECT_TRUE(out[1].closeAfter);
    EXPECT_FALSE(out[1].bytes.empty());
    EXPECT_TRUE(r.session.Finished());
    EXPECT_TRUE(r.Send(poll).empty());
}

TEST(SimTrace, OneHexLinePerFrameMarkedReceivedOrSent) {
    FreshState s;
    std::FILE* f = std::tmpfile();
    ASSERT_NE(f, nullptr);
    sim::Trace trace(f);
    sim::Amplifier amp;
    sim::ReplyCounter counter;
    sim::Session session(amp, {}, counter, &trace);
    session.Receive(FrameOf(BuildItemRead(*s, ITEM_POWER, 0)));
    std::rewind(f);
    char buf[512];
    std::string all;
    while (std::fgets(buf, sizeof buf, f) != nullptr) {
        all += buf;
    }
    std::fclose(f);
    EXPECT_EQ(all,
              "received 5A 5A 5A 48 A2 00 01 06 00 07 08 00 00 00 00 00 00 00 00 00 E2 AA\n"
              "sent 5A 5A 5A 48 A2 00 01 06 00 07 01 00 01 A2 AA\n");
}

TEST(SimSchedule, TcpRepliesLeaveAtOnceOrAfterTheDelay) {
    OutputSchedule now({0, 0, 0, 2});
    now.Queue(10, Bytes(22, 1), false);
    EXPECT_EQ(now.Take(10).bytes.size(), 22u);
    EXPECT_TRUE(now.Empty());

    OutputSchedule later({0, 300, 0, 2});
    later.Queue(10, Bytes(22, 1), true);
    EXPECT_EQ(later.NextMs(), 310.0);
    EXPECT_TRUE(later.Take(309.9).bytes.empty());
    const auto due = later.Take(310);
    EXPECT_EQ(due.bytes.size(), 22u);
    EXPECT_TRUE(due.close);
}

TEST(SimSchedule, ChunkedRepliesComeOnePieceAtATime) {
    OutputSchedule s({0, 0, 5, 2});
    s.Queue(0, Pattern(22, 1), false);
    std::vector<std::size_t> sizes;
    Bytes joined;
    for (int i = 0; i < 10 && !s.Empty(); ++i) {
        auto d = s.Take(1000);  // long overdue: still one piece per take
        sizes.push_back(d.bytes.size());
        joined.insert(joined.end(), d.bytes.begin(), d.bytes.end());
    }
    EXPECT_EQ(sizes, (std::vector<std::size_t>{5, 5, 5, 5, 2}));
    EXPECT_EQ(joined, Pattern(22, 1));
    OutputSchedule t({0, 0, 5, 2});
    t.Queue(0, Pattern(22, 1), false);
    EXPECT_EQ(t.Take(0).bytes.size(), 5u);
    EXPECT_TRUE(t.Take(1.9).bytes.empty());
    EXPECT_EQ(t.NextMs(), 2.0);
}

TEST(SimSchedule, SerialPacingHoldsTheLineRateBothWays) {
    const double rate = sim::kSerialBytesPerMs;
    EXPECT_DOUBLE_EQ(rate, 5.76);
    OutputSchedule s({rate, 0, 0, 2});
    // A 654-byte request arriving at once still takes 113.5 ms on the line.
    s.Received(0, 654);
    s.Queue(0, Pattern(22, 2), false);
    const double start = 654 / rate;
    EXPECT_TRUE(s.Take(start).bytes.empty());
    std::size_t total = 0;
    double lastByteAt = 0;
    for (double t = start; total < 22 && t < start + 100; t += 0.05) {
        const auto d = s.Take(t);
        if (!d.bytes.empty()) {
            total += d.bytes.size();
            lastByteAt = t;
            // Never ahead of the line.
            EXPECT_LE(static_cast<double>(total), (t - start) * rate + 1e-6);
        }
    }
    EXPECT_EQ(total, 22u);
    EXPECT_NEAR(lastByteAt, start + 22 / rate, 0.1);
    // A second reply queued straight away waits for the first one to have left.
    s.Queue(lastByteAt, Pattern(10, 3), false);
    EXPECT_GE(*s.NextMs(), lastByteAt + 1 / rate - 1e-9);
}

}  // namespace
}  // namespace tolmarin
