#include <gtest/gtest.h>

#include <cmath>

#include "roomeq/Measurement.h"

namespace tolmarin::roomeq {
namespace {

TEST(Measurement, ReadsRewExportSemicolonDecimalCommaAndAnyOrder) {
    const auto rew = ParseMeasurement(
        "* Measurement data measured by REW\n* Freq(Hz), SPL(dB), Phase(degrees)\n"
        "1000.0, 80.5, 12.0\n100.0, 70.0, -3.0\n5.0, 99.0, 0.0\n30000, 1.0, 0\n");
    ASSERT_TRUE(rew.measurement);
    EXPECT_EQ(rew.measurement->hz, (std::vector<double>{100.0, 1000.0}));  // sorted, 10 Hz-24 kHz
    EXPECT_EQ(rew.measurement->db, (std::vector<double>{70.0, 80.5}));

    const auto csv = ParseMeasurement("Frequency;SPL\n# comment\n20,5;80,25\n\n40\t81,5\n");
    ASSERT_TRUE(csv.measurement) << csv.failure.line;
    EXPECT_EQ(csv.measurement->hz, (std::vector<double>{20.5, 40.0}));
    EXPECT_EQ(csv.measurement->db, (std::vector<double>{80.25, 81.5}));
}

TEST(Measurement, RefusesWithTheLineNumberAndReason) {
    UiState ui;
    const auto columns = ParseMeasurement("20 80\n30 81\n40\n");
    ASSERT_FALSE(columns.measurement);
    EXPECT_EQ(DescribeFailure(columns.failure, ui), "line 3: expected 2 or 3 columns, found 1");

    const auto word = ParseMeasurement("freq db\n20 80\n30 eighty\n");
    EXPECT_EQ(DescribeFailure(word.failure, ui), "line 3: 'eighty' is not a number");

    const auto negative = ParseMeasurement("-20 80\n");
    EXPECT_EQ(negative.failure.line, 1);
    EXPECT_EQ(negative.failure.reason, TextId::RoomEqBadFrequency);

    const auto outside = ParseMeasurement("5 80\n30000 80\n");
    EXPECT_FALSE(outside.measurement);
    EXPECT_EQ(outside.failure.reason, TextId::RoomEqNoPoints);

    ui.language = Language::Chinese;
    EXPECT_EQ(DescribeFailure(columns.failure, ui), "第3行: 应为2或3列, 实有1列");
}

TEST(Measurement, CoverageAndLogInterpolationOntoTheGrid) {
    Measurement m{{100.0, 400.0}, {0.0, 12.0}};
    EXPECT_TRUE(Covers(m, 100.0, 400.0));
    EXPECT_FALSE(Covers(m, 60.0, 400.0));
    const GridResponse g = OnGrid(m, Smoothing::None);
    // Linear in log frequency between the points; the ends are held beyond the points.
    EXPECT_NEAR(g[static_cast<std::size_t>(*FreqToIndex(198.0))],
                12.0 * std::log2(198.0 / 100.0) / 2.0, 1e-9);
    EXPECT_DOUBLE_EQ(g[0], 0.0);
    EXPECT_DOUBLE_EQ(g[kGridSize - 1], 12.0);
}

TEST(Measurement, SmoothingFlattensANarrowNotchByItsWidth) {
    Measurement m;
    for (double f = 20.0; f <= 20000.0; f *= std::exp2(1.0 / 96.0)) {
        m.hz.push_back(f);
        m.db.push_back(std::abs(std::log2(f / 1000.0)) < 1.0 / 48.0 ? -12.0 : 0.0);
    }
    const auto at1k = [&](Smoothing s) { return OnGrid(m, s)[136]; };
    EXPECT_LT(at1k(Smoothing::None), -11.0);
    EXPECT_GT(at1k(Smoothing::Twelfth), at1k(Smoothing::None));
    EXPECT_GT(at1k(Smoothing::Sixth), at1k(Smoothing::Twelfth));
    EXPECT_GT(at1k(Smoothing::Third), at1k(Smoothing::Sixth));
}

}  // namespace
}  // namespace tolmarin::roomeq
