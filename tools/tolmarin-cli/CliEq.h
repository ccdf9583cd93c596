#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace tolmarin::cli {

// Whether the arguments name the eq command (its first word that is not an option).
bool IsEqCommand(const std::vector<std::string>& args);

// `eq fit|export|import ...`: the room EQ on program files. Parses its own arguments (all
// of them, "eq" included) and returns an exit code.
int RunEq(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace tolmarin::cli
