#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTcpSocket>

#include <memory>
#include <vector>

#include "FakeSamples.h"
#include "HttpProbe.h"
#include "venue/http/MonitorServer.h"

namespace tolmarin::testing {
namespace {

using venue::MonitorServer;

struct ServerRig {
    MonitorServer server{"9.8.7"};
    quint16 port = 0;
    ServerRig() {
        std::vector<venue::AmplifierSample> samples{SampleOf(0), SampleOf(1)};
        samples[1].up = false;
        server.Publish(samples);
        port = server.Listen(QHostAddress::LocalHost, 0).value_or(0);
    }
};

struct RouteCase {
    const char* request;
    int status;
    const char* allow;       // expected Allow header, "" for none
    const char* typePrefix;  // expected Content-Type prefix, "" for any
};

TEST(MonitorServer, EachMethodAndPathGetsItsOwnAnswer) {
    ServerRig rig;
    ASSERT_NE(rig.port, 0);
    const RouteCase cases[] = {
        {"GET /metrics", 200, "", "text/plain; version=0.0.4"},
        {"GET /metrics?debug=1", 200, "", "text/plain; version=0.0.4"},
        {"GET /status", 200, "", "application/json"},
        {"GET /", 404, "", ""},
        {"GET /metricsx", 404, "", ""},
        {"GET /metrics/extra", 404, "", ""},
        {"POST /nowhere", 404, "", ""},
        {"POST /metrics", 405, "GET, HEAD", ""},
        {"PUT /status", 405, "GET, HEAD", ""},
        {"DELETE /metrics", 405, "GET, HEAD", ""},
        {"OPTIONS /status", 405, "GET, HEAD", ""},
        {"PATCH /metrics", 405, "GET, HEAD", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.request);
        const QByteArray body = QByteArray(c.request).startsWith("GET") ? "" : "x=1";
        HttpAnswer a = Ask(rig.port, QByteArray(c.request) +
                                         " HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Length: " +
                                         QByteArray::number(body.size()) + "\r\n\r\n" + body);
        EXPECT_EQ(a.status, c.status);
        EXPECT_EQ(a.headers["allow"], c.allow);
        EXPECT_EQ(a.headers["content-type"].rfind(c.typePrefix, 0), 0u)
            << a.headers["content-type"];
    }
}

TEST(MonitorServer, HeadSaysWhatGetWouldWithoutTheBodyAndKeepsTheConnectionInStep) {
    ServerRig rig;
    for (const char* path : {"/metrics", "/status"}) {
        SCOPED_TRACE(path);
        const HttpAnswer get = Get(rig.port, path);
        ASSERT_EQ(get.status, 200);
        // HEAD then GET on one connection: a body after HEAD would be read as the next answer.
        QTcpSocket socket;
        socket.connectToHost(QHostAddress::LocalHost, rig.port);
        ASSERT_TRUE(
            SpinUntil([&] { return socket.state() == QAbstractSocket::ConnectedState; }, 5000));
        const QByteArray host = " HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n";
        socket.write("HEAD " + QByteArray(path) + host + "GET " + path + host);
        QByteArray got;
        const QByteArray expectedEnd = get.body;
        ASSERT_TRUE(SpinUntil(
            [&] {
                got += socket.readAll();
                return got.endsWith(expectedEnd) && got.count("HTTP/1.1 200") == 2;
            },
            5000))
            << got.left(400).toStdString();
        const qsizetype firstEnd = got.indexOf("\r\n\r\n") + 4;
        EXPECT_TRUE(got.mid(firstEnd).startsWith("HTTP/1.1 200")) << "HEAD answered with a body";
        EXPECT_TRUE(
            got.left(firstEnd).contains("Content-Length: " + QByteArray::number(get.body.size())));
    }
}

TEST(MonitorServer, StatusListsEveryAmplifierOfflineOnesWithoutFigures) {
    ServerRig rig;
    const HttpAnswer a = Get(rig.port, "/status");
    ASSERT_EQ(a.status, 200);
    const QJsonArray all = QJsonDocument::fromJson(a.body).array();
    ASSERT_EQ(all.size(), 2);
    const QJsonObject up = all[0].toObject();
    const QJsonObject down = all[1].toObject();
    EXPECT_EQ(up["name"].toString(), "Room 1");
    EXPECT_EQ(up["result"].toString(), "ok");
    EXPECT_EQ(up["temperatures"].toArray(), (QJsonArray{30, 31}));
    EXPECT_EQ(down["address"].toString(), "tcp:127.0.0.1:20001");
    EXPECT_EQ(down["result"].toString(), "offline");
    EXPECT_FALSE(down.contains("temperatures"));
    EXPECT_FALSE(down.contains("levels"));
}

TEST(MonitorServer, AnUpdateIsWhatTheNextScrapeShows) {
    ServerRig rig;
    auto s = SampleOf(0);
    s.temperatures = {77, 78};
    rig.server.Update(s);
    const QByteArray body = Get(rig.port, "/metrics").body;
    EXPECT_TRUE(body.contains(
        "tolmarin_amplifier_temperature_celsius{name=\"Room 1\",address=\"tcp:127.0.0.1:20000\","
        "sensor=\"1\"} 77\n"))
        << body.toStdString();
    EXPECT_EQ(rig.server.Samples().size(), 2u);
}

TEST(MonitorServer, ManyRequestsInOneGoAreAllAnsweredNotTakenForAFlood) {
    ServerRig rig;
    QByteArray many;
    for (int i = 0; i < 200; ++i) {
        many += "GET /status HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n";
    }
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, rig.port);
    socket.write(many);
    QByteArray got;
    EXPECT_TRUE(SpinUntil(
        [&] {
            got += socket.readAll();
            return got.count("HTTP/1.1 200") == 200;
        },
        10000))
        << got.count("HTTP/1.1 200");
}

TEST(MonitorServer, AnAddressInUseIsRefusedNotTakenOver) {
    ServerRig rig;
    MonitorServer second{"1"};
    EXPECT_FALSE(second.Listen(QHostAddress::LocalHost, rig.port).has_value());
}

// Fifty clients that connect and never read, ones that ask again and again without reading,
// and one that sends a megabyte of headers: the poller keeps its pace and a scrape is answered.
TEST(MonitorServer, ClientsThatNeverReadStallNeitherThePollerNorOtherScrapes) {
    MonitorServer server{"1"};
    const quint16 port = server.Listen(QHostAddress::LocalHost, 0).value_or(0);
    ASSERT_NE(port, 0);
    FakeSampleSource poller(server, 64, 20);

    std::vector<std::unique_ptr<QTcpSocket>> idle;
    for (int i = 0; i < 50; ++i) {
        auto s = std::make_unique<QTcpSocket>();
        s->setReadBufferSize(1);  // takes almost nothing off the wire
        s->connectToHost(QHostAddress::LocalHost, port);
        idle.push_back(std::move(s));
    }
    ASSERT_TRUE(SpinUntil(
        [&] {
            for (auto& s : idle) {
                if (s->state() != QAbstractSocket::ConnectedState) {
                    return false;
                }
            }
            return true;
        },
        10000));
    // Half of them ask for far more than they will ever take.
    QByteArray many;
    for (int i = 0; i < 400; ++i) {
        many += "GET /metrics HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n";
    }
    for (std::size_t i = 0; i < idle.size(); i += 2) {
        idle[i]->write(many);
    }
    QTcpSocket big;
    big.connectToHost(QHostAddress::LocalHost, port);
    ASSERT_TRUE(SpinUntil([&] { return big.state() == QAbstractSocket::ConnectedState; }, 5000));
    big.write("GET /metrics HTTP/1.1\r\nHost: 127.0.0.1\r\nX-Filler: " +
              QByteArray(1024 * 1024, 'a') + "\r\n\r\n");

    const int before = poller.Ticks();
    // 25 ticks are half a second at the poller's pace; a stalled loop would miss the bound.
    EXPECT_TRUE(SpinUntil([&] { return poller.Ticks() >= before + 25; }, 10000));
    const HttpAnswer a = Get(port, "/metrics");
    EXPECT_EQ(a.status, 200);
    EXPECT_TRUE(a.body.contains("name=\"Room 64\""));
    // The megabyte of headers was dropped, not buffered whole and answered.
    EXPECT_TRUE(SpinUntil([&] { return big.state() == QAbstractSocket::UnconnectedState; }, 5000));
    EXPECT_TRUE(big.readAll().isEmpty());
}

}  // namespace
}  // namespace tolmarin::testing
