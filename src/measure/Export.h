#pragma once

#include <optional>
#include <string>
#include <vector>

#include "measure/Analysis.h"

namespace tolmarin::measure {

// What the export's '*' header lines state.
struct ExportInfo {
    std::string date;                  // as it is to be written, e.g. "2026-12-10 10:00 UTC"
    std::optional<SweepParams> sweep;  // none for impulse responses
    std::vector<std::optional<double>> snrDb;  // per position
    std::string calibration;                   // the file's name, empty for none
    std::optional<double> sensFactorDb;
    Smoothing smoothing = Smoothing::None;
    double windowMs = kDefaultWindowMs;
};

// The measurement as text: '*' header lines, then "frequency dB" rows, as REW writes it and
// the measurement reader reads it.
std::string ExportText(const roomeq::Measurement& measurement, const ExportInfo& info);

// Now, as ExportInfo::date wants it.
std::string DateNow();

}  // namespace tolmarin::measure
