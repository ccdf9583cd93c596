#include <gtest/gtest.h>

#include "model/ChannelSet.h"
#include "model/ParameterTable.h"
#include "support/Fresh.h"

namespace tolmarin {
namespace {

using testing::FreshState;

TEST(ParameterTable, DefaultPeakingBandRowsAndSeparators) {
    FreshState s;
    ChannelSet set(*s);
    set.Channel(0).Band(0).SetFreq(1000, true);
    set.Channel(0).Band(0).SetBandwidthStep(5);  // 0.30 octave
    const auto rows = BuildParameterTable(set, s->ui);
    ASSERT_EQ(rows.size(), 65u);
    EXPECT_EQ(rows[6].label, "EQ1 Type");
    EXPECT_EQ(rows[6].cells[0], "PEQ");
    EXPECT_EQ(rows[7].cells[0], "0.0dB");
    EXPECT_EQ(rows[8].cells[0], "1000Hz");
    EXPECT_EQ(rows[9].cells[0], "0.30Oct");
    EXPECT_EQ(rows[10].cells[0], "4.800");
    for (int sep : {5, 11, 17, 23, 29, 35, 41, 47, 53, 57, 61}) {
        EXPECT_EQ(rows[sep].label, "") << sep;
        EXPECT_EQ(rows[sep].cells[0], "") << sep;
        EXPECT_EQ(rows[sep].cells[1], "") << sep;
    }
    EXPECT_EQ(rows[48].label, "EQ8 Type");
    EXPECT_EQ(rows[52].label, "EQ8 Q");
    EXPECT_EQ(rows[63].label, "Attach");
}

TEST(ParameterTable, ShelfShowsItsSlopeAndAnEmptyQ) {
    FreshState s;
    ChannelSet set(*s);
    set.Channel(1).Band(2).SetEqKind(2);  // low shelf, slope index 1
    const auto rows = BuildParameterTable(set, s->ui);
    EXPECT_EQ(rows[21].label, "EQ3 BW");
    EXPECT_EQ(rows[21].cells[1], "12dB/Oct");
    EXPECT_EQ(rows[22].cells[1], "");
    EXPECT_NE(rows[22].cells[0], "");  // CH1's band 3 is still a peaking band
}

TEST(ParameterTable, RoutingBitsAndChineseLabels) {
    FreshState s;
    ChannelSet set(*s);
    set.Channel(1).SetInputRoute(2);
    s->ui.language = Language::Chinese;
    const auto rows = BuildParameterTable(set, s->ui);
    EXPECT_EQ(rows[2].cells[1], "Off");
    EXPECT_EQ(rows[3].cells[1], "On");
    EXPECT_EQ(rows[1].label, "延  时");
    EXPECT_EQ(rows[12].label, "均衡2类型");
    EXPECT_EQ(rows[52].label, "均衡8Q值");
    EXPECT_EQ(rows[64].label, "释放时间");
    EXPECT_EQ(ParameterTableHeadings(s->ui)[0], "参数");
}

}  // namespace
}  // namespace tolmarin
