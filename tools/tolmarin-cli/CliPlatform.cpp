// The command-line tool's only system call.
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

}  // namespace tolmarin::cli
