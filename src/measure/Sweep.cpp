#include "measure/Sweep.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numbers>

namespace tolmarin::measure {

namespace {

std::string Number(double v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%g", v);
    return buf;
}

// Half a Hann window rising over n samples: sample i of n.
double Rise(int i, int n) {
    return i >= n ? 1.0 : 0.5 - 0.5 * std::cos(std::numbers::pi * (i + 0.5) / n);
}

// The sweep's rate of change: its frequency grows by e every l seconds.
double SweepL(const SweepParams& p) {
    return static_cast<double>(p.samples) / p.rate / std::log(p.toHz / p.fromHz);
}

// Faded in over its first half octave and out over its last 1/24 octave, so that the
// speaker starts and stops without a click; never more than an eighth of it each.
int FadeInSamples(const SweepParams& p) {
    return std::min(p.samples / 8, static_cast<int>(SweepL(p) * std::log(std::sqrt(2.0)) * p.rate));
}
int FadeOutSamples(const SweepParams& p) {
    return std::min(p.samples / 8,
                    static_cast<int>(SweepL(p) * std::log(std::pow(2.0, 1.0 / 24.0)) * p.rate));
}

}  // namespace

std::optional<Problem> CheckSweep(const SweepParams& p) {
    if (std::find(std::begin(kSweepRates), std::end(kSweepRates), p.rate) ==
        std::end(kSweepRates)) {
        return Problem{TextId::MeasureSweepBadRate, {std::to_string(p.rate)}};
    }
    if (!(p.fromHz >= kSweepLowestStartHz && p.fromHz <= kSweepHighestStartHz)) {
        return Problem{TextId::MeasureSweepBadStart, {Number(p.fromHz)}};
    }
    const double highest = kSweepHighestEndFraction * p.rate;
    if (!(p.toHz > p.fromHz && p.toHz <= highest)) {
        return Problem{TextId::MeasureSweepBadEnd, {Number(p.toHz), Number(highest)}};
    }
    if (p.samples < kSweepFewestSamples || p.samples > kSweepMostSamples) {
        return Problem{TextId::MeasureSweepBadLength, {std::to_string(p.samples)}};
    }
    if (!(p.levelDbfs >= kSweepLowestLevelDbfs && p.levelDbfs <= kSweepHighestLevelDbfs)) {
        return Problem{TextId::MeasureSweepBadLevel, {Number(p.levelDbfs)}};
    }
    return std::nullopt;
}

int LeadSamples(int rate) {
    return rate / 2;
}
int TailSamples(int rate) {
    return rate;
}

Sweep MakeSweep(const SweepParams& p) {
    Sweep s;
    s.params = p;
    s.lead = LeadSamples(p.rate);
    s.tail = TailSamples(p.rate);
    s.samples.assign(static_cast<std::size_t>(s.lead + p.samples + s.tail), 0.0);
    const double l = SweepL(p);
    const double amplitude = std::pow(10.0, p.levelDbfs / 20.0);
    const int fadeIn = FadeInSamples(p);
    const int fadeOut = FadeOutSamples(p);
    for (int i = 0; i < p.samples; ++i) {
        const double t = static_cast<double>(i) / p.rate;
        const double phase = 2.0 * std::numbers::pi * p.fromHz * l * (std::exp(t / l) - 1.0);
        const double fade = std::min(Rise(i, fadeIn), Rise(p.samples - 1 - i, fadeOut));
        s.samples[static_cast<std::size_t>(s.lead + i)] = amplitude * fade * std::sin(phase);
    }
    return s;
}

double FullLevelHighHz(const SweepParams& p) {
    return p.toHz * std::exp(-static_cast<double>(FadeOutSamples(p)) / (SweepL(p) * p.rate));
}

}  // namespace tolmarin::measure
