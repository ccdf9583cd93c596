// The command-line tool's system calls.
#include "CliPlatform.h"

#ifdef _WIN32
#include <io.h>
#else
#include <sys/resource.h>
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

bool RaiseOpenFileLimit(std::uint64_t needed, std::uint64_t& limit) {
#ifdef _WIN32
    // Sockets and files have no per-process count limit of this kind on Windows.
    limit = needed;
    return true;
#else
    rlimit rl{};
    if (getrlimit(RLIMIT_NOFILE, &rl) != 0) {
        limit = 0;
        return false;
    }
    const auto wanted = static_cast<rlim_t>(needed);
    if (rl.rlim_cur != RLIM_INFINITY && rl.rlim_cur >= wanted) {
        limit = rl.rlim_cur;
        return true;
    }
    if (rl.rlim_cur == RLIM_INFINITY) {
        limit = needed;
        return true;
    }
    if (rl.rlim_max != RLIM_INFINITY && rl.rlim_max < wanted) {
        limit = rl.rlim_max;
        return false;
    }
    rl.rlim_cur = wanted;
    if (setrlimit(RLIMIT_NOFILE, &rl) != 0) {
        limit = static_cast<std::uint64_t>(rl.rlim_max);
        return false;
    }
    limit = needed;
    return true;
#endif
}

}  // namespace tolmarin::cli
