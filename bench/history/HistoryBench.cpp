// The document history: heap held by 10,000 steps (aim: under 10 MB) and one undo, the
// restore and its pending marks, before anything is sent (aim: under 1 ms).
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <QGuiApplication>

#include "editor/history/EditHistory.h"
#include "model/ChannelSet.h"
#include "protocol/DeviceImage.h"

namespace tolmarin {
namespace {

constexpr int kSteps = 10000;

struct Document {
    Document() {
        InitDeviceImage(state);
        InitSystemBytes(state.image);
        channels.SetSending(true);
    }
    SharedState state;
    ChannelSet channels{state};
};

// One band value per step, as an operator's edits come: gain, frequency or bandwidth.
void Edit(ChannelSet& channels, EditHistory& history, int i) {
    Filter& band = channels.Channel(i % 2).Band((i / 2) % 8);
    switch (i % 3) {
        case 0:
            band.SetGainStep(150 + i % 100);
            break;
        case 1:
            band.SetFreq(100 + i % 5000, true);
            break;
        default:
            band.SetBandwidthStep(i % 59);
            break;
    }
    history.Commit();
}

void BM_HistoryOf10000Steps(benchmark::State& st) {
    for (auto _ : st) {
        Document doc;
        const std::size_t before = mallinfo2().uordblks;
        auto history = std::make_unique<EditHistory>(doc.state, doc.channels);
        for (int i = 0; i < kSteps; ++i) {
            Edit(doc.channels, *history, i);
        }
        const std::size_t after = mallinfo2().uordblks;
        st.counters["MB"] = static_cast<double>(after - before) / (1024.0 * 1024.0);
        st.counters["steps"] = history->Stack().count();
    }
}
BENCHMARK(BM_HistoryOf10000Steps)->Iterations(1)->Unit(benchmark::kMillisecond);

// Undo and redo alternate, so the history stays as long; each is one restore.
void BM_OneUndo(benchmark::State& st) {
    Document doc;
    EditHistory history(doc.state, doc.channels);
    for (int i = 0; i < kSteps; ++i) {
        Edit(doc.channels, history, i);
    }
    bool undo = true;
    for (auto _ : st) {
        if (undo) {
            history.Undo();
        } else {
            history.Redo();
        }
        undo = !undo;
    }
}
BENCHMARK(BM_OneUndo)->Unit(benchmark::kMicrosecond);

// A switch between A and B with every band of both channels different.
void BM_AbSwitchAllBandsDiffer(benchmark::State& st) {
    Document doc;
    EditHistory history(doc.state, doc.channels);
    history.SwitchAb();
    for (int ch = 0; ch < 2; ++ch) {
        for (int k = 0; k < 8; ++k) {
            doc.channels.Channel(ch).Band(k).SetGainStep(100 + k);
        }
    }
    history.Commit();
    for (auto _ : st) {
        history.SwitchAb();
    }
}
BENCHMARK(BM_AbSwitchAllBandsDiffer)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace tolmarin

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
