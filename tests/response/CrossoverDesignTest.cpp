#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <complex>

#include "response/FilterMath.h"

namespace tolmarin {
namespace {

using Row = std::array<double, 4>;
using Table = std::array<Row, 7>;

// The crossover designs as documented, copied here by hand rather than taken from the engine,
// so a changed constant in the engine's tables shows up as a wrong response.
// Section values k (second-order: 1/(2Q); first-order section 0: scales K).
constexpr Table kLinkwitzRiley = {{{1.0, 0, 0, 0},
                                   {1.0, 0.70422535211, 0, 0},
                                   {0.70422535211, 0.70422535211, 0, 0},
                                   {0.92592592593, 0.373134315, 0.92592592593, 0.373134315},
                                   {1.0, 0.453134315, 0.92592592593, 0.453134315},
                                   {1.0, 0.62, 0.62, 0},
                                   {1.0, 0.5, 0.5, 0}}};
constexpr Table kButterworth = {{{0.70422535, 0, 0, 0},
                                 {1.0, 0.5, 0, 0},
                                 {0.92592593, 0.38167939, 0, 0},
                                 {0.98039216, 0.83333333, 0.55555556, 0.1953125},
                                 {1.0, 0.90909090909, 0.625, 0.2222222222},
                                 {1.0, 0.8064616129, 0.3086417953, 0},
                                 {0.96153846, 0.70422535211, 0.2590673575, 0}}};
constexpr Table kBesselHighPass = {{{0.70422535, 0, 0, 0},
                                    {0.756, 0.72463768, 0, 0},
                                    {0.96153846, 0.61728395, 0, 0},
                                    {0.98039216, 0.89285714, 0.70422535, 0.40650406},
                                    {0.5937, 0.943396226415, 0.757575757576, 0.4424778761},
                                    {0.6656, 0.8928571428, 0.54347826, 0},
                                    {0.980392156, 0.819672131, 0.490196, 0}}};
constexpr std::array<double, 7> kBesselHighPassDivisor = {1.2683112435, 1.2854981442, 1.5006420029,
                                                          1.679120141,  1.5554981442, 1.3854981442,
                                                          1.5554981442};
// Bessel low-pass: analogue sections 1 / (1 + p s + q s^2).
constexpr Table kBesselP = {{{1.0, 0, 0, 0},
                             {0.5693712514, 0.430628846, 0, 0},
                             {0.369, 0.6278294896, 0, 0},
                             {0.117235677, 0.226516664, 0.3067559, 0.3494916166},
                             {0.5937, 1.0944, 0.8304, 0.4332},
                             {0.6656, 1.1402, 0.6216, 0},
                             {1.2217, 0.9686, 0.5131, 0}}};
constexpr Table kBesselQ = {{{0.3333333333, 0, 0, 0},
                             {0.154812441, 0, 0, 0},
                             {0.087858766, 0.109408, 0, 0},
                             {0.02064747, 0.0259273886, 0.0294683265, 0.031272257},
                             {0, 0.3395, 0.3011, 0.2381},
                             {0, 0.4128, 0.3245, 0},
                             {0.3887, 0.3505, 0.2756, 0}}};
constexpr std::array<double, 7> kBesselLowPassDivisor = {
    1.3616541287, 1.75567236868, 2.1139176749, 3.17961723751, 1.0, 1.0, 1.0};

constexpr double kDesignScale = 6.544985e-05;  // design angle per Hz, as written
constexpr double kGridAngleScale = 6.2831852 / 96000.0;

bool FirstOrderFirst(int slope) {
    return slope == 1 || slope == 4 || slope == 5;
}

// The bilinear transform with its frequency warped to the design frequency maps the grid
// angle w onto the analogue axis s = j tan(w/2) / tan(w0/2). Every section is evaluated
// there, straight from its analogue prototype: no biquad coefficients are involved.
double DirectResponseDb(int type, int family, int slope, double freq, double gridFreq) {
    const std::size_t row = static_cast<std::size_t>(slope);
    const bool bessel = family == filter::kBessel;
    double f = freq;
    if (bessel) {
        f /= type == filter::kHighPass ? kBesselHighPassDivisor[row] : kBesselLowPassDivisor[row];
    }
    const double k0 = std::tan(f * kDesignScale * 0.5);
    const std::complex<double> s(0.0, std::tan(gridFreq * kGridAngleScale * 0.5) / k0);
    std::complex<double> h = 1.0;
    if (type == filter::kLowPass && bessel) {
        for (std::size_t j = 0; j < 4; ++j) {
            const double p = kBesselP[row][j];
            const double q = kBesselQ[row][j];
            if (p != 0.0) {
                h *= 1.0 / (1.0 + p * s + q * s * s);
            }
        }
        return 20.0 * std::log10(std::abs(h));
    }
    const Table& k = family == filter::kLinkwitzRiley ? kLinkwitzRiley
                     : family == filter::kButterworth ? kButterworth
                                                      : kBesselHighPass;
    for (std::size_t j = 0; j < 4; ++j) {
        const double kj = k[row][j];
        if (j == 0 && FirstOrderFirst(slope)) {
            h *= type == filter::kHighPass ? s / (s + kj) : 1.0 / (1.0 + kj * s);
        } else if (kj != 0.0) {
            const std::complex<double> den = s * s + 2.0 * kj * s + 1.0;
            h *= (type == filter::kHighPass ? s * s : 1.0) / den;
        }
    }
    return 20.0 * std::log10(std::abs(h));
}

// Catches a changed constant in any family's table (a section value, a Bessel q or p, a
// frequency divisor): every family and slope of both crossover filters, at frequencies
// across the band, against the transfer function evaluated directly.
TEST(CrossoverDesign, EveryFamilyAndSlopeMatchesItsAnalogueTransferFunction) {
    for (int type : {filter::kHighPass, filter::kLowPass}) {
        for (int family = 0; family < 3; ++family) {
            for (int slope = 0; slope < filter::kCrossoverSlopes; ++slope) {
                for (double f : {21.0, 80.0, 1000.0, 4500.0, 19000.0}) {
                    const GridResponse r = FilterResponse(type, f, 0.0, 0, 0.3, family, slope);
                    for (int i = 0; i < kGridSize; ++i) {
                        const double expected = DirectResponseDb(
                            type, family, slope, f, FreqTable[static_cast<std::size_t>(i)]);
                        ASSERT_NEAR(r[static_cast<std::size_t>(i)], expected,
                                    1e-6 + 1e-9 * std::abs(expected))
                            << "type " << type << " family " << family << " slope " << slope
                            << " f " << f << " at " << FreqTable[static_cast<std::size_t>(i)];
                    }
                }
            }
        }
    }
}

}  // namespace
}  // namespace tolmarin
