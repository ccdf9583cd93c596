#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <numbers>
#include <random>
#include <vector>

#include "measure/Fft.h"

namespace tolmarin::measure {
namespace {

// The transform against the DFT's definition, at a power of two and at lengths whose half
// splits into radices 3 and 5, as the recordings' transforms now do; and back again.
TEST(RealFft, MatchesTheDftAtEveryFastLengthAndInvertsExactly) {
    std::mt19937 rng(3);
    std::uniform_real_distribution<double> u(-1.0, 1.0);
    for (const std::size_t n : {16u, 120u, 2250u, 4096u}) {
        std::vector<double> x(n);
        for (double& v : x) {
            v = u(rng);
        }
        const auto fft = RealFft::Of(n);
        std::vector<std::complex<double>> got(n / 2 + 1);
        fft->Forward(x.data(), got.data());
        double worst = 0.0;
        for (std::size_t k = 0; k <= n / 2; k += 1 + n / 64) {
            std::complex<double> want = 0.0;
            for (std::size_t i = 0; i < n; ++i) {
                want += x[i] *
                        std::polar(1.0, -2.0 * std::numbers::pi * static_cast<double>(k * i % n) /
                                            static_cast<double>(n));
            }
            worst = std::max(worst, std::abs(got[k] - want));
        }
        EXPECT_LT(worst, 1e-10) << n;
        std::vector<double> back(n);
        fft->Inverse(got.data(), back.data());
        for (std::size_t i = 0; i < n; ++i) {
            ASSERT_NEAR(back[i], x[i], 1e-13) << n << " at " << i;
        }
    }
}

TEST(RealFft, TheFastLengthIsTheShortestEvenOneOfRadicesTwoToFive) {
    const std::pair<std::size_t, std::size_t> cases[] = {
        {0, 2},           {3, 4}, {11, 12}, {13, 16}, {1000, 1000}, {1u << 20, 1u << 20},
        {717288, 720000},  // the default sweep's recording with a second to spare
    };
    for (const auto& [n, want] : cases) {
        EXPECT_EQ(FastFftSize(n), want) << n;
    }
    EXPECT_EQ(RealFft::Of(120), RealFft::Of(120));  // one plan per length
}

}  // namespace
}  // namespace tolmarin::measure
