#include "measure/Analysis.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstdio>
#include <memory>
#include <numbers>

#include "measure/Fft.h"

namespace tolmarin::measure {

namespace {

using Cpx = std::complex<double>;

constexpr double kFinePointsPerOctave = 96.0;
// Three samples in a row this close to full scale are clipping.
const double kClipLevel = std::pow(10.0, -0.1 / 20.0);
// Below this the noise before the sweep is too short to tell the noise floor.
constexpr double kShortestSilenceS = 0.05;
// The impulse must stand this far (as power per sample) above the rest of the deconvolved
// recording, or what was recorded is not this sweep.
constexpr double kFoundRatio = 10.0;
constexpr double kMostSnrDb = 150.0;  // digital silence before the sweep
constexpr double kPreWindowS = 0.01;

std::size_t NextPow2(std::size_t n) {
    std::size_t p = 1;
    while (p < n) {
        p <<= 1;
    }
    return p;
}

std::string Figure(double v, const char* format = "%.1f") {
    char buf[32];
    std::snprintf(buf, sizeof buf, format, v);
    return buf;
}

// Half a Hann window falling from 1 to 0 over n samples: sample i of n.
double Fall(std::size_t i, std::size_t n) {
    return 0.5 + 0.5 * std::cos(std::numbers::pi * (static_cast<double>(i) + 0.5) /
                                static_cast<double>(n));
}

std::vector<double> FineGrid(double lo, double hi) {
    std::vector<double> hz;
    const int steps =
        static_cast<int>(std::floor(std::log2(hi / lo) * kFinePointsPerOctave + 1e-9));
    for (int k = 0; k <= steps; ++k) {
        hz.push_back(lo * std::pow(2.0, k / kFinePointsPerOctave));
    }
    if (hi / hz.back() > 1.0 + 1e-9) {
        hz.push_back(hi);
    }
    return hz;
}

// The impulse from `peak - pre` to `peak + window`, faded in over pre and out over the
// window's last tenth, its magnitude at the fine grid's frequencies (as power).
std::vector<double> WindowedPower(const std::vector<double>& ir, std::size_t peak, std::size_t pre,
                                  std::size_t window, int rate, const std::vector<double>& hz) {
    const std::size_t n = ir.size();
    const std::size_t length = pre + window;
    const std::size_t fftSize = 2 * NextPow2(length);
    std::vector<double> w(fftSize, 0.0);
    const std::size_t fadeOut = std::max<std::size_t>(1, window / 10);
    for (std::size_t i = 0; i < length; ++i) {
        const std::size_t at = (peak + n - pre + i) % n;
        double g = 1.0;
        if (i < pre) {
            g = 1.0 - Fall(i, pre);
        } else if (i >= length - fadeOut) {
            g = Fall(i - (length - fadeOut), fadeOut);
        }
        w[i] = ir[at] * g;
    }
    std::vector<Cpx> spectrum(fftSize / 2 + 1);
    RealFft::Of(fftSize)->Forward(w.data(), spectrum.data());
    std::vector<double> power(hz.size());
    const double binHz = static_cast<double>(rate) / static_cast<double>(fftSize);
    for (std::size_t k = 0; k < hz.size(); ++k) {
        const double x = hz[k] / binHz;
        const auto i = std::min(static_cast<std::size_t>(x), fftSize / 2 - 1);
        const double t = x - static_cast<double>(i);
        power[k] = (1.0 - t) * std::norm(spectrum[i]) + t * std::norm(spectrum[i + 1]);
    }
    return power;
}

// A fourth-order Butterworth high pass an octave below the sweep's start: it keeps what
// lies below the sweep out of the impulse, and its magnitude is divided out again.
Cpx LowGuard(double f, double fromHz) {
    if (f <= 0.0) {
        return 0.0;
    }
    const Cpx s(0.0, 2.0 * f / fromHz);
    const Cpx s2 = s * s;
    return s2 * s2 / ((s2 + s / 0.5412 + 1.0) * (s2 + s / 1.3066 + 1.0));
}

std::vector<double> ToDb(const std::vector<double>& power) {
    std::vector<double> db(power.size());
    for (std::size_t i = 0; i < power.size(); ++i) {
        // Far below anything measured, and never minus infinity.
        db[i] = 10.0 * std::log10(std::max(power[i], 1e-30));
    }
    return db;
}

// Linear interpolation in log frequency, the ends held.
double At(const roomeq::Measurement& m, double f) {
    if (f <= m.hz.front()) {
        return m.db.front();
    }
    if (f >= m.hz.back()) {
        return m.db.back();
    }
    const auto it = std::upper_bound(m.hz.begin(), m.hz.end(), f);
    const auto j = static_cast<std::size_t>(it - m.hz.begin());
    const double t = std::log(f / m.hz[j - 1]) / std::log(m.hz[j] / m.hz[j - 1]);
    return m.db[j - 1] + t * (m.db[j] - m.db[j - 1]);
}

double Variance(std::span<const double> x) {
    if (x.empty()) {
        return 0.0;
    }
    double mean = 0.0;
    for (const double v : x) {
        mean += v;
    }
    mean /= static_cast<double>(x.size());
    double sum = 0.0;
    for (const double v : x) {
        sum += (v - mean) * (v - mean);
    }
    return sum / static_cast<double>(x.size());
}

}  // namespace

int OctaveFraction(Smoothing smoothing) {
    switch (smoothing) {
        case Smoothing::Third:
            return 3;
        case Smoothing::Sixth:
            return 6;
        case Smoothing::Twelfth:
            return 12;
        case Smoothing::TwentyFourth:
            return 24;
        case Smoothing::None:
            break;
    }
    return 0;
}

struct Analyser::Cache {
    std::size_t n = 0;
    std::shared_ptr<const RealFft> fft;
    std::vector<Cpx> inverse;  // the sweep's regularised inverse spectrum, band-limited
};

Analyser::Analyser(Sweep sweep) : m_sweep(std::move(sweep)), m_cache(new Cache) {}
Analyser::~Analyser() {
    delete m_cache;
}
const Sweep& Analyser::sweep() const {
    return m_sweep;
}

PositionOutcome Analyser::Recording(const Signal& rec, const AnalysisOptions& options) {
    PositionOutcome out;
    const SweepParams& p = m_sweep.params;
    const int rate = p.rate;
    if (rec.rate != rate) {
        out.problem = {TextId::MeasureWrongRate, {std::to_string(rec.rate), std::to_string(rate)}};
        return out;
    }
    const std::size_t m = rec.samples.size();
    if (m < static_cast<std::size_t>(p.samples)) {
        out.problem = {TextId::MeasureTooShort,
                       {Figure(static_cast<double>(m) / rate, "%.2f"),
                        Figure(static_cast<double>(p.samples) / rate, "%.2f")}};
        return out;
    }
    // A longer recording is bounded too: four times the sweep file at most.
    if (m > 4 * m_sweep.samples.size()) {
        out.problem = {TextId::MeasureTooLong,
                       {Figure(static_cast<double>(m) / rate, "%.2f"),
                        Figure(4.0 * static_cast<double>(m_sweep.samples.size()) / rate, "%.2f")}};
        return out;
    }
    for (std::size_t i = 0, run = 0; i < m; ++i) {
        run = std::fabs(rec.samples[i]) >= kClipLevel ? run + 1 : 0;
        if (run == 3) {
            out.problem = {TextId::MeasureClipped,
                           {Figure(static_cast<double>(i - 2) / rate, "%.3f")}};
            return out;
        }
    }

    // Room for every shift of the sweep within the recording without wrapping round, so a
    // recording started early or late measures alike. Any longer transform gives the same
    // impulse: the sweep's spectrum is kept for recordings up to a second longer than the
    // first, as positions recorded by hand differ by that much.
    const std::size_t needed = m + m_sweep.samples.size();
    if (m_cache->n < needed) {
        const std::size_t n = FastFftSize(needed + static_cast<std::size_t>(rate));
        m_cache->n = n;
        m_cache->fft = RealFft::Of(n);
        std::vector<double> s(n, 0.0);
        std::copy(m_sweep.samples.begin(), m_sweep.samples.end(), s.begin());
        std::vector<Cpx> spec(n / 2 + 1);
        m_cache->fft->Forward(s.data(), spec.data());
        // The sweep's power falls with frequency; the floor is a hundredth of its weakest
        // part in full swing (the octave below its end), so it changes nothing within the
        // sweep and bounds the gain outside it, where noise is all there is.
        double weakest = 0.0;
        int bins = 0;
        for (std::size_t k = 0; k < spec.size(); ++k) {
            const double f = static_cast<double>(k) * rate / static_cast<double>(n);
            if (f >= p.toHz / 2.0 && f <= p.toHz / std::sqrt(2.0)) {
                weakest += std::norm(spec[k]);
                ++bins;
            }
        }
        const double floor = 0.01 * weakest / std::max(1, bins);
        m_cache->inverse.resize(spec.size());
        for (std::size_t k = 0; k < spec.size(); ++k) {
            const double f = static_cast<double>(k) * rate / static_cast<double>(n);
            double mask = 1.0;
            if (f > p.toHz) {
                const double o = std::log2(f / p.toHz) * 2.0;  // half octaves above
                mask = o >= 1.0 ? 0.0 : 0.5 + 0.5 * std::cos(std::numbers::pi * o);
            }
            m_cache->inverse[k] =
                mask * LowGuard(f, p.fromHz) * std::conj(spec[k]) / (std::norm(spec[k]) + floor);
        }
    }
    const std::size_t n = m_cache->n;
    std::vector<double> buffer(n, 0.0);
    std::copy(rec.samples.begin(), rec.samples.end(), buffer.begin());
    std::vector<Cpx> spec(n / 2 + 1);
    m_cache->fft->Forward(buffer.data(), spec.data());
    for (std::size_t k = 0; k < spec.size(); ++k) {
        // Written out: std::complex's product checks for infinities on every call.
        const Cpx a = spec[k];
        const Cpx b = m_cache->inverse[k];
        spec[k] = {a.real() * b.real() - a.imag() * b.imag(),
                   a.real() * b.imag() + a.imag() * b.real()};
    }
    std::vector<double>& ir = buffer;
    m_cache->fft->Inverse(spec.data(), ir.data());

    std::size_t peak = 0;
    double total = 0.0;
    for (std::size_t i = 0; i < n; ++i) {
        total += ir[i] * ir[i];
        if (std::fabs(ir[i]) > std::fabs(ir[peak])) {
            peak = i;
        }
    }
    // Harmonic distortion comes out before the impulse, the second harmonic earliest at
    // L ln 2; the window starts well after it.
    const double sweepS = static_cast<double>(p.samples) / rate;
    const double l = sweepS / std::log(p.toHz / p.fromHz);
    const auto pre =
        static_cast<std::size_t>(std::min(kPreWindowS, 0.5 * l * std::log(2.0)) * rate);
    const auto window = static_cast<std::size_t>(
        std::clamp(options.windowMs, kShortestWindowMs, kLongestWindowMs) * 1e-3 * rate);
    const auto harmonics = static_cast<std::size_t>(l * std::log(10.0) * rate);  // up to the 10th
    double inWindow = 0.0;
    for (std::size_t i = 0; i < pre + window && i < n; ++i) {
        const double v = ir[(peak + n - pre + i) % n];
        inWindow += v * v;
    }
    double inHarmonics = 0.0;
    for (std::size_t i = pre; i < pre + harmonics && i < n; ++i) {
        const double v = ir[(peak + 2 * n - i) % n];
        inHarmonics += v * v;
    }
    const double restCount =
        static_cast<double>(n) - static_cast<double>(std::min(n, pre + window + harmonics));
    const double rest = std::max(0.0, total - inWindow - inHarmonics);
    const double perSampleIn = inWindow / static_cast<double>(pre + window);
    if (!(ir[peak] * ir[peak] > 1e-24) ||
        (restCount > 0.0 && !(perSampleIn > kFoundRatio * rest / restCount))) {
        out.problem = {TextId::MeasureNoSweep, {}};
        return out;
    }

    Position pos;
    // The sweep file's start in the recording (with the sound's way through the room).
    const long long delay = peak < m ? static_cast<long long>(peak)
                                     : static_cast<long long>(peak) - static_cast<long long>(n);
    pos.delayMs = 1e3 * static_cast<double>(delay) / rate;
    // The top ends where the sweep's fade-out starts: at its very end the sweep is silent and
    // what came out there (tens of dB down) pulled the smoothed top of every curve down.
    pos.response.hz = FineGrid(std::max(p.fromHz, roomeq::kMeasureLowHz),
                               std::min(FullLevelHighHz(p), roomeq::kMeasureHighHz));
    std::vector<double> power = WindowedPower(ir, peak, pre, window, rate, pos.response.hz);
    for (std::size_t i = 0; i < power.size(); ++i) {
        power[i] /= std::norm(LowGuard(pos.response.hz[i], p.fromHz));
    }
    pos.response.db = ToDb(power);

    const long long sweepStart = delay + m_sweep.lead;
    const long long silenceEnd =
        std::min<long long>(sweepStart - static_cast<long long>(pre), static_cast<long long>(m));
    const long long signalEnd =
        std::min<long long>(sweepStart + p.samples, static_cast<long long>(m));
    if (silenceEnd < kShortestSilenceS * rate || signalEnd <= sweepStart) {
        pos.notes.push_back({TextId::MeasureNoSilence, {}});
    } else {
        const std::span<const double> all(rec.samples);
        const double noise = Variance(all.subspan(0, static_cast<std::size_t>(silenceEnd)));
        const double signal = Variance(
            all.subspan(static_cast<std::size_t>(std::max<long long>(0, sweepStart)),
                        static_cast<std::size_t>(signalEnd - std::max<long long>(0, sweepStart))));
        const double snr = noise > signal * std::pow(10.0, -kMostSnrDb / 10.0)
                               ? 10.0 * std::log10(signal / noise)
                               : kMostSnrDb;
        pos.snrDb = snr;
        if (snr < kLowSnrDb) {
            pos.notes.push_back({TextId::MeasureLowSnr, {Figure(snr)}});
        }
    }
    out.position = std::move(pos);
    return out;
}

PositionOutcome ImpulseResponse(const Signal& impulse, const AnalysisOptions& options) {
    PositionOutcome out;
    const std::vector<double>& ir = impulse.samples;
    std::size_t peak = 0;
    for (std::size_t i = 0; i < ir.size(); ++i) {
        if (std::fabs(ir[i]) > std::fabs(ir[peak])) {
            peak = i;
        }
    }
    if (ir.empty() || !(std::fabs(ir[peak]) > 1e-12) || impulse.rate <= 0) {
        out.problem = {TextId::MeasureImpulseSilent, {}};
        return out;
    }
    const int rate = impulse.rate;
    // What lies outside the file is silence: the file padded, never wrapped round.
    const auto window = static_cast<std::size_t>(
        std::clamp(options.windowMs, kShortestWindowMs, kLongestWindowMs) * 1e-3 * rate);
    const auto pre = static_cast<std::size_t>(kPreWindowS * rate);
    std::vector<double> padded(pre + window + ir.size(), 0.0);
    std::copy(ir.begin(), ir.end(), padded.begin() + static_cast<std::ptrdiff_t>(pre));
    Position pos;
    pos.delayMs = 1e3 * static_cast<double>(peak) / rate;
    pos.response.hz = FineGrid(20.0, std::min(20000.0, kSweepHighestEndFraction * rate));
    pos.response.db = ToDb(WindowedPower(padded, peak + pre, pre, window, rate, pos.response.hz));
    out.position = std::move(pos);
    return out;
}

Result Combine(std::span<const Position> positions, const AnalysisOptions& options) {
    Result r;
    if (positions.empty()) {
        return r;
    }
    const std::vector<double>& hz = positions.front().response.hz;
    std::vector<double> power(hz.size(), 0.0);
    for (const Position& pos : positions) {
        for (std::size_t i = 0; i < hz.size(); ++i) {
            power[i] += std::pow(10.0, At(pos.response, hz[i]) / 10.0);
        }
    }
    for (double& v : power) {
        v /= static_cast<double>(positions.size());
    }
    if (const int fraction = OctaveFraction(options.smoothing); fraction > 0) {
        // Power averaged over the band of 1/N octave around each point.
        const double half = 0.5 / fraction;
        std::vector<double> smooth(power.size());
        std::size_t lo = 0;
        std::size_t hi = 0;
        double sum = 0.0;
        for (std::size_t i = 0; i < hz.size(); ++i) {
            while (hi < hz.size() && std::log2(hz[hi] / hz[i]) <= half + 1e-9) {
                sum += power[hi++];
            }
            while (std::log2(hz[i] / hz[lo]) > half + 1e-9) {
                sum -= power[lo++];
            }
            smooth[i] = sum / static_cast<double>(hi - lo);
        }
        power = std::move(smooth);
    }
    r.fine.hz = hz;
    r.fine.db = ToDb(power);
    if (const Calibration* cal = options.calibration; cal != nullptr && !cal->curve.hz.empty()) {
        for (std::size_t i = 0; i < hz.size(); ++i) {
            r.fine.db[i] -= At(cal->curve, hz[i]);
        }
        // Held ends are told when they matter: beyond 2 % of the calibration's range.
        if (hz.front() < cal->curve.hz.front() * 0.98 || hz.back() > cal->curve.hz.back() * 1.02) {
            r.notes.push_back(
                {TextId::MeasureCalHeld,
                 {Figure(cal->curve.hz.front(), "%g"), Figure(cal->curve.hz.back(), "%g")}});
        }
        if (cal->sensFactorDb) {
            r.notes.push_back({TextId::MeasureCalSens, {Figure(*cal->sensFactorDb, "%.2f")}});
        }
    }
    r.grid = roomeq::OnGrid(r.fine, roomeq::Smoothing::None);
    return r;
}

}  // namespace tolmarin::measure
