// Fuzzes the microphone calibration reader: a calibration must be finite and ascending, with
// a finite Sens Factor if it has one, and applying it to a flat measurement must stay
// finite; a refusal must say why.

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "measure/Analysis.h"
#include "measure/Calibration.h"

namespace {

using namespace tolmarin;
using namespace tolmarin::measure;

void Check(bool ok) {
    if (!ok) {
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const CalibrationOutcome r =
        ParseCalibration(std::string_view(reinterpret_cast<const char*>(data), size));
    if (!r.calibration) {
        Check(!roomeq::DescribeFailure(r.failure, UiState{}).empty());
        return 0;
    }
    const Calibration& c = *r.calibration;
    Check(!c.curve.hz.empty() && c.curve.hz.size() == c.curve.db.size());
    for (std::size_t i = 0; i < c.curve.hz.size(); ++i) {
        Check(std::isfinite(c.curve.hz[i]) && std::isfinite(c.curve.db[i]));
        Check(i == 0 || c.curve.hz[i] > c.curve.hz[i - 1]);
    }
    Check(!c.sensFactorDb || std::isfinite(*c.sensFactorDb));
    Position flat;
    flat.response = {{20.0, 1000.0, 20000.0}, {0.0, 0.0, 0.0}};
    AnalysisOptions o;
    o.calibration = &c;
    const Position one[] = {flat};
    const Result applied = Combine(one, o);
    for (const double v : applied.grid) {
        Check(std::isfinite(v));
    }
    return 0;
}
