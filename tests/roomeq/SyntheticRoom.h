#pragma once

#include <random>

#include "roomeq/Model.h"

namespace tolmarin::roomeq::test {

// A room made of peaking features (peaks up to +10 dB, dips down to -6 dB, 0.2 to 2
// octaves, centred inside 80 Hz to 9 kHz) plus uniform noise of +-noiseDb. On the grids:
// every feature is a band setting of the amplifier's model, so a perfect fit exists.
inline GridResponse SyntheticRoom(unsigned seed, int features, bool onGrids, double noiseDb) {
    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    GridResponse room{};
    for (int k = 0; k < features; ++k) {
        const bool peak = unit(rng) < 0.6;
        const double gain = peak ? 2.0 + 8.0 * unit(rng) : -(1.5 + 4.5 * unit(rng));
        const double octaves = 0.2 + 1.8 * unit(rng);
        const double hz = std::exp2(std::log2(80.0) + unit(rng) * std::log2(9000.0 / 80.0));
        GridResponse r{};
        if (onGrids) {
            BandRecord b;
            b.type = filter::kPeaking;
            b.freq = static_cast<std::int16_t>(*HzOfGridIndex(GridIndexOfHz(static_cast<int>(hz))));
            b.gainStep = static_cast<std::int16_t>(kGainStepZero + std::lround(gain * 10.0));
            b.bandwidthStep = static_cast<std::int16_t>(std::lround((octaves - 0.05) / 0.05));
            r = BandResponse(b);
        } else {
            SectionSet s;
            s.count = 1;
            s.section[0] =
                PeakingBiquad(hz, gain, 1.0 / (2.0 * std::sinh(std::log(2.0) / 2.0 * octaves)));
            r = EvaluateSections(s);
        }
        for (int i = 0; i < kGridSize; ++i) {
            room[static_cast<std::size_t>(i)] += r[static_cast<std::size_t>(i)];
        }
    }
    std::uniform_real_distribution<double> noise(-noiseDb, noiseDb);
    for (double& v : room) {
        v += noise(rng) + 75.0;  // a measurement's level is arbitrary
    }
    return room;
}

}  // namespace tolmarin::roomeq::test
