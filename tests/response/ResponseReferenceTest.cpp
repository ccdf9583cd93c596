#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <sstream>
#include <vector>

#include "response/FilterMath.h"

namespace tolmarin {
namespace {

// Parameter sets across every type, family and slope, in and out of the usual ranges.
std::vector<FilterParams> Coverage() {
    std::vector<FilterParams> out;
    for (double f : {20.0, 21.0, 63.0, 440.0, 1000.0, 1010.0, 2000.0, 7777.0, 19999.0, 20000.0}) {
        for (int type = 0; type <= 2; ++type) {
            for (double gain : {-20.0, -6.5, 0.1, 3.0, 20.0}) {
                for (double bw : {0.05, 0.3, 1.0, 3.0}) {
                    for (int slope = 0; slope < 2; ++slope) {
                        out.push_back({type, f, gain, 0, bw, 0, slope});
                    }
                }
            }
        }
        for (int type = 3; type <= 4; ++type) {
            for (int family = 0; family < 3; ++family) {
                for (int slope = 0; slope < 7; ++slope) {
                    out.push_back({type, f, 0.0, 0, 0.3, family, slope});
                }
            }
        }
    }
    return out;
}

// The evaluation exactly as first described: cosine and sine per point and section, the
// magnitude's square root, 20 log10, summed over the sections.
GridResponse StraightforwardEvaluation(const SectionSet& set) {
    GridResponse out{};
    for (int i = 0; i < kGridSize; ++i) {
        const double w = 6.2831852 * FreqTable[static_cast<std::size_t>(i)] / 96000.0;
        double sum = 0.0;
        for (int j = 0; j < set.count; ++j) {
            const Biquad& b = set.section[static_cast<std::size_t>(j)];
            const double c = std::cos(w);
            const double s = std::sin(w);
            const double nr = (b.b0 + b.b2) * c + b.b1;
            const double ni = (b.b0 - b.b2) * s;
            const double dr = (1.0 + b.a2) * c + b.a1;
            const double di = (1.0 - b.a2) * s;
            const double magnitude = std::sqrt((nr * nr + ni * ni) / (dr * dr + di * di));
            sum += 20.0 * std::log10(magnitude);
        }
        out[static_cast<std::size_t>(i)] = sum;
    }
    return out;
}

// The transfer function itself: H(z) = (b0 + b1/z + b2/z^2) / (1 + a1/z + a2/z^2) at
// z = e^{jw}, multiplied over the sections, its magnitude in dB.
GridResponse ComplexEvaluation(const SectionSet& set) {
    GridResponse out{};
    for (int i = 0; i < kGridSize; ++i) {
        const double w = 6.2831852 * FreqTable[static_cast<std::size_t>(i)] / 96000.0;
        const std::complex<double> zInv = std::polar(1.0, -w);
        double dB = 0.0;
        for (int j = 0; j < set.count; ++j) {
            const Biquad& b = set.section[static_cast<std::size_t>(j)];
            const std::complex<double> h =
                (b.b0 + zInv * (b.b1 + zInv * b.b2)) / (1.0 + zInv * (b.a1 + zInv * b.a2));
            dB += 20.0 * std::log10(std::abs(h));
        }
        out[static_cast<std::size_t>(i)] = dB;
    }
    return out;
}

// The shortcuts of the fast evaluation (fixed-angle cosines, one logarithm per point)
// must not move any value by more than 1e-9 dB.
TEST(ResponseEvaluation, FastPathMatchesTheStraightforwardFormulasWithin1e9Db) {
    double worst = 0.0;
    for (const FilterParams& p : Coverage()) {
        const SectionSet set = DesignSections(p);
        const GridResponse fast = FilterResponse(p);
        const GridResponse ref = StraightforwardEvaluation(set);
        for (int i = 0; i < kGridSize; ++i) {
            const double d =
                std::abs(fast[static_cast<std::size_t>(i)] - ref[static_cast<std::size_t>(i)]);
            worst = std::max(worst, d);
            ASSERT_LE(d, 1e-9) << "type " << p.type << " f " << p.frequency << " family "
                               << p.family << " slope " << p.slope << " index " << i;
        }
    }
    std::ostringstream text;
    text << worst;
    RecordProperty("worst_difference_dB", text.str());
}

// Independent of the real/imaginary rearrangement the engine uses: the magnitude of the
// complex transfer function of the designed sections agrees with the response.
TEST(ResponseEvaluation, AgreesWithTheComplexTransferFunction) {
    for (const FilterParams& p : Coverage()) {
        const SectionSet set = DesignSections(p);
        const GridResponse r = FilterResponse(p);
        const GridResponse h = ComplexEvaluation(set);
        for (int i = 0; i < kGridSize; ++i) {
            const double a = r[static_cast<std::size_t>(i)];
            const double b = h[static_cast<std::size_t>(i)];
            // Deep stop bands (hundreds of dB down) lose digits to cancellation.
            ASSERT_NEAR(a, b, 1e-6 + 1e-9 * std::abs(b))
                << "type " << p.type << " f " << p.frequency << " family " << p.family << " slope "
                << p.slope << " index " << i;
        }
    }
}

// The fallback of the fast path (products out of the normal range) still sums the
// sections: a cascade of extreme sections keeps its finite total.
TEST(ResponseEvaluation, ExtremeSectionsFallBackToPerSectionSums) {
    SectionSet set;
    set.count = 4;
    for (auto& b : set.section) {
        b = {1e90, 0.0, 0.0, 0.0, 0.0};  // +1800 dB each
    }
    const GridResponse r = EvaluateSections(set);
    const GridResponse ref = StraightforwardEvaluation(set);
    for (int i = 0; i < kGridSize; ++i) {
        EXPECT_NEAR(r[static_cast<std::size_t>(i)], ref[static_cast<std::size_t>(i)], 1e-9);
        EXPECT_NEAR(r[static_cast<std::size_t>(i)], 7200.0, 1e-6);
    }
}

}  // namespace
}  // namespace tolmarin
