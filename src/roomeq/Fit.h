#pragma once

#include <array>

#include "response/FilterMath.h"
#include "roomeq/Model.h"

namespace tolmarin::roomeq {

inline constexpr double kDefaultFitLowHz = 60.0;
inline constexpr double kDefaultFitHighHz = 12000.0;
inline constexpr double kDefaultMaxBoostDb = 6.0;
inline constexpr double kDefaultMaxCutDb = 15.0;  // as a positive number of dB

struct FitOptions {
    double loHz = kDefaultFitLowHz;
    double hiHz = kDefaultFitHighHz;
    double maxBoostDb = kDefaultMaxBoostDb;  // of the eight bands together
    double maxCutDb = kDefaultMaxCutDb;
    std::array<bool, kBands> use{true, true, true, true, true, true, true, true};
    // The first and the last band used become a low and a high shelf.
    bool shelves = false;
    // Off: stop after the continuous optimisation and leave the bands off the grids (only
    // the RMS figure is then meaningful); for judging what the grids cost.
    bool onGrids = true;
};

// The default range of a channel: 60 Hz to 12 kHz, narrowed to the crossovers' pass band.
std::pair<double, double> DefaultRange(const ChannelFilters& channel);

struct FitResult {
    std::array<BandRecord, kBands> bands{};  // every band: the unused ones as they were
    double rmsBefore = 0.0;
    double rmsAfter = 0.0;       // of the bands on the grids
    double rmsContinuous = 0.0;  // of the continuous optimum before the grid search
};

// RMS in dB of (measured + response - target) over the grid points from lo to hi, after
// removing its mean: the volume sets the level, the EQ the shape.
double RmsDeviation(const GridResponse& measured, const GridResponse& response,
                    const GridResponse& target, double loHz, double hiHz);

// Fits the used bands of the channel so that measured + channel response comes closest to
// the target (flat: all zeros). The measurement is of the room without this channel's EQ.
// The eight bands together (not each band) stay within the largest boost and cut at every
// grid frequency.
FitResult FitBands(const GridResponse& measured, const GridResponse& target,
                   const ChannelFilters& channel, const FitOptions& options);

}  // namespace tolmarin::roomeq
