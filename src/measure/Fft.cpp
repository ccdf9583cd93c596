#include "measure/Fft.h"

#include <cmath>
#include <numbers>
#include <vector>

#include <kissfft/kissfft.hh>

namespace tolmarin::measure {

struct RealFft::Impl {
    explicit Impl(std::size_t half) : forward(half, false), inverse(half, true), twiddle(half) {
        for (std::size_t k = 0; k < half; ++k) {
            twiddle[k] = std::polar(
                1.0, std::numbers::pi * static_cast<double>(k) / static_cast<double>(half));
        }
    }
    kissfft<double> forward;
    kissfft<double> inverse;
    std::vector<std::complex<double>> twiddle;  // e^{+j pi k / half}
    mutable std::vector<std::complex<double>> work;
    mutable std::vector<std::complex<double>> packed;
};

RealFft::RealFft(std::size_t n) : m_n(n), m_impl(std::make_unique<Impl>(n / 2)) {}
RealFft::~RealFft() = default;

void RealFft::Forward(const double* in, std::complex<double>* out) const {
    const std::size_t half = m_n / 2;
    m_impl->forward.transform_real(in, out);
    // transform_real packs the Nyquist bin into bin 0's imaginary part.
    const double nyquist = out[0].imag();
    out[0] = {out[0].real(), 0.0};
    out[half] = {nyquist, 0.0};
}

void RealFft::Inverse(const std::complex<double>* in, double* out) const {
    // The even and odd samples' spectra from the real spectrum, then one complex inverse
    // of half the length gives both at once.
    const std::size_t half = m_n / 2;
    auto& z = m_impl->packed;
    z.resize(half);
    for (std::size_t k = 0; k < half; ++k) {
        const std::complex<double> a = in[k];
        const std::complex<double> b = std::conj(in[half - k]);
        const std::complex<double> even = 0.5 * (a + b);
        const std::complex<double> odd = 0.5 * (a - b) * m_impl->twiddle[k];
        z[k] = even + std::complex<double>(0.0, 1.0) * odd;
    }
    auto& w = m_impl->work;
    w.resize(half);
    m_impl->inverse.transform(z.data(), w.data());
    const double scale = 1.0 / static_cast<double>(half);
    for (std::size_t i = 0; i < half; ++i) {
        out[2 * i] = w[i].real() * scale;
        out[2 * i + 1] = w[i].imag() * scale;
    }
}

}  // namespace tolmarin::measure
