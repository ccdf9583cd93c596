#pragma once

#include <complex>
#include <cstddef>
#include <memory>

namespace tolmarin::measure {

// A real FFT of even length n over KissFFT's double template: n/2 + 1 bins out, the
// inverse scaled by 1/n so that Inverse(Forward(x)) is x.
class RealFft {
public:
    explicit RealFft(std::size_t n);
    ~RealFft();
    std::size_t size() const { return m_n; }
    void Forward(const double* in, std::complex<double>* out) const;
    // in is n/2 + 1 bins; it is not changed.
    void Inverse(const std::complex<double>* in, double* out) const;

private:
    struct Impl;
    std::size_t m_n;
    std::unique_ptr<Impl> m_impl;
};

}  // namespace tolmarin::measure
