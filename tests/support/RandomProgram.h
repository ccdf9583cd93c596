#pragma once

#include <cstdint>
#include <random>

#include "model/OutputChannel.h"
#include "response/Filter.h"

namespace tolmarin::testing {

// Uniform picks from a seeded generator, for the property tests of programs.
class Picker {
public:
    explicit Picker(std::mt19937& rng) : m_rng(rng) {}
    int operator()(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(m_rng); }

private:
    std::mt19937& m_rng;
};

// The settings of a channel that take any value of their range, each at random: output,
// polarity, delay, the limiter and the volume.
inline void RandomLevels(OutputChannel& ch, Picker& pick) {
    ch.SetOutputOn(static_cast<std::uint8_t>(pick(0, 1)));
    ch.SetPolarity(static_cast<std::uint8_t>(pick(0, 1)));
    ch.SetDelay(static_cast<std::int16_t>(pick(0, 1467)));
    ch.SetLimitThreshold(static_cast<std::int16_t>(pick(0, 400)));
    ch.SetLimitAttack(static_cast<std::uint8_t>(pick(0, 106)));
    ch.SetLimitRelease(static_cast<std::uint8_t>(pick(0, 5)));
    ch.SetVolumeDb(pick(0, 60));
}

// A band's kind, frequency (bandHz picks it: the tests differ in which they allow), gain
// and bandwidth, at random, as typed in the form.
template <typename PickHz>
void RandomBand(Filter& band, Picker& pick, PickHz bandHz) {
    band.SetEqKind(pick(0, 4));
    band.SetFreq(bandHz(), true);
    band.SetGainStep(pick(0, 400));
    band.SetBandwidthStep(pick(0, 59));
}

}  // namespace tolmarin::testing
