#pragma once

#include <QDateTime>
#include <QTimer>

#include <string>
#include <vector>

#include "venue/http/AmplifierSample.h"
#include "venue/http/MonitorServer.h"

namespace tolmarin::testing {

// A sample of amplifier i, up, with figures that tell amplifiers apart.
inline venue::AmplifierSample SampleOf(int i) {
    venue::AmplifierSample s;
    s.name = "Room " + std::to_string(i + 1);
    s.address = "tcp:127.0.0.1:" + std::to_string(20000 + i);
    s.up = true;
    s.temperatures = {30 + i % 40, 31 + i % 40};
    s.levels = {i % 256, (i * 7) % 256};
    s.reconnects = std::uint64_t(i % 3);
    s.lastReplyMs = 1765360434000 + i;
    s.takenMs = 1765360434000 + i;
    return s;
}

// Stands where the venue's watch will: a timer that "polls" every amplifier each tick and
// publishes the samples, counting its ticks so a test can tell whether it was held up.
class FakeSampleSource {
public:
    FakeSampleSource(venue::MonitorServer& server, int amplifiers, int intervalMs)
        : m_server(server) {
        for (int i = 0; i < amplifiers; ++i) {
            m_samples.push_back(SampleOf(i));
        }
        QObject::connect(&m_timer, &QTimer::timeout, [this] { Tick(); });
        m_timer.start(intervalMs);
        Tick();
    }

    void SetUp(int i, bool up) { m_samples[std::size_t(i)].up = up; }
    int Ticks() const { return m_ticks; }

private:
    void Tick() {
        ++m_ticks;
        const std::int64_t now = QDateTime::currentMSecsSinceEpoch();
        for (auto& s : m_samples) {
            s.takenMs = now;
            if (s.up) {
                s.lastReplyMs = now;
            }
        }
        m_server.Publish(m_samples);
    }

    venue::MonitorServer& m_server;
    std::vector<venue::AmplifierSample> m_samples;
    QTimer m_timer;
    int m_ticks = 0;
};

}  // namespace tolmarin::testing
