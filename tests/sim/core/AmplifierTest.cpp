#include "sim/Amplifier.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "protocol/ByteOrder.h"
#include "protocol/CommandQueue.h"
#include "protocol/FrameBuilder.h"
#include "sim/Session.h"
#include "support/Fresh.h"
#include "support/ReplyFrames.h"

namespace tolmarin {
namespace {

using sim::Amplifier;
using testing::Bytes;
using testing::FreshState;
using testing::Pattern;
using testing::RecordingOwner;

constexpr std::size_t kRec = 656;
constexpr std::size_t kSys = 21 * kRec;

Bytes SimMemory(Amplifier& amp) {
    Bytes all;
    for (int n = 0; n < kProgramCount; ++n) {
        auto r = amp.ProgramRecord(n);
        all.insert(all.end(), r.begin(), r.end());
    }
    all.insert(all.end(), amp.SystemBytes().begin(), amp.SystemBytes().end());
    return all;
}

template <typename Span>
Bytes B(Span s) {
    return Bytes(s.begin(), s.end());
}

// The parts of a reply, checked against the reply layout independently of the simulator.
struct Reply {
    int code, program, item;
    Bytes payload;
};

Reply Parse(const Bytes& f) {
    EXPECT_GE(f.size(), 14u);
    EXPECT_EQ(Bytes(f.begin(), f.begin() + 4), (Bytes{0x5A, 0x5A, 0x5A, 0x48}));
    const std::size_t L = f[10] | (f[11] << 8);
    EXPECT_EQ(f.size(), L + 14);
    std::uint8_t x = 0;
    for (std::size_t i = 4; i < 12 + L; ++i) {
        x ^= f[i];
    }
    EXPECT_EQ(f[12 + L], x) << "checksum must start after the H";
    EXPECT_EQ(f.back(), 0xAA);
    EXPECT_EQ(f[6], 1);
    return {f[4], f[5], f[9], Bytes(f.begin() + 12, f.begin() + 12 + static_cast<long>(L))};
}

// A PC image and an amplifier memory that differ everywhere, so every copy shows.
struct Pair {
    Pair() : amp(99) {
        for (int n = 0; n < kProgramCount; ++n) {
            const Bytes p = Pattern(kRec, static_cast<unsigned>(n + 100));
            auto rec = s->image.ProgramRecord(n);
            std::copy(p.begin(), p.end(), rec.begin());
            const Bytes q = Pattern(kRec, static_cast<unsigned>(n + 500));
            auto arec = amp.ProgramRecord(n);
            std::copy(q.begin(), q.end(), arec.begin());
            // Printable names on the amplifier, as a real one keeps them.
            for (int i = 0; i < 15; ++i) {
                amp.Name(n)[i] = static_cast<std::uint8_t>('A' + (n + i) % 26);
            }
            amp.Name(n)[15] = 0;
        }
        s->image.systemBytes = {1, 2, 0, 1, 2, 0, 0, 0};
        amp.SystemBytes() = {2, 1, 2, 2, 1, 0, 0, 1};
    }
    FreshState s;
    Amplifier amp;
};

struct Case {
    std::string name;
    std::function<std::unique_ptr<SendData>(SharedState&)> build;
    // Checks the reply and says how the memory must change.
    std::function<void(Pair&, const Reply&, Bytes& expectedMemory)> expect;
    // Region of the PC memory that the reply must make equal to the amplifier's.
    std::function<void(Pair&)> mirrored;
};

std::vector<Case> AllRequests() {
    std::vector<Case> cases;
    for (int ch = 0; ch < 4; ++ch) {
        for (int d = 0; d < 20; ++d) {
            cases.push_back(
                {"SubBlock", [=](SharedState& s) { return BuildChannelSubBlock(s, ch, d); },
                 [=](Pair& p, const Reply& r, Bytes& mem) {
                     EXPECT_EQ(r.code, 0xAA);
                     EXPECT_TRUE(r.payload.empty());
                     auto src = p.s->image.ChannelBlock(0, ch).subspan(8 * d, 8);
                     std::copy(src.begin(), src.end(), mem.begin() + 16 + 160 * ch + 8 * d);
                 },
                 nullptr});
        }
    }
    cases.push_back({"Poll", [](SharedState& s) { return BuildPoll(s); },
                     [](Pair& p, const Reply& r, Bytes&) {
                         EXPECT_EQ(r.code, 0xA9);
                         EXPECT_EQ(r.payload, B(p.amp.LastStatus()));
                         EXPECT_EQ(r.payload.size(), 8u);
                     },
                     nullptr});
    for (int n = 0; n <= 20; ++n) {
        for (int ch = 0; ch < 4; ++ch) {
            cases.push_back(
                {"ChannelBlock", [=](SharedState& s) { return BuildChannelBlock(s, n, ch); },
                 [=](Pair& p, const Reply& r, Bytes& mem) {
                     EXPECT_EQ(r.code, 0xAA);
                     auto src = p.s->image.ChannelBlock(0, ch);
                     std::copy(src.begin(), src.end(), mem.begin() + n * kRec + 16 + 160 * ch);
                 },
                 nullptr});
        }
        cases.push_back({"Recall", [=](SharedState& s) { return BuildRecall(s, n); },
                         [=](Pair&, const Reply& r, Bytes& mem) {
                             EXPECT_EQ(r.code, 0xA3);
                             EXPECT_EQ(r.program, n);
                             // Program n made live, name and data; its data come back.
                             std::copy_n(mem.begin() + n * kRec, kRec, mem.begin());
                             EXPECT_EQ(r.payload, Bytes(mem.begin() + 16, mem.begin() + kRec));
                         },
                         [](Pair& p) { EXPECT_EQ(B(p.s->image.Data(0)), B(p.amp.Data(0))); }});
        cases.push_back({"ProgramWrite", [=](SharedState& s) { return BuildProgramWrite(s, n); },
                         [=](Pair& p, const Reply& r, Bytes& mem) {
                             EXPECT_EQ(r.code, 0xAA);
                             auto src = p.s->image.Data(n);
                             std::copy(src.begin(), src.end(), mem.begin() + n * kRec + 16);
                         },
                         nullptr});
        cases.push_back({"ProgramRead", [=](SharedState& s) { return BuildProgramRead(s, n); },
                         [=](Pair& p, const Reply& r, Bytes&) {
                             if (n == 0) {
                                 EXPECT_EQ(r.code, 0xAB);  // no stored program 0
                                 return;
                             }
                             EXPECT_EQ(r.code, 0xA5);
                             EXPECT_EQ(r.program, n);
                             EXPECT_EQ(r.payload, B(p.amp.Data(n)));
                         },
                         [=](Pair& p) {
                             if (n != 0) {
                                 EXPECT_EQ(B(p.s->image.Data(n)), B(p.amp.Data(n)));
                             }
                         }});
        cases.push_back({"NameRead", [=](SharedState& s) { return BuildItemRead(s, ITEM_NAME, n); },
                         [=](Pair& p, const Reply& r, Bytes&) {
                             EXPECT_EQ(r.code, 0xA2);
                             EXPECT_EQ(r.program, n);
                             EXPECT_EQ(r.item, ITEM_NAME);
                             EXPECT_EQ(r.payload, B(p.amp.Name(n)));
                         },
                         [=](Pair& p) {
                             EXPECT_EQ(B(p.s->image.Name(n).first(15)), B(p.amp.Name(n).first(15)));
                         }});
        cases.push_back({"NameWrite",
                         [=](SharedState& s) { return BuildItemWrite(s, ITEM_NAME, n); },
                         [=](Pair& p, const Reply& r, Bytes& mem) {
                             EXPECT_EQ(r.code, 0xAA);
                             auto src = p.s->image.Name(n).first(15);
                             std::copy(src.begin(), src.end(), mem.begin() + n * kRec);
                             mem[n * kRec + 15] = 0;
                         },
                         nullptr});
    }
    const struct {
        int item;
        std::size_t at, size;
    } items[] = {{ITEM_MODES, 0, 2}, {ITEM_SENSITIVITY, 2, 4}, {ITEM_POWER, 7, 1}};
    for (const auto& it : items) {
        cases.push_back({"ItemRead", [=](SharedState& s) { return BuildItemRead(s, it.item, 0); },
                         [=](Pair& p, const Reply& r, Bytes&) {
                             EXPECT_EQ(r.code, 0xA2);
                             EXPECT_EQ(r.item, it.item);
                             EXPECT_EQ(r.payload,
                                       Bytes(p.amp.SystemBytes().begin() + it.at,
                                             p.amp.SystemBytes().begin() + it.at + it.size));
                         },
                         [=](Pair& p) {
                             for (std::size_t i = it.at; i < it.at + it.size; ++i) {
                                 EXPECT_EQ(p.s->image.systemBytes[i], p.amp.SystemBytes()[i]);
                             }
                         }});
        cases.push_back({"ItemWrite", [=](SharedState& s) { return BuildItemWrite(s, it.item, 0); },
                         [=](Pair& p, const Reply& r, Bytes& mem) {
                             EXPECT_EQ(r.code, 0xAA);
                             for (std::size_t i = it.at; i < it.at + it.size; ++i) {
                                 mem[kSys + i] = p.s->image.systemBytes[i];
                             }
                         },
                         nullptr});
    }
    return cases;
}

TEST(SimulatorAnswers, EveryBuilderFrameGetsItsReplyAndChangesExactlyItsArea) {
    for (const auto& c : AllRequests()) {
        Pair p;
        CommandQueue cmd(*p.s);
        RecordingOwner owner;
        cmd.SetOwner(&owner);
        cmd.Enqueue(c.build(*p.s));
        Bytes expected = SimMemory(p.amp);
        const Bytes reply = p.amp.Handle(cmd.Head().Frame());
        const Reply r = Parse(reply);
        c.expect(p, r, expected);
        EXPECT_EQ(SimMemory(p.amp), expected) << c.name;
        // The PC acts on every such reply: the head completes and read data are mirrored.
        cmd.FeedBytes(reply);
        EXPECT_EQ(cmd.QueueCount(), 0) << c.name;
        if (c.mirrored) {
            c.mirrored(p);
        }
    }
}

TEST(SimulatorAnswers, PowerReplyIsTheKnownStream) {
    Amplifier amp;
    FreshState s;
    const Bytes reply = amp.Handle(BuildItemRead(*s, ITEM_POWER, 0)->Frame());
    EXPECT_EQ(reply, (Bytes{0x5A, 0x5A, 0x5A, 0x48, 0xA2, 0x00, 0x01, 0x06, 0x00, 0x07, 0x01, 0x00,
                            0x01, 0xA2, 0xAA}));
}

TEST(SimulatorAnswers, ImpossibleRequestsAreRefusedWithoutTouchingMemory) {
    Amplifier amp;
    FreshState s;
    const auto frame = [](std::uint8_t cmd, std::uint8_t n, std::uint8_t section, std::uint8_t ch,
                          std::uint8_t index, std::size_t length) {
        Bytes f = {0x5A, 0x5A, 0x5A, 0x48, cmd, n, 1, section, ch, index, 0, 0};
        WriteLe16(f, 10, static_cast<std::uint16_t>(length));
        const Bytes payload = Pattern(length, 1);
        f.insert(f.end(), payload.begin(), payload.end());
        f.push_back(SentChecksum(f));
        f.push_back(0xAA);
        return f;
    };
    const std::vector<Bytes> bad = {
        frame(0xA4, 21, 0, 0, 0, 160),   frame(0xA4, 0, 0, 4, 0, 160),
        frame(0xA4, 0, 0, 0, 0, 8),      frame(0xA6, 21, 0xA6, 0, 0, 640),
        frame(0xA6, 1, 0xA6, 0, 0, 160), frame(0xA1, 0, 4, 0, 20, 8),
        frame(0xA1, 0, 4, 4, 0, 8),      frame(0xA1, 0, 4, 0, 0, 16),
        frame(0xA1, 21, 6, 0, 6, 16),    frame(0xA1, 0, 6, 0, 5, 8),
        frame(0xA1, 0, 9, 0, 0, 8),      frame(0xA3, 21, 0, 0, 0, 8),
        frame(0xA5, 21, 0, 0, 0, 8),     frame(0xA2, 21, 6, 0, 6, 8),
        frame(0xA2, 0, 6, 0, 1, 8),      frame(0xA7, 0, 0, 0, 0, 8),
        frame(0xA8, 0, 0, 0, 0, 8),
    };
    const Bytes before = SimMemory(amp);
    for (std::size_t i = 0; i < bad.size(); ++i) {
        const Reply r = Parse(amp.Handle(bad[i]));
        EXPECT_EQ(r.code, 0xAB) << "request " << i;
        EXPECT_TRUE(r.payload.empty());
    }
    EXPECT_EQ(SimMemory(amp), before);
}

TEST(SimulatorStatus, LevelsFollowVolumeAndMuteAndTemperaturesStayPlausible) {
    Amplifier amp(5);
    FreshState s;
    const Bytes poll = B(BuildPoll(*s)->Frame());
    WriteLe16(amp.ChannelBlock(0, 0), 34, 600);  // CH1 at full volume
    WriteLe16(amp.ChannelBlock(0, 1), 34, 300);  // CH2 at -30 dB
    std::vector<int> ch1, ch2;
    for (int i = 0; i < 200; ++i) {
        const Reply r = Parse(amp.Handle(poll));
        ch1.push_back(r.payload[0]);
        ch2.push_back(r.payload[1]);
        for (int t : {r.payload[4], r.payload[5]}) {
            EXPECT_GE(t - 10, 15);  // °C plus 10
            EXPECT_LE(t - 10, 85);
        }
    }
    for (int v : ch1) {
        EXPECT_GE(v, 44);
        EXPECT_LE(v, 52);
    }
    for (int v : ch2) {
        EXPECT_LE(v, 22);  // 30 dB down: below the first lamp segment
    }
    EXPECT_NE(*std::min_element(ch1.begin(), ch1.end()), *std::max_element(ch1.begin(), ch1.end()))
        << "levels should move like music";

    amp.ChannelBlock(0, 0)[8] = 0;  // CH1 muted
    EXPECT_EQ(Parse(amp.Handle(poll)).payload[0], 0);
    amp.SystemBytes()[7] = 0;  // power off
    int warm = Parse(amp.Handle(poll)).payload[4];
    for (int i = 0; i < 300; ++i) {
        const Reply r = Parse(amp.Handle(poll));
        EXPECT_EQ(r.payload[1], 0);
        warm = r.payload[4];
    }
    EXPECT_LE(warm - 10, 28) << "a switched-off amplifier cools towards the room";
}

TEST(SimulatorStatus, HeldTemperaturesAreReportedWhateverTheLevels) {
    Amplifier amp(5);
    FreshState s;
    const Bytes poll = B(BuildPoll(*s)->Frame());
    WriteLe16(amp.ChannelBlock(0, 0), 34, 600);  // full volume would warm the stage
    amp.HoldTemperatures(71, -10);
    for (int i = 0; i < 50; ++i) {
        const Reply r = Parse(amp.Handle(poll));
        ASSERT_EQ(r.payload[4], 71 + 10) << "poll " << i;
        ASSERT_EQ(r.payload[5], 0) << "poll " << i;
    }
    EXPECT_THROW(amp.HoldTemperatures(246, 20), std::out_of_range);
    EXPECT_THROW(amp.HoldTemperatures(20, -11), std::out_of_range);
}

TEST(SimulatorState, SavedMemoryLoadsBackAndForeignBytesAreRefused) {
    Amplifier a(1);
    a.Name(4)[0] = 'Q';
    a.Data(17)[639] = 0x42;
    a.SystemBytes()[0] = 2;
    const Bytes saved = a.SaveState();
    EXPECT_EQ(saved.size(), static_cast<std::size_t>(Amplifier::kStateSize));
    Amplifier b(2);
    ASSERT_TRUE(b.LoadState(saved));
    EXPECT_EQ(SimMemory(b), SimMemory(a));
    Bytes wrong = saved;
    wrong[0] ^= 1;
    EXPECT_FALSE(b.LoadState(wrong));
    EXPECT_FALSE(b.LoadState(Bytes(saved.begin(), saved.end() - 1)));
}

// The whole link-up, then a read of all programs and a stream of edits, through the command
// object and a session: afterwards PC and amplifier hold the same bytes.
TEST(SimulatorEndToEnd, LinkUpReadAllAndEditsLeaveBothSidesEqual) {
    Pair p;
    sim::ReplyCounter counter;
    sim::Session session(p.amp, {}, counter);
    CommandQueue cmd(*p.s);
    RecordingOwner owner;
    cmd.SetOwner(&owner);
    const auto run = [&] {
        while (cmd.QueueCount() > 0) {
            const int before = cmd.QueueCount();
            for (auto& o : session.Receive(cmd.Head().Frame())) {
                cmd.FeedBytes(o.bytes);
            }
            ASSERT_EQ(cmd.QueueCount(), before - 1);
        }
    };
    for (int n = 1; n <= 20; ++n) {
        cmd.Enqueue(BuildItemRead(*p.s, ITEM_NAME, n));
    }
    for (int item : {ITEM_MODES, ITEM_SENSITIVITY, ITEM_POWER}) {
        cmd.Enqueue(BuildItemRead(*p.s, item, 0));
    }
    auto live = BuildRecall(*p.s, 0);
    live->SetNotifyUp(1);
    cmd.Enqueue(std::move(live));
    run();
    EXPECT_EQ(owner.notes, (std::vector<ReplyEvent>{ReplyEvent::System(0), ReplyEvent::Live(0),
                                                    ReplyEvent::Done(TransferDirection::Up)}));
    for (int n = 1; n <= 20; ++n) {
        EXPECT_EQ(B(p.s->image.Name(n).first(15)), B(p.amp.Name(n).first(15)));
    }
    EXPECT_EQ(B(p.s->image.Data(0)), B(p.amp.Data(0)));
    for (int i : {0, 1, 2, 3, 4, 5, 7}) {
        EXPECT_EQ(p.s->image.systemBytes[i], p.amp.SystemBytes()[i]);
    }

    owner.notes.clear();
    for (int n = 1; n <= 20; ++n) {
        cmd.Enqueue(BuildProgramRead(*p.s, n));
    }
    run();
    EXPECT_EQ(owner.notes, (std::vector<ReplyEvent>{ReplyEvent::AllPrograms(20)}));
    for (int n = 1; n <= 20; ++n) {
        EXPECT_EQ(B(p.s->image.Data(n)), B(p.amp.Data(n)));
    }

    // Edits: a volume, a band, the mode; then the live program stored into slot 5.
    WriteLe16(p.s->image.ChannelBlock(0, 1), 34, 420);
    cmd.Enqueue(BuildChannelSubBlock(*p.s, 1, 4));
    WriteLe16(p.s->image.ChannelBlock(0, 0), 48, 333);
    cmd.Enqueue(BuildChannelSubBlock(*p.s, 0, 6));
    p.s->image.systemBytes[0] = 1;
    cmd.Enqueue(BuildItemWrite(*p.s, ITEM_MODES, 0));
    StoreProgramName(p.s->ui, p.s->image.Name(5), "Friday");
    cmd.Enqueue(BuildItemWrite(*p.s, ITEM_NAME, 5));
    for (int ch = 0; ch < 4; ++ch) {
        cmd.Enqueue(BuildChannelBlock(*p.s, 5, ch));
    }
    run();
    EXPECT_EQ(B(p.amp.Data(0)), B(p.s->image.Data(0)));
    EXPECT_EQ(B(p.amp.Data(5)), B(p.s->image.Data(0)));
    EXPECT_EQ(B(p.amp.Name(5)), B(p.s->image.Name(5)));
    EXPECT_EQ(p.amp.SystemBytes()[0], 1);
}

}  // namespace
}  // namespace tolmarin
