// The soak's only system calls: counting descriptors and resident memory.
#include "SoakPlatform.h"

#ifdef __linux__

#include <unistd.h>

#include <QDir>
#include <QFileInfo>
#include <fstream>
#include <string>

namespace tolmarin {

Usage Measure() {
    Usage u;
    const QDir fdDir("/proc/self/fd");
    for (const QFileInfo& e :
         fdDir.entryInfoList(QDir::NoDotAndDotDot | QDir::System | QDir::Files)) {
        ++u.fds;
        char target[256] = {};
        const ssize_t n =
            ::readlink(e.filePath().toLocal8Bit().constData(), target, sizeof target - 1);
        if (n > 0 && std::string(target, static_cast<std::size_t>(n)).rfind("socket:", 0) == 0) {
            ++u.sockets;
        }
    }
    std::ifstream statm("/proc/self/statm");
    long size = 0;
    long resident = 0;
    statm >> size >> resident;
    u.rssKiB = resident * (sysconf(_SC_PAGESIZE) / 1024);
    return u;
}

}  // namespace tolmarin

#else

namespace tolmarin {

Usage Measure() {
    return {};
}

}  // namespace tolmarin

#endif
