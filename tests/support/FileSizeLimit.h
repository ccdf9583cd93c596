#pragma once

#ifndef _WIN32
#include <sys/resource.h>

#include <csignal>

namespace tolmarin::testing {

// While it lives, this process cannot make a file larger than the given size: the write
// that crosses it fails ("File too large"), whoever runs the test, the superuser included.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        std::signal(SIGXFSZ, SIG_IGN);  // the failed write is enough; no signal
        getrlimit(RLIMIT_FSIZE, &m_old);
        rlimit low = m_old;
        low.rlim_cur = bytes;
        m_set = setrlimit(RLIMIT_FSIZE, &low) == 0;
    }
    ~FileSizeLimit() { setrlimit(RLIMIT_FSIZE, &m_old); }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;
    bool Set() const { return m_set; }

private:
    rlimit m_old{};
    bool m_set = false;
};

}  // namespace tolmarin::testing
#endif
