#pragma once

#include <string>

namespace tolmarin::cli {

// Whether standard output (1) or standard error (2) is a terminal, where progress may be
// redrawn in place.
bool IsTerminal(int stream);

// Whether this process may create files in the folder.
bool IsWritableFolder(const std::string& folder);

}  // namespace tolmarin::cli
