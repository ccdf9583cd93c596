#include "model/Codec.h"

#include <algorithm>
#include <cmath>

#include "model/ValueEntry.h"
#include "text/NumberText.h"

namespace tolmarin {

namespace {

int TruncToInt(double v) {
    if (std::isnan(v)) {
        return 0;
    }
    return static_cast<int>(std::clamp(v, -2147483647.0, 2147483647.0));
}

int Nearest(double v) {
    return TruncToInt(std::floor(v + 0.5));
}

// The text after the number must be the unit, or nothing: "3.5dB" and "3.5" read, "3.5x" not.
bool UnitFits(std::string_view text, std::string_view unit) {
    std::size_t end = 0;
    while (end < text.size() &&
           (std::string_view("+-.0123456789").find(text[end]) != std::string_view::npos)) {
        ++end;
    }
    const std::string_view rest = text.substr(end);
    return end > 0 && (rest.empty() || rest == unit);
}

}  // namespace

int Codec::StepOf(double display) const {
    switch (shape) {
        case StepShape::Delay:
            if (display < codec::kFirstCoarseDelayMs) {
                return Nearest(display / codec::kFineDelayMs);
            }
            return Nearest(display - codec::kFirstCoarseDelayMs) + codec::kCoarseDelayStep;
        case StepShape::Attack:
            if (display < 1.0) {
                return Nearest(display * 10.0) - codec::kAttackTenthsAtZero;
            }
            return Nearest(display) + codec::kFineAttackSteps;
        case StepShape::Linear:
            // In hundredths first, as the gain always was: the same step for every value.
            return TruncToInt((display - zero) * 100.0 / (scale * 100.0) + 0.5);
        default:
            return Nearest(display);
    }
}

std::string Codec::Format(double display) const {
    return (decimals == 0 ? IntText(std::llround(display)) : FixedText(display, decimals)) +
           std::string(unit);
}

std::string Codec::Text(int step, Language language) const {
    const Language wordsIn = translated ? language : Language::English;
    switch (shape) {
        case StepShape::Switch:
            return Tr(words[step != 0 ? 1 : 0], wordsIn);
        case StepShape::Words:
            if (step < low || step > high || step >= static_cast<int>(words.size())) {
                return {};
            }
            return Tr(words[static_cast<std::size_t>(step)], wordsIn);
        case StepShape::Labels:
            if (step < 0 || step >= static_cast<int>(labels.size())) {
                return {};
            }
            return std::string(labels[static_cast<std::size_t>(step)]);
        case StepShape::Attack:
            if (step > codec::kFineAttackSteps) {
                return IntText(step - codec::kFineAttackSteps) + std::string(unit);
            }
            return FixedText(Display(step), 1) + std::string(unit);
        case StepShape::Linear:
            // A count shown coarser than its steps drops the rest first (599 is -1 dB).
            return Format(Display(step / textStep * textStep));
        case StepShape::Delay:
            return Format(Display(step));
    }
    return {};
}

std::optional<int> Codec::Parse(std::string_view text, Language language) const {
    std::optional<int> step;
    switch (shape) {
        case StepShape::Switch:
        case StepShape::Words:
        case StepShape::Labels:
            for (int s = low; s <= high; ++s) {
                const std::string t = Text(s, language);
                if (!t.empty() && t == text) {
                    step = s;
                    break;
                }
            }
            break;
        default:
            if (UnitFits(text, unit)) {
                // Judged in display units first: a rounding toward the range must not take
                // a number beyond its end (-20.1 dB is no gain step).
                const double x = LeadingReal(text);
                const double a = Display(low), b = Display(high);
                constexpr double kSlack = 1e-9;
                if (x >= std::min(a, b) - kSlack && x <= std::max(a, b) + kSlack) {
                    step = StepOf(x);
                }
            }
            break;
    }
    if (!step || *step < low || *step > high) {
        return std::nullopt;
    }
    return step;
}

}  // namespace tolmarin
