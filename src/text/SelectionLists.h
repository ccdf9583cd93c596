#pragma once

#include <span>
#include <string>
#include <vector>

#include "text/Texts.h"

namespace tolmarin {

// The drop-down lists of the form. Entries are in list order and never sorted: the position
// of an entry is the value it stands for (family code, EQ kind, crossover slope index,
// limiter release index, sensitivity byte, amplifier mode).
enum class SelectionList { Family, BandType, CrossoverSlope, Release, Sensitivity, AmpMode };

std::span<const TextId> ListEntries(SelectionList list);
// The entries in the given language (the language given).
std::vector<std::string> ListTexts(SelectionList list, Language language);

}  // namespace tolmarin
