#include "model/ValueEntry.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <climits>
#include <cmath>

#include "model/Parameters.h"
#include "response/FilterMath.h"
#include "text/NumberText.h"

namespace tolmarin {

namespace {

// Delay index: 0.021 ms steps up to index 476 (9.996 ms), whole ms from index 477 (10 ms).
constexpr int kFineSteps = delaystep::kCoarse;
constexpr double kFineStepMs = delaystep::kFineMs;
constexpr double kLastFineMs = 9.996;  // step kFineSteps - 1
constexpr double kFirstCoarseMs = delaystep::kFirstCoarseMs;
// The distance fields place index 477 and above 0.017 ms later than the time field does.
constexpr double kDistanceCoarseMs = 10.017;
// Typed times above this are the maximum delay; below, whole milliseconds are truncated.
constexpr double kLongestTypedMs = 999.017;
constexpr int kLongestDelay = delaystep::kLongest;
constexpr double kLongestDelayMs = delaystep::kLongestMs;
constexpr double kFeetPerMetre = 3.281;

// Attack index: 0 to 6 are 0.3 to 0.9 ms in 0.1 ms, then index - 6 whole ms.
constexpr int kFineAttackSteps = attackstep::kFine;
constexpr double kShortestAttackMs = 0.3;
constexpr double kLongestFineAttackMs = 0.9;
constexpr double kFirstCoarseAttackMs = 1.0;
constexpr double kAttackStepMs = 0.1;

std::string Fixed(double value, int decimals) {
    return FixedText(value, decimals);
}

std::string_view Trimmed(std::string_view text) {
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front()))) {
        text.remove_prefix(1);
    }
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) {
        text.remove_suffix(1);
    }
    return text;
}

bool IsOffText(std::string_view text) {
    text = Trimmed(text);
    if (text == "关闭") {
        return true;
    }
    return text.size() == 3 && std::toupper(static_cast<unsigned char>(text[0])) == 'O' &&
           std::toupper(static_cast<unsigned char>(text[1])) == 'F' &&
           std::toupper(static_cast<unsigned char>(text[2])) == 'F';
}

int Trunc(double x) {
    return static_cast<int>(std::trunc(x));
}

int DelayIndexFromMs(double t) {
    return t > kLastFineMs ? Trunc(t - kFirstCoarseMs + kFineSteps) : Trunc(t / kFineStepMs + 0.5);
}

double DistanceMs(int value) {
    if (value >= kLongestDelay) {
        return kLongestDelayMs;
    }
    return value <= kFineSteps ? value * kFineStepMs : (value - kFineSteps) + kDistanceCoarseMs;
}

double UnitsPerMs(const EntryRules& rules) {
    const double metresPerMs = SpeedOfSound(rules.temperature) / 1000.0;
    return rules.kind == entry::kDelayFeet ? metresPerMs * kFeetPerMetre : metresPerMs;
}

int Half(const EntryRules& rules) {
    return rules.maximum / 2;
}

double ScaledLow(const EntryRules& rules) {
    return rules.minimum * rules.step - rules.offset;
}

double ScaledHigh(const EntryRules& rules) {
    return rules.maximum * rules.step - rules.offset;
}

// A typed number of a scaled kind to its index. Computed in tenths of a unit and nudged
// by a millionth so that a shown value such as 0.3 never truncates to the step below.
int ScaledIndex(const EntryRules& rules, double x) {
    constexpr double kNudge = 1e-6;
    return Trunc((x + rules.offset) * 10 / (rules.step * 10) + kNudge);
}

int LevelIndex(const EntryRules& rules, double x) {
    constexpr double kNudge = 1e-6;
    return Trunc(Half(rules) + x / rules.step + kNudge);
}

double QLow() {
    return QTable[kBandwidthSteps - 1];
}

double QHigh() {
    return QTable[0];
}

// "OFF" holds no number; a band that is off is flat (0.0 dB, as a bypassed band shows) and a
// volume that is off is the quietest, rather than whatever a stray 0 would read as.
int OffIndex(const EntryRules& rules) {
    return rules.kind == entry::kGain
               ? std::clamp(ScaledIndex(rules, 0.0), rules.minimum, rules.maximum)
               : rules.minimum;
}

bool IsUnit(std::string_view text) {
    return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) {
        return std::isalpha(static_cast<unsigned char>(c)) != 0;
    });
}

}  // namespace

bool CommaIsDecimalPoint(int kind) {
    return kind != entry::kFrequency;
}

std::optional<std::string> EntryNumber(const EntryRules& rules, std::string_view text) {
    text = Trimmed(text);
    std::string number;
    bool digit = false;
    bool point = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c >= '0' && c <= '9') {
            digit = true;
            number += c;
        } else if ((c == '-' || c == '+') && i == 0) {
            number += c;
        } else if (c == ',' && !CommaIsDecimalPoint(rules.kind)) {
            continue;
        } else if (c == '.' || c == ',') {
            if (point) {
                return std::nullopt;
            }
            point = true;
            number += '.';
        } else if ((c == 'e' || c == 'E') && digit && i + 1 < text.size()) {
            // An exponent (pasted, it cannot be typed) ends the number.
            const std::string_view exponent = text.substr(i + 1);
            const std::size_t sign = exponent[0] == '-' || exponent[0] == '+' ? 1 : 0;
            if (exponent.size() == sign ||
                !std::all_of(exponent.begin() + sign, exponent.end(),
                             [](char d) { return d >= '0' && d <= '9'; })) {
                return std::nullopt;
            }
            number += 'e';
            number += exponent;
            break;
        } else if (digit && IsUnit(Trimmed(text.substr(i)))) {
            break;  // a unit after the number, as the texts show it ("ms", "dB")
        } else {
            return std::nullopt;
        }
    }
    if (!digit) {
        return std::nullopt;
    }
    return number;
}

double SpeedOfSound(int temperature) {
    return 331.0 + 0.6 * (temperature - 50);
}

double LeadingReal(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) {
        ++i;
    }
    if (i < text.size() && text[i] == '+') {
        ++i;
    }
    double x = 0.0;
    const auto result = std::from_chars(text.data() + i, text.data() + text.size(), x);
    if (result.ec == std::errc::result_out_of_range) {
        // Far beyond any range: the limits of the field take over.
        const bool negative = i < text.size() && text[i] == '-';
        return negative ? -HUGE_VAL : HUGE_VAL;
    }
    return result.ec == std::errc() && std::isfinite(x) ? x : 0.0;
}

long long LeadingInteger(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    long long n = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        const int digit = text[i] - '0';
        if (n > (LLONG_MAX - digit) / 10) {
            return negative ? LLONG_MIN : LLONG_MAX;
        }
        n = n * 10 + digit;
    }
    return negative ? -n : n;
}

std::optional<std::string> EntryText(const EntryRules& rules, int value) {
    switch (rules.kind) {
        case entry::kDelayMs:
            return Fixed(
                value < kFineSteps ? value * kFineStepMs : (value - kFineSteps) + kFirstCoarseMs,
                3);
        case entry::kDelayMetres:
        case entry::kDelayFeet:
            return Fixed(UnitsPerMs(rules) * DistanceMs(value), 3);
        case entry::kLevel:
            return Fixed((value - Half(rules)) * rules.step, 1);
        case entry::kFrequency:
            return IntText(value);
        case entry::kAttack:
            if (value <= kFineAttackSteps) {
                return Fixed((value + 3) * kAttackStepMs, 1) + "ms";
            }
            return IntText(value - kFineAttackSteps) + "ms";
        case entry::kGain:
            return Fixed(value * rules.step - rules.offset, 1);
        case entry::kBandQ:
            return Fixed(
                QTable[static_cast<std::size_t>(std::clamp(value, 0, kBandwidthSteps - 1))], 3);
        case entry::kVolume:
            return Fixed(value * rules.step - rules.offset, 0);
        default:
            return std::nullopt;
    }
}

EntryCommit CommitEntry(const EntryRules& rules, int value, std::string_view typed, bool dirty) {
    EntryCommit out{value, false};
    // Text without a number (an emptied field, a paste of words) keeps the value: read as 0,
    // it would be the loudest volume or the highest gain.
    const bool off = IsOffText(typed);
    const std::optional<std::string> number = EntryNumber(rules, typed);
    if (!off && !number) {
        out.refused = true;
        return out;
    }
    const std::string_view text = off ? typed : std::string_view(*number);
    switch (rules.kind) {
        case entry::kDelayMs:
        case entry::kDelayMetres:
        case entry::kDelayFeet: {
            if (!dirty) {
                break;
            }
            const double x = LeadingReal(text);
            const double t = rules.kind == entry::kDelayMs ? x : x / UnitsPerMs(rules);
            if (t < 0) {
                out.value = rules.minimum;
            } else if (t > kLongestTypedMs) {
                // The longest delay is reachable by typing it in any unit.
                out.value = rules.maximum;
            } else {
                out.value = DelayIndexFromMs(t);
            }
            out.committed = true;
            break;
        }
        case entry::kLevel: {
            if (!dirty) {
                break;
            }
            const double x =
                std::clamp(LeadingReal(text), (rules.minimum - Half(rules)) * rules.step,
                           Half(rules) * rules.step);
            out.value = LevelIndex(rules, x);
            out.committed = true;
            break;
        }
        case entry::kFrequency: {
            if (IsOffText(text)) {
                break;
            }
            out.value = static_cast<int>(
                std::clamp<long long>(LeadingInteger(text), rules.minimum, rules.maximum));
            out.committed = dirty;
            break;
        }
        case entry::kAttack: {
            if (!dirty) {
                break;
            }
            const double x =
                std::clamp(LeadingReal(text), kShortestAttackMs,
                           std::max(kShortestAttackMs, double(rules.maximum - kFineAttackSteps)));
            if (x <= kLongestFineAttackMs) {
                out.value = static_cast<int>(std::lround((x - kShortestAttackMs) / kAttackStepMs));
            } else if (x >= kFirstCoarseAttackMs) {
                out.value = Trunc(x) + kFineAttackSteps;
            }
            out.committed = true;
            break;
        }
        case entry::kGain:
        case entry::kVolume: {
            if (!dirty) {
                break;
            }
            if (IsOffText(text)) {
                out.value = OffIndex(rules);
            } else {
                const double x = std::clamp(LeadingReal(text), ScaledLow(rules), ScaledHigh(rules));
                out.value = std::clamp(ScaledIndex(rules, x), rules.minimum, rules.maximum);
            }
            out.committed = true;
            break;
        }
        case entry::kBandQ: {
            if (!dirty) {
                break;
            }
            out.value = QToBwIndex(std::clamp(LeadingReal(text), QLow(), QHigh()));
            out.committed = true;
            break;
        }
        default:
            break;
    }
    return out;
}

std::optional<int> ParseEntry(const EntryRules& rules, std::string_view typed) {
    std::optional<int> value;
    const bool off = IsOffText(typed);
    const std::optional<std::string> number = EntryNumber(rules, typed);
    if (!off && !number) {
        return value;
    }
    const std::string_view text = off ? typed : std::string_view(*number);
    const double x = LeadingReal(text);
    switch (rules.kind) {
        case entry::kDelayMs:
        case entry::kDelayMetres:
        case entry::kDelayFeet: {
            const double t = rules.kind == entry::kDelayMs ? x : x / UnitsPerMs(rules);
            // Up to the longest delay, so that its own text reads back.
            constexpr double kSlack = 1e-3;
            if (t >= 0 && t <= kLongestDelayMs + kSlack) {
                value = t > kLongestTypedMs ? rules.maximum : DelayIndexFromMs(t);
            }
            break;
        }
        case entry::kLevel:
            if (std::abs(x) <= Half(rules) * rules.step) {
                value = LevelIndex(rules, x);
            }
            break;
        case entry::kFrequency:
            if (!IsOffText(text)) {
                const long long f = LeadingInteger(text);
                if (f >= rules.minimum && f <= rules.maximum) {
                    value = static_cast<int>(f);
                }
            }
            break;
        case entry::kAttack:
            if (x >= kShortestAttackMs && x <= kLongestFineAttackMs) {
                value = static_cast<int>(std::lround((x - kShortestAttackMs) / kAttackStepMs));
            } else if (x >= kFirstCoarseAttackMs && x <= attackstep::kLongest) {
                value = Trunc(x) + kFineAttackSteps;
            }
            break;
        case entry::kGain:
        case entry::kVolume:
            if (IsOffText(text)) {
                value = OffIndex(rules);
            } else if (x >= ScaledLow(rules) && x <= ScaledHigh(rules)) {
                value = ScaledIndex(rules, x);
            }
            break;
        case entry::kBandQ:
            if (x >= QLow() && x <= QHigh()) {
                value = QToBwIndex(x);
            }
            break;
        default:
            break;
    }
    // Whatever the text says, a field never holds an index outside its range.
    if (value && (*value < rules.minimum || *value > rules.maximum)) {
        return std::nullopt;
    }
    return value;
}

namespace {
int GridHz(int index) {
    return static_cast<int>(std::trunc(FreqTable[static_cast<std::size_t>(index)]));
}

// Repetitions (at the arrow's 50 ms repeat) in each phase of a held arrow, and the share of
// the range one step covers in the later phases.
constexpr int kSingleStepRepeats = 10;
constexpr int kMediumStepRepeats = 20;
constexpr int kMediumStepShare = 200;
constexpr int kFastStepShare = 50;
}  // namespace

int StepAlongGrid(int hz, int points) {
    for (; points > 0; --points) {
        int i = 0;
        while (i < kGridSize - 1 && GridHz(i) <= hz) {
            ++i;
        }
        hz = std::max(hz, GridHz(i));
    }
    for (; points < 0; ++points) {
        int i = kGridSize - 1;
        while (i > 0 && GridHz(i) >= hz) {
            --i;
        }
        hz = std::min(hz, GridHz(i));
    }
    return hz;
}

int HeldArrowStep(int repeat, int span) {
    if (repeat < kSingleStepRepeats) {
        return 1;
    }
    const int share = repeat < kMediumStepRepeats ? kMediumStepShare : kFastStepShare;
    return std::max(1, span / share);
}

}  // namespace tolmarin
