#pragma once

#include <string>
#include <vector>

#include "text/Texts.h"

namespace tolmarin::measure {

// A reason something was refused, or a note worth telling: a catalogue text and the values
// its %1, %2, ... are filled with.
struct Problem {
    TextId id = TextId::MeasureNoSweep;
    std::vector<std::string> values;
};

// The problem's text in the language of ui.
std::string Describe(const Problem& problem, const UiState& ui);

}  // namespace tolmarin::measure
