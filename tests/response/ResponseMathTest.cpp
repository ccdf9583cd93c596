#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "response/FilterMath.h"

namespace tolmarin {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr int k1000Hz = 136;

int Index(double hz) {
    for (int i = 0; i < kGridSize; ++i) {
        if (FreqTable[static_cast<std::size_t>(i)] == hz) {
            return i;
        }
    }
    ADD_FAILURE() << hz << " Hz is not a grid frequency";
    return 0;
}

double At(const GridResponse& r, double hz) {
    return r[static_cast<std::size_t>(Index(hz))];
}

void ExpectFlat(const GridResponse& r) {
    for (double v : r) {
        ASSERT_EQ(v, 0.0);
    }
}

// The lookup as the scan is described: first entry >= f, then the nearer neighbour.
int ScanFreqToIndex(double f) {
    for (int i = 0; i < kGridSize; ++i) {
        const double t = FreqTable[static_cast<std::size_t>(i)];
        if (t >= f) {
            if (i == 0) {
                return 0;
            }
            const double below = FreqTable[static_cast<std::size_t>(i - 1)];
            return (f - below < t - f) ? i - 1 : i;
        }
    }
    return kGridSize - 1;
}

// --- Tables and lookups --------------------------------------------------------------

// Catches a mistyped or dropped table entry: the landmarks and the hand-rounded odd ones.
TEST(GridTables, LandmarksAndAscendingOrder) {
    EXPECT_EQ(FreqTable[0], 19.7);
    EXPECT_EQ(FreqTable[76], 179.0);
    EXPECT_EQ(FreqTable[k1000Hz], 1000.0);
    EXPECT_EQ(FreqTable[160], 2000.0);
    EXPECT_EQ(FreqTable[192], 5000.0);
    EXPECT_EQ(FreqTable[240], 20000.0);
    for (std::size_t i = 1; i < FreqTable.size(); ++i) {
        EXPECT_LT(FreqTable[i - 1], FreqTable[i]) << i;
    }
    // The Q table is the rounded 1 / (2 sinh(ln2/2 * bw)) of each step.
    for (int i = 0; i < kBandwidthSteps; ++i) {
        const double bw = 0.05 * (i + 1);
        const double q = 1.0 / (2.0 * std::sinh(std::log(2.0) / 2.0 * bw));
        EXPECT_NEAR(QTable[static_cast<std::size_t>(i)], q, 0.0006) << i;
    }
}

// Catches an off-by-one in the nearest-neighbour choice or a wrong tie direction.
TEST(FreqToIndex, MatchesTheScanEverywhere) {
    for (double f = 0.0; f <= 21000.0; f += 0.25) {
        ASSERT_EQ(FreqToIndex(f), ScanFreqToIndex(f)) << f;
    }
    for (std::size_t i = 1; i < FreqTable.size(); ++i) {
        const double mid = (FreqTable[i - 1] + FreqTable[i]) / 2.0;
        EXPECT_EQ(FreqToIndex(mid), ScanFreqToIndex(mid)) << mid;
        EXPECT_EQ(FreqToIndex(FreqTable[i]), static_cast<int>(i));
    }
    EXPECT_EQ(FreqToIndex(1010.0), k1000Hz);
    EXPECT_EQ(FreqToIndex(1015.0), k1000Hz + 1);  // exactly halfway: the upper entry
    EXPECT_EQ(FreqToIndex(5.0), 0);
    EXPECT_EQ(FreqToIndex(-kInf), 0);
    EXPECT_EQ(FreqToIndex(25000.0), 240);
    EXPECT_EQ(FreqToIndex(kInf), 240);
}

// Core mathematics never talks to the operator (a box in the middle of a drag): a frequency
// that is not a number comes back as no index; the caller with a user decides.
TEST(FreqToIndex, NotANumberIsReturnedAsAnErrorWithoutAMessage) {
    EXPECT_EQ(FreqToIndex(kNaN), std::nullopt);
}

TEST(QToBwIndex, EveryTableQFindsItsStepAndTheEndsHold) {
    for (int i = 0; i < kBandwidthSteps; ++i) {
        EXPECT_EQ(QToBwIndex(QTable[static_cast<std::size_t>(i)]), i);
    }
    EXPECT_EQ(QToBwIndex(100.0), 0);
    EXPECT_EQ(QToBwIndex(4.5), 6);  // between 4.8 (step 5) and 4.112 (step 6)
    EXPECT_EQ(QToBwIndex(0.1), 59);
    EXPECT_EQ(QToBwIndex(kNaN), 59);
}

// --- Plot mappings ----------------------------------------------------------------------

TEST(PlotMappings, DecadesAndDecibelsLandOnTheirPixels) {
    EXPECT_EQ(FreqToX(20, 600), 0);
    EXPECT_EQ(FreqToX(200, 600), 200);
    EXPECT_EQ(FreqToX(2000, 600), 400);
    EXPECT_EQ(FreqToX(20000, 600), 600);
    EXPECT_EQ(FreqToX(20000, 602), 600);  // w div 3
    EXPECT_EQ(FreqToX(1010, 600), 340);   // trunc(340.66)
    EXPECT_NEAR(FreqToXf(1010, 600), 200.0 * std::log10(50.5), 1e-12);
    EXPECT_EQ(XToFreq(0, 600), 20);
    EXPECT_EQ(XToFreq(200, 600), 200);
    EXPECT_EQ(XToFreq(400, 600), 2000);
    EXPECT_EQ(XToFreq(600, 600), 20000);
    EXPECT_EQ(XToFreq(-50, 600), 20);
    EXPECT_EQ(XToFreq(900, 600), 20000);
    EXPECT_EQ(XToFreq(301, 600), 639);  // 639.7, truncated
    EXPECT_EQ(DbToY(0.0, 240), 80);
    EXPECT_EQ(DbToY(-40.0, 240), 240);
    EXPECT_EQ(DbToY(20.0, 240), 0);
    EXPECT_EQ(DbToY(-0.1, 240), 80);  // 80.4 + 0.5, truncated
    EXPECT_EQ(DbToY(-0.2, 240), 81);  // 80.8 + 0.5
    EXPECT_DOUBLE_EQ(DbToYf(-0.1, 240), 80.4);
    // Half a dB away from the line in each direction, never inside (-0.5, 0.5).
    EXPECT_DOUBLE_EQ(YToDb(80, 240), -0.5);
    EXPECT_DOUBLE_EQ(YToDb(79, 240), 0.75);
    EXPECT_DOUBLE_EQ(YToDb(81, 240), -0.75);
    EXPECT_DOUBLE_EQ(YToDb(0, 240), 20.5);
}

// Catches undefined conversions: 0 Hz, infinite or NaN responses, empty plots.
TEST(PlotMappings, DegenerateInputsGiveDefinedPixels) {
    EXPECT_EQ(FreqToX(0.0, 600), -1000000);
    EXPECT_EQ(FreqToX(-5.0, 600), 0);  // NaN
    EXPECT_EQ(FreqToX(kInf, 600), 1000000);
    EXPECT_EQ(FreqToX(0.0, 0), 0);  // -inf * 0
    EXPECT_EQ(DbToY(-kInf, 240), 1000000);
    EXPECT_EQ(DbToY(kInf, 240), -1000000);
    EXPECT_EQ(DbToY(kNaN, 240), 0);
    EXPECT_EQ(DbToY(-kInf, 0), 0);
    EXPECT_EQ(XToFreq(100, 2), 20);
    EXPECT_DOUBLE_EQ(YToDb(10, 0), -0.5);
}

// --- Response edge cases ----------------------------------------------------------------

TEST(FilterResponse, NewFilterParametersAreFlatEverywhere) {
    ExpectFlat(FilterResponse(FilterParams{}));
    ExpectFlat(FilterResponse(0, 1000, 0.0, 1, 0.3, 0, 0));
    EXPECT_EQ(DesignSections(FilterParams{}).count, 0);
}

TEST(FilterResponse, BypassFlattensBandsAndShelvesWhateverTheGain) {
    for (int type = 0; type <= 2; ++type) {
        ExpectFlat(FilterResponse(type, 1000, 12.0, 1, 0.3, 0, 0));
        EXPECT_NE(FilterResponse(type, 1000, 12.0, 0, 0.3, 0, 0)[k1000Hz], 0.0) << type;
    }
}

TEST(FilterResponse, PeakingIsComputedAtTheNearestGridFrequency) {
    const auto at1000 = FilterResponse(0, 1000, 6.0, 0, 0.3, 0, 0);
    EXPECT_EQ(FilterResponse(0, 1010, 6.0, 0, 0.3, 0, 0), at1000);
    EXPECT_EQ(FilterResponse(0, 1014.9, 6.0, 0, 0.3, 0, 0), at1000);
    EXPECT_EQ(FilterResponse(0, 1015, 6.0, 0, 0.3, 0, 0),
              FilterResponse(0, 1030, 6.0, 0, 0.3, 0, 0));
    EXPECT_EQ(FilterResponse(0, 3, 6.0, 0, 0.3, 0, 0), FilterResponse(0, 19.7, 6.0, 0, 0.3, 0, 0));
    EXPECT_EQ(FilterResponse(0, 30000, 6.0, 0, 0.3, 0, 0),
              FilterResponse(0, 20000, 6.0, 0, 0.3, 0, 0));
    // The peak is the gain, at the grid point of the centre.
    EXPECT_NEAR(at1000[k1000Hz], 6.0, 1e-4);
    for (int i = 0; i < kGridSize; ++i) {
        EXPECT_LE(at1000[static_cast<std::size_t>(i)], at1000[k1000Hz]);
    }
}

// Catches the cookbook's ln2/2 in place of ln2: the half-gain points of a 0.5-octave
// band then lie one octave apart (707 Hz and 1414 Hz), not half an octave.
TEST(FilterResponse, PeakingBandwidthUsesTheFullLn2Factor) {
    const auto r = FilterResponse(0, 1000, 12.0, 0, 0.5, 0, 0);
    EXPECT_NEAR(At(r, 707), 6.0, 0.1);
    EXPECT_NEAR(At(r, 1414), 6.0, 0.1);
    const auto cut = FilterResponse(0, 1000, -12.0, 0, 0.5, 0, 0);
    EXPECT_NEAR(At(cut, 707), -6.0, 0.1);
}

TEST(FilterResponse, NotANumberFrequencyIsFlat) {
    ExpectFlat(FilterResponse(0, kNaN, 6.0, 0, 0.3, 0, 0));
}

// The midpoint (half the gain) of each shelf sits at its design frequency: the filter's
// frequency times the factor of its type and slope.
TEST(FilterResponse, ShelfMidpointsAtTheirDesignFrequencies) {
    struct Case {
        int type, slope;
        double factor;
    };
    for (const Case c : {Case{1, 0, 2.0}, Case{1, 1, 1.2727272727}, Case{2, 0, 0.4545454546},
                         Case{2, 1, 0.76923076923}}) {
        const auto r = FilterResponse(c.type, 1000.0 / c.factor, 10.0, 0, 0.3, 0, c.slope);
        EXPECT_NEAR(r[k1000Hz], 5.0, 1e-4) << c.type << "/" << c.slope;
        const double lowEnd = r.front();
        const double highEnd = r.back();
        EXPECT_NEAR(c.type == 1 ? lowEnd : highEnd, 10.0, 0.6) << c.type << "/" << c.slope;
        EXPECT_NEAR(c.type == 1 ? highEnd : lowEnd, 0.0, 0.6) << c.type << "/" << c.slope;
    }
    ExpectFlat(FilterResponse(1, 500, 0.0, 0, 0.3, 0, 0));  // exactly 0 dB: flat section
}

// The shelf slope of the cookbook grows in proportion to S: the steep shelf (1.3) is 2.6
// times as steep at its midpoint as the gentle one (0.5).
TEST(FilterResponse, SteepShelfIsSteeperInProportionToItsSlope) {
    const auto gentle = FilterResponse(1, 500, 6.0, 0, 0.3, 0, 0);
    const auto steep = FilterResponse(1, 1000.0 / 1.2727272727, 6.0, 0, 0.3, 0, 1);
    const double g = gentle[k1000Hz - 1] - gentle[k1000Hz + 1];
    const double s = steep[k1000Hz - 1] - steep[k1000Hz + 1];
    EXPECT_NEAR(s / g, 2.6, 0.15);
}

TEST(FilterResponse, CrossoversAtTheirEndStopsAreFlatWhateverFamilyAndSlope) {
    for (int family = 0; family < 3; ++family) {
        for (int slope = 0; slope < 7; ++slope) {
            ExpectFlat(FilterResponse(3, 20, 0, 0, 0.3, family, slope));
            ExpectFlat(FilterResponse(4, 20000, 0, 0, 0.3, family, slope));
            EXPECT_LT(FilterResponse(3, 21, 0, 0, 0.3, family, slope).front(), -0.1);
            EXPECT_LT(FilterResponse(4, 19999, 0, 0, 0.3, family, slope).back(), -0.01);
        }
    }
}

TEST(FilterResponse, ButterworthIsThreeAndLinkwitzRileySixDecibelsDownAtTheCorner) {
    EXPECT_NEAR(FilterResponse(4, 1000, 0, 0, 0.3, 2, 0)[k1000Hz], -3.0, 0.05);
    EXPECT_NEAR(FilterResponse(4, 1000, 0, 0, 0.3, 0, 0)[k1000Hz], -6.02, 0.05);
    EXPECT_NEAR(FilterResponse(3, 1000, 0, 0, 0.3, 2, 0)[k1000Hz], -3.0, 0.05);
    EXPECT_NEAR(FilterResponse(3, 1000, 0, 0, 0.3, 0, 0)[k1000Hz], -6.02, 0.05);
    // Every Butterworth order is near -3 dB at its corner, every even Linkwitz-Riley
    // (and the odd third order) near -6 dB; a mistyped section value moves them.
    for (int type = 3; type <= 4; ++type) {
        for (int slope = 0; slope < 7; ++slope) {
            EXPECT_NEAR(FilterResponse(type, 1000, 0, 0, 0.3, 2, slope)[k1000Hz], -3.0, 0.15)
                << type << "/" << slope;
        }
        for (int slope : {0, 1, 2, 3, 6}) {
            EXPECT_NEAR(FilterResponse(type, 1000, 0, 0, 0.3, 0, slope)[k1000Hz], -6.0, 0.45)
                << type << "/" << slope;
        }
    }
}

// Far in the stop band each order falls 6 dB per octave per order: catches a lost or
// extra section and a wrong first-order replacement, for every family and slope.
TEST(FilterResponse, StopBandSlopeMatchesTheOrderOfEverySlopeIndex) {
    constexpr int kOrder[] = {2, 3, 4, 8, 7, 5, 6};
    constexpr int kSections[] = {1, 2, 2, 4, 4, 3, 3};
    for (int family = 0; family < 3; ++family) {
        for (int slope = 0; slope < 7; ++slope) {
            const double expected = 6.02 * kOrder[slope];
            const auto hp = FilterResponse(3, 4000, 0, 0, 0.3, family, slope);
            EXPECT_NEAR(At(hp, 250) - At(hp, 125), expected, 1.5) << family << "/" << slope;
            const auto lp = FilterResponse(4, 100, 0, 0, 0.3, family, slope);
            EXPECT_NEAR(At(lp, 2000) - At(lp, 4000), expected, 1.5) << family << "/" << slope;
            // Pass band near 0 dB.
            EXPECT_NEAR(At(hp, 20000), 0.0, 0.5) << family << "/" << slope;
            EXPECT_NEAR(At(lp, 19.7), 0.0, 0.5) << family << "/" << slope;
            EXPECT_EQ(DesignSections({3, 4000, 0, 0, 0.3, family, slope}).count, kSections[slope]);
            EXPECT_EQ(DesignSections({4, 100, 0, 0, 0.3, family, slope}).count, kSections[slope]);
        }
    }
}

TEST(FilterResponse, OutOfRangeCodesAreFlat) {
    for (int family : {-1, 3, 100}) {
        ExpectFlat(FilterResponse(3, 1000, 0, 0, 0.3, family, 0));
        ExpectFlat(FilterResponse(4, 1000, 0, 0, 0.3, family, 0));
    }
    for (int slope : {-1, 7, 1000}) {
        ExpectFlat(FilterResponse(3, 1000, 0, 0, 0.3, 0, slope));
        ExpectFlat(FilterResponse(4, 1000, 0, 0, 0.3, 1, slope));
    }
    for (int slope : {-1, 2}) {
        ExpectFlat(FilterResponse(1, 1000, 6.0, 0, 0.3, 0, slope));
        ExpectFlat(FilterResponse(2, 1000, 6.0, 0, 0.3, 0, slope));
    }
    for (int type : {-1, 5, 99}) {
        ExpectFlat(FilterResponse(type, 1000, 6.0, 0, 0.3, 0, 0));
    }
}

// Frequencies a damaged record can carry (0 Hz, negative) give defined values.
TEST(FilterResponse, DegenerateFrequenciesGiveNoNotANumber) {
    for (int family = 0; family < 3; ++family) {
        for (int slope = 0; slope < 7; ++slope) {
            for (int type = 3; type <= 4; ++type) {
                for (double f : {0.0, -100.0, 47000.0}) {
                    for (double v : FilterResponse(type, f, 0, 0, 0.3, family, slope)) {
                        ASSERT_FALSE(std::isnan(v))
                            << type << "/" << family << "/" << slope << " at " << f;
                    }
                }
            }
        }
    }
}

}  // namespace
}  // namespace tolmarin
