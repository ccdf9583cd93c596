#include "model/Parameters.h"

#include "protocol/ByteOrder.h"

namespace tolmarin {

const ParamDef* ParamByName(std::string_view name) {
    for (const ParamDef& d : AllParams()) {
        if (d.name == name) {
            return &d;
        }
    }
    return nullptr;
}

StepRange BandFreqEntryRange(int eqKind) {
    constexpr int kLowShelfGentle = 1, kLowShelfSteep = 2;
    if (eqKind == filter::kPeaking) {
        return {kLowestFreqHz, kHighestFreqHz};
    }
    if (eqKind == kLowShelfGentle || eqKind == kLowShelfSteep) {
        return {kLowestFreqHz, kShelfSplitHz};
    }
    return {kShelfSplitHz, kHighestFreqHz};
}

StepRange BandFreqRange(int type) {
    return {type == filter::kHighShelf ? kShelfSplitHz : kLowestFreqHz,
            type == filter::kLowShelf ? kShelfSplitHz : kHighestFreqHz};
}

int ParamOffset(const ParamDef& def, int band) {
    return def.scope == ParamScope::Band ? def.offset + band * block::kBandRecordSize : def.offset;
}

int ReadParam(std::span<const std::uint8_t> block, const ParamDef& def, int band) {
    const auto at = static_cast<std::size_t>(ParamOffset(def, band));
    const int value = def.width == 2 ? ReadLeI16(block, at) : block[at];
    return def.bit >= 0 ? (value >> def.bit) & 1 : value;
}

void WriteParam(std::span<std::uint8_t> block, const ParamDef& def, int value, int band) {
    const auto at = static_cast<std::size_t>(ParamOffset(def, band));
    if (def.bit >= 0) {
        const unsigned mask = 1U << def.bit;
        block[at] =
            static_cast<std::uint8_t>(value != 0 ? (block[at] | mask) : (block[at] & ~mask));
    } else if (def.width == 2) {
        WriteLeI16(block, at, static_cast<std::int16_t>(value));
    } else {
        block[at] = static_cast<std::uint8_t>(value);
    }
}

}  // namespace tolmarin
