#pragma once

#include <ostream>
#include <string>

#include "text/Texts.h"

namespace tolmarin::cli {

// Exit codes scripts rely on.
inline constexpr int kExitDone = 0;
inline constexpr int kExitUsage = 1;
inline constexpr int kExitFile = 2;
inline constexpr int kExitLink = 3;

// `info FILE`: kind, size and the program name(s) of a program file.
int RunInfo(const std::string& path, const UiState& ui, std::ostream& out, std::ostream& err);

}  // namespace tolmarin::cli
