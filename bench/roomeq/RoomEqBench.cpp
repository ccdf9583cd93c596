#include <benchmark/benchmark.h>

#include <cmath>
#include <random>

#include "roomeq/Fit.h"

namespace {

using namespace tolmarin;
using namespace tolmarin::roomeq;

// A room of eight peaking features off the grids with a little noise: a typical
// measurement for one channel.
GridResponse Room() {
    std::mt19937 rng(7);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    GridResponse room{};
    for (int k = 0; k < 8; ++k) {
        SectionSet s;
        s.count = 1;
        const double hz = std::exp2(std::log2(80.0) + unit(rng) * std::log2(9000.0 / 80.0));
        const double gain = unit(rng) < 0.6 ? 2.0 + 8.0 * unit(rng) : -(1.5 + 4.5 * unit(rng));
        s.section[0] = PeakingBiquad(hz, gain, 0.5 + 3.0 * unit(rng));
        const GridResponse r = EvaluateSections(s);
        for (int i = 0; i < kGridSize; ++i) {
            room[static_cast<std::size_t>(i)] +=
                r[static_cast<std::size_t>(i)] + 0.3 * (unit(rng) - 0.5);
        }
    }
    return room;
}

void BM_FitEightBands(benchmark::State& state) {
    const GridResponse room = Room();
    const GridResponse flat{};
    for (auto _ : state) {
        FitResult r = FitBands(room, flat, ChannelFilters{}, FitOptions{});
        benchmark::DoNotOptimize(r);
    }
}
BENCHMARK(BM_FitEightBands)->Unit(benchmark::kMillisecond);

}  // namespace
