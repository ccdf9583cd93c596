// Fuzzes the filter settings reader: the input is a filter settings text. An import must
// give bands the amplifier can hold, with finite figures, that export and read back to the
// same sound; a refusal must name a line and leave the bands as they were.

#include <array>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "roomeq/Exchange.h"

namespace {

using namespace tolmarin;
using namespace tolmarin::roomeq;

void Check(bool ok) {
    if (!ok) {
        std::abort();
    }
}

std::array<BandRecord, kBands> Current() {
    std::array<BandRecord, kBands> bands{};
    for (int k = 0; k < kBands; ++k) {
        bands[static_cast<std::size_t>(k)] =
            BandRecord{static_cast<std::int16_t>(100 * (k + 1)), 230, 10, 0, 0};
    }
    return bands;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::array<BandRecord, kBands> current = Current();
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const ImportOutcome r = ImportText(text, current);
    if (!r.ok) {
        Check(r.failure.line >= 1);
        Check(r.bands == current);
        Check(!DescribeFailure(r.failure, UiState{}).empty());
        return 0;
    }
    Check(r.imported >= 1 && r.imported <= kBands);
    Check(std::isfinite(r.rmsDb) && std::isfinite(r.largestBoostDb));
    for (const BandRecord& b : r.bands) {
        Check(b.gainStep >= 0 && b.gainStep <= kGainStepMax);
        Check(b.freq >= kLowestHz && b.freq <= kHighestHz);
        Check(b.bandwidthStep >= 0 && b.bandwidthStep < kBandwidthSteps);
        Check(b.type != filter::kLowShelf || b.freq <= kShelfLimitHz);
        Check(b.type != filter::kHighShelf || b.freq >= kShelfLimitHz);
    }
    for (const double v : BandsResponse(r.bands)) {
        Check(std::isfinite(v));
    }
    for (const ImportNote& n : r.notes) {
        Check(!DescribeNote(n, UiState{}).empty());
    }
    // Exported and read back, the bands play the same (a band's whole hertz may become
    // another one on the same grid entry).
    const ImportOutcome back = ImportText(ExportText(r.bands, "fuzz"), current);
    Check(back.ok);
    const GridResponse a = BandsResponse(r.bands);
    const GridResponse b = BandsResponse(back.bands);
    for (std::size_t i = 0; i < a.size(); ++i) {
        Check(std::abs(a[i] - b[i]) < 0.01);
    }
    return 0;
}
