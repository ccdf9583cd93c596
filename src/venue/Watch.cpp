#include "venue/Watch.h"

#include <QDateTime>

#include "link/LinkScheduler.h"

namespace tolmarin::venue {

std::string LocalTimestamp() {
    return QDateTime::currentDateTime().toString(Qt::ISODate).replace('T', ' ').toStdString();
}

AmplifierWatch::AmplifierWatch(LinkScheduler& clock, std::function<void()> reopen)
    : m_clock(clock), m_reopen(std::move(reopen)) {}

AmplifierWatch::~AmplifierWatch() {
    Stop();
}

bool AmplifierWatch::WentAway(bool wasUp, const std::string& now) {
    if (m_stopped) {
        return false;
    }
    const bool began = !m_state.offline;
    if (began) {
        m_state.offline = true;
        m_state.offlineSince = now;
    }
    if (m_retry != 0) {
        m_clock.Cancel(m_retry);
    }
    m_retry = m_clock.After(wasUp ? 0 : kWatchRetryMs, [this] {
        m_retry = 0;
        if (!m_stopped) {
            ++m_state.reopens;
            m_reopen();
        }
    });
    return began;
}

bool AmplifierWatch::CameBack() {
    const bool was = m_state.offline;
    m_state.offline = false;
    m_state.offlineSince.clear();
    return was;
}

void AmplifierWatch::Reply(std::array<int, 2> levels, std::array<int, 2> temperatures,
                           std::int64_t nowMs) {
    m_state.levels = levels;
    m_state.temperatures = temperatures;
    m_state.lastReplyMs = nowMs;
    ++m_state.replies;
}

void AmplifierWatch::Stop() {
    m_stopped = true;
    if (m_retry != 0) {
        m_clock.Cancel(m_retry);
        m_retry = 0;
    }
}

}  // namespace tolmarin::venue
