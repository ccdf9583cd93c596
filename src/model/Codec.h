#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "response/FilterMath.h"
#include "text/Texts.h"

namespace tolmarin {

// How one parameter's amplifier steps read in the operator's units: the step range, the
// conversion to display units, the text of a step and the reading of such a text back. Each
// parameter has exactly one; everything that shows, parses or converts a step goes through it.
enum class StepShape {
    Linear,  // display = step * scale + zero, shown with `decimals` and `unit`
    Delay,   // 0.021 ms steps below kCoarseDelayStep, then whole ms from 10 ms
    Attack,  // 0.3 to 0.9 ms in 0.1 ms, then whole ms from 1 ms
    Switch,  // two words: 0 and any other step
    Words,   // one catalogue text per step of the range; steps beyond it have no text
    Labels,  // one fixed label per step, the same in both languages
};

struct Codec {
    int low = 0;  // the steps the amplifier takes
    int high = 0;
    StepShape shape = StepShape::Linear;
    double scale = 1.0;  // display units per step (Linear)
    double zero = 0.0;   // display value at step 0 (Linear)
    int decimals = 0;
    std::string_view unit = {};  // after the number, no blank: "dB", "Hz"
    int textStep = 1;            // steps one text covers (whole dB of a tenths count: 10)
    std::array<TextId, 6> words{TextId::Count, TextId::Count, TextId::Count,
                                TextId::Count, TextId::Count, TextId::Count};
    bool translated = true;  // the words differ by language
    std::array<std::string_view, 4> labels{};

    // The step in display units: the one conversion of a step to dB, Hz, ms or octaves.
    constexpr double Display(int step) const;
    // The step nearest a display value, as the amplifier's own editor rounds it (via
    // hundredths, halves up); not limited to the range.
    int StepOf(double display) const;
    // The step shown as the operator reads it; empty for a step with no text.
    std::string Text(int step, Language language) const;
    // A display value (a dragged one, between steps) with the step's decimals and unit.
    std::string Format(double display) const;
    // The step a text names, limited to nothing outside the range: what Text gave back.
    std::optional<int> Parse(std::string_view text, Language language) const;
    // The step whose display value is 0 (a flat gain), or low when none is.
    constexpr int Flat() const {
        for (int s = low; s <= high; ++s) {
            if (Display(s) == 0.0) {
                return s;
            }
        }
        return low;
    }
};

// The step encodings, each written once.
namespace codec {
inline constexpr int kCoarseDelayStep = 477;  // the first whole-millisecond step, 10 ms
inline constexpr double kFineDelayMs = 0.021;
inline constexpr double kFirstCoarseDelayMs = 10.0;
inline constexpr int kFineAttackSteps = 6;  // 0.3 to 0.9 ms
inline constexpr int kAttackTenthsAtZero = 3;

inline constexpr Codec kFrequency{.low = 19, .high = 20000, .unit = "Hz"};
inline constexpr Codec kBandGain{
    .low = 0, .high = 400, .scale = 0.1, .zero = -20.0, .decimals = 1, .unit = "dB"};
inline constexpr Codec kBandwidth{.low = 0,
                                  .high = kBandwidthSteps - 1,
                                  .scale = 0.05,
                                  .zero = 0.05,
                                  .decimals = 2,
                                  .unit = "Oct"};
inline constexpr Codec kThreshold{
    .low = 0, .high = 400, .scale = 0.1, .zero = -20.0, .decimals = 1, .unit = "dBu"};
// Tenths of a dB above -60 dB; shown and edited in whole dB.
inline constexpr Codec kVolume{
    .low = 0, .high = 600, .scale = 0.1, .zero = -60.0, .unit = "dB", .textStep = 10};
inline constexpr Codec kDelay{
    .low = 0, .high = 1467, .shape = StepShape::Delay, .decimals = 3, .unit = "ms"};
inline constexpr Codec kAttack{.low = 0, .high = 106, .shape = StepShape::Attack, .unit = "ms"};
inline constexpr Codec kOutputOn{.low = 0,
                                 .high = 1,
                                 .shape = StepShape::Switch,
                                 .words = {TextId::OutputOffValue, TextId::OutputOnValue}};
inline constexpr Codec kPolarity{
    .low = 0,
    .high = 1,
    .shape = StepShape::Switch,
    .words = {TextId::PolarityNormalValue, TextId::PolarityInvertedValue}};
// One bit of the input route; the same words in both languages.
inline constexpr Codec kInput{.low = 0,
                              .high = 1,
                              .shape = StepShape::Switch,
                              .words = {TextId::InputOffValue, TextId::InputOnValue},
                              .translated = false};
inline constexpr Codec kRelease{
    .low = 0,
    .high = 5,
    .shape = StepShape::Words,
    .words = {TextId::ReleaseAtk2, TextId::ReleaseAtk4, TextId::ReleaseAtk6, TextId::ReleaseAtk8,
              TextId::ReleaseAtk16, TextId::ReleaseAtk32},
    .translated = false};
inline constexpr Codec kFamily{.low = 0,
                               .high = 2,
                               .shape = StepShape::Words,
                               .words = {TextId::FamilyTextLinkwitzRiley, TextId::FamilyTextBessel,
                                         TextId::FamilyTextButterworth}};
// Slopes 4 to 6 (orders 7, 5 and 6) have no list entry and no text.
inline constexpr Codec kCrossoverSlope{.low = 0,
                                       .high = 6,
                                       .shape = StepShape::Labels,
                                       .labels = {"12dB/Oct", "18dB/Oct", "24dB/Oct", "48dB/Oct"}};
inline constexpr Codec kShelfSlope{
    .low = 0, .high = 1, .shape = StepShape::Labels, .labels = {"6dB/Oct", "12dB/Oct"}};
inline constexpr Codec kBandType{
    .low = 0,
    .high = 2,
    .shape = StepShape::Words,
    .words = {TextId::TypeTextPeaking, TextId::TypeTextLowShelf, TextId::TypeTextHighShelf}};

// A low shelf stays at or below, a high shelf at or above.
inline constexpr int kShelfSplitHz = 2000;
}  // namespace codec

constexpr double Codec::Display(int step) const {
    switch (shape) {
        case StepShape::Delay:
            if (step < codec::kCoarseDelayStep) {
                return step * codec::kFineDelayMs;
            }
            return (step - codec::kCoarseDelayStep) + codec::kFirstCoarseDelayMs;
        case StepShape::Attack:
            if (step > codec::kFineAttackSteps) {
                return step - codec::kFineAttackSteps;
            }
            return (step + codec::kAttackTenthsAtZero) * 0.1;
        case StepShape::Linear:
            return step * scale + zero;
        default:
            return step;
    }
}

}  // namespace tolmarin
