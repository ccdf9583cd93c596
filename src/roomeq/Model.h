#pragma once

#include <array>
#include <cmath>
#include <cstdint>
#include <optional>
#include <span>

#include "model/BandRecord.h"
#include "model/Codec.h"
#include "protocol/DeviceImage.h"
#include "response/FilterMath.h"

namespace tolmarin::roomeq {

inline constexpr int kBands = 8;
inline constexpr int kGainStepZero = codec::kBandGain.Flat();
inline constexpr int kGainStepMax = codec::kBandGain.high;
inline constexpr int kShelfLimitHz =
    codec::kShelfSplitHz;  // low shelves at or below, high at or above
inline constexpr int kLowestHz = 20;
inline constexpr int kHighestHz = 20000;

// What the room EQ needs of one channel: its eight bands as the amplifier holds them and
// its two crossover filters.
struct ChannelFilters {
    std::array<BandRecord, kBands> bands{};
    FilterParams highPass{filter::kHighPass, 20.0, 0.0, 0, 0.3, filter::kLinkwitzRiley, 0};
    FilterParams lowPass{filter::kLowPass, 20000.0, 0.0, 0, 0.3, filter::kLinkwitzRiley, 0};
};

// The channel as a program record's channel block holds it.
ChannelFilters ReadChannel(std::span<const std::uint8_t, kChannelBlockSize> block);
// Writes the eight band records into the block; no other byte changes.
void WriteBands(std::span<std::uint8_t, kChannelBlockSize> block,
                const std::array<BandRecord, kBands>& bands);

// Gain of a band in dB (0.1 dB per step around 200).
double GainDb(const BandRecord& band);
// Q of a peaking band: the table value of its bandwidth step, as the form shows it.
double BandQ(int bandwidthStep);
// The frequency a shelf is computed at: its own, kept on its side of 2000 Hz.
int ShelfFreq(int type, int freq);

// Where the amplifier's shelf is centred, as a multiple of its frequency, and its slope
// parameter S (the graph's computation): 12 dB/Oct 1.27x (low) / 0.77x (high) with S 1.3,
// 6 dB/Oct 2.0x / 0.45x with S 0.5.
double ShelfCentreFactor(int type, int slope);
double ShelfSlopeS(int slope);
// The Q of a shelf of slope parameter s and gain g dB (the RBJ relation).
double ShelfQOfSlope(double s, double gainDb);
// The RBJ shelf at 96 kHz centred at centreHz with the given Q.
Biquad ShelfBiquad(int type, double centreHz, double gainDb, double q);

// The grid index a band's whole-hertz frequency is computed at (nearest entry).
int GridIndexOfHz(int hz);
// The whole hertz that best stands for grid entry i: the one nearest the entry among those
// whose nearest entry it is. Entries below 22 Hz lie closer together than 1 Hz, so not
// every entry has one.
std::optional<int> HzOfGridIndex(int i);

// The standard peaking biquad at 96 kHz (alpha = sin(w0) / (2Q)).
Biquad PeakingBiquad(double centreHz, double gainDb, double q);

// What the amplifier plays for one band: peaking bands by the biquad above, centred on the
// grid entry of their frequency with Q = QTable[step]; shelves as the graph computes them.
GridResponse BandResponse(const BandRecord& band);
// Bands plus both crossover filters.
GridResponse ChannelResponse(const ChannelFilters& channel);
// The bands alone.
GridResponse BandsResponse(const std::array<BandRecord, kBands>& bands);

// Magnitude in dB of a section at cos w and cos 2w: the same value as the grid evaluation,
// in the form the fit evaluates many times.
inline double SectionDb(const Biquad& s, double c1, double c2) {
    const double num = s.b0 * s.b0 + s.b1 * s.b1 + s.b2 * s.b2 +
                       2.0 * (s.b0 * s.b1 + s.b1 * s.b2) * c1 + 2.0 * s.b0 * s.b2 * c2;
    const double den =
        1.0 + s.a1 * s.a1 + s.a2 * s.a2 + 2.0 * (s.a1 + s.a1 * s.a2) * c1 + 2.0 * s.a2 * c2;
    return 10.0 * std::log10(num / den);
}

}  // namespace tolmarin::roomeq
