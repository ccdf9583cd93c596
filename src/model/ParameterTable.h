#pragma once

#include <array>
#include <string>
#include <vector>

#include "model/ChannelSet.h"
#include "text/Texts.h"

namespace tolmarin {

inline constexpr int kParameterRows = 65;

struct ParameterRow {
    std::string label;
    std::array<std::string, 2> cells;  // CH1, CH2
};

// The three column headings: parameter, CH1, CH2.
std::array<std::string, 3> ParameterTableHeadings(const UiState& ui);

// The 65 rows of the parameter table, a snapshot of CH1 and CH2 in the language current at
// the call. Separator rows (5, 11, ..., 53, 57, 61) are empty in every column.
std::vector<ParameterRow> BuildParameterTable(const ChannelSet& channels, const UiState& ui);

}  // namespace tolmarin
