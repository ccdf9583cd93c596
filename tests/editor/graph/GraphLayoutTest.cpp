#include <gtest/gtest.h>

#include "editor/graph/GraphGeometry.h"
#include "editor/graph/GraphLayout.h"
#include "response/Filter.h"
#include "support/Fresh.h"

namespace tolmarin {
namespace {

// A client of 645 x 270 gives a plot of 600 x 240: 200 pixels a decade, 4 pixels a dB.
const Rect kClient{0, 0, 645, 270};

TEST(GraphLayout, PlotAndGridSitWhereTheMappingsPutThem) {
    const GraphLayout layout(kClient);
    EXPECT_EQ(layout.Plot(), (Rect{35, 10, 635, 250}));
    EXPECT_EQ(layout.GridX()[0], 35);    // 20 Hz
    EXPECT_EQ(layout.GridX()[9], 235);   // 200 Hz
    EXPECT_EQ(layout.GridX()[18], 435);  // 2 kHz
    EXPECT_EQ(layout.GridX()[26], 574);  // 10 kHz, the last line
    EXPECT_EQ(layout.GridY(4), 90);      // 0 dB
    EXPECT_EQ(layout.GridY(12), 250);    // -40 dB, the bottom edge

    // A client smaller than its margins still gives an empty plot, not a negative one.
    EXPECT_TRUE(GraphLayout({0, 0, 20, 10}).Plot().IsEmpty());
    EXPECT_GE(GraphLayout({0, 0, 20, 10}).PlotWidth(), 0);
}

TEST(GraphLayout, AxisLabelsKeepTheirOffsets) {
    const GraphLayout layout(kClient);
    const auto db = layout.DbLabels();
    EXPECT_EQ(db[0].y, 5);
    EXPECT_EQ(db[1].y, 43);   // +10 dB: 2u + 3 with u = 20
    EXPECT_EQ(db[6].y, 240);  // -40 dB: the plot height
    EXPECT_STREQ(Tr(db[2].text, Language::English), "0dB");

    const auto freq = layout.FreqLabels();
    EXPECT_EQ(freq[0].x, 30);        // "20" at its fixed place
    EXPECT_EQ(freq[5].x, 374 - 8);   // "1K"
    EXPECT_EQ(freq[9].x, 635 - 15);  // "20K"
    EXPECT_STREQ(Tr(freq[9].text, Language::Chinese), "20K");
    EXPECT_EQ(freq[9].y, 250);
}

TEST(GraphLayout, HandleLabelsStayInsideThePlotAtBothEnds) {
    testing::FreshState fresh;
    const GraphLayout layout(kClient);
    const PlotSize plot = PlotSize::Of(layout.Plot());
    const auto align = [&](const Filter& f) {
        return HandleLabelAlign(f, MarksOf(f, plot).main, layout.Plot());
    };
    Filter band(*fresh);
    band.SetFreq(1000, false);
    EXPECT_EQ(align(band), HandleAlign::kCentre);
    EXPECT_EQ(HandleLabelText(band, 0, Language::English), "1");
    band.SetFreq(20000, false);
    EXPECT_EQ(MarksOf(band, plot).main.right, 600 + 8 + 35);
    EXPECT_EQ(align(band), HandleAlign::kLeft);
    band.SetFreq(18260, false);  // handle's right edge exactly on the plot's
    EXPECT_EQ(align(band), HandleAlign::kLeft);

    Filter hp(*fresh);
    hp.SetType(filter::kHighPass);
    hp.SetEqBand(0);
    hp.SetFreq(20, false);
    EXPECT_EQ(align(hp), HandleAlign::kRight);
    EXPECT_EQ(HandleLabelText(hp, 8, Language::Chinese), "H");
    Filter lp(*fresh);
    lp.SetType(filter::kLowPass);
    EXPECT_EQ(HandleLabelText(lp, 9, Language::English), "L");
}

}  // namespace
}  // namespace tolmarin
