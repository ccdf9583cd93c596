#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace tolmarin::cli {

// Whether the arguments name `eq sweep` or `eq measure`.
bool IsMeasureCommand(const std::vector<std::string>& args);

// `eq sweep OUT.wav ...` and `eq measure --sweep SWEEP.wav RECORDING.wav... --out OUT`:
// the room measured from a sweep and its recordings. Parses its own arguments (all of them,
// "eq" included) and returns an exit code.
int RunMeasure(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace tolmarin::cli
