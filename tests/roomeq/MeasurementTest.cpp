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

namespace tolmarin::roomeq {
namespace {

// A room analyser's export: several lines of text before its data.
TEST(MeasurementEdges, TextLinesBeforeTheFirstRowOfNumbersAreAHeader) {
    const auto r = ParseMeasurement(
        "Room Analyzer export\nDevice: phone mic\nCalibration: none\n"
        "Date 2024-03-12\nFrequency [Hz]  Level [dB]\n20 70\n40 72\n");
    ASSERT_TRUE(r.measurement) << DescribeFailure(r.failure, UiState{});
    EXPECT_EQ(r.measurement->hz, (std::vector<double>{20.0, 40.0}));
    // After the first row, a line of text is an error at its line.
    const auto late = ParseMeasurement("20 70\nsomething else\n40 72\n");
    EXPECT_EQ(late.failure.line, 2);
}

// 1e308 dB is a finite number that overflows every sum of the fit into "-nan".
TEST(MeasurementEdges, LevelsNoMeasurementHoldsAreRefusedAtTheirLine) {
    for (const char* text :
         {"20 70\n40 1e308\n", "20 70\n40 -1e5\n", "20 70\n40 inf\n", "20 70\n40 nan\n"}) {
        const auto r = ParseMeasurement(text);
        EXPECT_FALSE(r.measurement) << text;
        EXPECT_EQ(r.failure.line, 2) << text;
    }
}

// Exports of a sweep to 20 kHz end at 19,750 to 19,956 Hz.
TEST(MeasurementEdges, ARangeUpTo2PercentBeyondTheEndsIsCovered) {
    const Measurement m{{20.4, 1000.0, 19750.0}, {1.0, 0.0, -3.0}};
    EXPECT_TRUE(Covers(m, 20.0, 20000.0));
    EXPECT_FALSE(Covers(m, 20.0, 20500.0));
    EXPECT_FALSE(Covers(m, 19.5, 20000.0));
    EXPECT_DOUBLE_EQ(OnGrid(m, Smoothing::None)[kGridSize - 1], -3.0) << "the end is held";
}

TEST(MeasurementEdges, DecimalCommaWithBlankSeparatorsIsReadOrRefusedSayingHow) {
    const auto r = ParseMeasurement("1000,00 69,50\n2000,5  70,25 -3,5\n");
    ASSERT_TRUE(r.measurement) << DescribeFailure(r.failure, UiState{});
    EXPECT_EQ(r.measurement->hz, (std::vector<double>{1000.0, 2000.5}));
    EXPECT_EQ(r.measurement->db, (std::vector<double>{69.5, 70.25}));
    // Comma separators with blanks still read as before.
    const auto csv = ParseMeasurement("20.5, 80.1, 0\n40, 81\n");
    ASSERT_TRUE(csv.measurement);
    EXPECT_EQ(csv.measurement->hz, (std::vector<double>{20.5, 40.0}));
    // Neither reading gives a row: refused, saying to use ';' or a tab, not "'00 69' is
    // not a number".
    const auto both = ParseMeasurement("1000,00 69,50 x\n");
    ASSERT_FALSE(both.measurement);
    EXPECT_EQ(both.failure.reason, TextId::RoomEqUseSemicolon);
    EXPECT_EQ(both.failure.line, 1);
    EXPECT_NE(DescribeFailure(both.failure, UiState{}).find("';' or a tab"), std::string::npos);
}

TEST(MeasurementEdges, EveryRefusalNamesALine) {
    for (const char* text : {"", "\n\n", "* only comments\n", "words only\n", "5 80\n"}) {
        const auto r = ParseMeasurement(text);
        EXPECT_FALSE(r.measurement) << text;
        EXPECT_GE(r.failure.line, 1) << "'" << text << "'";
    }
}

}  // namespace
}  // namespace tolmarin::roomeq
