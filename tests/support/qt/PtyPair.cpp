#include "support/qt/PtyPair.h"

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <cstdlib>

namespace tolmarin::testing {

PtyPair::PtyPair() {
    m_master = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (m_master < 0) {
        return;
    }
    if (grantpt(m_master) != 0 || unlockpt(m_master) != 0) {
        CloseMaster();
        return;
    }
    const char* name = ptsname(m_master);
    m_slave = name != nullptr ? name : "";
    termios t{};
    if (tcgetattr(m_master, &t) == 0) {
        cfmakeraw(&t);
        tcsetattr(m_master, TCSANOW, &t);
    }
}

PtyPair::~PtyPair() {
    CloseMaster();
}

void PtyPair::CloseMaster() {
    if (m_master >= 0) {
        ::close(m_master);
        m_master = -1;
    }
}

void PtyPair::Write(const std::vector<std::uint8_t>& bytes) {
    std::size_t done = 0;
    while (m_master >= 0 && done < bytes.size()) {
        const ssize_t n = ::write(m_master, bytes.data() + done, bytes.size() - done);
        if (n <= 0) {
            break;
        }
        done += static_cast<std::size_t>(n);
    }
}

std::vector<std::uint8_t> PtyPair::ReadAvailable() {
    std::vector<std::uint8_t> out;
    std::uint8_t buf[1024];
    for (;;) {
        const ssize_t n = m_master >= 0 ? ::read(m_master, buf, sizeof buf) : -1;
        if (n <= 0) {
            break;
        }
        out.insert(out.end(), buf, buf + n);
    }
    return out;
}

}  // namespace tolmarin::testing
