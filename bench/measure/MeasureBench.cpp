// Deconvolution and response of recordings of the default sweep (2^18 samples at 48 kHz):
// one position (aim: under 100 ms) and eight averaged (aim: under 500 ms).

#include <benchmark/benchmark.h>

#include "measure/Analysis.h"
#include "measure/SyntheticRecording.h"

namespace {

using namespace tolmarin;
using namespace tolmarin::measure;

void MeasurePositions(benchmark::State& state) {
    const Sweep sweep = MakeSweep(SweepParams{});
    std::vector<Signal> recordings;
    for (int k = 0; k < state.range(0); ++k) {
        test::Room room;
        room.filters = {test::PeakingAt(48000, 80.0 + 20.0 * k, 6.0, 3.0)};
        room.delaySamples = 1000 + 37 * k;
        room.snrDb = 50.0;
        room.seed = static_cast<unsigned>(k + 1);
        recordings.push_back(test::Record(sweep, room));
    }
    for (auto _ : state) {
        // A fresh analyser each time: the sweep's spectrum is part of the cost.
        Analyser analyser(sweep);
        std::vector<Position> positions;
        for (const Signal& r : recordings) {
            positions.push_back(*analyser.Recording(r, {}).position);
        }
        AnalysisOptions o;
        o.smoothing = Smoothing::Sixth;
        benchmark::DoNotOptimize(Combine(positions, o));
    }
}
BENCHMARK(MeasurePositions)->Arg(1)->Arg(8)->Unit(benchmark::kMillisecond);

}  // namespace
