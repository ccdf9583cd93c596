#pragma once

#include <cstdint>
#include <string>

namespace tolmarin::cli {

// Whether standard output (1) or standard error (2) is a terminal, where progress may be
// redrawn in place.
bool IsTerminal(int stream);

// Whether this process may create files in the folder.
bool IsWritableFolder(const std::string& folder);

// Raises the soft limit of open files to needed if it is lower, up to the hard limit. False
// when the hard limit is lower than needed (limit is then the hard limit; the soft one is
// left as it was).
bool RaiseOpenFileLimit(std::uint64_t needed, std::uint64_t& limit);

}  // namespace tolmarin::cli
