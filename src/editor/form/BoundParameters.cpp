#include "editor/form/BoundParameters.h"

#include <array>

#include "editor/form/FormIds.h"
#include "model/ValueEntry.h"

namespace tolmarin::form {

namespace {

struct Range {
    int first;
    int count;
    BoundParameter bound;
};

constexpr std::array kBound = {
    Range{kMute, 2, {"mute"}},
    Range{kPolarity, 2, {"polarity"}},
    Range{kSensitivity, 2, {"system.sensitivity"}},
    Range{kDelayMs, 1, {"delay"}},
    Range{kDelayMs + 1, 1, {"delay", entry::kDelayMetres}},
    Range{kDelayMs + 2, 1, {"delay", entry::kDelayFeet}},
    Range{kHpFamily, 1, {"hp.family"}},
    Range{kHpFreq, 1, {"hp.freq"}},
    Range{kHpSlope, 1, {"hp.slope"}},
    Range{kLpFamily, 1, {"lp.family"}},
    Range{kLpFreq, 1, {"lp.freq"}},
    Range{kLpSlope, 1, {"lp.slope"}},
    Range{kThreshold, 1, {"limiter.threshold"}},
    Range{kAttack, 1, {"limiter.attack"}},
    Range{kRelease, 1, {"limiter.release"}},
    Range{kVolume, 1, {"volume"}},
    Range{kVolumeFader, 1, {"volume"}},
    Range{kBandType, kBandCount, {"band.type"}},
    Range{kBandFreq, kBandCount, {"band.freq"}},
    Range{kBandQ, kBandCount, {"band.width"}},
    Range{kBandGain, kBandCount, {"band.gain"}},
    Range{kBandFader, kBandCount, {"band.gain"}},
    Range{kBandBypass, kBandCount, {"band.bypass"}},
};

}  // namespace

std::optional<BoundParameter> BoundParameterOf(int controlId) {
    for (const Range& r : kBound) {
        if (controlId >= r.first && controlId < r.first + r.count) {
            return r.bound;
        }
    }
    return std::nullopt;
}

}  // namespace tolmarin::form
