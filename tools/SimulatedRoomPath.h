#pragma once
// A room that is simulated in place of a sound card: what Start() plays comes back delayed,
// through the room's peaks and dips and with a little noise. For tests and pictures of the
// live measurement without hardware.

#include <QTimer>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numbers>
#include <optional>
#include <utility>
#include <vector>

#include "measure/live/AudioPath.h"

namespace tolmarin::live {

class SimulatedRoomPath : public AudioPath {
public:
    struct Peak {
        double hz = 1000.0;
        double db = 0.0;
        double q = 1.0;
    };

    using AudioPath::AudioPath;

    // The room of the following recordings.
    void SetRoom(std::vector<Peak> peaks) { m_room = std::move(peaks); }
    // Whether a recording finishes by itself, on the next turn of the event loop.
    void SetAutoFinish(bool on) { m_autoFinish = on; }
    // The next Start() is refused with this problem.
    void RefuseNext(measure::Problem why) { m_refuse = std::move(why); }
    // The next recording comes back as silence.
    void SilenceNext() { m_silence = true; }

    bool Start(std::vector<float> signal, int rate) override {
        if (m_refuse) {
            m_failure = *m_refuse;
            m_refuse.reset();
            return false;
        }
        ++starts;
        m_recorded =
            m_silence ? std::vector<float>(signal.size() + kDelay, 0.0F) : Through(signal, rate);
        m_silence = false;
        m_running = true;
        float peak = 0.0F;
        for (const float v : m_recorded) {
            peak = std::max(peak, std::fabs(v));
        }
        emit level(peak > 0.0F ? 20.0 * std::log10(double{peak}) : -120.0);
        if (m_autoFinish) {
            QTimer::singleShot(0, this, [this] { Finish(); });
        }
        return true;
    }
    void Finish() {
        if (m_running) {
            m_running = false;
            emit finished();
        }
    }
    void FailNow(measure::Problem why) {
        m_running = false;
        m_failure = std::move(why);
        emit failed();
    }
    void Stop() override {
        m_running = false;
        ++stops;
    }
    bool Running() const { return m_running; }
    const measure::Problem& Failure() const override { return m_failure; }
    const std::vector<float>& Recorded() const override { return m_recorded; }

    int starts = 0;
    int stops = 0;

private:
    static constexpr std::size_t kDelay = 2400;

    // Peaking filters (the usual biquad) one after the other, then the delay and the noise.
    std::vector<float> Through(const std::vector<float>& signal, int rate) const {
        std::vector<double> x(signal.begin(), signal.end());
        for (const Peak& p : m_room) {
            const double a = std::pow(10.0, p.db / 40.0);
            const double w = 2.0 * std::numbers::pi * p.hz / rate;
            const double alpha = std::sin(w) / (2.0 * p.q);
            const double a0 = 1.0 + alpha / a;
            const double b0 = (1.0 + alpha * a) / a0;
            const double b1 = -2.0 * std::cos(w) / a0;
            const double b2 = (1.0 - alpha * a) / a0;
            const double a1 = b1;
            const double a2 = (1.0 - alpha / a) / a0;
            double x1 = 0.0, x2 = 0.0, y1 = 0.0, y2 = 0.0;
            for (double& v : x) {
                const double y = b0 * v + b1 * x1 + b2 * x2 - a1 * y1 - a2 * y2;
                x2 = x1;
                x1 = v;
                y2 = y1;
                y1 = y;
                v = y;
            }
        }
        std::vector<float> out(x.size() + kDelay, 0.0F);
        std::uint32_t seed = 12345;
        for (std::size_t i = 0; i < out.size(); ++i) {
            seed = seed * 1664525U + 1013904223U;
            const double noise = 1e-4 * (static_cast<double>(seed >> 8) / (1 << 24) - 0.5);
            out[i] = static_cast<float>((i >= kDelay ? x[i - kDelay] : 0.0) + noise);
        }
        return out;
    }

    std::vector<Peak> m_room;
    std::vector<float> m_recorded;
    std::optional<measure::Problem> m_refuse;
    measure::Problem m_failure{TextId::LiveNoInput, {}};
    bool m_autoFinish = true;
    bool m_silence = false;
    bool m_running = false;
};

}  // namespace tolmarin::live
