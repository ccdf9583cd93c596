#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tolmarin {

// How a numeric field shows its step index and turns typed text back into one. The field
// holds the amplifier's integer step; the kind decides the unit shown.
namespace entry {
inline constexpr int kDelayMs = 0;      // delay as a time, ms
inline constexpr int kDelayMetres = 1;  // delay as a distance, m
inline constexpr int kDelayFeet = 2;    // delay as a distance, ft
inline constexpr int kLevel = 3;        // limiter threshold, step about the middle of the range
inline constexpr int kFrequency = 4;    // whole hertz
inline constexpr int kAttack = 5;       // 0.3 to 0.9 ms, then 1 to 100 ms
inline constexpr int kGain = 10;        // band gain, dB: index * step - offset
inline constexpr int kBandQ = 11;       // bandwidth step shown as its Q
inline constexpr int kVolume = 25;      // whole dB below full scale

// Air temperature in degrees Celsius plus 50, as the fields hold it (21 degrees).
inline constexpr int kDefaultTemperature = 71;
}  // namespace entry

// Everything the entry rules of one field depend on.
struct EntryRules {
    int kind = entry::kDelayMs;
    int minimum = 0;
    int maximum = 0;
    double step = 0.0;    // display units per index (kinds 3, 10, 25)
    double offset = 0.0;  // display value at index 0, negated (kinds 10, 25)
    int temperature = entry::kDefaultTemperature;
};

// Speed of sound in m/s at the field's temperature (343.6 at 21 degrees).
double SpeedOfSound(int temperature);

// The field's text for a value; nothing for a kind without a display form.
std::optional<std::string> EntryText(const EntryRules& rules, int value);

// What leaving a field does with its text. Without `committed`, the field keeps its text
// and tells nobody; `value` may still differ (a frequency field re-reads its number).
struct EntryCommit {
    int value = 0;
    bool committed = false;  // rebuild the text and tell the form
    bool refused = false;    // the text holds no number: show the value again, tell nobody
};
EntryCommit CommitEntry(const EntryRules& rules, int value, std::string_view text, bool dirty);

// The quiet reading of typed text: the same conversion as the commit, but text outside
// the accepted range gives nothing (the caller keeps its value) instead of being limited.
std::optional<int> ParseEntry(const EntryRules& rules, std::string_view text);

// Typed text reduced to the number it holds: blanks trimmed; in fields with decimals a comma is
// the decimal point, in whole-number fields (frequencies) commas are dropped ("1,000" is 1000);
// a unit after the number ("ms", "dBu") may stay. Nothing when the text is empty, holds two decimal
// separators or anything but one number: such a field keeps its value.
std::optional<std::string> EntryNumber(const EntryRules& rules, std::string_view text);

// Whether a comma typed into a field of this kind is its decimal point (else it is dropped).
bool CommaIsDecimalPoint(int kind);

// The number at the start of a text as the fields read it: leading blanks, a sign, digits,
// a point and an exponent; 0 when there is none. Never depends on the process locale.
double LeadingReal(std::string_view text);
// The whole number at the start of a text, saturating instead of overflowing.
long long LeadingInteger(std::string_view text);

// The grid frequency `points` grid points above (positive) or below (negative) hz, in whole
// hertz, stopping at the grid's ends. Counted from the frequency itself, so a frequency
// between two grid points steps to the next one and never skips it.
int StepAlongGrid(int hz, int points);

// Grid points a frequency field steps through: the 241 frequencies less one.
inline constexpr int kFrequencyGridSteps = 240;

// The steps an arrow makes on its repeat-th repetition while it is held, for a field whose
// range spans `span` steps: single steps for the first half second, then faster, so that
// any field crosses its whole range in about four seconds (the delay's 1467 steps too).
int HeldArrowStep(int repeat, int span);

}  // namespace tolmarin
