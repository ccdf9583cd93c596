#pragma once

#include <array>
#include <optional>

namespace tolmarin {

// Number of grid frequencies every response is computed and shown at.
inline constexpr int kGridSize = 241;
// Number of bandwidth steps (0.05 to 3.00 octaves).
inline constexpr int kBandwidthSteps = 60;

// Where the plot area begins inside the graph control: graph = plot + offset.
inline constexpr int kPlotOffsetX = 35;
inline constexpr int kPlotOffsetY = 10;

// Filter codes as stored in the filter, in program files and on the wire.
namespace filter {
inline constexpr int kPeaking = 0;
inline constexpr int kLowShelf = 1;
inline constexpr int kHighShelf = 2;
inline constexpr int kHighPass = 3;
inline constexpr int kLowPass = 4;

inline constexpr int kLinkwitzRiley = 0;
inline constexpr int kBessel = 1;
inline constexpr int kButterworth = 2;

inline constexpr int kCrossoverSlopes = 7;  // slope indices 0 to 6 (orders 2, 3, 4, 8, 7, 5, 6)
inline constexpr int kShelfSlopes = 2;      // 0 gentle (6 dB/Oct), 1 steep (12 dB/Oct)
}  // namespace filter

// The grid: 241 hand-rounded frequencies from 19.7 Hz to 20 kHz (index 136 is 1000 Hz).
extern const std::array<double, kGridSize> FreqTable;
// Q of bandwidth step i, i.e. of 0.05 * (i + 1) octaves.
extern const std::array<double, kBandwidthSteps> QTable;

using GridResponse = std::array<double, kGridSize>;

// Nearest grid index to f (a tie goes up); 0 below the grid, 240 above it. A frequency
// that is not a number has no index: nothing here tells the operator, the caller that
// took the value from the operator shows TextId::FreqError if it must.
std::optional<int> FreqToIndex(double f);
// Bandwidth step of a Q value: the first step whose Q is not above q, 59 when none is.
int QToBwIndex(double q);

// Plot mappings: three decades across the width from 20 Hz, 60 dB down the height from
// +20 dB. Integer results saturate at +-1000000 pixels (and a NaN maps to 0), so
// degenerate values such as 0 Hz or an infinite response still give defined points.
int FreqToX(double f, int w);
double FreqToXf(double f, int w);
int XToFreq(int x, int w);  // 20 to 20000 Hz; 20 for a plot narrower than 3 pixels
int DbToY(double dB, int h);
double DbToYf(double dB, int h);
double YToDb(int y, int h);  // -0.5 for a plot of height 0

// One normalised biquad section (a0 divided out).
struct Biquad {
    double b0 = 1.0;
    double b1 = 0.0;
    double b2 = 0.0;
    double a1 = 0.0;
    double a2 = 0.0;
};

// The sections a filter is modelled with: up to four, cascaded. A flat filter has none.
struct SectionSet {
    std::array<Biquad, 4> section{};
    int count = 0;
};

// The parameters the response depends on; the same fields as the filter record.
struct FilterParams {
    int type = filter::kPeaking;
    double frequency = 1000.0;
    double gain = 0.0;
    bool bypass = true;
    double bandwidth = 0.3;
    int family = filter::kLinkwitzRiley;
    int slope = 0;
};

// Designs the sections of a filter at 96 kHz. Codes outside their ranges (type, family,
// slope, shelf slope) and a peaking frequency that is not a number give no sections: a
// flat response.
SectionSet DesignSections(const FilterParams& p);

// Response in dB of a set of sections at every grid frequency.
GridResponse EvaluateSections(const SectionSet& s);

// Response in dB at every grid frequency: DesignSections, then EvaluateSections.
GridResponse FilterResponse(const FilterParams& p);
GridResponse FilterResponse(int type, double frequency, double gain, bool bypass, double bandwidth,
                            int family, int slope);

// The grid angle of index i at 96 kHz, as every evaluation uses it.
double GridAngle(int i);

}  // namespace tolmarin
