#include <gtest/gtest.h>

#include <QEventLoop>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QProcess>
#include <QTcpServer>
#include <QUrlQuery>

#include <optional>

#include "FakeSamples.h"
#include "HttpProbe.h"
#include "support/TempDir.h"
#include "venue/http/MonitorServer.h"

namespace tolmarin::testing {
namespace {

using venue::MonitorServer;

quint16 FreeLoopbackPort() {
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

// A scrape of a fleet with every kind of amplifier passes promtool's parser and its lint.
TEST(Prometheus, PromtoolFindsNoProblemInAScrape) {
    ASSERT_STRNE(PROMTOOL_PATH, "") << "promtool missing: install Debian's prometheus";
    MonitorServer server{"1.0.0"};
    auto grouped = SampleOf(0);
    grouped.group = "Floor \"2\"";
    auto offline = SampleOf(1);
    offline.up = false;
    auto never = SampleOf(2);
    never.up = false;
    never.lastReplyMs.reset();
    server.Publish({grouped, offline, never, SampleOf(3)});
    const quint16 port = server.Listen(QHostAddress::LocalHost, 0).value_or(0);
    const HttpAnswer scrape = Get(port, "/metrics");
    ASSERT_EQ(scrape.status, 200);

    QProcess promtool;
    promtool.start(PROMTOOL_PATH, {"check", "metrics"});
    ASSERT_TRUE(promtool.waitForStarted(10000));
    promtool.write(scrape.body);
    promtool.closeWriteChannel();
    ASSERT_TRUE(promtool.waitForFinished(30000));
    const QByteArray said = promtool.readAllStandardOutput() + promtool.readAllStandardError();
    EXPECT_EQ(promtool.exitCode(), 0) << said.toStdString();
    EXPECT_TRUE(said.trimmed().isEmpty()) << said.toStdString();
}

// A Prometheus of the test's own, on loopback with its own configuration and data folder.
class PrometheusServer {
public:
    PrometheusServer(const TempDir& dir, quint16 target) : m_port(FreeLoopbackPort()) {
        QFile config(QString::fromStdString(dir.PathOf("prometheus.yml")));
        config.open(QIODevice::WriteOnly);
        config.write(
            "global:\n  scrape_interval: 1s\n  evaluation_interval: 1s\n"
            "scrape_configs:\n  - job_name: tolmarin\n    static_configs:\n"
            "      - targets: ['127.0.0.1:" +
            QByteArray::number(target) + "']\n");
        config.close();
        m_process.setProcessChannelMode(QProcess::MergedChannels);
        m_process.start(
            PROMETHEUS_PATH,
            {"--config.file=" + config.fileName(),
             "--storage.tsdb.path=" + QString::fromStdString(dir.PathOf("data")),
             "--web.listen-address=127.0.0.1:" + QString::number(m_port), "--log.level=warn"});
        m_manager.setProxy(QNetworkProxy::NoProxy);
    }
    ~PrometheusServer() {
        m_process.terminate();
        if (!m_process.waitForFinished(10000)) {
            m_process.kill();
            m_process.waitForFinished(5000);
        }
    }

    // The value of tolmarin_amplifier_up for the amplifier named, when Prometheus has one.
    std::optional<QString> Up(const QString& name) {
        QUrl url("http://127.0.0.1:" + QString::number(m_port) + "/api/v1/query");
        url.setQuery(QUrlQuery{{"query", "tolmarin_amplifier_up{name=\"" + name + "\"}"}});
        QNetworkReply* reply = m_manager.get(QNetworkRequest(url));
        SpinUntil([&] { return reply->isFinished(); }, 5000);
        const QJsonArray result = QJsonDocument::fromJson(reply->readAll())
                                      .object()["data"]
                                      .toObject()["result"]
                                      .toArray();
        reply->deleteLater();
        if (result.size() != 1) {
            return std::nullopt;
        }
        return result[0].toObject()["value"].toArray()[1].toString();
    }

    QString Log() { return QString::fromUtf8(m_process.readAll()); }
    bool Running() const { return m_process.state() == QProcess::Running; }

private:
    quint16 m_port;
    QProcess m_process;
    QNetworkAccessManager m_manager;
};

// Polls every half second until Prometheus reads want for the amplifier, or ms have passed.
bool ReadsWithin(PrometheusServer& prometheus, const QString& name, const QString& want, int ms) {
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < ms) {
        if (prometheus.Up(name) == want) {
            return true;
        }
        SpinFor(500);
    }
    return false;
}

TEST(Prometheus, ScrapesTheMonitorAndSeesAnAmplifierGoOffline) {
    ASSERT_STRNE(PROMETHEUS_PATH, "") << "prometheus missing: install Debian's prometheus";
    MonitorServer server{"1.0.0"};
    const quint16 port = server.Listen(QHostAddress::LocalHost, 0).value_or(0);
    ASSERT_NE(port, 0);
    FakeSampleSource poller(server, 3, 200);
    TempDir dir("prometheus");
    PrometheusServer prometheus(dir, port);

    // Its first scrape comes some seconds after it starts.
    ASSERT_TRUE(ReadsWithin(prometheus, "Room 2", "1", 20000)) << prometheus.Log().toStdString();
    poller.SetUp(1, false);
    // Three scrapes at one a second, and ten seconds to spare.
    EXPECT_TRUE(ReadsWithin(prometheus, "Room 2", "0", 13000)) << prometheus.Log().toStdString();
    EXPECT_EQ(prometheus.Up("Room 1"), "1");
    EXPECT_TRUE(prometheus.Running()) << prometheus.Log().toStdString();
}

}  // namespace
}  // namespace tolmarin::testing
