#include "measure/Fft.h"

#include <cmath>
#include <map>
#include <mutex>
#include <numbers>
#include <vector>

#include <kissfft/kissfft.hh>

namespace tolmarin::measure {

namespace {

using Cpx = std::complex<double>;

// A handful of sizes is all a session uses (the recordings' and the window's); each big
// plan holds two tables of n/2 complex numbers.
constexpr std::size_t kKeptPlans = 6;

}  // namespace

struct RealFft::Impl {
    explicit Impl(std::size_t half) : forward(half, false), twiddle(half) {
        for (std::size_t k = 0; k < half; ++k) {
            twiddle[k] = std::polar(
                1.0, std::numbers::pi * static_cast<double>(k) / static_cast<double>(half));
        }
    }
    // One complex transform serves both ways: the inverse of z is conj(forward(conj z)).
    kissfft<double> forward;
    std::vector<Cpx> twiddle;  // e^{+j pi k / half}
};

RealFft::RealFft(std::size_t n) : m_n(n), m_impl(std::make_unique<Impl>(n / 2)) {}
RealFft::~RealFft() = default;

std::shared_ptr<const RealFft> RealFft::Of(std::size_t n) {
    static std::mutex mutex;
    static std::map<std::size_t, std::shared_ptr<const RealFft>> plans;
    std::lock_guard<std::mutex> lock(mutex);
    auto& plan = plans[n];
    if (!plan) {
        if (plans.size() > kKeptPlans) {
            // Plans in use stay alive with their users; only the cache forgets them.
            std::erase_if(plans, [n](const auto& p) { return p.first != n; });
        }
        plans[n] = std::make_shared<const RealFft>(n);
    }
    return plans[n];
}

void RealFft::Forward(const double* in, Cpx* out) const {
    const std::size_t half = m_n / 2;
    m_impl->forward.transform_real(in, out);
    // transform_real packs the Nyquist bin into bin 0's imaginary part.
    const double nyquist = out[0].imag();
    out[0] = {out[0].real(), 0.0};
    out[half] = {nyquist, 0.0};
}

void RealFft::Inverse(const Cpx* in, double* out) const {
    // The even and odd samples' spectra from the real spectrum, then one complex inverse
    // of half the length gives both at once.
    const std::size_t half = m_n / 2;
    std::vector<Cpx> z(half);
    const Cpx* const tw = m_impl->twiddle.data();
    for (std::size_t k = 0; k < half; ++k) {
        const Cpx a = in[k];
        const Cpx b = std::conj(in[half - k]);
        const Cpx sum = a + b;
        const Cpx diff = a - b;
        // even + j * odd with even = (a + b) / 2, odd = (a - b) / 2 * tw[k], conjugated
        // for the forward transform; written out, as std::complex's product checks for
        // infinities on every call.
        const double oddRe = 0.5 * (diff.real() * tw[k].real() - diff.imag() * tw[k].imag());
        const double oddIm = 0.5 * (diff.real() * tw[k].imag() + diff.imag() * tw[k].real());
        z[k] = {0.5 * sum.real() - oddIm, -(0.5 * sum.imag() + oddRe)};
    }
    std::vector<Cpx> w(half);
    m_impl->forward.transform(z.data(), w.data());
    const double scale = 1.0 / static_cast<double>(half);
    for (std::size_t i = 0; i < half; ++i) {
        out[2 * i] = w[i].real() * scale;
        out[2 * i + 1] = -w[i].imag() * scale;
    }
}

std::size_t FastFftSize(std::size_t n) {
    const std::size_t halfNeeded = (n + 1) / 2;
    std::size_t best = 1;
    while (best < halfNeeded) {
        best <<= 1;
    }
    for (std::size_t five = 1; five < best; five *= 5) {
        for (std::size_t three = five; three < best; three *= 3) {
            std::size_t h = three;
            while (h < halfNeeded) {
                h <<= 1;
            }
            best = std::min(best, h);
        }
    }
    return 2 * std::max<std::size_t>(best, 1);
}

}  // namespace tolmarin::measure
