#pragma once

// A room's equaliser on CH1 and CH2, for the graph's pictures and measurements.
#include "model/ChannelSet.h"
#include "response/Filter.h"

namespace tolmarin::tuning {

// The graph's size on the main form.
inline constexpr int kGraphWidth = 935;
inline constexpr int kGraphHeight = 220;

inline constexpr int GainStep(double db) {
    return static_cast<int>(db * 10 + 200.5);
}
inline constexpr int BandwidthStep(double octaves) {
    return static_cast<int>(octaves / 0.05 - 0.5);
}

inline void Band(tolmarin::OutputChannel& ch, int k, int kind, int hz, double db, double octaves) {
    tolmarin::Filter& f = ch.Band(k);
    f.SetEqKind(kind);
    f.SetFreq(hz, true);
    f.SetGainStep(GainStep(db));
    f.SetBandwidthStep(BandwidthStep(octaves));
}

inline void Crossover(tolmarin::Filter& f, int hz, int family, int slope) {
    f.SetFreq(hz, true);
    f.SetFamily(family, true);
    f.SetSlope(slope, true);
}

inline void TuneRoom(tolmarin::ChannelSet& set) {
    tolmarin::OutputChannel& ch1 = set.Channel(0);
    Band(ch1, 0, 2, 90, 4.0, 0.3);
    Band(ch1, 1, 0, 180, -3.0, 1.0);
    Band(ch1, 3, 0, 1000, -6.0, 0.5);
    Band(ch1, 5, 0, 3150, 5.0, 1.5);
    Band(ch1, 7, 3, 9000, -4.0, 0.3);
    Crossover(ch1.HighPass(), 45, tolmarin::filter::kLinkwitzRiley, 2);
    Crossover(ch1.LowPass(), 16000, tolmarin::filter::kButterworth, 0);

    tolmarin::OutputChannel& ch2 = set.Channel(1);
    Band(ch2, 2, 0, 250, 6.0, 0.8);
    Band(ch2, 4, 0, 700, -2.5, 2.0);
    Band(ch2, 6, 0, 4500, -8.0, 0.25);
    Crossover(ch2.HighPass(), 120, tolmarin::filter::kBessel, 1);
    Crossover(ch2.LowPass(), 11000, tolmarin::filter::kLinkwitzRiley, 3);
}

}  // namespace tolmarin::tuning
