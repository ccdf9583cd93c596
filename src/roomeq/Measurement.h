#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "response/FilterMath.h"
#include "text/Texts.h"

namespace tolmarin::roomeq {

// Points outside this band are ignored: no microphone measures beyond it usefully.
inline constexpr double kMeasureLowHz = 10.0;
inline constexpr double kMeasureHighHz = 24000.0;

// Fractional-octave smoothing: none, 1/3, 1/6 or 1/12 octave.
enum class Smoothing { None, Third, Sixth, Twelfth };

// A magnitude measurement (or a house curve): ascending, distinct frequencies.
struct Measurement {
    std::vector<double> hz;
    std::vector<double> db;
};

// Why a file was refused: the line (0 for the file as a whole), the reason and the values
// the reason's text is filled with.
struct ParseFailure {
    int line = 0;
    TextId reason = TextId::RoomEqNoPoints;
    std::vector<std::string> values;
};

struct ParseOutcome {
    std::optional<Measurement> measurement;
    ParseFailure failure;  // meaningful when there is no measurement
};

// Reads REW's text export or plain text/CSV of two or three columns (frequency, dB and an
// ignored phase). Lines starting with '*' or '#' are comments; any lines before the first
// row of numbers are a header. Columns are separated by ';', a tab, ',' or blanks; with ';'
// or a tab a comma is a decimal comma, and with blanks too when that is the only reading.
// Levels beyond +-1000 dB are refused.
ParseOutcome ParseMeasurement(std::string_view text);

// The text in the given language, "line N: ..." when a line is to blame.
std::string DescribeFailure(const ParseFailure& failure, const UiState& ui);
// A catalogue text with %1, %2, ... replaced.
std::string FillText(std::string_view text, const std::vector<std::string>& values);

// Whether the points reach from lo to hi, or to within 2 % of them (the ends are held).
bool Covers(const Measurement& m, double loHz, double hiHz);
// The refusal for a measurement that does not cover lo to hi.
ParseFailure NotCovered(const Measurement& m, double loHz, double hiHz);

// The measurement at the grid frequencies, interpolated on a logarithmic frequency axis
// after the optional smoothing; beyond its ends it holds the end values.
GridResponse OnGrid(const Measurement& m, Smoothing smoothing);

// Mean of a curve over the grid points from lo to hi.
double MeanOver(const GridResponse& curve, double loHz, double hiHz);

}  // namespace tolmarin::roomeq
