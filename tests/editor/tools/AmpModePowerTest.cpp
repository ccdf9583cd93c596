// The amplifier's mode and power as the operator sets them, without widgets.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "editor/history/EditHistory.h"
#include "editor/tools/AmpModePower.h"
#include "model/ChannelSet.h"
#include "protocol/DeviceImage.h"
#include "protocol/Protocol.h"
#include "support/Fresh.h"

namespace tolmarin::testing {
namespace {

struct Rig {
    Rig() {
        tool.SetSender([this](std::uint8_t item, int index) {
            sent.push_back(item);
            EXPECT_EQ(index, 0);
        });
        QObject::connect(&tool, &AmpModePower::modeChanged, [this](int mode) {
            shownModes.push_back(mode);
            sentBeforeShown = !sent.empty();
        });
        QObject::connect(&tool, &AmpModePower::powerShown,
                         [this](bool on) { shownPower.push_back(on); });
    }
    FreshState fresh;
    ChannelSet channels{*fresh};
    EditHistory history{*fresh, channels};
    AmpModePower tool{*fresh, channels, history};
    std::vector<std::uint8_t> sent;
    std::vector<int> shownModes;
    std::vector<bool> shownPower;
    bool sentBeforeShown = false;
};

// Catches a mode change that leaves the pair linked, keeps the old routing, is not sent,
// is shown after the item went out, or takes no undo step; and the same mode chosen again
// sending or recording anything.
TEST(AmpMode, ANewModeReloadsUnlinksShowsSendsAndIsOneStepTheSameModeDoesNothing) {
    struct Case {
        int from;
        int to;
        int ch2Route;  // CH2's input routing after the change
    };
    for (const Case c : {Case{0, 1, 1}, Case{1, 0, 2}, Case{0, 2, 2}, Case{1, 1, 1}}) {
        Rig r;
        r.fresh->image.systemBytes[sysbyte::kModeCh12] = static_cast<std::uint8_t>(c.from);
        r.channels.LoadAllFromImage();
        r.channels.LinkCh1Ch2(false, {});
        r.history.Reset();
        const bool changes = c.from != c.to;

        EXPECT_EQ(r.tool.SetMode(c.to), changes) << c.from << "->" << c.to;
        EXPECT_EQ(r.tool.Mode(), c.to);
        EXPECT_EQ(r.fresh->image.systemBytes[sysbyte::kModeCh12], c.to);
        EXPECT_EQ(r.channels.Ch1Ch2Linked(), !changes);
        EXPECT_EQ(r.channels.Channel(1).GetInputRoute(), c.ch2Route);
        EXPECT_EQ(r.sent,
                  changes ? std::vector<std::uint8_t>{ITEM_MODES} : std::vector<std::uint8_t>{});
        EXPECT_EQ(r.shownModes, changes ? std::vector<int>{c.to} : std::vector<int>{});
        EXPECT_FALSE(r.sentBeforeShown);
        EXPECT_EQ(r.history.Stack().count(), changes ? 1 : 0);
    }
}

// Catches a switch-off that goes without asking or despite a "no", a switch-on that asks,
// and a switch that shows a state the amplifier was not sent.
TEST(AmpPower, SwitchingOffGoesOnlyOnAYesAndSwitchingOnNeverAsks) {
    enum class Answer { Yes, No, Never };
    struct Case {
        bool on;
        Answer answer;
        bool asked;
        bool onAfter;
        bool sent;
    };
    const Case cases[] = {
        {true, Answer::Yes, true, false, true},
        {true, Answer::No, true, true, false},
        {true, Answer::Never, true, true, false},
        {false, Answer::Yes, false, true, true},
    };
    for (const Case& c : cases) {
        Rig r;
        r.fresh->image.systemBytes[sysbyte::kPower] = c.on ? 1 : 0;
        bool asked = false;
        r.tool.TogglePower([&](const std::function<void(bool)>& answer) {
            asked = true;
            if (c.answer != Answer::Never) {
                answer(c.answer == Answer::Yes);
            }
        });
        EXPECT_EQ(asked, c.asked);
        EXPECT_EQ(r.tool.PowerOn(), c.onAfter);
        EXPECT_EQ(r.sent,
                  c.sent ? std::vector<std::uint8_t>{ITEM_POWER} : std::vector<std::uint8_t>{});
        const std::vector<bool> shown = c.answer == Answer::Never && c.asked
                                            ? std::vector<bool>{}
                                            : std::vector<bool>{c.onAfter};
        EXPECT_EQ(r.shownPower, shown);
    }
}

// Catches an answer that comes after the form (and its tool) has gone reaching a freed tool.
TEST(AmpPower, AnAnswerAfterTheToolIsGoneChangesNothing) {
    FreshState fresh;
    ChannelSet channels(*fresh);
    EditHistory history(*fresh, channels);
    std::function<void(bool)> later;
    auto tool = std::make_unique<AmpModePower>(*fresh, channels, history);
    tool->TogglePower([&](std::function<void(bool)> answer) { later = std::move(answer); });
    tool.reset();
    ASSERT_TRUE(later);
    later(true);
    EXPECT_EQ(fresh->image.systemBytes[sysbyte::kPower], 1);
}

}  // namespace
}  // namespace tolmarin::testing
