#include <benchmark/benchmark.h>

#include "protocol/FrameBuilder.h"

namespace {

void BM_BuildProgramWrite(benchmark::State& st) {
    tolmarin::SharedState s;
    tolmarin::InitDeviceImage(s);
    for (auto _ : st) {
        auto item = tolmarin::BuildProgramWrite(s, 5);
        benchmark::DoNotOptimize(item->Data());
    }
}
BENCHMARK(BM_BuildProgramWrite);

}  // namespace
