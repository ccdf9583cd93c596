// What a scrape of a venue costs: the metrics text of 256 amplifiers, and a whole scrape over
// loopback with one amplifier's sample replaced before each, as a poll would. Each reports
// its 99th percentile per scrape (p99_ms; the aim is under 2 ms).
#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QTcpSocket>
#include <QThread>

#include <algorithm>
#include <chrono>
#include <vector>

#include "venue/http/MetricsText.h"
#include "venue/http/MonitorServer.h"

namespace {

using tolmarin::venue::AmplifierSample;
using Clock = std::chrono::steady_clock;

constexpr int kAmplifiers = 256;

std::vector<AmplifierSample> Venue() {
    std::vector<AmplifierSample> all;
    for (int i = 0; i < kAmplifiers; ++i) {
        AmplifierSample s;
        s.name = "room-" + std::to_string(i + 1);
        s.address = "tcp:127.0.0." + std::to_string(1 + i / 250) + ":" + std::to_string(8000 + i);
        s.group = "floor-" + std::to_string(i / 32 + 1);
        s.up = i % 17 != 0;
        s.temperatures = {30 + i % 40, 31 + i % 40};
        s.levels = {i % 256, (i * 7) % 256};
        s.reconnects = std::uint64_t(i % 5);
        s.lastReplyMs = 1765360434000 + i;
        all.push_back(s);
    }
    return all;
}

void ReportP99(benchmark::State& state, std::vector<double>& ms) {
    if (ms.empty()) {
        return;
    }
    std::sort(ms.begin(), ms.end());
    state.counters["p99_ms"] = ms[std::min(ms.size() - 1, ms.size() * 99 / 100)];
}

void BM_RenderMetrics256(benchmark::State& state) {
    const auto venue = Venue();
    std::vector<double> ms;
    for (auto _ : state) {
        const auto start = Clock::now();
        auto text = tolmarin::venue::RenderMetrics(venue, "1.0.0");
        benchmark::DoNotOptimize(text);
        ms.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    }
    ReportP99(state, ms);
}
BENCHMARK(BM_RenderMetrics256);

// The monitor serves from an event loop of its own thread while the scraper, like Prometheus,
// is elsewhere: the time is what the scraper waits from its request to the answer's last byte.
void BM_HttpScrape256(benchmark::State& state) {
    QThread loop;
    loop.start();
    auto* server = new tolmarin::venue::MonitorServer("1.0.0");
    auto venue = Venue();
    server->Publish(venue);
    const quint16 port = server->Listen(QHostAddress::LocalHost, 0).value_or(0);
    server->moveToThread(&loop);
    const auto inLoop = [&](auto f) {
        QMetaObject::invokeMethod(server, f, Qt::BlockingQueuedConnection);
    };

    QTcpSocket client;
    client.connectToHost(QHostAddress::LocalHost, port);
    if (client.waitForConnected(5000)) {
        const QByteArray request = "GET /metrics HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n";
        std::vector<double> ms;
        int poll = 0;
        for (auto _ : state) {
            auto& s = venue[std::size_t(poll++ % kAmplifiers)];
            s.lastReplyMs = *s.lastReplyMs + 1000;
            inLoop([server, s] { server->Update(s); });  // a fresh poll result: rendered anew
            const auto start = Clock::now();
            client.write(request);
            QByteArray got;
            qsizetype whole = -1;  // header and body, once the header is in
            while (whole < 0 || got.size() < whole) {
                if (!client.waitForReadyRead(5000)) {
                    state.SkipWithError("no answer from the monitor");
                    break;
                }
                got += client.readAll();
                const qsizetype headEnd = got.indexOf("\r\n\r\n");
                if (whole < 0 && headEnd >= 0) {
                    const qsizetype at = got.indexOf("Content-Length: ") + 16;
                    whole = headEnd + 4 + got.mid(at, got.indexOf('\r', at) - at).toLongLong();
                }
            }
            ms.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
            benchmark::DoNotOptimize(got);
        }
        ReportP99(state, ms);
    } else {
        state.SkipWithError("no connection to the monitor");
    }
    inLoop([server] { delete server; });
    loop.quit();
    loop.wait();
}
BENCHMARK(BM_HttpScrape256)->Iterations(2000);

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
