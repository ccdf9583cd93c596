#include "support/qt/VirtualTime.h"

#include <QCoreApplication>

#include "protocol/Protocol.h"

namespace tolmarin::testing {

VirtualTime::VirtualTime(long long limitMs) : m_limitMs(limitMs) {
    // A zero timer runs when the loop is idle: posted events (deferred calls) go first.
    m_idle.setInterval(0);
    QObject::connect(&m_idle, &QTimer::timeout, [this] { Step(); });
    m_idle.start();
}

std::unique_ptr<LinkScheduler> VirtualTime::NewClock() {
    auto clock = std::make_unique<ManualScheduler>();
    m_clocks.push_back(clock.get());
    return clock;
}

std::unique_ptr<SimulatedLink> VirtualTime::NewLink(LinkKind kind, sim::Amplifier& amp,
                                                    const sim::Faults& faults) {
    auto link = std::make_unique<SimulatedLink>(kind, amp, faults);
    m_links.push_back(link.get());
    return link;
}

void VirtualTime::Step() {
    if (m_now >= m_limitMs) {
        m_idle.stop();
        QCoreApplication::exit(1);
        return;
    }
    const auto flush = [this] {
        for (SimulatedLink* link : m_links) {
            link->Flush();
        }
    };
    for (ManualScheduler* clock : m_clocks) {
        clock->Tick();
    }
    flush();
    for (ManualScheduler* clock : m_clocks) {
        clock->Advance(kPacingIntervalMs);
    }
    flush();
    m_now += kPacingIntervalMs;
}

}  // namespace tolmarin::testing
