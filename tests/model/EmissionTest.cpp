#include <gtest/gtest.h>

#include <string>

#include "model/ModelFixture.h"
#include "protocol/ByteOrder.h"

namespace tolmarin::testing {
namespace {

using Emission = ModelFixture;

TEST_F(Emission, NothingPendingPollsEveryTimeWithTheScratchLeftover) {
    const std::array<std::uint8_t, 8> zeros{};
    for (const auto& frame : Scan(3)) {
        EXPECT_TRUE(SameBytes(frame, ExpectedPollFrame(zeros)));
    }
}

TEST_F(Emission, EditsWhileNotSendingChangeValuesButMarkNothing) {
    set.SetSending(false);
    Link();
    ch1.SetName("X");
    ch1.SetOutputOn(1);
    ch1.SetPolarity(0);
    ch1.SetDelay(300);
    ch1.SetInputGain(600);
    ch1.SetInputRoute(2);
    ch1.SetLimitThreshold(10);
    ch1.SetLimitAttack(3);
    ch1.SetLimitRelease(4);
    ch1.SetVolumeDb(20);
    ch1.Band(2).SetGainStep(300);
    ch1.HighPass().SetFreq(500, true);
    EXPECT_EQ(ch1.GetDelay(), 300);
    EXPECT_EQ(ch2.GetDelay(), 300);  // propagation does not depend on sending
    EXPECT_EQ(ch1.GetVolume(), 200);
    const std::array<std::uint8_t, 8> zeros{};
    for (const auto& frame : Scan(2)) {
        EXPECT_TRUE(SameBytes(frame, ExpectedPollFrame(zeros)));
    }
}

// Catches a wrong priority between the groups of one channel, and a poll that clears the
// payload the previous build left.
TEST_F(Emission, ScanOrderIsMainVolumeBandThenPoll) {
    set.SetSending(true);
    ch1.SetVolumeDb(30);
    ch1.SetDelay(100);
    ch1.Band(3).SetGainStep(230);
    const auto frames = Scan(4);
    EXPECT_TRUE(SameBytes(frames[0], SubBlockFrame(0, 1, MainBytes(0, 1, 66, 100, 1))));
    const std::array<std::uint8_t, 8> volume{0, 0, 0x2C, 0x01, 0, 0, 0, 0};  // 300
    EXPECT_TRUE(SameBytes(frames[1], SubBlockFrame(0, 4, volume)));
    const auto band = BandBytes(317, 230, 5, 0, 0);
    EXPECT_TRUE(SameBytes(frames[2], SubBlockFrame(0, 8, band)));
    EXPECT_TRUE(SameBytes(frames[3], ExpectedPollFrame(band)));
}

TEST_F(Emission, FullPriorityWithinOneChannel) {
    set.SetSending(true);
    ch1.Band(7).SetGainStep(190);
    ch1.Band(0).SetGainStep(210);
    ch1.SetLimitThreshold(150);
    ch1.SetVolumeDb(10);
    ch1.LowPass().SetFreq(10000, true);
    ch1.SetInputRoute(3);
    ch1.SetName("Main");
    std::vector<int> order;
    for (const auto& frame : Scan(8)) {
        order.push_back(frame[4] == 0xA9 ? -1 : frame[9]);
    }
    EXPECT_EQ(order, (std::vector<int>{0, 1, 2, 4, 3, 5, 12, -1}));
}

TEST_F(Emission, EarlierChannelWinsWhateverItsGroup) {
    set.SetSending(true);
    ch2.SetName("B");
    set.Channel(3).SetDelay(5);
    ch1.Band(7).SetGainStep(100);
    std::vector<std::pair<int, int>> order;
    for (const auto& frame : Scan(3)) {
        order.emplace_back(frame[8], frame[9]);
    }
    EXPECT_EQ(order, (std::vector<std::pair<int, int>>{{0, 12}, {1, 0}, {3, 1}}));
}

// The amplifier is walked to a new crossover frequency one octave per frame, and the final
// value goes out twice.
TEST_F(Emission, CrossoverRampReachesTheAmplifierInOctaves) {
    set.SetSending(true);
    ch1.HighPass().SetFreq(200, true);
    const auto frames = Scan(6);
    const int expected[] = {40, 80, 160, 200, 200};
    for (int i = 0; i < 5; ++i) {
        const auto bytes = CrossoverBytes(expected[i], 0, 0, 20000, 0, 0);
        EXPECT_TRUE(SameBytes(frames[i], SubBlockFrame(0, 2, bytes))) << i;
    }
    EXPECT_TRUE(SameBytes(frames[5], ExpectedPollFrame(CrossoverBytes(200, 0, 0, 20000, 0, 0))));
    EXPECT_EQ(ReadLe16(Live(0), 16), 200);
}

TEST_F(Emission, UnlinkedBandJumpsStraightToItsValue) {
    set.SetSending(true);
    ch1.Band(0).SetFreq(1000, true);
    const auto frames = Scan(2);
    EXPECT_TRUE(SameBytes(frames[0], SubBlockFrame(0, 5, BandBytes(1000, 200, 5, 0, 0))));
    EXPECT_EQ(frames[1][4], 0xA9);
}

// A linked band is walked in octaves on each channel in turn, channel 0 first; the scan
// starts again at channel 0 every time, so channel 1 only follows once channel 0 is done.
TEST_F(Emission, LinkedBandRampFinishesChannelZeroBeforeChannelOne) {
    Link();
    set.SetSending(true);
    WriteLe16(Live(0), 40, 40);
    WriteLe16(Live(1), 40, 40);
    ch1.Band(0).SetFreq(1000, true);
    ch2.Band(0).CopyEqFrom(ch1.Band(0));  // the editor's mirror
    const auto frames = Scan(11);
    const int ramp[] = {80, 160, 320, 640, 1000};
    for (int ch = 0; ch < 2; ++ch) {
        for (int i = 0; i < 5; ++i) {
            const auto bytes = BandBytes(ramp[i], 200, 5, 0, 0);
            EXPECT_TRUE(SameBytes(frames[ch * 5 + i], SubBlockFrame(ch, 5, bytes)))
                << "channel " << ch << " step " << i;
        }
    }
    EXPECT_EQ(frames[10][4], 0xA9);
}

TEST_F(Emission, LinkedDelaySendsBothMainSubBlocks) {
    Link();
    set.SetSending(true);
    ch1.SetDelay(700);
    const auto frames = Scan(3);
    EXPECT_TRUE(SameBytes(frames[0], SubBlockFrame(0, 1, MainBytes(0, 1, 66, 700, 1))));
    // CH2 got routing 2 from the link in stereo mode.
    EXPECT_TRUE(SameBytes(frames[1], SubBlockFrame(1, 1, MainBytes(0, 1, 66, 700, 2))));
    EXPECT_EQ(frames[2][4], 0xA9);
}

TEST_F(Emission, SevenCharacterNameIsStoredWithOneTrailingZero) {
    set.SetSending(true);
    ch1.SetName("ABCDEFG");
    const auto frames = Scan(1);
    const std::array<std::uint8_t, 8> bytes{'A', 'B', 'C', 'D', 'E', 'F', 'G', 0};
    EXPECT_TRUE(SameBytes(frames[0], SubBlockFrame(0, 0, bytes)));
    EXPECT_TRUE(fresh.sink.messages.empty());
}

// The refused name must not reach the slot; the amplifier gets the bytes it held.
TEST_F(Emission, EightCharacterNameIsRefusedAndTheOldSlotIsSent) {
    set.SetSending(true);
    ch1.SetName("Old");
    Scan(1);
    s.ui.language = Language::Chinese;
    ch1.SetName("ABCDEFGH");
    const auto frames = Scan(2);
    const std::array<std::uint8_t, 8> bytes{'O', 'l', 'd', 0, 0, 0, 0, 0};
    EXPECT_TRUE(SameBytes(frames[0], SubBlockFrame(0, 0, bytes)));
    EXPECT_EQ(frames[1][4], 0xA9);
    EXPECT_EQ(fresh.sink.messages, std::vector<std::string>{"字符长度错误!"});
}

TEST_F(Emission, ClearAllPendingKeepsTheNameAndALaggingCrossover) {
    set.SetSending(true);
    ch1.SetName("N");
    ch1.SetDelay(10);
    ch1.SetLimitAttack(10);
    ch1.SetVolumeDb(5);
    ch1.Band(4).SetGainStep(250);
    ch2.HighPass().SetFreq(400, true);  // sent frequency 20, to be stepped
    ch2.LowPass().SetFreq(5000, true);  // goes out at once
    set.ClearAllPending(false);
    set.SetSending(false);
    EXPECT_EQ(ch1.PendingName(), 1);
    EXPECT_EQ(ch1.PendingMain() + ch1.PendingLimiter() + ch1.PendingVolume(), 0);
    EXPECT_FALSE(ch1.Band(4).IsPending());
    EXPECT_FALSE(ch2.LowPass().IsPending());
    EXPECT_TRUE(ch2.HighPass().IsPending());
    EXPECT_EQ(ch2.HighPass().GetSentFreq(), 40);
    std::vector<std::pair<int, int>> order;
    for (const auto& frame : Scan(3)) {
        order.emplace_back(frame[8], frame[4] == 0xA9 ? -1 : frame[9]);
    }
    EXPECT_EQ(order, (std::vector<std::pair<int, int>>{{0, 0}, {1, 2}, {1, 2}}));
}

}  // namespace
}  // namespace tolmarin::testing
