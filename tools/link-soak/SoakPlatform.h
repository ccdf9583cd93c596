#pragma once

namespace tolmarin {

// What the process holds: open descriptors, the sockets among them and resident memory.
struct Usage {
    int fds = 0;
    int sockets = 0;
    long rssKiB = 0;
};

// Read from /proc where the system has it; zeros elsewhere, which the growth checks pass.
Usage Measure();

}  // namespace tolmarin
