// The A/B compare's curves behind the graph, without widgets.
#include <gtest/gtest.h>

#include "editor/history/EditHistory.h"
#include "editor/tools/AbCompare.h"
#include "model/ChannelSet.h"
#include "support/Fresh.h"

namespace tolmarin::testing {
namespace {

QColor Faint(const OutputChannel& ch) {
    const RgbColour c = ch.GetColour();
    return {c.r, c.g, c.b, AbCompare::kCurveAlpha};
}

// Catches a curve drawn for a channel whose A and B agree (the graph cluttered), a curve in
// another channel's colour, and the model's own response drawn instead of the other setting's.
TEST(AbCompare, OnlyAChannelWhoseSettingsDifferGetsTheOtherSettingsCurveInItsColour) {
    struct Case {
        bool editCh1;
        bool editCh2;
    };
    for (const Case c :
         {Case{false, false}, Case{true, false}, Case{false, true}, Case{true, true}}) {
        FreshState fresh;
        ChannelSet channels(*fresh);
        EditHistory history(*fresh, channels);
        const AbCompare compare(*fresh, channels, history);
        std::vector<int> edited;
        for (int ch : {0, 1}) {
            if (ch == 0 ? c.editCh1 : c.editCh2) {
                channels.Channel(ch).Band(2).SetGainStep(260 + ch * 20);
                edited.push_back(ch);
            }
        }
        history.Commit();
        const std::vector<GraphOverlay> curves = compare.CurvesBehind();
        ASSERT_EQ(curves.size(), edited.size()) << c.editCh1 << c.editCh2;
        for (std::size_t i = 0; i < edited.size(); ++i) {
            const OutputChannel& ch = channels.Channel(edited[i]);
            EXPECT_EQ(curves[i].colour, Faint(ch));
            EXPECT_EQ(curves[i].db, history.OtherResponse(edited[i]));
            EXPECT_NE(curves[i].db, ch.Eq().SummedResponse());  // B is flat, A is boosted
        }
    }
}

// Catches curves left behind once the two settings agree again: after A is copied onto B
// nothing is compared, and a switch back and forth shows the same curve again.
TEST(AbCompare, CopyingOneSettingOntoTheOtherLeavesNothingBehindTheChannels) {
    FreshState fresh;
    ChannelSet channels(*fresh);
    EditHistory history(*fresh, channels);
    const AbCompare compare(*fresh, channels, history);
    channels.Channel(0).Band(4).SetGainStep(120);
    history.Commit();
    const std::vector<GraphOverlay> before = compare.CurvesBehind();
    ASSERT_EQ(before.size(), 1U);

    history.SwitchAb();
    history.SwitchAb();
    ASSERT_EQ(compare.CurvesBehind().size(), 1U);
    EXPECT_EQ(compare.CurvesBehind()[0].db, before[0].db);

    history.CopyAToB();
    EXPECT_TRUE(compare.CurvesBehind().empty());
}

}  // namespace
}  // namespace tolmarin::testing
