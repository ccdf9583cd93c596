#pragma once

#include <atomic>

namespace tolmarin::venue {

// A request to stop a run, set from anywhere: a signal handler, another thread, a window's
// Stop button. The run looks at it between frames (every pacing interval), stops every
// amplifier there and says what each holds.
class Interrupt {
public:
    // Safe in a signal handler: a lock-free atomic store and nothing else.
    void Request(int signal) noexcept { m_signal.store(signal, std::memory_order_relaxed); }
    void Clear() noexcept { m_signal.store(0, std::memory_order_relaxed); }
    // The signal's number (any nonzero value from a caller without signals), 0 when none.
    int Requested() const noexcept { return m_signal.load(std::memory_order_relaxed); }

private:
    static_assert(std::atomic<int>::is_always_lock_free,
                  "a signal handler may only touch a lock-free atomic");
    std::atomic<int> m_signal{0};
};

}  // namespace tolmarin::venue
