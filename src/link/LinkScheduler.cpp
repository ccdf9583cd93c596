#include "link/LinkScheduler.h"

#include <QObject>
#include <QTimer>

namespace tolmarin {

QtLinkScheduler::QtLinkScheduler() : m_context(std::make_unique<QObject>()) {
    m_pacing = new QTimer(m_context.get());
    QObject::connect(m_pacing, &QTimer::timeout, m_context.get(), [this] {
        if (m_tick) {
            // A copy: the tick may stop or restart the pacing and so replace m_tick.
            Task tick = m_tick;
            tick();
        }
    });
}

QtLinkScheduler::~QtLinkScheduler() = default;

void QtLinkScheduler::StartPacing(int id, int intervalMs, Task tick) {
    m_tick = std::move(tick);
    m_pacingId = id;
    m_pacing->start(intervalMs);
}

void QtLinkScheduler::StopPacing() {
    m_pacing->stop();
    m_pacingId = 0;
    m_tick = nullptr;
}

int QtLinkScheduler::After(int ms, Task task) {
    const int handle = m_nextHandle++;
    auto* timer = new QTimer(m_context.get());
    timer->setSingleShot(true);
    m_waits[handle] = timer;
    QObject::connect(timer, &QTimer::timeout, m_context.get(),
                     [this, handle, timer, task = std::move(task)] {
                         m_waits.erase(handle);
                         timer->deleteLater();
                         task();
                     });
    timer->start(ms);
    return handle;
}

void QtLinkScheduler::Cancel(int handle) {
    const auto it = m_waits.find(handle);
    if (it != m_waits.end()) {
        it->second->stop();
        it->second->deleteLater();
        m_waits.erase(it);
    }
}

}  // namespace tolmarin
