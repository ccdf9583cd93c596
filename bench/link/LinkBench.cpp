// Link-up time, edit-to-wire latency and the CPU an idle link costs, on the real
// transports against the simulated amplifier (loopback TCP and a pseudo-terminal).
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QHostAddress>
#include <QProcess>
#include <QRandomGenerator>
#include <QTest>
#include <QTimer>
#include <cstdlib>
#include <memory>

#include "link/DeviceSession.h"
#include "protocol/FrameBuilder.h"
#include "sim/Amplifier.h"
#include "sim/server/SimServer.h"
#include "support/Fresh.h"
#include "support/qt/EventLoop.h"
#include "support/qt/LinkFakes.h"

namespace tolmarin {
namespace {

using testing::FakeLinkModel;
using testing::FreshState;
using testing::RecordingLinkView;
using testing::SpinFor;
using testing::SpinUntil;

enum Kind { kTcp = 0, kPty = 1 };

// A controller linked to an in-process simulator.
struct Linked {
    explicit Linked(Kind kind) : server(amp, sim::Faults{}) {
        link = std::make_unique<DeviceSession>(*fresh, model, view);
        if (const char* trace = std::getenv("TOLMARIN_BENCH_TRACE")) {
            link->StartTrace(trace);  // to see the exchanges behind a figure
        }
        QObject::connect(&link->Controller(), &LinkController::linkUpFinished,
                         [this] { up = true; });
        clock.start();
        if (kind == kTcp) {
            server.ListenTcp(QHostAddress::LocalHost, 0);
            link->Controller().OpenNetworkLinkTo("127.0.0.1", server.TcpPort());
        } else {
            server.OpenPty();
            link->Controller().OpenSerialLinkTo(server.PtyPath().toStdString());
        }
        ok = SpinUntil([this] { return up; }, 10000);
        linkUpMs = static_cast<double>(clock.nsecsElapsed()) / 1e6;
    }
    FreshState fresh;
    FakeLinkModel model{*fresh};
    RecordingLinkView view;
    sim::Amplifier amp{410};
    sim::SimServer server;
    std::unique_ptr<DeviceSession> link;
    QElapsedTimer clock;
    bool up = false;
    bool ok = false;
    double linkUpMs = 0;
};

void BM_LinkUp(benchmark::State& state) {
    const Kind kind = static_cast<Kind>(state.range(0));
    double total = 0;
    for (auto _ : state) {
        Linked l(kind);
        if (!l.ok) {
            state.SkipWithError("link-up did not complete");
            return;
        }
        state.SetIterationTime(l.linkUpMs / 1000.0);
        total += l.linkUpMs;
    }
    const double mean = total / static_cast<double>(state.iterations());
    state.counters["ms"] = mean;
    state.counters["ticks"] = mean / kPacingIntervalMs;
}
BENCHMARK(BM_LinkUp)->Arg(kTcp)->Arg(kPty)->ArgNames({"pty"})->UseManualTime()->Iterations(5)->Unit(
    benchmark::kMillisecond);

// From a changed parameter (its sub-block written to the live block and marked for the
// next tick) until the simulator's memory holds it, at a random phase of the pacing tick.
void BM_EditToAmplifier(benchmark::State& state) {
    Linked l(static_cast<Kind>(state.range(0)));
    if (!l.ok) {
        state.SkipWithError("link-up did not complete");
        return;
    }
    bool changed = false;
    QElapsedTimer t;
    qint64 arrivedNs = 0;
    QObject::connect(&l.server, &sim::SimServer::MemoryChanged, [&] {
        changed = true;
        arrivedNs = t.nsecsElapsed();
    });
    std::uint16_t volume = 100;
    double worst = 0;
    for (auto _ : state) {
        volume = static_cast<std::uint16_t>(volume % 600 + 1);
        auto block = l.fresh->image.ChannelBlock(0, 0);
        changed = false;
        bool pushed = false;
        // The edit lands at a random moment between two ticks, from the event loop.
        QTimer::singleShot(static_cast<int>(QRandomGenerator::global()->bounded(50)), [&] {
            block[34] = static_cast<std::uint8_t>(volume & 0xFF);
            block[35] = static_cast<std::uint8_t>(volume >> 8);
            t.start();
            l.model.scripted.push_back(BuildChannelSubBlock(*l.fresh, 0, 4));
            pushed = true;
        });
        if (!SpinUntil(
                [&] { return pushed && changed && l.amp.ChannelBlock(0, 0)[34] == block[34]; },
                2000)) {
            state.SkipWithError("the edit did not arrive");
            return;
        }
        const double ms = static_cast<double>(arrivedNs) / 1e6;
        worst = std::max(worst, ms);
        state.SetIterationTime(ms / 1000.0);
    }
    state.counters["worst_ms"] = worst;
}
BENCHMARK(BM_EditToAmplifier)
    ->Arg(kTcp)
    ->Arg(kPty)
    ->ArgNames({"pty"})
    ->UseManualTime()
    ->Iterations(40)
    ->Unit(benchmark::kMillisecond);

double CpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// The CPU this process spends on an idle linked controller polling the amplifier, with the
// simulator in a process of its own so that only the controller's share is counted.
void BM_IdleLinkedCpu(benchmark::State& state) {
    const Kind kind = static_cast<Kind>(state.range(0));
    const int seconds = static_cast<int>(state.range(1));
    QProcess simulator;
    simulator.start(TRV410_SIM_PATH,
                    kind == kTcp ? QStringList{"--tcp", "127.0.0.1:0"} : QStringList{"--pty"});
    QString line;
    SpinUntil(
        [&] {
            if (simulator.canReadLine()) {
                line = QString::fromLocal8Bit(simulator.readLine()).trimmed();
            }
            return !line.isEmpty();
        },
        5000);
    FreshState fresh;
    FakeLinkModel model{*fresh};
    RecordingLinkView view;
    DeviceSession link(*fresh, model, view);
    bool up = false;
    QObject::connect(&link.Controller(), &LinkController::linkUpFinished, [&] { up = true; });
    if (kind == kTcp) {
        link.Controller().OpenNetworkLinkTo("127.0.0.1", line.section(':', -1).toInt());
    } else {
        link.Controller().OpenSerialLinkTo(line.section(' ', 1).toStdString());
    }
    if (!SpinUntil([&] { return up; }, 10000)) {
        state.SkipWithError(("no link-up with the simulator: " + line.toStdString()).c_str());
        return;
    }
    for (auto _ : state) {
        view.levels.clear();  // one per status reply
        const double cpu0 = CpuSeconds();
        QElapsedTimer wall;
        wall.start();
        SpinFor(seconds * 1000);
        const double cpu = CpuSeconds() - cpu0;
        const double secs = static_cast<double>(wall.nsecsElapsed()) / 1e9;
        state.SetIterationTime(secs);
        state.counters["cpu_percent"] = 100.0 * cpu / secs;
        state.counters["polls_per_s"] = static_cast<double>(view.levels.size()) / secs;
    }
    link.Controller().CloseLink();
    simulator.kill();
    simulator.waitForFinished();
}
BENCHMARK(BM_IdleLinkedCpu)
    ->Args({kTcp, 30})
    ->Args({kPty, 30})
    ->ArgNames({"pty", "s"})
    ->UseManualTime()
    ->Iterations(1)
    ->Unit(benchmark::kSecond);

}  // namespace
}  // namespace tolmarin

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
