#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

#include "protocol/DeviceImage.h"
#include "response/Filter.h"
#include "response/FilterMath.h"

namespace {

using namespace tolmarin;

// One 8th-order crossover (four sections) at all grid points, per family.
void BM_FilterResponseCrossover8thOrder(benchmark::State& st) {
    const int family = static_cast<int>(st.range(0));
    const int type = static_cast<int>(st.range(1));
    double f = 1000.0;
    for (auto _ : st) {
        // A fresh frequency each time, as a drag makes it, so nothing is hoisted.
        f = f < 5000.0 ? f + 1.0 : 1000.0;
        GridResponse r = FilterResponse(type, f, 0.0, 0, 0.3, family, 3);
        benchmark::DoNotOptimize(r.data());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_FilterResponseCrossover8thOrder)
    ->ArgNames({"family", "type"})
    ->Args({0, 3})
    ->Args({1, 3})
    ->Args({2, 3})
    ->Args({0, 4})
    ->Args({1, 4})
    ->Args({2, 4})
    ->Unit(benchmark::kMicrosecond);

// For comparison: the same crossover evaluated the plain way (cosine, sine, square root
// and logarithm per point and section).
void BM_StraightforwardCrossover8thOrder(benchmark::State& st) {
    double f = 1000.0;
    for (auto _ : st) {
        f = f < 5000.0 ? f + 1.0 : 1000.0;
        const SectionSet set = DesignSections({3, f, 0.0, 0, 0.3, 1, 3});
        GridResponse r{};
        for (std::size_t i = 0; i < r.size(); ++i) {
            const double w = 6.2831852 * FreqTable[i] / 96000.0;
            for (int j = 0; j < set.count; ++j) {
                const Biquad& b = set.section[static_cast<std::size_t>(j)];
                const double c = std::cos(w);
                const double s = std::sin(w);
                const double nr = (b.b0 + b.b2) * c + b.b1;
                const double ni = (b.b0 - b.b2) * s;
                const double dr = (1.0 + b.a2) * c + b.a1;
                const double di = (1.0 - b.a2) * s;
                r[i] += 20.0 * std::log10(std::sqrt((nr * nr + ni * ni) / (dr * dr + di * di)));
            }
        }
        benchmark::DoNotOptimize(r.data());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_StraightforwardCrossover8thOrder)->Unit(benchmark::kMicrosecond);

// One channel recomputed from scratch: eight active peaking bands and two 8th-order
// crossover filters, then the sum at every grid point.
void BM_ChannelFullRecompute(benchmark::State& st) {
    const double bandFreq[] = {40, 80, 160, 317, 632, 1261, 2515, 5018};
    double shift = 0.0;
    for (auto _ : st) {
        shift = shift < 10.0 ? shift + 1.0 : 0.0;
        GridResponse sum{};
        for (int k = 0; k < 8; ++k) {
            const GridResponse r =
                FilterResponse(0, bandFreq[k] + shift, 3.0 + k, 0, 0.3 + 0.1 * k, 0, 0);
            for (std::size_t i = 0; i < sum.size(); ++i) {
                sum[i] += r[i];
            }
        }
        const GridResponse hp = FilterResponse(3, 80 + shift, 0.0, 0, 0.3, 1, 3);
        const GridResponse lp = FilterResponse(4, 12000 + shift, 0.0, 0, 0.3, 1, 3);
        for (std::size_t i = 0; i < sum.size(); ++i) {
            sum[i] += hp[i] + lp[i];
        }
        benchmark::DoNotOptimize(sum.data());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_ChannelFullRecompute)->Unit(benchmark::kMicrosecond);

// The same through the filter records, as an edit or a drag step runs it (the response of
// every filter), plus the sum.
void BM_ChannelFullRecomputeThroughFilters(benchmark::State& st) {
    SharedState state;
    std::vector<Filter> filters(10, Filter(state));
    const int bandFreq[] = {40, 80, 160, 317, 632, 1261, 2515, 5018};
    for (int k = 0; k < 8; ++k) {
        filters[k].SetFreq(bandFreq[k], true);
        filters[k].SetGainStep(230 + 10 * k);
        filters[k].SetBandwidthStep(5 + 2 * k);
    }
    for (int k = 8; k < 10; ++k) {
        filters[k].SetType(k == 8 ? 3 : 4);
        filters[k].SetEqBand(0);
        filters[k].SetFamily(1, false);
        filters[k].SetSlope(3, false);
    }
    int shift = 0;
    for (auto _ : st) {
        shift = shift < 10 ? shift + 1 : 0;
        for (int k = 0; k < 8; ++k) {
            filters[k].SetFreq(bandFreq[k] + shift, true);
        }
        filters[8].SetFreq(80 + shift, true);
        filters[9].SetFreq(12000 + shift, true);
        GridResponse sum{};
        for (const Filter& f : filters) {
            for (std::size_t i = 0; i < sum.size(); ++i) {
                sum[i] += f.Response()[i];
            }
        }
        benchmark::DoNotOptimize(sum.data());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_ChannelFullRecomputeThroughFilters)->Unit(benchmark::kMicrosecond);

}  // namespace
