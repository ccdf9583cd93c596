#pragma once

#include <map>
#include <vector>

#include "link/LinkScheduler.h"

namespace tolmarin::testing {

// Time driven by the test: Tick runs the pacing timer's task by hand, Advance moves a
// virtual clock and fires the one-shot waits that fall due.
class ManualScheduler : public LinkScheduler {
public:
    void StartPacing(int id, int intervalMs, Task tick) override;
    void StopPacing() override;
    int PacingTimer() const override { return m_pacingId; }
    int After(int ms, Task task) override;
    void Cancel(int handle) override;

    // Runs up to n pacing ticks; stops early when the pacing stops. Returns ticks run.
    int Tick(int n = 1);
    // Moves the clock by ms, firing due waits in time order.
    void Advance(int ms);

    int PendingWaits() const { return static_cast<int>(m_waits.size()); }
    long long Now() const { return m_now; }
    int IntervalMs() const { return m_intervalMs; }
    int PacingStarts() const { return m_pacingStarts; }

private:
    struct Wait {
        long long due;
        Task task;
    };
    int m_pacingId = 0;
    int m_intervalMs = 0;
    int m_pacingStarts = 0;
    Task m_tick;
    long long m_now = 0;
    int m_nextHandle = 1;
    std::map<int, Wait> m_waits;
};

}  // namespace tolmarin::testing
