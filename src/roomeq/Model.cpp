#include "roomeq/Model.h"

#include <algorithm>
#include <cmath>

#include "protocol/ByteOrder.h"

namespace tolmarin::roomeq {

namespace {

constexpr double kDesignScale = 6.544985e-05;  // rad per Hz at 96 kHz, as the response code
constexpr double kDbPerGainStep = codec::kBandGain.scale;

// Whole hertz per grid entry, worked out once.
struct GridHz {
    std::array<std::optional<int>, kGridSize> hz{};
    GridHz() {
        for (int i = 0; i < kGridSize; ++i) {
            const double f = FreqTable[static_cast<std::size_t>(i)];
            double bestDistance = 1e9;
            for (int h = static_cast<int>(std::floor(f)) - 1; h <= static_cast<int>(f) + 2; ++h) {
                if (h < kLowestHz || h > kHighestHz || GridIndexOfHz(h) != i) {
                    continue;
                }
                if (std::abs(h - f) < bestDistance) {
                    bestDistance = std::abs(h - f);
                    hz[static_cast<std::size_t>(i)] = h;
                }
            }
        }
    }
};

}  // namespace

ChannelFilters ReadChannel(std::span<const std::uint8_t, kChannelBlockSize> block) {
    ChannelFilters c;
    for (int k = 0; k < kBands; ++k) {
        c.bands[static_cast<std::size_t>(k)] = ReadBandRecord(block, BandOffset(k));
    }
    c.highPass.frequency = ReadLeI16(block, block::kHighPassFreq);
    c.highPass.family = block[block::kHighPassFamily];
    c.highPass.slope = block[block::kHighPassSlope];
    c.lowPass.frequency = ReadLeI16(block, block::kLowPassFreq);
    c.lowPass.family = block[block::kLowPassFamily];
    c.lowPass.slope = block[block::kLowPassSlope];
    return c;
}

void WriteBands(std::span<std::uint8_t, kChannelBlockSize> block,
                const std::array<BandRecord, kBands>& bands) {
    for (int k = 0; k < kBands; ++k) {
        WriteBandRecord(block, BandOffset(k), bands[static_cast<std::size_t>(k)]);
    }
}

double GainDb(const BandRecord& band) {
    // A record may hold any number; the amplifier's range is +-20 dB.
    return (std::clamp<int>(band.gainStep, 0, kGainStepMax) - kGainStepZero) * kDbPerGainStep;
}

double BandQ(int bandwidthStep) {
    return QTable[static_cast<std::size_t>(std::clamp(bandwidthStep, 0, kBandwidthSteps - 1))];
}

int ShelfFreq(int type, int freq) {
    if (type == filter::kLowShelf) {
        return std::min(freq, kShelfLimitHz);
    }
    if (type == filter::kHighShelf) {
        return std::max(freq, kShelfLimitHz);
    }
    return freq;
}

double ShelfCentreFactor(int type, int slope) {
    if (type == filter::kLowShelf) {
        return slope == 0 ? 2.0 : 1.2727272727;
    }
    return slope == 0 ? 0.4545454546 : 0.76923076923;
}

double ShelfSlopeS(int slope) {
    return slope == 0 ? 0.5 : 1.3;
}

double ShelfQOfSlope(double s, double gainDb) {
    const double a = std::pow(10.0, gainDb / 40.0);
    return 1.0 / std::sqrt((a + 1.0 / a) * (1.0 / s - 1.0) + 2.0);
}

Biquad ShelfBiquad(int type, double centreHz, double gainDb, double q) {
    const double w0 = centreHz * kDesignScale;
    const double a = std::pow(10.0, gainDb / 40.0);
    const double cs = std::cos(w0);
    const double alpha = std::sin(w0) / (2.0 * q);
    const double b = 2.0 * std::sqrt(a) * alpha;
    const double sign = type == filter::kLowShelf ? 1.0 : -1.0;
    const double a0 = (a + 1.0) + sign * (a - 1.0) * cs + b;
    Biquad s;
    s.b0 = a * ((a + 1.0) - sign * (a - 1.0) * cs + b) / a0;
    s.b1 = sign * 2.0 * a * ((a - 1.0) - sign * (a + 1.0) * cs) / a0;
    s.b2 = a * ((a + 1.0) - sign * (a - 1.0) * cs - b) / a0;
    s.a1 = -sign * 2.0 * ((a - 1.0) + sign * (a + 1.0) * cs) / a0;
    s.a2 = ((a + 1.0) + sign * (a - 1.0) * cs - b) / a0;
    return s;
}

int GridIndexOfHz(int hz) {
    return *FreqToIndex(static_cast<double>(hz));
}

std::optional<int> HzOfGridIndex(int i) {
    static const GridHz table;
    if (i < 0 || i >= kGridSize) {
        return std::nullopt;
    }
    return table.hz[static_cast<std::size_t>(i)];
}

Biquad PeakingBiquad(double centreHz, double gainDb, double q) {
    const double w0 = centreHz * kDesignScale;
    const double a = std::pow(10.0, gainDb / 40.0);
    const double alpha = std::sin(w0) / (2.0 * q);
    const double cs = std::cos(w0);
    const double a0 = 1.0 + alpha / a;
    Biquad s;
    s.b0 = (1.0 + alpha * a) / a0;
    s.b1 = -2.0 * cs / a0;
    s.b2 = (1.0 - alpha * a) / a0;
    s.a1 = s.b1;
    s.a2 = (1.0 - alpha / a) / a0;
    return s;
}

GridResponse BandResponse(const BandRecord& band) {
    if (band.gainStep == kGainStepZero) {
        return GridResponse{};
    }
    const double gain = GainDb(band);
    if (band.type == filter::kPeaking) {
        SectionSet set;
        set.count = 1;
        set.section[0] =
            PeakingBiquad(FreqTable[static_cast<std::size_t>(GridIndexOfHz(band.freq))], gain,
                          BandQ(band.bandwidthStep));
        return EvaluateSections(set);
    }
    FilterParams p;
    p.type = band.type;
    p.frequency = ShelfFreq(band.type, band.freq);
    p.gain = gain;
    p.bypass = false;
    p.bandwidth = band.bandwidthStep * 0.05 + 0.05;
    p.slope = band.slope;
    return FilterResponse(p);
}

GridResponse BandsResponse(const std::array<BandRecord, kBands>& bands) {
    GridResponse sum{};
    for (const BandRecord& b : bands) {
        const GridResponse r = BandResponse(b);
        for (int i = 0; i < kGridSize; ++i) {
            sum[static_cast<std::size_t>(i)] += r[static_cast<std::size_t>(i)];
        }
    }
    return sum;
}

GridResponse ChannelResponse(const ChannelFilters& channel) {
    GridResponse sum = BandsResponse(channel.bands);
    for (const FilterParams& p : {channel.highPass, channel.lowPass}) {
        const GridResponse r = FilterResponse(p);
        for (int i = 0; i < kGridSize; ++i) {
            sum[static_cast<std::size_t>(i)] += r[static_cast<std::size_t>(i)];
        }
    }
    return sum;
}

}  // namespace tolmarin::roomeq
