// Fuzzes the measurement reader: the input is a measurement or house-curve text file. A
// measurement must be finite, ascending and inside the band it keeps, and stay finite on the
// grid under every smoothing; a refusal must name a line and say why.

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "roomeq/Measurement.h"

namespace {

using namespace tolmarin;
using namespace tolmarin::roomeq;

void Check(bool ok) {
    if (!ok) {
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const ParseOutcome r = ParseMeasurement(text);
    if (!r.measurement) {
        Check(r.failure.line >= 1);
        Check(!DescribeFailure(r.failure, UiState{}).empty());
        return 0;
    }
    const Measurement& m = *r.measurement;
    Check(!m.hz.empty() && m.hz.size() == m.db.size());
    for (std::size_t i = 0; i < m.hz.size(); ++i) {
        Check(std::isfinite(m.hz[i]) && std::isfinite(m.db[i]));
        Check(m.hz[i] >= kMeasureLowHz && m.hz[i] <= kMeasureHighHz);
        Check(i == 0 || m.hz[i] > m.hz[i - 1]);
    }
    for (const Smoothing s :
         {Smoothing::None, Smoothing::Third, Smoothing::Sixth, Smoothing::Twelfth}) {
        const GridResponse g = OnGrid(m, s);
        for (const double v : g) {
            Check(std::isfinite(v));
        }
        Check(std::isfinite(MeanOver(g, 20.0, 20000.0)));
    }
    if (!Covers(m, 20.0, 20000.0)) {
        Check(!DescribeFailure(NotCovered(m, 20.0, 20000.0), UiState{}).empty());
    }
    return 0;
}
