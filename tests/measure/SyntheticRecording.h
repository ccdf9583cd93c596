#pragma once

#include <cmath>
#include <complex>
#include <random>
#include <vector>

#include "measure/Sweep.h"
#include "measure/Wav.h"
#include "response/FilterMath.h"

namespace tolmarin::measure::test {

// A biquad of the peaking kind (RBJ) at any sample rate, its magnitude in dB at any
// frequency: the synthetic room's filters and their true response.
inline Biquad PeakingAt(double rate, double hz, double gainDb, double q) {
    const double a = std::pow(10.0, gainDb / 40.0);
    const double w = 2.0 * M_PI * hz / rate;
    const double alpha = std::sin(w) / (2.0 * q);
    const double a0 = 1.0 + alpha / a;
    return {(1.0 + alpha * a) / a0, -2.0 * std::cos(w) / a0, (1.0 - alpha * a) / a0,
            -2.0 * std::cos(w) / a0, (1.0 - alpha / a) / a0};
}

inline double MagnitudeDb(const std::vector<Biquad>& filters, double rate, double hz) {
    const double w = 2.0 * M_PI * hz / rate;
    double db = 0.0;
    for (const Biquad& s : filters) {
        const std::complex<double> z1 = std::polar(1.0, -w);
        const std::complex<double> z2 = z1 * z1;
        db += 20.0 *
              std::log10(std::abs((s.b0 + s.b1 * z1 + s.b2 * z2) / (1.0 + s.a1 * z1 + s.a2 * z2)));
    }
    return db;
}

struct Room {
    std::vector<Biquad> filters;
    int delaySamples = 0;  // before the sound arrives: the recorder started early
    int cutSamples = 0;    // of the played file missed: the recorder started late
    double snrDb = 200.0;  // of the noise added to the sweep's level
    double ppm = 0.0;      // recorder clock fast by this much
    double gain = 1.0;
    unsigned seed = 1;
};

// What a microphone records when the sweep plays through the room.
inline Signal Record(const Sweep& sweep, const Room& room) {
    std::vector<double> x = sweep.samples;
    for (const Biquad& s : room.filters) {
        double x1 = 0, x2 = 0, y1 = 0, y2 = 0;
        for (double& v : x) {
            const double y = s.b0 * v + s.b1 * x1 + s.b2 * x2 - s.a1 * y1 - s.a2 * y2;
            x2 = x1;
            x1 = v;
            y2 = y1;
            y1 = y;
            v = y;
        }
    }
    if (room.ppm != 0.0) {
        // A fast clock takes more samples of the same sound: read it at 1 / (1 + ppm)
        // steps, by windowed-sinc interpolation (a linear one would dull the highs).
        const double step = 1.0 / (1.0 + room.ppm * 1e-6);
        constexpr int kTaps = 16;
        std::vector<double> r;
        for (double t = kTaps; t + kTaps + 1 < static_cast<double>(x.size()); t += step) {
            const auto i = static_cast<long>(t);
            double v = 0.0;
            for (long k = i - kTaps + 1; k <= i + kTaps; ++k) {
                const double d = t - static_cast<double>(k);
                const double sinc = d == 0.0 ? 1.0 : std::sin(M_PI * d) / (M_PI * d);
                const double lanczos =
                    d == 0.0 ? 1.0 : std::sin(M_PI * d / kTaps) / (M_PI * d / kTaps);
                v += x[static_cast<std::size_t>(k)] * sinc * lanczos;
            }
            r.push_back(v);
        }
        x = std::move(r);
    }
    Signal rec;
    rec.rate = sweep.params.rate;
    rec.samples.assign(static_cast<std::size_t>(room.delaySamples), 0.0);
    rec.samples.insert(rec.samples.end(), x.begin() + room.cutSamples, x.end());
    const double level = std::pow(10.0, sweep.params.levelDbfs / 20.0) / std::sqrt(2.0);
    const double noise = level * std::pow(10.0, -room.snrDb / 20.0);
    std::mt19937 rng(room.seed);
    std::normal_distribution<double> gauss(0.0, noise);
    for (double& v : rec.samples) {
        v = v * room.gain + gauss(rng);
    }
    return rec;
}

}  // namespace tolmarin::measure::test
