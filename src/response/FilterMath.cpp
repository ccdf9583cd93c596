#include "response/FilterMath.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace tolmarin {

// Hand-rounded, so listed rather than computed; 179 and 5000 are as the device uses them.
const std::array<double, kGridSize> FreqTable = {
    19.7,    20.3,    20.9,    21.5,    22.1,    22.7,    23.4,    24.1,    24.8,    25.5,
    26.3,    27.0,    27.8,    28.7,    29.5,    30.4,    31.3,    32.2,    33.1,    34.1,
    35.1,    36.1,    37.2,    38.3,    39.4,    40.5,    41.7,    42.9,    44.2,    45.5,
    46.8,    48.2,    49.6,    51.1,    52.6,    54.1,    55.7,    57.3,    59.0,    60.7,
    62.5,    64.3,    66.2,    68.2,    70.2,    72.2,    74.3,    76.5,    78.7,    81.1,
    83.4,    85.9,    88.4,    91.0,    93.6,    96.4,    99.2,    102.0,   105.0,   108.0,
    111.0,   115.0,   118.0,   121.0,   125.0,   129.0,   132.0,   136.0,   140.0,   144.0,
    149.0,   153.0,   158.0,   162.0,   167.0,   172.0,   179.0,   182.0,   187.0,   193.0,
    198.0,   204.0,   210.0,   216.0,   223.0,   229.0,   236.0,   243.0,   250.0,   257.0,
    265.0,   273.0,   281.0,   289.0,   297.0,   306.0,   315.0,   324.0,   334.0,   344.0,
    354.0,   364.0,   375.0,   386.0,   397.0,   409.0,   420.0,   433.0,   445.0,   459.0,
    472.0,   486.0,   500.0,   515.0,   530.0,   545.0,   561.0,   578.0,   595.0,   612.0,
    630.0,   648.0,   667.0,   687.0,   707.0,   728.0,   749.0,   771.0,   794.0,   817.0,
    841.0,   866.0,   891.0,   917.0,   944.0,   972.0,   1000.0,  1030.0,  1060.0,  1090.0,
    1123.0,  1155.0,  1190.0,  1224.0,  1260.0,  1297.0,  1335.0,  1374.0,  1414.0,  1456.0,
    1498.0,  1542.0,  1587.0,  1634.0,  1682.0,  1731.0,  1782.0,  1834.0,  1888.0,  1943.0,
    2000.0,  2059.0,  2119.0,  2181.0,  2245.0,  2311.0,  2378.0,  2448.0,  2520.0,  2594.0,
    2670.0,  2748.0,  2828.0,  2911.0,  2997.0,  3084.0,  3175.0,  3268.0,  3364.0,  3462.0,
    3564.0,  3668.0,  3776.0,  3886.0,  4000.0,  4117.0,  4238.0,  4362.0,  4490.0,  4621.0,
    4757.0,  4896.0,  5000.0,  5187.0,  5339.0,  5496.0,  5657.0,  5823.0,  5993.0,  6169.0,
    6350.0,  6536.0,  6727.0,  6924.0,  7127.0,  7336.0,  7551.0,  7772.0,  8000.0,  8234.0,
    8476.0,  8724.0,  8980.0,  9243.0,  9514.0,  9792.0,  10079.0, 10374.0, 10679.0, 10992.0,
    11314.0, 11645.0, 11987.0, 12338.0, 12699.0, 13071.0, 13454.0, 13849.0, 14254.0, 14672.0,
    15102.0, 15545.0, 16000.0, 16469.0, 16951.0, 17448.0, 17959.0, 18486.0, 19027.0, 19585.0,
    20000.0,
};

const std::array<double, kBandwidthSteps> QTable = {
    28.852, 14.424, 9.614, 7.208, 5.764, 4.8,   4.112, 3.595, 3.193, 2.871, 2.607, 2.387,
    2.201,  2.041,  1.902, 1.78,  1.673, 1.577, 1.492, 1.414, 1.344, 1.28,  1.222, 1.168,
    1.119,  1.073,  1.031, 0.991, 0.954, 0.92,  0.887, 0.857, 0.828, 0.801, 0.776, 0.752,
    0.729,  0.707,  0.686, 0.667, 0.648, 0.63,  0.613, 0.596, 0.581, 0.565, 0.551, 0.537,
    0.524,  0.511,  0.498, 0.486, 0.475, 0.464, 0.453, 0.442, 0.432, 0.423, 0.413, 0.404,
};

namespace {

// The constants of the device's own model, kept as written rather than as exact 2 pi.
constexpr double kTwoPi = 6.2831852;
constexpr double kSampleRate = 96000.0;
constexpr double kDesignScale = 6.544985e-05;  // rad per Hz at 96 kHz
constexpr double kLn2 = 0.69314718;
constexpr double kGuard = 1e-10;  // replaces an a0 of exactly zero

constexpr double kPixelLimit = 1000000.0;

// Truncation toward zero that saturates, so no double reaches an int conversion out of
// range; NaN gives 0.
int SaturatingTrunc(double v, double limit) {
    if (std::isnan(v)) {
        return 0;
    }
    return static_cast<int>(std::clamp(v, -limit, limit));
}

double GuardA0(double a0) {
    return a0 == 0.0 ? kGuard : a0;
}

Biquad Normalise(double b0, double b1, double b2, double a0, double a1, double a2) {
    return {b0 / a0, b1 / a0, b2 / a0, a1 / a0, a2 / a0};
}

// Crossover section values k_j (1 / 2Q of a second-order section; for the first-order
// section 0 of odd orders, the factor on K).
using KRow = std::array<double, 4>;
constexpr std::array<KRow, filter::kCrossoverSlopes> kLinkwitzRileyK = {{
    {1.0, 0.0, 0.0, 0.0},
    {1.0, 0.70422535211, 0.0, 0.0},
    {0.70422535211, 0.70422535211, 0.0, 0.0},
    {0.92592592593, 0.373134315, 0.92592592593, 0.373134315},
    {1.0, 0.453134315, 0.92592592593, 0.453134315},
    {1.0, 0.62, 0.62, 0.0},
    {1.0, 0.5, 0.5, 0.0},
}};
constexpr std::array<KRow, filter::kCrossoverSlopes> kButterworthK = {{
    {0.70422535, 0.0, 0.0, 0.0},
    {1.0, 0.5, 0.0, 0.0},
    {0.92592593, 0.38167939, 0.0, 0.0},
    {0.98039216, 0.83333333, 0.55555556, 0.1953125},
    {1.0, 0.90909090909, 0.625, 0.2222222222},
    {1.0, 0.8064616129, 0.3086417953, 0.0},
    {0.96153846, 0.70422535211, 0.2590673575, 0.0},
}};
constexpr std::array<KRow, filter::kCrossoverSlopes> kBesselHighPassK = {{
    {0.70422535, 0.0, 0.0, 0.0},
    {0.756, 0.72463768, 0.0, 0.0},
    {0.96153846, 0.61728395, 0.0, 0.0},
    {0.98039216, 0.89285714, 0.70422535, 0.40650406},
    {0.5937, 0.943396226415, 0.757575757576, 0.4424778761},
    {0.6656, 0.8928571428, 0.54347826, 0.0},
    {0.980392156, 0.819672131, 0.490196, 0.0},
}};
constexpr std::array<double, filter::kCrossoverSlopes> kBesselHighPassDivisor = {
    1.2683112435, 1.2854981442, 1.5006420029, 1.679120141,
    1.5554981442, 1.3854981442, 1.5554981442};

// Bessel low-pass: analogue sections 1 / (1 + p s + q s^2) through the bilinear transform.
constexpr std::array<KRow, filter::kCrossoverSlopes> kBesselLowPassP = {{
    {1.0, 0.0, 0.0, 0.0},
    {0.5693712514, 0.430628846, 0.0, 0.0},
    {0.369, 0.6278294896, 0.0, 0.0},
    {0.117235677, 0.226516664, 0.3067559, 0.3494916166},
    {0.5937, 1.0944, 0.8304, 0.4332},
    {0.6656, 1.1402, 0.6216, 0.0},
    {1.2217, 0.9686, 0.5131, 0.0},
}};
constexpr std::array<KRow, filter::kCrossoverSlopes> kBesselLowPassQ = {{
    {0.3333333333, 0.0, 0.0, 0.0},
    {0.154812441, 0.0, 0.0, 0.0},
    {0.087858766, 0.109408, 0.0, 0.0},
    {0.02064747, 0.0259273886, 0.0294683265, 0.031272257},
    {0.0, 0.3395, 0.3011, 0.2381},
    {0.0, 0.4128, 0.3245, 0.0},
    {0.3887, 0.3505, 0.2756, 0.0},
}};
constexpr std::array<double, filter::kCrossoverSlopes> kBesselLowPassDivisor = {
    1.3616541287, 1.75567236868, 2.1139176749, 3.17961723751, 1.0, 1.0, 1.0};

bool IsOddOrder(int slope) {
    return slope == 1 || slope == 4 || slope == 5;
}

void Add(SectionSet& set, const Biquad& b) {
    set.section[static_cast<std::size_t>(set.count++)] = b;
}

void DesignPeaking(const FilterParams& p, SectionSet& out) {
    const std::optional<int> index = FreqToIndex(p.frequency);
    if (!index) {
        return;  // not a number: drawn flat rather than guessed at
    }
    const double f = FreqTable[static_cast<std::size_t>(*index)];
    const double w0 = f * kDesignScale;
    const double a = std::pow(10.0, p.gain / 40.0);
    const double sn = std::sin(w0);
    const double cs = std::cos(w0);
    const double alpha = sn * std::sinh(kLn2 * p.bandwidth * w0 / sn);
    const double a0 = 1.0 + alpha / a;
    Add(out, {(1.0 + alpha * a) / a0, -2.0 * cs / a0, (1.0 - alpha * a) / a0, -2.0 * cs / a0,
              (1.0 - alpha / a) / a0});
}

void DesignShelf(const FilterParams& p, SectionSet& out) {
    if (p.slope < 0 || p.slope >= filter::kShelfSlopes) {
        return;
    }
    if (p.gain == 0.0) {
        return;
    }
    const bool low = p.type == filter::kLowShelf;
    const double s = p.slope == 0 ? 0.5 : 1.3;
    double factor;
    if (low) {
        factor = p.slope == 0 ? 2.0 : 1.2727272727;
    } else {
        factor = p.slope == 0 ? 0.4545454546 : 0.76923076923;
    }
    const double w0 = p.frequency * factor * kDesignScale;
    const double a = std::pow(10.0, p.gain / 40.0);
    const double cs = std::cos(w0);
    const double alpha = std::sin(w0) / 2.0 * std::sqrt((a + 1.0 / a) * (1.0 / s - 1.0) + 2.0);
    const double b = 2.0 * std::sqrt(a) * alpha;
    if (low) {
        const double a0 = (a + 1.0) + (a - 1.0) * cs + b;
        Add(out,
            {a * ((a + 1.0) - (a - 1.0) * cs + b) / a0, 2.0 * a * ((a - 1.0) - (a + 1.0) * cs) / a0,
             a * ((a + 1.0) - (a - 1.0) * cs - b) / a0, -2.0 * ((a - 1.0) + (a + 1.0) * cs) / a0,
             ((a + 1.0) + (a - 1.0) * cs - b) / a0});
    } else {
        const double a0 = (a + 1.0) - (a - 1.0) * cs + b;
        Add(out, {a * ((a + 1.0) + (a - 1.0) * cs + b) / a0,
                  -2.0 * a * ((a - 1.0) + (a + 1.0) * cs) / a0,
                  a * ((a + 1.0) + (a - 1.0) * cs - b) / a0,
                  2.0 * ((a - 1.0) - (a + 1.0) * cs) / a0, ((a + 1.0) - (a - 1.0) * cs - b) / a0});
    }
}

// High-pass of every family, and low-pass of Linkwitz-Riley and Butterworth.
void DesignKCrossover(const FilterParams& p, const KRow& k, double frequency, SectionSet& out) {
    const bool high = p.type == filter::kHighPass;
    const double w0 = frequency * kDesignScale;
    const double cs = std::cos(w0);
    const double sn = std::sin(w0);
    const double kk = std::tan(w0 * 0.5);
    for (std::size_t j = 0; j < k.size(); ++j) {
        if (k[j] == 0.0) {
            continue;  // flat section
        }
        if (j == 0 && IsOddOrder(p.slope)) {
            if (high) {
                const double a0 = GuardA0(k[0] * kk + 1.0);
                Add(out, Normalise(1.0, -1.0, 0.0, a0, k[0] * kk - 1.0, 0.0));
            } else {
                const double a0 = GuardA0(kk + k[0]);
                Add(out, Normalise(kk, kk, 0.0, a0, kk - k[0], 0.0));
            }
            continue;
        }
        const double alpha = sn * k[j];
        const double a0 = GuardA0(1.0 + alpha);
        const double b0 = high ? (1.0 + cs) / 2.0 : (1.0 - cs) / 2.0;
        const double b1 = high ? -2.0 * b0 : 2.0 * b0;
        Add(out, Normalise(b0, b1, b0, a0, -2.0 * cs, 1.0 - alpha));
    }
}

void DesignBesselLowPass(const FilterParams& p, SectionSet& out) {
    const auto slope = static_cast<std::size_t>(p.slope);
    const double f = p.frequency / kBesselLowPassDivisor[slope];
    const double kk = std::tan(f * kDesignScale * 0.5);
    const double k2 = kk * kk;
    for (std::size_t j = 0; j < 4; ++j) {
        const double pj = kBesselLowPassP[slope][j];
        const double qj = kBesselLowPassQ[slope][j];
        if (pj == 0.0) {
            continue;
        }
        // An a0 of zero needs 0 Hz (K = 0) with q = 0; guarded like the other families so
        // the section is silent instead of not a number.
        const double a0 = GuardA0(pj * kk + k2 + qj);
        Add(out, Normalise(k2, 2.0 * k2, k2, a0, 2.0 * k2 - 2.0 * qj, k2 - pj * kk + qj));
    }
}

void DesignCrossover(const FilterParams& p, SectionSet& out) {
    if (p.slope < 0 || p.slope >= filter::kCrossoverSlopes) {
        return;
    }
    const auto slope = static_cast<std::size_t>(p.slope);
    switch (p.family) {
        case filter::kLinkwitzRiley:
            DesignKCrossover(p, kLinkwitzRileyK[slope], p.frequency, out);
            break;
        case filter::kButterworth:
            DesignKCrossover(p, kButterworthK[slope], p.frequency, out);
            break;
        case filter::kBessel:
            if (p.type == filter::kHighPass) {
                DesignKCrossover(p, kBesselHighPassK[slope],
                                 p.frequency / kBesselHighPassDivisor[slope], out);
            } else {
                DesignBesselLowPass(p, out);
            }
            break;
        default:
            break;
    }
}

// cos and sin of the 241 fixed grid angles, computed once.
struct GridTrig {
    std::array<double, kGridSize> c{};
    std::array<double, kGridSize> s{};
    GridTrig() {
        for (int i = 0; i < kGridSize; ++i) {
            const double w = GridAngle(i);
            c[static_cast<std::size_t>(i)] = std::cos(w);
            s[static_cast<std::size_t>(i)] = std::sin(w);
        }
    }
};

const GridTrig& Trig() {
    static const GridTrig trig;
    return trig;
}

}  // namespace

std::optional<int> FreqToIndex(double f) {
    if (std::isnan(f)) {
        return std::nullopt;
    }
    // The table ascends, so the first entry >= f is a lower bound.
    const auto it = std::lower_bound(FreqTable.begin(), FreqTable.end(), f);
    if (it == FreqTable.end()) {
        return kGridSize - 1;
    }
    const int i = static_cast<int>(it - FreqTable.begin());
    if (i == 0) {
        return 0;
    }
    const double below = FreqTable[static_cast<std::size_t>(i - 1)];
    const double above = FreqTable[static_cast<std::size_t>(i)];
    return (f - below < above - f) ? i - 1 : i;
}

int QToBwIndex(double q) {
    for (int i = 0; i < kBandwidthSteps - 1; ++i) {
        if (q >= QTable[static_cast<std::size_t>(i)]) {
            return i;
        }
    }
    return kBandwidthSteps - 1;
}

double FreqToXf(double f, int w) {
    return std::log10(f / 20.0) * (w / 3);
}

int FreqToX(double f, int w) {
    return SaturatingTrunc(FreqToXf(f, w), kPixelLimit);
}

int XToFreq(int x, int w) {
    const int decade = w / 3;
    if (decade == 0) {
        return 20;  // no frequency axis to read
    }
    const double f = 20.0 * std::pow(10.0, static_cast<double>(x) / decade);
    return static_cast<int>(std::clamp(f, 20.0, 20000.0));
}

double DbToYf(double dB, int h) {
    return h / 60.0 * (20.0 - dB);
}

int DbToY(double dB, int h) {
    return SaturatingTrunc(DbToYf(dB, h) + 0.5, kPixelLimit);
}

double YToDb(int y, int h) {
    // Real division: a pixel is 0.25 dB on a 240-pixel plot, not a whole dB.
    const double v = h == 0 ? 0.0 : 20.0 - y * 60.0 / h;
    return v > 0.0 ? v + 0.5 : v - 0.5;
}

double GridAngle(int i) {
    return kTwoPi * FreqTable[static_cast<std::size_t>(i)] / kSampleRate;
}

SectionSet DesignSections(const FilterParams& p) {
    SectionSet out;
    switch (p.type) {
        case filter::kPeaking:
            if (!p.bypass) {
                DesignPeaking(p, out);
            }
            break;
        case filter::kLowShelf:
        case filter::kHighShelf:
            if (!p.bypass) {
                DesignShelf(p, out);
            }
            break;
        case filter::kHighPass:
            if (p.frequency != 20.0) {
                DesignCrossover(p, out);
            }
            break;
        case filter::kLowPass:
            if (p.frequency != 20000.0) {
                DesignCrossover(p, out);
            }
            break;
        default:
            break;
    }
    return out;
}

GridResponse EvaluateSections(const SectionSet& set) {
    GridResponse out{};
    const int n = std::clamp(set.count, 0, 4);
    if (n == 0) {
        return out;
    }
    // The terms of the evaluation that do not depend on the angle.
    struct Terms {
        double numC, numConst, numS, denC, denConst, denS;
    };
    std::array<Terms, 4> t{};
    for (int j = 0; j < n; ++j) {
        const Biquad& b = set.section[static_cast<std::size_t>(j)];
        t[static_cast<std::size_t>(j)] = {b.b0 + b.b2, b.b1, b.b0 - b.b2,
                                          1.0 + b.a2,  b.a1, 1.0 - b.a2};
    }
    const GridTrig& trig = Trig();
    for (std::size_t i = 0; i < static_cast<std::size_t>(kGridSize); ++i) {
        const double c = trig.c[i];
        const double s = trig.s[i];
        std::array<double, 4> num{};
        std::array<double, 4> den{};
        double numProduct = 1.0;
        double denProduct = 1.0;
        for (std::size_t j = 0; j < static_cast<std::size_t>(n); ++j) {
            const double nr = t[j].numC * c + t[j].numConst;
            const double ni = t[j].numS * s;
            const double dr = t[j].denC * c + t[j].denConst;
            const double di = t[j].denS * s;
            num[j] = nr * nr + ni * ni;
            den[j] = dr * dr + di * di;
            numProduct *= num[j];
            denProduct *= den[j];
        }
        // One logarithm of the product of the squared magnitudes instead of one per
        // section; where the product leaves the normal range, the sections are summed.
        const double ratio = numProduct / denProduct;
        if (std::isnormal(numProduct) && std::isnormal(denProduct) && std::isnormal(ratio)) {
            out[i] = 10.0 * std::log10(ratio);
        } else {
            double sum = 0.0;
            for (std::size_t j = 0; j < static_cast<std::size_t>(n); ++j) {
                sum += 10.0 * std::log10(num[j] / den[j]);
            }
            out[i] = sum;
        }
    }
    return out;
}

GridResponse FilterResponse(const FilterParams& p) {
    return EvaluateSections(DesignSections(p));
}

GridResponse FilterResponse(int type, double frequency, double gain, bool bypass, double bandwidth,
                            int family, int slope) {
    return FilterResponse(FilterParams{type, frequency, gain, bypass, bandwidth, family, slope});
}

}  // namespace tolmarin
