// The command-line tool's system calls.
#include "CliPlatform.h"

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

namespace tolmarin::cli {

bool IsTerminal(int stream) {
#ifdef _WIN32
    return _isatty(stream) != 0;
#else
    return isatty(stream) != 0;
#endif
}

bool IsWritableFolder(const std::string& folder) {
#ifdef _WIN32
    return _access(folder.c_str(), 2) == 0;
#else
    return access(folder.c_str(), W_OK) == 0;
#endif
}

}  // namespace tolmarin::cli
