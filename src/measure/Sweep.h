#pragma once

#include <optional>
#include <vector>

#include "measure/Problem.h"

namespace tolmarin::measure {

inline constexpr double kSweepLowestStartHz = 10.0;
inline constexpr double kSweepHighestStartHz = 1000.0;
inline constexpr double kSweepHighestEndFraction = 0.45;  // of the sample rate
inline constexpr int kSweepFewestSamples = 1 << 15;
inline constexpr int kSweepMostSamples = 1 << 21;
inline constexpr double kSweepLowestLevelDbfs = -60.0;
inline constexpr double kSweepHighestLevelDbfs = 0.0;
inline constexpr int kSweepRates[] = {44100, 48000, 96000};

struct SweepParams {
    int rate = 48000;
    int samples = 1 << 18;  // of the sweep itself, without the silence around it
    double fromHz = 20.0;
    double toHz = 20000.0;
    double levelDbfs = -12.0;
};

// Why the parameters cannot make a sweep, if they cannot.
std::optional<Problem> CheckSweep(const SweepParams& params);

// Silence before the sweep (the noise floor is measured there) and after it (the room's
// decay), in samples at the sweep's rate.
int LeadSamples(int rate);
int TailSamples(int rate);

// An exponential sine sweep as it is played: the lead silence, the sweep faded in and out,
// the tail silence.
struct Sweep {
    SweepParams params;
    int lead = 0;                 // samples of silence before the sweep
    int tail = 0;                 // and after it
    std::vector<double> samples;  // lead + params.samples + tail, full scale +-1
};

// The sweep of parameters that CheckSweep accepts.
Sweep MakeSweep(const SweepParams& params);

// The highest frequency the sweep plays at its full level, where its fade-out starts: above
// it the sweep's power falls towards nothing and a response there is not measured.
double FullLevelHighHz(const SweepParams& params);

}  // namespace tolmarin::measure
