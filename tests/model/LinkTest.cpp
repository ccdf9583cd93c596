#include <gtest/gtest.h>

#include "model/ModelFixture.h"
#include "model/Parameters.h"
#include "protocol/ByteOrder.h"

namespace tolmarin::testing {
namespace {

using Linking = ModelFixture;

// Gives CH1 values that differ from every default, filters included.
void Customise(OutputChannel& r) {
    r.SetName("Left");
    r.SetOutputOn(1);
    r.SetPolarity(0);
    r.SetDelay(480);
    r.SetInputGain(578);
    r.SetInputRoute(4);
    r.SetLimitThreshold(320);
    r.SetLimitAttack(12);
    r.SetLimitRelease(3);
    r.SetVolumeDb(42);
    r.Band(1).SetGainStep(260);
    r.Band(1).SetBandwidthStep(11);
    r.Band(5).SetEqKind(4);
    r.Band(5).SetGainStep(150);
    r.HighPass().SetFreq(90, false);
    r.HighPass().SetFamily(1, false);
    r.HighPass().SetSlope(2, false);
    r.LowPass().SetFreq(9000, false);
    r.LowPass().SetSlope(3, false);
}

// The link transfer must carry CH2's block as it is after the copy: the copied values,
// CH2's own name, switch and gain, and the routing of CH2 in stereo.
TEST_F(Linking, LinkWhileLinkedUpSendsCh2sWholeBlockOnce) {
    Customise(ch1);
    set.SetSending(true);
    set.ClearAllPending(false);
    ch1.TakePendingName();
    std::vector<std::unique_ptr<SendData>> sent;
    set.LinkCh1Ch2(true,
                   [&sent](std::unique_ptr<SendData> item) { sent.push_back(std::move(item)); });
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(set.LinkGroup(1), 0);
    EXPECT_TRUE(set.Ch1Ch2Linked());

    // CH2's block written out from the values it should now have.
    std::array<std::uint8_t, 160> b{};       // reserved bytes 0
    for (int slot = 8; slot < 15; ++slot) {  // spare band slots keep their start-up pattern
        const auto spare = BandBytes(1000, 600, 0, 0, 0);
        std::copy(spare.begin(), spare.end(), b.begin() + 40 + 8 * slot);
    }
    const std::array<std::uint8_t, 8> name{'C', 'H', '2', 0, 0, 0, 0, 0};
    std::copy(name.begin(), name.end(), b.begin());
    const auto main = MainBytes(0, 0, 66, 480, 2);
    std::copy(main.begin(), main.end(), b.begin() + 8);
    const auto xo = CrossoverBytes(90, 1, 2, 9000, 0, 3);
    std::copy(xo.begin(), xo.end(), b.begin() + 16);
    const std::array<std::uint8_t, 8> limiter{0x40, 0x01, 12, 3, 0, 0, 0, 0};
    std::copy(limiter.begin(), limiter.end(), b.begin() + 24);
    const std::array<std::uint8_t, 8> volume{0, 0, 0xA4, 0x01, 0, 0, 0, 0};
    std::copy(volume.begin(), volume.end(), b.begin() + 32);
    const int freqs[] = {40, 80, 160, 317, 632, 1261, 2515, 5018};
    for (int k = 0; k < 8; ++k) {
        int gain = 200, bw = 5, slope = 0, type = 0;
        if (k == 1) {
            gain = 260;
            bw = 11;
        }
        if (k == 5) {
            gain = 150;
            slope = 1;
            type = 2;
        }
        const auto band = BandBytes(k == 5 ? 2000 : freqs[k], gain, bw, slope, type);
        std::copy(band.begin(), band.end(), b.begin() + 40 + 8 * k);
    }
    EXPECT_TRUE(SameBytes(Live(1), b));
    EXPECT_TRUE(SameBytes(sent[0]->Frame(), ExpectedChannelBlockFrame(b, 0, 1)));
    EXPECT_EQ(sent[0]->Length(), 174);

    // Nothing was marked: the link transfer is the only send.
    EXPECT_EQ(Scan(1)[0][4], 0xA9);
}

TEST_F(Linking, LinkWithoutAmplifierSendsNothingButLinks) {
    Customise(ch1);
    int calls = 0;
    set.LinkCh1Ch2(false, [&calls](std::unique_ptr<SendData>) { ++calls; });
    EXPECT_EQ(calls, 0);
    EXPECT_TRUE(set.Ch1Ch2Linked());
    EXPECT_EQ(ch2.GetDelay(), 480);
    EXPECT_EQ(ch2.Band(1).GetGainStep(), 260);
    EXPECT_EQ(ch2.HighPass().GetFreq(), 90);
    EXPECT_EQ(ch2.HighPass().GetSentFreq(), 90);
    // Name, output switch and input gain stay CH2's.
    EXPECT_EQ(ch2.GetName(), "CH2");
    EXPECT_EQ(ch2.GetOutputOn(), 0);
    EXPECT_EQ(ch2.GetInputGain(), 66);
    // Live block untouched.
    EXPECT_EQ(ReadLe16(Live(1), 12), 0);
}

TEST_F(Linking, CopiedRoutingFollowsTheCh12Mode) {
    ch1.SetInputRoute(8);
    const int expectedCh2[] = {2, 1, 1, 8};
    for (int mode = 0; mode < 4; ++mode) {
        s.image.systemBytes[0] = static_cast<std::uint8_t>(mode);
        ch2.CopyLinkedFrom(ch1);
        EXPECT_EQ(ch2.GetInputRoute(), expectedCh2[mode]) << mode;
        set.Channel(2).CopyLinkedFrom(ch1);
        EXPECT_EQ(set.Channel(2).GetInputRoute(), mode < 3 ? 1 : 8) << mode;
        set.Channel(3).CopyLinkedFrom(ch1);
        EXPECT_EQ(set.Channel(3).GetInputRoute(), expectedCh2[mode]) << mode;
    }
}

TEST_F(Linking, UnlinkKeepsValuesAndStopsPropagation) {
    Link();
    ch1.SetDelay(99);
    set.UnlinkCh1Ch2();
    EXPECT_EQ(set.LinkGroup(1), 1);
    EXPECT_FALSE(set.Ch1Ch2Linked());
    ch1.SetDelay(5);
    EXPECT_EQ(ch2.GetDelay(), 99);
}

// Only the grouped values follow; the rest stays per channel.
TEST_F(Linking, SettersPropagateOnlyTheirGroup) {
    Link();
    Live(0)[32] = 7;  // the byte that travels with the volume, changed on CH1 only
    ch1.LoadFromBlock(Live(0));
    set.SetSending(true);
    ch1.SetOutputOn(1);
    ch1.SetInputGain(549);
    ch1.SetInputRoute(3);
    ch1.SetName("Solo");
    EXPECT_EQ(ch2.GetOutputOn(), 0);
    EXPECT_EQ(ch2.GetInputGain(), 66);
    EXPECT_EQ(ch2.GetInputRoute(), 2);
    EXPECT_EQ(ch2.GetName(), "CH2");
    EXPECT_EQ(ch2.PendingMain() + ch2.PendingName(), 0);

    ch1.SetLimitRelease(5);
    EXPECT_EQ(ch2.GetLimitRelease(), 5);
    EXPECT_EQ(ch2.PendingLimiter(), 1);
    ch1.SetVolumeDb(33);
    EXPECT_EQ(ch2.GetVolume(), 330);
    EXPECT_EQ(ch2.GetVolumeAux(), 7);
    EXPECT_EQ(ch2.PendingVolume(), 1);
    ch2.SetLimitThreshold(11);  // works both ways
    EXPECT_EQ(ch1.GetLimitThreshold(), 11);
    EXPECT_EQ(ch1.GetLimitRelease(), 5);
    // CH3 and CH4 are in groups of their own.
    EXPECT_EQ(set.Channel(2).GetVolume(), 0);
    EXPECT_EQ(set.Channel(3).PendingVolume(), 0);
}

// In bridge mode the partner plays inverted; delay follows as it is.
TEST_F(Linking, BridgeModeInvertsThePartnersPolarity) {
    Link();
    s.image.systemBytes[0] = 2;
    ch1.SetPolarity(1);
    EXPECT_EQ(ch2.GetPolarity(), 0);
    ch1.SetPolarity(0);
    EXPECT_EQ(ch2.GetPolarity(), 1);
    ch1.SetPolarity(7);
    EXPECT_EQ(ch2.GetPolarity(), 0);
    ch1.SetDelay(12);
    EXPECT_EQ(ch2.GetPolarity(), 0);
    EXPECT_EQ(ch2.GetDelay(), 12);
    s.image.systemBytes[0] = 1;
    ch1.SetPolarity(1);
    EXPECT_EQ(ch2.GetPolarity(), 1);
}

// The mode byte is that of the partner's pair: CH3/CH4 use byte 1.
TEST_F(Linking, BridgeInversionReadsThePartnersPairMode) {
    set.SetLinkGroup(3, 2);
    s.image.systemBytes[0] = 0;
    s.image.systemBytes[1] = 2;
    set.Channel(2).SetPolarity(1);
    EXPECT_EQ(set.Channel(3).GetPolarity(), 0);
    s.image.systemBytes[1] = 0;
    s.image.systemBytes[0] = 2;
    set.Channel(2).SetPolarity(1);
    EXPECT_EQ(set.Channel(3).GetPolarity(), 1);
}

// The linked-pair rule as the form's edits meet it: CH1's value reaches CH2 (a bridged
// pair's polarity inverted, delay as it is), what is not linked stays on CH1, and CH3 is
// never touched.
TEST_F(Linking, EditFollowsOnThePartnerByTheRule) {
    enum Follow { Same, Inverted, Stays };
    struct Case {
        Param id;
        int index;
        int value;
        int mode;  // the CH1/CH2 amplifier mode
        Follow follow;
    };
    const Case cases[] = {
        {Param::Polarity, 0, 0, 0, Same},
        {Param::Polarity, 0, 1, 2, Inverted},
        {Param::Polarity, 0, 0, 2, Inverted},
        {Param::Delay, 0, 480, 2, Same},
        {Param::LimiterThreshold, 0, 320, 0, Same},
        {Param::LimiterRelease, 0, 3, 1, Same},
        {Param::Volume, 0, 42, 0, Same},
        {Param::BandGain, 3, 260, 0, Same},
        {Param::BandWidth, 5, 11, 0, Same},
        {Param::BandType, 6, 3, 0, Same},
        {Param::HpFreq, 0, 90, 0, Same},
        {Param::LpSlope, 0, 3, 0, Same},
        {Param::Mute, 0, 1, 0, Stays},
        {Param::InputGain, 0, 578, 0, Stays},
        {Param::InputRoute, 0, 4, 0, Stays},
    };
    for (const Case& c : cases) {
        FreshState own;
        ChannelSet linked(*own);
        linked.LinkCh1Ch2(false, nullptr);
        own->image.systemBytes[0] = static_cast<std::uint8_t>(c.mode);
        const ParamDef& d = ParamOf(c.id);
        const int before = ReadValueOf(d, linked.Channel(1), c.index);
        const int ch3 = ReadValueOf(d, linked.Channel(2), c.index);
        linked.Edit(d, 0, c.index, c.value);
        const int source = ReadValueOf(d, linked.Channel(0), c.index);
        const int expected = c.follow == Same       ? source
                             : c.follow == Inverted ? (source == 0 ? 1 : 0)
                                                    : before;
        EXPECT_EQ(ReadValueOf(d, linked.Channel(1), c.index), expected) << d.name;
        EXPECT_EQ(ReadValueOf(d, linked.Channel(2), c.index), ch3) << d.name;
    }
}

}  // namespace
}  // namespace tolmarin::testing
