#pragma once

#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "text/Texts.h"

namespace tolmarin::cli {

// An `eq ...` command line split as every eq command reads it: "eq", then its subcommand,
// then positional words; options as --name VALUE or --name=VALUE; --lang zh anywhere.
struct EqLine {
    UiState ui;
    std::string sub;
    std::vector<std::string> positional;
    std::vector<std::string> flags;                           // options without a value
    std::vector<std::pair<std::string, std::string>> values;  // in the order given
    std::optional<std::string> usage;  // why the line cannot be read, when it cannot
};
EqLine SplitEqLine(const std::vector<std::string>& args,
                   const std::vector<std::string_view>& flagNames,
                   const std::vector<std::string_view>& valuedNames);

// Whether the arguments name `eq sweep` or `eq measure`.
bool IsMeasureCommand(const std::vector<std::string>& args);

// `eq sweep OUT.wav ...` and `eq measure --sweep SWEEP.wav RECORDING.wav... --out OUT`:
// the room measured from a sweep and its recordings. Parses its own arguments (all of them,
// "eq" included) and returns an exit code.
int RunMeasure(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace tolmarin::cli
