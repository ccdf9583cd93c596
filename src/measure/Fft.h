#pragma once

#include <complex>
#include <cstddef>
#include <memory>

namespace tolmarin::measure {

// A real FFT of even length n over KissFFT's double template: n/2 + 1 bins out, the
// inverse scaled by 1/n so that Inverse(Forward(x)) is x. Both directions are const and
// keep no scratch of their own, so one plan serves several threads at once.
class RealFft {
public:
    explicit RealFft(std::size_t n);
    ~RealFft();
    RealFft(const RealFft&) = delete;
    RealFft& operator=(const RealFft&) = delete;

    // The plan of size n, made once and shared: a plan costs a sine and cosine per bin,
    // far more than the transforms of one short measurement.
    static std::shared_ptr<const RealFft> Of(std::size_t n);

    std::size_t size() const { return m_n; }
    void Forward(const double* in, std::complex<double>* out) const;
    // in is n/2 + 1 bins; it is not changed.
    void Inverse(const std::complex<double>* in, double* out) const;

private:
    struct Impl;
    std::size_t m_n;
    std::unique_ptr<Impl> m_impl;
};

// The smallest even length of at least n whose half KissFFT splits into radices 2, 3, 4
// and 5 alone, its fastest: a power of two can be almost twice as long.
std::size_t FastFftSize(std::size_t n);

}  // namespace tolmarin::measure
