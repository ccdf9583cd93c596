#pragma once

#include <optional>
#include <string_view>

#include "measure/Problem.h"
#include "roomeq/Measurement.h"

namespace tolmarin::measure {

// A microphone calibration: dB to take off the measurement at each frequency.
struct Calibration {
    roomeq::Measurement curve;
    // The "Sens Factor" of the first line, if there is one: an absolute level, which a
    // measurement relative to the sweep has no use for; it is kept and stated.
    std::optional<double> sensFactorDb;
};

struct CalibrationOutcome {
    std::optional<Calibration> calibration;
    roomeq::ParseFailure failure;  // when there is no calibration
};

// The usual text of frequency and dB lines (a phase column ignored), with or without a
// "Sens Factor =-1.2dB" line first. Read as the measurement reader reads text.
CalibrationOutcome ParseCalibration(std::string_view text);

}  // namespace tolmarin::measure
