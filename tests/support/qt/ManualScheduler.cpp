#include "support/qt/ManualScheduler.h"

namespace tolmarin::testing {

void ManualScheduler::StartPacing(int id, int intervalMs, Task tick) {
    m_pacingId = id;
    m_intervalMs = intervalMs;
    m_tick = std::move(tick);
    ++m_pacingStarts;
}

void ManualScheduler::StopPacing() {
    m_pacingId = 0;
    m_tick = nullptr;
}

int ManualScheduler::After(int ms, Task task) {
    const int handle = m_nextHandle++;
    m_waits[handle] = Wait{m_now + ms, std::move(task)};
    return handle;
}

void ManualScheduler::Cancel(int handle) {
    m_waits.erase(handle);
}

int ManualScheduler::Tick(int n) {
    int ran = 0;
    for (; ran < n && m_tick; ++ran) {
        Task tick = m_tick;  // the tick may stop the pacing
        tick();
    }
    return ran;
}

void ManualScheduler::Advance(int ms) {
    const long long end = m_now + ms;
    for (;;) {
        auto next = m_waits.end();
        for (auto it = m_waits.begin(); it != m_waits.end(); ++it) {
            if (it->second.due <= end &&
                (next == m_waits.end() || it->second.due < next->second.due)) {
                next = it;
            }
        }
        if (next == m_waits.end()) {
            break;
        }
        m_now = next->second.due;
        Task task = std::move(next->second.task);
        m_waits.erase(next);
        task();
    }
    m_now = end;
}

}  // namespace tolmarin::testing
