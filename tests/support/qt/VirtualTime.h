#pragma once

#include <QTimer>
#include <memory>
#include <vector>

#include "support/qt/ManualScheduler.h"
#include "support/qt/SimulatedLink.h"

namespace tolmarin::testing {

// Virtual time for code that runs Qt's event loop itself, such as the command-line tool's
// runs. Every clock it hands out is a ManualScheduler; whenever the loop has nothing else
// to do, time moves on by one pacing interval: every pacing timer ticks, the links made
// here deliver their replies, and the waits that fall due fire. A link time-out of
// seconds thus passes in a few hundred loop turns. The clocks and links belong to the
// code under test and must not outlive this object's use: make one per run.
class VirtualTime {
public:
    // limitMs: after this much virtual time the event loops are ended, so that a run that
    // never finishes fails instead of hanging.
    explicit VirtualTime(long long limitMs = 30LL * 60 * 1000);

    std::unique_ptr<LinkScheduler> NewClock();
    std::unique_ptr<SimulatedLink> NewLink(LinkKind kind, sim::Amplifier& amp,
                                           const sim::Faults& faults = {});

    // Moves time on by one pacing interval; the idle loop calls it, and so may a test that
    // runs no loop.
    void Step();
    long long Now() const { return m_now; }
    bool LimitReached() const { return m_now >= m_limitMs; }

private:
    QTimer m_idle;
    long long m_now = 0;
    long long m_limitMs;
    std::vector<ManualScheduler*> m_clocks;
    std::vector<SimulatedLink*> m_links;
};

}  // namespace tolmarin::testing
