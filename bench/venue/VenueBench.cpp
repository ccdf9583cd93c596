// The venue tool against 64 simulated amplifiers in a process of their own: the wall time
// of a push of one program to all of them, and the memory an idle linked amplifier costs
// (status --watch of 64 against 1). With TOLMARIN_BASELINE_CLI naming an earlier build of
// the tool, both builds are measured in the same run, turn about, so that the machine's
// load weighs on both alike.
#include <benchmark/benchmark.h>
#include <csignal>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

constexpr int kAmplifiers = 64;
constexpr int kStartMs = 10000;

// The simulator serving n amplifiers on consecutive loopback ports, and a fleet file of them.
struct Venue {
    explicit Venue(int n) {
        sim.start(TRV410_SIM_PATH, {"--tcp", "127.0.0.1:0", "--count", QString::number(n)});
        QElapsedTimer t;
        t.start();
        QByteArray fleet;
        int seen = 0;
        while (seen < n && t.elapsed() < kStartMs) {
            if (!sim.canReadLine() && !sim.waitForReadyRead(200)) {
                continue;
            }
            while (sim.canReadLine()) {
                const QByteArray line = sim.readLine().trimmed();
                if (line.startsWith("listening on ")) {
                    fleet += "amp" + QByteArray::number(seen++) + " tcp:" + line.mid(13) + '\n';
                }
            }
        }
        ok = seen == n;
        path = dir.filePath("venue.txt");
        QFile f(path);
        ok = ok && f.open(QIODevice::WriteOnly) && f.write(fleet) == fleet.size();
    }
    ~Venue() {
        sim.kill();
        sim.waitForFinished();
    }
    QTemporaryDir dir;
    QProcess sim;
    QString path;
    bool ok = false;
};

// The tools to measure: the one built here, and the baseline when named.
std::vector<std::string> Tools() {
    std::vector<std::string> tools{TOLMARIN_CLI_PATH};
    if (const char* base = std::getenv("TOLMARIN_BASELINE_CLI"); base != nullptr && *base) {
        tools.emplace_back(base);
    }
    return tools;
}

// One push of the demo program to every amplifier, timed from start to exit.
void BM_Push64(benchmark::State& state) {
    const std::string tool = Tools().at(static_cast<std::size_t>(state.range(0)));
    Venue venue(kAmplifiers);
    if (!venue.ok) {
        state.SkipWithError("the simulator did not start its amplifiers");
        return;
    }
    for (auto _ : state) {
        QProcess cli;
        QElapsedTimer t;
        t.start();
        cli.start(QString::fromStdString(tool),
                  {"push", "--fleet", venue.path, DEMO_PROGRAM_PATH, "--timeout", "120"});
        if (!cli.waitForFinished(130000) || cli.exitCode() != 0) {
            state.SkipWithError(
                ("push failed: " + cli.readAllStandardError().toStdString()).c_str());
            return;
        }
        state.SetIterationTime(static_cast<double>(t.nsecsElapsed()) / 1e9);
    }
    state.SetLabel(state.range(0) == 0 ? "this build" : "baseline");
}

long ResidentKiB(qint64 pid) {
    QFile f(QString("/proc/%1/status").arg(pid));
    if (!f.open(QIODevice::ReadOnly)) {
        return -1;
    }
    for (const QByteArray& line : f.readAll().split('\n')) {
        if (line.startsWith("VmRSS:")) {
            return line.mid(6).trimmed().split(' ').front().toLong();
        }
    }
    return -1;
}

// The resident memory of status --watch once every amplifier has shown a status and the
// links have idled a while.
long WatchResident(const std::string& tool, int n) {
    Venue venue(n);
    if (!venue.ok) {
        return -1;
    }
    QProcess cli;
    cli.start(QString::fromStdString(tool), {"status", "--fleet", venue.path, "--watch"});
    if (!cli.waitForStarted()) {
        return -1;
    }
    QElapsedTimer t;
    t.start();
    QByteArray out;
    // Every row has numbers once each amplifier has answered a poll (bounded wait).
    while (t.elapsed() < 20000) {
        cli.waitForReadyRead(200);
        out += cli.readAllStandardOutput();
        const int lastTable = out.lastIndexOf("level1");
        if (lastTable >= 0 && out.mid(lastTable).count('\n') > n &&
            !out.mid(lastTable).contains(" -\n")) {
            break;
        }
    }
    QThread::msleep(2000);
    const long kib = ResidentKiB(cli.processId());
    ::kill(static_cast<pid_t>(cli.processId()), SIGINT);
    if (!cli.waitForFinished(5000)) {
        cli.kill();
        cli.waitForFinished();
    }
    return kib;
}

void BM_IdleMemory(benchmark::State& state) {
    const std::string tool = Tools().at(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state) {
        const long one = WatchResident(tool, 1);
        const long many = WatchResident(tool, kAmplifiers);
        if (one < 0 || many < 0) {
            state.SkipWithError("status --watch did not run");
            return;
        }
        state.counters["kib_one"] = static_cast<double>(one);
        state.counters["kib_64"] = static_cast<double>(many);
        state.counters["kib_per_amp"] = static_cast<double>(many - one) / (kAmplifiers - 1);
    }
    state.SetLabel(state.range(0) == 0 ? "this build" : "baseline");
}

void Register() {
    const long tools = static_cast<long>(Tools().size());
    auto* push = benchmark::RegisterBenchmark("BM_Push64", BM_Push64);
    auto* memory = benchmark::RegisterBenchmark("BM_IdleMemory", BM_IdleMemory);
    for (long i = 0; i < tools; ++i) {
        push->Arg(i);
        memory->Arg(i);
    }
    push->ArgNames({"baseline"})
        ->UseManualTime()
        ->Iterations(1)
        ->Repetitions(5)
        ->ReportAggregatesOnly(false)
        ->Unit(benchmark::kMillisecond);
    memory->ArgNames({"baseline"})->Iterations(1)->Unit(benchmark::kMillisecond);
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    Register();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
