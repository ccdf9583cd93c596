#pragma once

namespace tolmarin::cli {

// Whether standard output (1) or standard error (2) is a terminal, where progress may be
// redrawn in place.
bool IsTerminal(int stream);

}  // namespace tolmarin::cli
