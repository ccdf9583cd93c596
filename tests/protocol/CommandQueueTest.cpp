#include "protocol/CommandQueue.h"

#include <gtest/gtest.h>

#include "protocol/FrameBuilder.h"
#include "support/Fresh.h"
#include "support/NetworkFeed.h"
#include "support/ReplyFrames.h"

namespace tolmarin {
namespace {

using testing::Bytes;
using testing::Cat;
using testing::FakeTransport;
using testing::FreshState;
using testing::MakeReplyFrame;
using testing::Pattern;
using testing::RecordingOwner;

// A command object with an owner, a fake link and `items` polls queued.
struct Rig {
    explicit Rig(int items = 1) : cmd(*s) {
        cmd.SetOwner(&owner);
        cmd.SetTransport(&link);
        for (int i = 0; i < items; ++i) {
            cmd.Enqueue(BuildPoll(*s));
        }
    }
    Bytes Records() const {
        Bytes all;
        for (int n = 0; n < kProgramCount; ++n) {
            auto r = s.state->image.ProgramRecord(n);
            all.insert(all.end(), r.begin(), r.end());
        }
        all.insert(all.end(), s.state->image.systemBytes.begin(), s.state->image.systemBytes.end());
        for (int v : cmd.Status()) {
            all.push_back(static_cast<std::uint8_t>(v));
        }
        return all;
    }
    FreshState s;
    RecordingOwner owner;
    FakeTransport link;
    CommandQueue cmd;
};

const Bytes kPowerReply = {0x5A, 0x5A, 0x5A, 0x48, 0xA2, 0x00, 0x01, 0x06,
                           0x00, 0x07, 0x01, 0x00, 0x01, 0xA2, 0xAA};

TEST(ReplyParserKnownStream, PowerItemReplySetsByteSevenNotifiesAndCompletes) {
    Rig r(2);
    r.s->image.systemBytes[sysbyte::kPower] = 0;
    r.cmd.FeedBytes(kPowerReply);
    EXPECT_EQ(r.s->image.systemBytes[sysbyte::kPower], 1);
    EXPECT_EQ(r.owner.notes, (std::vector<ReplyEvent>{ReplyEvent::System(0)}));
    EXPECT_EQ(r.cmd.QueueCount(), 1);
    EXPECT_FALSE(r.cmd.Synced());
    EXPECT_EQ(r.cmd.Collected(), 0);
    // The test's own reply builder agrees with the stream above.
    EXPECT_EQ(MakeReplyFrame(0xA2, 0, ITEM_POWER, {1}, false, SECTION_ITEM), kPowerReply);
}

TEST(ReplyParserChunking, PowerReplySplitAtEveryPositionActsOnce) {
    for (std::size_t cut = 0; cut <= kPowerReply.size(); ++cut) {
        Rig r(2);
        r.s->image.systemBytes[sysbyte::kPower] = 0;
        r.cmd.FeedBytes(std::span(kPowerReply).first(cut));
        r.cmd.FeedBytes(std::span(kPowerReply).subspan(cut));
        EXPECT_EQ(r.s->image.systemBytes[sysbyte::kPower], 1) << "cut " << cut;
        EXPECT_EQ(r.owner.notes, (std::vector<ReplyEvent>{ReplyEvent::System(0)})) << "cut " << cut;
        EXPECT_EQ(r.cmd.QueueCount(), 1) << "cut " << cut;
    }
}

TEST(ReplyParserChunking, ThreeZRunJoinsAcrossChunksButFourDoNot) {
    Rig r(1);
    r.cmd.FeedBytes(Bytes{0x11, 0x5A, 0x5A});
    EXPECT_EQ(r.cmd.ZCount(), 2);
    r.cmd.FeedBytes(std::span(kPowerReply).subspan(2));
    EXPECT_EQ(r.cmd.QueueCount(), 0);

    Rig four(1);
    four.cmd.FeedBytes(Bytes{0x5A, 0x5A});
    four.cmd.FeedBytes(std::span(kPowerReply));  // two more Z before this reply's three
    EXPECT_EQ(four.cmd.QueueCount(), 1);
    EXPECT_TRUE(four.owner.notes.empty());
}

TEST(ReplyParserSync, FourZAndAnHIsNoStartAndItsFrameIsDropped) {
    const Bytes reply = MakeReplyFrame(0xAA, 0, 0, {});
    const Bytes fourZ = Cat({{0x5A}, reply});
    {
        Rig r(1);
        r.cmd.FeedBytes(fourZ);
        EXPECT_EQ(r.cmd.QueueCount(), 1);
        EXPECT_FALSE(r.cmd.Synced());
        r.cmd.FeedBytes(reply);  // the next run of exactly three Z and an H
        EXPECT_EQ(r.cmd.QueueCount(), 0);
    }
    {
        // In one chunk: the hunt goes on past the bad start and finds the good one.
        Rig r(1);
        r.cmd.FeedBytes(Cat({fourZ, reply}));
        EXPECT_EQ(r.cmd.QueueCount(), 0);
        EXPECT_EQ(r.cmd.Counts().acted, 1);
    }
    {
        // Two Z then H, and a lone H, are no start either.
        Rig r(1);
        r.cmd.FeedBytes(Bytes(reply.begin() + 1, reply.end()));
        r.cmd.FeedBytes(Bytes(reply.begin() + 3, reply.end()));
        EXPECT_EQ(r.cmd.QueueCount(), 1);
    }
}

TEST(ReplyParserChecks, ChecksumThatIncludesTheHIsRejected) {
    Rig r(1);
    const Bytes pcStyle = MakeReplyFrame(0xA9, 0, 0, Pattern(8, 1), /*includeH=*/true);
    const Bytes before = r.Records();
    r.cmd.FeedBytes(pcStyle);
    EXPECT_EQ(r.Records(), before);
    EXPECT_EQ(r.cmd.QueueCount(), 1);
    EXPECT_TRUE(r.owner.notes.empty());
    EXPECT_EQ(r.cmd.Counts().badChecksum, 1);
    EXPECT_FALSE(r.cmd.Synced());
    // Back to hunting: the correct reply is taken next.
    r.cmd.FeedBytes(MakeReplyFrame(0xA9, 0, 0, Pattern(8, 1)));
    EXPECT_EQ(r.cmd.QueueCount(), 0);
}

TEST(ReplyParserChecks, WrongTrailerIsRejectedAndHuntingResumes) {
    Rig r(1);
    Bytes bad = MakeReplyFrame(0xAA, 0, 0, {});
    bad.back() = 0xAB;
    r.cmd.FeedBytes(bad);
    EXPECT_EQ(r.cmd.QueueCount(), 1);
    EXPECT_EQ(r.cmd.Counts().badTrailer, 1);
    EXPECT_FALSE(r.cmd.Synced());
}

TEST(ReplyParserActions, ProgramReadStoresSlotAndOnlyTwentyNotifies) {
    Rig r(2);
    const Bytes d19 = Pattern(640, 19);
    const Bytes d20 = Pattern(640, 20);
    Bytes expected = r.Records();
    r.cmd.FeedBytes(MakeReplyFrame(0xA5, 19, 0, d19));
    EXPECT_TRUE(r.owner.notes.empty());
    auto data19 = r.s->image.Data(19);
    EXPECT_EQ(Bytes(data19.begin(), data19.end()), d19);
    // Nothing but program 19's data changed (its name and the neighbours are untouched).
    std::copy(d19.begin(), d19.end(), expected.begin() + 19 * 656 + 16);
    EXPECT_EQ(r.Records(), expected);

    r.cmd.FeedBytes(MakeReplyFrame(0xA5, 20, 0, d20));
    EXPECT_EQ(r.owner.notes, (std::vector<ReplyEvent>{ReplyEvent::AllPrograms(20)}));
    auto data20 = r.s->image.Data(20);
    EXPECT_EQ(Bytes(data20.begin(), data20.end()), d20);
    EXPECT_EQ(r.cmd.QueueCount(), 0);
}

TEST(ReplyParserActions, NameReplyCleansControlAndHighBytesAndKeepsByteFifteen) {
    Rig r(1);
    auto live = r.s->image.Name(0);
    live[15] = 0x77;
    Bytes payload = {'M', 'y',  0x07, 'S',  'o',  'n', 'g', 0xC8,
                     '!', 0x20, 0x7F, 0x80, 0x1F, 'z', 'Z', 0x99};
    r.cmd.FeedBytes(MakeReplyFrame(0xA2, 0, ITEM_NAME, payload));
    const Bytes want = {'M', 'y', ' ',  'S', 'o', 'n', 'g', ' ',
                        '!', ' ', 0x7F, ' ', ' ', 'z', 'Z', 0x77};
    EXPECT_EQ(Bytes(live.begin(), live.end()), want);
    EXPECT_TRUE(r.owner.notes.empty());  // only the power item notifies
    EXPECT_EQ(r.cmd.QueueCount(), 0);
}

TEST(ReplyParserActions, SystemItemsLandInTheirSystemBytes) {
    Rig r(4);
    r.cmd.FeedBytes(MakeReplyFrame(0xA2, 0, ITEM_MODES, {2, 1}));
    r.cmd.FeedBytes(MakeReplyFrame(0xA2, 0, ITEM_SENSITIVITY, {1, 2, 0, 2}));
    r.cmd.FeedBytes(MakeReplyFrame(0xA2, 5, ITEM_POWER, {0}));
    r.cmd.FeedBytes(MakeReplyFrame(0xA2, 0, 5, {9, 9, 9, 9, 9, 9, 9, 9}));  // unknown item
    EXPECT_EQ(r.s->image.systemBytes, (std::array<std::uint8_t, 8>{2, 1, 1, 2, 0, 2, 0, 0}));
    EXPECT_EQ(r.owner.notes, (std::vector<ReplyEvent>{ReplyEvent::System(5)}));
    EXPECT_EQ(r.cmd.QueueCount(), 0);  // every item reply completes, stored or not
}

TEST(ReplyParserActions, RecallAndPollStoreAndNotify) {
    Rig r(2);
    const Bytes live = Pattern(640, 3);
    r.cmd.FeedBytes(MakeReplyFrame(0xA3, 7, 0, live));
    auto data = r.s->image.Data(0);
    EXPECT_EQ(Bytes(data.begin(), data.end()), live);
    r.cmd.FeedBytes(MakeReplyFrame(0xA9, 0, 0, {40, 50, 1, 2, 45, 255, 6, 7}));
    EXPECT_EQ(r.cmd.Status(), (std::array<int, 8>{40, 50, 1, 2, 45, 255, 6, 7}));
    EXPECT_EQ(r.owner.notes,
              (std::vector<ReplyEvent>{ReplyEvent::Live(7), ReplyEvent::StatusArrived()}));
}

// Acknowledgements complete any head; a read completed without its data (an
// acknowledgement, or another program's data) is announced, a write is not.
TEST(ReplyParserActions, AcknowledgementsCompleteWhateverTheHeadCarried) {
    Rig r(0);
    r.cmd.Enqueue(BuildProgramRead(*r.s, 4));
    r.cmd.Enqueue(BuildRecall(*r.s, 0));
    r.cmd.Enqueue(BuildProgramWrite(*r.s, 2));
    r.cmd.Enqueue(BuildItemRead(*r.s, ITEM_NAME, 9));
    r.cmd.Enqueue(BuildProgramRead(*r.s, 5));
    r.cmd.Enqueue(BuildProgramRead(*r.s, 6));
    const Bytes before = r.Records();
    r.cmd.FeedBytes(MakeReplyFrame(0xAA, 0, 0, {}));
    r.cmd.FeedBytes(MakeReplyFrame(0xAB, 0, 0, {}));
    r.cmd.FeedBytes(MakeReplyFrame(0xAB, 0, 0, {}));
    EXPECT_EQ(r.Records(), before);
    r.cmd.FeedBytes(MakeReplyFrame(0xA2, 8, ITEM_NAME, Bytes(16, 'x')));  // another program's
    r.cmd.FeedBytes(MakeReplyFrame(0xA5, 7, 0, Bytes(640, 1)));           // another program's
    r.cmd.FeedBytes(MakeReplyFrame(0xA5, 6, 0, Bytes(640, 1)));           // the one asked for
    EXPECT_EQ(r.cmd.QueueCount(), 0);
    const ReplyEvent expected[] = {
        ReplyEvent::Unanswered(4, CMD_READ_PROGRAM, 0),
        ReplyEvent::Unanswered(0, CMD_RECALL, 0),
        ReplyEvent::Unanswered(9, CMD_READ_ITEM, ITEM_NAME),
        ReplyEvent::Unanswered(5, CMD_READ_PROGRAM, 0),
    };
    EXPECT_EQ(r.owner.notes, std::vector<ReplyEvent>(std::begin(expected), std::end(expected)));
    EXPECT_EQ(r.cmd.Counts().unanswered, 4);
}

// How far a batch got is told from these counts: an acknowledgement is one write arrived,
// and only a program read answered with its own data counts that program as received.
TEST(ReplyParserCounts, AcknowledgementsAndProgramsArrivedCountOnlyWhatAnsweredTheHead) {
    Rig r(0);
    r.cmd.Enqueue(BuildProgramWrite(*r.s, 2));
    r.cmd.Enqueue(BuildProgramRead(*r.s, 4));
    r.cmd.Enqueue(BuildProgramRead(*r.s, 5));
    r.cmd.Enqueue(BuildProgramRead(*r.s, 6));
    r.cmd.FeedBytes(MakeReplyFrame(0xAA, 0, 0, {}));             // the write
    r.cmd.FeedBytes(MakeReplyFrame(0xAB, 0, 0, {}));             // read 4 refused
    r.cmd.FeedBytes(MakeReplyFrame(0xA5, 7, 0, Bytes(640, 1)));  // read 5 with 7's data
    r.cmd.FeedBytes(MakeReplyFrame(0xA5, 6, 0, Bytes(640, 1)));  // read 6 answered
    r.cmd.FeedBytes(MakeReplyFrame(0xAA, 0, 0, {}));             // nothing asked: discarded
    const auto& c = r.cmd.Counts();
    EXPECT_EQ(c.acknowledged, 2);
    const std::pair<int, int> arrived[] = {{2, 0}, {4, 0}, {5, 0}, {6, 1}, {7, 0}};
    for (const auto& [program, count] : arrived) {
        EXPECT_EQ(c.programData[static_cast<std::size_t>(program)], count) << program;
    }
}

TEST(ReplyParserUnknownCode, A4ReplyLeavesHeadOutAndReceiverCollectingUntilReset) {
    Rig r(1);
    const Bytes a4 = MakeReplyFrame(0xA4, 0, 0, {});
    r.cmd.FeedBytes(a4);
    EXPECT_EQ(r.cmd.QueueCount(), 1);
    EXPECT_TRUE(r.cmd.Synced());
    EXPECT_EQ(r.cmd.Collected(), static_cast<int>(a4.size()) - 3);
    EXPECT_EQ(r.cmd.Counts().unknownCode, 1);
    // Stuck: a good reply now only piles onto the collected frame.
    r.cmd.FeedBytes(MakeReplyFrame(0xAA, 0, 0, {}));
    EXPECT_EQ(r.cmd.QueueCount(), 1);
    r.cmd.ResetReceiver();
    EXPECT_EQ(r.link.purges, 1);
    EXPECT_FALSE(r.cmd.Synced());
    r.cmd.FeedBytes(MakeReplyFrame(0xAA, 0, 0, {}));
    EXPECT_EQ(r.cmd.QueueCount(), 0);
}

TEST(ReplyParserUnknownCode, EveryUnlistedCodeIsIgnored) {
    for (int code = 0; code < 256; ++code) {
        const bool acted = code == 0xA2 || code == 0xA3 || code == 0xA5 || code == 0xA9 ||
                           code == 0xAA || code == 0xAB;
        Rig r(1);
        r.cmd.FeedBytes(MakeReplyFrame(static_cast<std::uint8_t>(code), 1, 0, {}));
        EXPECT_EQ(r.cmd.QueueCount(), acted ? 0 : 1) << "code " << code;
    }
}

TEST(ReplyParserNotifications, BothTransferNoticesUpFirstAfterTheDataNotice) {
    Rig r(0);
    auto item = BuildRecall(*r.s, 3);
    item->SetNotifyUp(1);
    item->SetNotifyDown(1);
    r.cmd.Enqueue(std::move(item));
    r.cmd.FeedBytes(MakeReplyFrame(0xA3, 3, 0, Pattern(640, 9)));
    EXPECT_EQ(r.owner.notes,
              (std::vector<ReplyEvent>{ReplyEvent::Live(3), ReplyEvent::Done(TransferDirection::Up),
                                       ReplyEvent::Done(TransferDirection::Down)}));
}

// The owner sees each notification only after the parse that posted it is over: the head
// is gone and the receiver hunts again by the time the first one arrives.
class InspectingOwner : public CommandOwner {
public:
    explicit InspectingOwner(CommandQueue& c) : cmd(c) {}
    void Notify(const ReplyEvent& event) override {
        seen.push_back(event);
        queueAtNotice.push_back(cmd.QueueCount());
        huntingAtNotice.push_back(!cmd.Synced() && cmd.Collected() == 0);
        if (event.kind == ReplyEventKind::LiveLoaded && !chained.empty()) {
            // Handling a notice may feed more bytes; their notices come after those
            // already posted.
            Bytes next = std::move(chained);
            chained.clear();
            cmd.FeedBytes(next);
        }
    }
    CommandQueue& cmd;
    Bytes chained;
    std::vector<ReplyEvent> seen;
    std::vector<int> queueAtNotice;
    std::vector<bool> huntingAtNotice;
};

TEST(ReplyParserNotifications, DeliveredAfterTheParseInPostedOrderEvenWhenReentered) {
    FreshState s;
    CommandQueue cmd(*s);
    InspectingOwner owner(cmd);
    cmd.SetOwner(&owner);
    auto recall = BuildRecall(*s, 0);
    recall->SetNotifyUp(1);
    cmd.Enqueue(std::move(recall));
    cmd.Enqueue(BuildPoll(*s));
    cmd.Enqueue(BuildPoll(*s));
    owner.chained = MakeReplyFrame(0xA9, 0, 0, Pattern(8, 2));
    cmd.FeedBytes(MakeReplyFrame(0xA3, 0, 0, Pattern(640, 1)));
    EXPECT_EQ(owner.seen,
              (std::vector<ReplyEvent>{ReplyEvent::Live(0), ReplyEvent::Done(TransferDirection::Up),
                                       ReplyEvent::StatusArrived()}));
    EXPECT_EQ(owner.queueAtNotice, (std::vector<int>{2, 1, 1}));
    EXPECT_EQ(owner.huntingAtNotice, (std::vector<bool>{true, true, true}));
    EXPECT_EQ(cmd.QueueCount(), 1);
}

TEST(ReplyParserNotifications, DirectCompletionNotifiesAndEmptyQueueDoesNothing) {
    Rig r(0);
    EXPECT_FALSE(r.cmd.CompleteHead());
    auto item = BuildPoll(*r.s);
    item->SetNotifyDown(1);
    r.cmd.Enqueue(std::move(item));
    EXPECT_TRUE(r.cmd.CompleteHead());
    EXPECT_EQ(r.owner.notes, (std::vector<ReplyEvent>{ReplyEvent::Done(TransferDirection::Down)}));
    EXPECT_EQ(r.cmd.QueueCount(), 0);
}

// Bounds the reply format leaves open.

TEST(ReplyParserBounds, LongPayloadFillsOnlyItsAreaAndTheRestIsDiscarded) {
    Rig r(3);
    const Bytes before = r.Records();
    const Bytes big = Pattern(700, 5);
    r.cmd.FeedBytes(MakeReplyFrame(0xA3, 0, 0, big));
    Bytes expected = before;
    std::copy_n(big.begin(), 640, expected.begin() + 16);  // live data only
    EXPECT_EQ(r.Records(), expected);

    r.cmd.FeedBytes(MakeReplyFrame(0xA9, 0, 0, Pattern(12, 6)));
    const Bytes st = Pattern(12, 6);
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(r.cmd.Status()[i], st[i]);
    }
    r.cmd.FeedBytes(MakeReplyFrame(0xA2, 0, ITEM_MODES, {1, 2, 2, 2, 2, 2, 2, 2}));
    EXPECT_EQ(r.s->image.systemBytes[2], 0);  // sensitivity untouched by a long modes reply
    EXPECT_EQ(r.cmd.QueueCount(), 0);
}

TEST(ReplyParserBounds, ShortPayloadFillsOnlyWhatItCarries) {
    Rig r(3);
    r.s->image.systemBytes = {1, 1, 1, 1, 1, 1, 1, 1};
    r.cmd.FeedBytes(MakeReplyFrame(0xA2, 0, ITEM_MODES, {2}));
    r.cmd.FeedBytes(MakeReplyFrame(0xA2, 0, ITEM_SENSITIVITY, {}));
    r.cmd.FeedBytes(MakeReplyFrame(0xA2, 0, ITEM_POWER, {}));
    EXPECT_EQ(r.s->image.systemBytes, (std::array<std::uint8_t, 8>{2, 1, 1, 1, 1, 1, 1, 1}));
    EXPECT_EQ(r.cmd.QueueCount(), 0);
}

TEST(ReplyParserBounds, ProgramNumbersOutsideTheSlotsAreRefusedWhole) {
    struct Case {
        Bytes reply;
        bool refused;
    };
    const std::vector<Case> cases = {
        {MakeReplyFrame(0xA5, 0, 0, Pattern(640, 1)), true},
        {MakeReplyFrame(0xA5, 21, 0, Pattern(640, 1)), true},
        {MakeReplyFrame(0xA5, 255, 0, Pattern(640, 1)), true},
        {MakeReplyFrame(0xA5, 1, 0, Pattern(640, 1)), false},
        {MakeReplyFrame(0xA2, 21, ITEM_NAME, Bytes(16, 'x')), true},
        {MakeReplyFrame(0xA2, 20, ITEM_NAME, Bytes(16, 'x')), false},
        {MakeReplyFrame(0xA2, 200, ITEM_MODES, {1, 1}), false},  // the number plays no part
    };
    for (std::size_t i = 0; i < cases.size(); ++i) {
        Rig r(1);
        const Bytes before = r.Records();
        r.cmd.FeedBytes(cases[i].reply);
        EXPECT_EQ(r.cmd.QueueCount(), cases[i].refused ? 1 : 0) << "case " << i;
        if (cases[i].refused) {
            EXPECT_EQ(r.Records(), before) << "case " << i;
            EXPECT_TRUE(r.owner.notes.empty()) << "case " << i;
            EXPECT_FALSE(r.cmd.Synced()) << "case " << i;
            EXPECT_EQ(r.cmd.Counts().discarded, 1) << "case " << i;
        }
    }
}

TEST(ReplyParserBounds, ReplyWithNothingQueuedChangesNothing) {
    Rig r(0);
    const Bytes before = r.Records();
    r.cmd.FeedBytes(MakeReplyFrame(0xA3, 0, 0, Pattern(640, 8)));
    r.cmd.FeedBytes(kPowerReply);
    EXPECT_EQ(r.Records(), before);
    EXPECT_TRUE(r.owner.notes.empty());
    EXPECT_EQ(r.cmd.Counts().discarded, 2);
    EXPECT_FALSE(r.cmd.Synced());
}

TEST(ReplyParserBounds, FrameTooLongForTheBufferIsDroppedAtItsHeader) {
    Rig r(1);
    // L = 790 would need 801 bytes from the H: it is given up as soon as L is known.
    Bytes huge = MakeReplyFrame(0xA9, 0, 0, Pattern(790, 4));
    r.cmd.FeedBytes(std::span(huge).first(20));
    EXPECT_FALSE(r.cmd.Synced());
    EXPECT_EQ(r.cmd.Counts().oversize, 1);
    r.cmd.FeedBytes(std::span(huge).subspan(20));  // its tail holds no frame start
    r.cmd.FeedBytes(kPowerReply);
    EXPECT_EQ(r.cmd.QueueCount(), 0);

    // L = 789 fills the buffer exactly and is still taken.
    Rig edge(1);
    const Bytes payload = Pattern(789, 7);
    edge.cmd.FeedBytes(MakeReplyFrame(0xA9, 0, 0, payload));
    EXPECT_EQ(edge.cmd.QueueCount(), 0);
    EXPECT_EQ(edge.cmd.Status()[7], payload[7]);
}

TEST(ReplyParserBounds, StuckReceiverNeverTakesMoreThanItsBuffer) {
    Rig r(1);
    r.cmd.FeedBytes(MakeReplyFrame(0xA6, 0, 0, Pattern(600, 1)));
    const Bytes before = r.Records();
    for (int i = 0; i < 5; ++i) {
        r.cmd.FeedBytes(Pattern(799, static_cast<unsigned>(i)));
    }
    EXPECT_EQ(r.cmd.Collected(), kReceiveBufferSize);
    EXPECT_GT(r.cmd.Counts().bytesDropped, 0);
    EXPECT_EQ(r.Records(), before);
    EXPECT_EQ(r.cmd.QueueCount(), 1);
}

TEST(ReplyParserBounds, BytesAfterACompleteFrameInTheSameChunkAreDiscarded) {
    Rig r(3);
    r.cmd.FeedBytes(Cat({MakeReplyFrame(0xAA, 0, 0, {}), MakeReplyFrame(0xAA, 0, 0, {})}));
    EXPECT_EQ(r.cmd.QueueCount(), 2);
}

TEST(CommandQueue, TransmitWritesTheHeadFrameAndRemembersIt) {
    Rig r(0);
    EXPECT_FALSE(r.cmd.TransmitHead());
    r.cmd.Enqueue(BuildItemRead(*r.s, ITEM_POWER, 0));
    r.cmd.Enqueue(BuildPoll(*r.s));
    const SendData* head = &r.cmd.Head();
    EXPECT_TRUE(r.cmd.TransmitHead());
    ASSERT_EQ(r.link.writes.size(), 1u);
    EXPECT_EQ(r.link.writes[0], Bytes(head->Frame().begin(), head->Frame().end()));
    EXPECT_EQ(r.cmd.InFlight(), head);
    EXPECT_EQ(r.cmd.Head().Pending(), 1);  // flags are the pacing service's business
    r.link.accept = false;
    EXPECT_FALSE(r.cmd.TransmitHead());
    r.cmd.FeedBytes(kPowerReply);
    EXPECT_EQ(r.cmd.InFlight(), nullptr);
    r.cmd.SetTransport(nullptr);
    EXPECT_FALSE(r.cmd.TransmitHead());
}

TEST(CommandQueue, ClearDeletesEverythingAndHeadOfEmptyThrows) {
    Rig r(5);
    r.cmd.TransmitHead();
    r.cmd.ClearQueue();
    EXPECT_EQ(r.cmd.QueueCount(), 0);
    EXPECT_EQ(r.cmd.InFlight(), nullptr);
    EXPECT_THROW(r.cmd.Head(), std::logic_error);
    EXPECT_THROW(r.cmd.Enqueue(nullptr), std::invalid_argument);
}

TEST(ReceiverFeeds, ResetBlanksAndUnsyncsButKeepsAZRun) {
    Rig r(1);
    r.cmd.FeedBytes(Bytes{0x5A, 0x5A});
    r.cmd.ResetReceiver();
    EXPECT_EQ(r.cmd.ZCount(), 2);
    r.cmd.FeedBytes(std::span(kPowerReply).subspan(2));
    EXPECT_EQ(r.cmd.QueueCount(), 0);
}

TEST(ReceiverFeeds, NetworkFeedZeroesWhatItTakesAndBoundsTheCount) {
    Rig r(1);
    Bytes rx(800, 0x11);
    std::copy(kPowerReply.begin(), kPowerReply.end(), rx.begin());
    testing::FeedNetworkBytes(r.cmd, rx, static_cast<int>(kPowerReply.size()));
    EXPECT_EQ(r.cmd.QueueCount(), 0);
    EXPECT_TRUE(std::all_of(rx.begin(), rx.begin() + 15, [](auto b) { return b == 0; }));
    EXPECT_EQ(rx[15], 0x11);
    testing::FeedNetworkBytes(r.cmd, rx, -1);  // receive error
    Bytes small(10, 0x22);
    testing::FeedNetworkBytes(r.cmd, small, 5000);  // more than the buffer holds
    EXPECT_TRUE(std::all_of(small.begin(), small.end(), [](auto b) { return b == 0; }));
}

TEST(ReceiverFeeds, SerialReadJoinsBurstsIntoOneReply) {
    Rig r(1);
    r.cmd.FeedBytes(std::span(kPowerReply).first(9));
    EXPECT_EQ(r.cmd.QueueCount(), 1);
    r.cmd.FeedBytes(std::span(kPowerReply).subspan(9));
    EXPECT_EQ(r.cmd.QueueCount(), 0);
}

TEST(ReceiverFeeds, ALargeSerialChunkIsParsedAsSuccessiveReads) {
    Rig r(2);
    // 800 bytes of noise, then a reply: as two reads the reply starts the second one.
    r.cmd.FeedBytes(Cat({Bytes(800, 0x00), kPowerReply}));
    EXPECT_EQ(r.cmd.QueueCount(), 1);
}

}  // namespace
}  // namespace tolmarin
