#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "protocol/ByteOrder.h"
#include "protocol/FrameBuilder.h"
#include "support/Fresh.h"

namespace tolmarin {
namespace {

using Bytes = std::vector<std::uint8_t>;
using testing::FreshState;

Bytes FrameOf(const SendData& item) {
    return Bytes(item.Frame().begin(), item.Frame().end());
}

Bytes Concat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const auto& p : parts) {
        out.insert(out.end(), p.begin(), p.end());
    }
    return out;
}

TEST(FrameBuilderKnownAnswer, ItemReadOfPowerEndsE2AA) {
    FreshState s;
    auto item = BuildItemRead(*s, ITEM_POWER, 0);
    const Bytes expected =
        Concat({{0x5A, 0x5A, 0x5A, 0x48, 0xA2, 0x00, 0x01, 0x06, 0x00, 0x07, 0x08, 0x00},
                Bytes(8, 0),
                {0xE2, 0xAA}});
    EXPECT_EQ(FrameOf(*item), expected);
    EXPECT_EQ(item->Length(), 22);
}

TEST(FrameBuilderKnownAnswer, ProgramReadOfTwentyEndsF0AA) {
    FreshState s;
    auto item = BuildProgramRead(*s, 20);
    const Bytes expected =
        Concat({{0x5A, 0x5A, 0x5A, 0x48, 0xA5, 0x14, 0x01, 0x00, 0x00, 0x00, 0x08, 0x00},
                Bytes(8, 0),
                {0xF0, 0xAA}});
    EXPECT_EQ(FrameOf(*item), expected);
}

struct BuilderCase {
    std::string name;
    std::function<std::unique_ptr<SendData>(SharedState&)> build;
    int payloadLength;
};

std::vector<BuilderCase> AllBuilders() {
    std::vector<BuilderCase> cases;
    for (int ch = 0; ch < 4; ++ch) {
        for (int d = 0; d < 20; ++d) {
            cases.push_back({"SubBlock" + std::to_string(ch) + "_" + std::to_string(d),
                             [=](SharedState& s) { return BuildChannelSubBlock(s, ch, d); }, 8});
        }
    }
    cases.push_back({"Poll", [](SharedState& s) { return BuildPoll(s); }, 8});
    for (int n = 0; n <= 20; ++n) {
        for (int ch = 0; ch < 4; ++ch) {
            cases.push_back(
                {"Block", [=](SharedState& s) { return BuildChannelBlock(s, n, ch); }, 160});
        }
        cases.push_back({"Recall", [=](SharedState& s) { return BuildRecall(s, n); }, 8});
        cases.push_back(
            {"ProgWrite", [=](SharedState& s) { return BuildProgramWrite(s, n); }, 640});
        cases.push_back({"ProgRead", [=](SharedState& s) { return BuildProgramRead(s, n); }, 8});
        for (int item : {ITEM_MODES, ITEM_SENSITIVITY, ITEM_NAME, ITEM_POWER}) {
            cases.push_back(
                {"ItemRead", [=](SharedState& s) { return BuildItemRead(s, item, n); }, 8});
        }
        cases.push_back(
            {"NameWrite", [=](SharedState& s) { return BuildItemWrite(s, ITEM_NAME, n); }, 16});
    }
    for (int item : {ITEM_MODES, ITEM_SENSITIVITY, ITEM_POWER}) {
        cases.push_back(
            {"ItemWrite", [=](SharedState& s) { return BuildItemWrite(s, item, 0); }, 8});
    }
    return cases;
}

TEST(FrameBuilderShape, EveryBuilderGivesLengthStartEndAndZeroXor) {
    FreshState s;
    // Fill the image with a pattern so payloads are not trivially zero.
    for (int n = 0; n <= 20; ++n) {
        auto rec = s->image.ProgramRecord(n);
        for (std::size_t i = 0; i < rec.size(); ++i) {
            rec[i] = static_cast<std::uint8_t>(i * 7 + n);
        }
    }
    for (const auto& c : AllBuilders()) {
        auto item = c.build(*s);
        const Bytes f = FrameOf(*item);
        ASSERT_EQ(static_cast<int>(f.size()), c.payloadLength + 14) << c.name;
        EXPECT_EQ(item->Length(), c.payloadLength + 14) << c.name;
        EXPECT_EQ(f[0], 0x5A);
        EXPECT_EQ(f[1], 0x5A);
        EXPECT_EQ(f[2], 0x5A);
        EXPECT_EQ(f[3], 0x48);
        EXPECT_EQ(f[6], 0x01) << c.name;
        EXPECT_EQ(f[10] | (f[11] << 8), c.payloadLength) << c.name;
        EXPECT_EQ(f.back(), 0xAA) << c.name;
        std::uint8_t x = 0;
        for (std::size_t i = 3; i + 1 < f.size(); ++i) {
            x ^= f[i];
        }
        EXPECT_EQ(x, 0) << c.name;
        EXPECT_EQ(item->Pending(), 1);
        EXPECT_EQ(item->CountsProgress() | item->NotifyUp() | item->NotifyDown(), 0);
    }
}

TEST(FrameBuilderPayload, SubBlockCarriesItsEightBlockBytesAndHeader) {
    FreshState s;
    auto b = s->image.ChannelBlock(0, 2);
    for (int i = 0; i < 8; ++i) {
        b[24 + i] = static_cast<std::uint8_t>(0x30 + i);
    }
    const Bytes f = FrameOf(*BuildChannelSubBlock(*s, 2, 3));
    EXPECT_EQ(Bytes(f.begin() + 4, f.begin() + 12),
              (Bytes{0xA1, 0x00, 0x01, 0x04, 0x02, 0x03, 0x08, 0x00}));
    EXPECT_EQ(Bytes(f.begin() + 12, f.begin() + 20),
              (Bytes{0x30, 0x31, 0x32, 0x33, 0x34, 0x35, 0x36, 0x37}));
}

TEST(FrameBuilderPayload, ProgramWriteCarriesTheAddressedProgramsData) {
    FreshState s;
    s->image.Data(0)[0] = 0x10;
    s->image.Data(0)[639] = 0x11;
    s->image.Data(7)[0] = 0x70;
    s->image.Data(7)[639] = 0x71;
    const Bytes live = FrameOf(*BuildProgramWrite(*s, 0));
    const Bytes seven = FrameOf(*BuildProgramWrite(*s, 7));
    EXPECT_EQ(live[12], 0x10);
    EXPECT_EQ(live[651], 0x11);
    EXPECT_EQ(seven[5], 7);
    EXPECT_EQ(seven[7], 0xA6);
    EXPECT_EQ(seven[12], 0x70);
    EXPECT_EQ(seven[651], 0x71);
}

TEST(FrameBuilderPayload, ChannelBlockForASlotCarriesTheLiveBlock) {
    FreshState s;
    s->image.ChannelBlock(0, 1)[5] = 0x55;
    s->image.ChannelBlock(9, 1)[5] = 0x99;
    const Bytes f = FrameOf(*BuildChannelBlock(*s, 9, 1));
    EXPECT_EQ(f[4], 0xA4);
    EXPECT_EQ(f[5], 9);
    EXPECT_EQ(f[8], 1);
    EXPECT_EQ(f[12 + 5], 0x55);
}

TEST(FrameBuilderPayload, NameWriteEndsInZeroWhateverTheSlotHolds) {
    FreshState s;
    auto name3 = s->image.Name(3);
    for (int i = 0; i < 16; ++i) {
        name3[i] = static_cast<std::uint8_t>('a' + i);
    }
    const Bytes f = FrameOf(*BuildItemWrite(*s, ITEM_NAME, 3));
    EXPECT_EQ(f.size(), 30u);
    EXPECT_EQ(f[5], 3);
    EXPECT_EQ(f[9], 6);
    EXPECT_EQ(f[12], 'a');
    EXPECT_EQ(f[26], 'o');
    EXPECT_EQ(f[27], 0);

    auto live = s->image.Name(0);
    live[0] = 'L';
    EXPECT_EQ(FrameOf(*BuildItemWrite(*s, ITEM_NAME, 0))[12], 'L');
}

TEST(FrameBuilderPayload, SystemItemWritesCarryTheirBytes) {
    FreshState s;
    auto& sys = s->image.systemBytes;
    sys = {2, 1, 0, 1, 2, 1, 9, 1};
    const Bytes modes = FrameOf(*BuildItemWrite(*s, ITEM_MODES, 0));
    EXPECT_EQ(Bytes(modes.begin() + 12, modes.begin() + 20), (Bytes{2, 1, 0, 0, 0, 0, 0, 0}));
    const Bytes sens = FrameOf(*BuildItemWrite(*s, ITEM_SENSITIVITY, 0));
    EXPECT_EQ(Bytes(sens.begin() + 12, sens.begin() + 20), (Bytes{0, 1, 2, 1, 0, 0, 0, 0}));
    EXPECT_EQ(sens[9], 4);
    const Bytes power = FrameOf(*BuildItemWrite(*s, ITEM_POWER, 0));
    EXPECT_EQ(Bytes(power.begin() + 12, power.begin() + 20), (Bytes{1, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(power[9], 7);
    EXPECT_THROW(BuildItemWrite(*s, 5, 0), std::invalid_argument);
}

// The amplifier has always received these leftovers; clearing them would change the
// bytes and checksums it sees.
TEST(FrameBuilderLeftovers, PollRepeatsThePreviousSubBlockPayload) {
    FreshState s;
    auto b = s->image.ChannelBlock(0, 1);
    b[32] = 0x07;
    WriteLe16(b, 34, 450);
    b[36] = 0xC1;
    auto volume = BuildChannelSubBlock(*s, 1, 4);
    const Bytes poll = FrameOf(*BuildPoll(*s));
    EXPECT_EQ(Bytes(poll.begin() + 12, poll.begin() + 20), Bytes(b.begin() + 32, b.begin() + 40));
    EXPECT_EQ(Bytes(poll.begin() + 4, poll.begin() + 12),
              (Bytes{0xA9, 0x00, 0x01, 0x00, 0x00, 0x00, 0x08, 0x00}));
}

TEST(FrameBuilderLeftovers, RecallKeepsTheItemCodeOfThePreviousBuild) {
    FreshState s;
    auto read = BuildItemRead(*s, ITEM_POWER, 0);
    const Bytes recall = FrameOf(*BuildRecall(*s, 0));
    EXPECT_EQ(Bytes(recall.begin() + 4, recall.begin() + 12),
              (Bytes{0xA3, 0x00, 0x01, 0x00, 0x00, 0x07, 0x08, 0x00}));
    // checksum over H A3 00 01 00 00 07 08 00 and eight zeros
    EXPECT_EQ(recall[20], 0x48 ^ 0xA3 ^ 0x01 ^ 0x07 ^ 0x08);
}

TEST(CloseFrameContract, RefusesABufferThatDoesNotFitTheHeader) {
    FreshState s;
    WriteLe16(s->frames.header, 10, 8);
    std::vector<std::uint8_t> wrong(21);
    EXPECT_THROW(CloseFrame(s->frames, wrong), std::invalid_argument);
    EXPECT_THROW(CloseFrame(s->frames, std::span<std::uint8_t>()), std::invalid_argument);
}

}  // namespace
}  // namespace tolmarin
