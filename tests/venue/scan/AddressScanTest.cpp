// Scans of loopback addresses: amplifiers of the simulator, one per 127.0.0.x address, among
// listeners that are no amplifiers; at most so many probes at once, and Cancel.

#include "venue/scan/AddressScan.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QHostAddress>
#include <QProcess>
#include <QRegularExpression>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <map>
#include <memory>

#include "support/ReplyFrames.h"
#include "venue/scan/ScanRange.h"
#include "venue/scan/ScanTexts.h"

namespace tolmarin::venue {
namespace {

constexpr int kWaitMs = 10000;  // failure bound only

constexpr std::uint32_t Loop(int c, int d) {
    return (127u << 24) | (static_cast<std::uint32_t>(c) << 8) | static_cast<std::uint32_t>(d);
}

// What a listener that is not an amplifier does with a connection.
enum class Manner { Silent, Text, Ack, BadChecksum, HangUp };

// A listener on one loopback address; counts the connections it holds open.
class Listener {
public:
    Listener(std::uint32_t address, quint16 port, Manner manner) : m_manner(manner) {
        ok = m_server.listen(QHostAddress(address), port);
        QObject::connect(&m_server, &QTcpServer::newConnection, [this] { Accept(); });
    }
    bool ok = false;
    quint16 Port() const { return m_server.serverPort(); }
    int open = 0;
    int accepted = 0;

private:
    void Accept() {
        while (QTcpSocket* s = m_server.nextPendingConnection()) {
            ++accepted;
            ++open;
            QObject::connect(s, &QTcpSocket::disconnected, [this, s] {
                --open;
                s->deleteLater();
            });
            using testing::MakeReplyFrame;
            const testing::Bytes status(8, 40);
            testing::Bytes reply;
            switch (m_manner) {
                case Manner::Silent:
                    break;
                case Manner::Text: {
                    static const char kHttp[] = "HTTP/1.0 400 Bad Request\r\n\r\n";
                    reply.assign(kHttp, kHttp + sizeof kHttp - 1);
                    break;
                }
                case Manner::Ack:
                    reply = MakeReplyFrame(ACK_AA, 0, 0, {});
                    break;
                case Manner::BadChecksum:
                    reply = MakeReplyFrame(CMD_POLL, 0, 0, status, true);
                    break;
                case Manner::HangUp:
                    s->disconnectFromHost();
                    break;
            }
            if (!reply.empty()) {
                // Answers the poll once it came, as a device would.
                QObject::connect(s, &QTcpSocket::readyRead, [s, reply] {
                    s->readAll();
                    s->write(reinterpret_cast<const char*>(reply.data()),
                             static_cast<qint64>(reply.size()));
                });
            }
        }
    }
    Manner m_manner;
    QTcpServer m_server;
};

// The simulator serving count amplifiers from first, at one port.
struct SimVenue {
    SimVenue(const char* first, int count, const QStringList& more = {}) {
        proc.setProgram(QStringLiteral(TRV410_SIM_EXE));
        proc.setArguments(QStringList{"--tcp", QString::fromLatin1(first) + ":0", "--count",
                                      QString::number(count), "--step", "address"} +
                          more);
        proc.start();
        const QRegularExpression line("^listening on [0-9.]+:(\\d+)$");
        for (int i = 0; i < count; ++i) {
            if (!QTest::qWaitFor([&] { return proc.canReadLine(); }, kWaitMs)) {
                return;
            }
            const auto m = line.match(QString::fromLocal8Bit(proc.readLine()).trimmed());
            port = m.hasMatch() ? static_cast<quint16>(m.captured(1).toUInt()) : 0;
        }
    }
    ~SimVenue() {
        proc.kill();
        proc.waitForFinished(kWaitMs);
    }
    QProcess proc;
    quint16 port = 0;
};

struct ScanRecord {
    explicit ScanRecord(AddressScan& scan) {
        QObject::connect(&scan, &AddressScan::Probed, [this](const ProbeResult& r, int, int) {
            ASSERT_FALSE(finished) << "a probe reported after the end";
            outcomes[r.address] = r.outcome;
            results.push_back(r);
        });
        QObject::connect(&scan, &AddressScan::Finished, [this](const ScanSummary& s) {
            ++finished;
            summary = s;
        });
    }
    bool Wait() {
        return QTest::qWaitFor([&] { return finished > 0; }, kWaitMs * 3);
    }
    std::map<std::uint32_t, ProbeOutcome> outcomes;
    std::vector<ProbeResult> results;
    ScanSummary summary;
    int finished = 0;
};

TEST(LoopbackScan, FindsEveryAmplifierOfALoopbackRangeAndNothingElseThatListens) {
    SimVenue sim("127.0.0.41", 3, {"--temperature", "64,30"});
    ASSERT_NE(sim.port, 0);
    Listener text(Loop(0, 44), sim.port, Manner::Text);
    Listener silent(Loop(0, 45), sim.port, Manner::Silent);
    Listener ack(Loop(0, 46), sim.port, Manner::Ack);
    Listener bad(Loop(0, 47), sim.port, Manner::BadChecksum);
    Listener hangUp(Loop(0, 48), sim.port, Manner::HangUp);
    for (const Listener* l : {&text, &silent, &ack, &bad, &hangUp}) {
        ASSERT_TRUE(l->ok);
    }
    const auto range = ParseScanRange("127.0.0.41-49:" + std::to_string(sim.port), 8899);
    ASSERT_TRUE(range.Ok());
    // The venue already holds .43: it is not probed, so its one link stays untouched.
    const auto addresses = ScanAddresses(range.range, {{Loop(0, 43), sim.port}});

    AddressScan scan;
    ScanRecord run(scan);
    ASSERT_TRUE(scan.Start(addresses, sim.port));
    EXPECT_FALSE(scan.Start(addresses, sim.port)) << "one scan at a time";
    ASSERT_TRUE(run.Wait());

    using P = ProbeOutcome;
    const std::map<std::uint32_t, ProbeOutcome> expected = {
        {Loop(0, 41), P::Amplifier},    {Loop(0, 42), P::Amplifier},
        {Loop(0, 44), P::NotAmplifier}, {Loop(0, 45), P::NoAnswer},
        {Loop(0, 46), P::NotAmplifier}, {Loop(0, 47), P::NotAmplifier},
        {Loop(0, 48), P::NotAmplifier}, {Loop(0, 49), P::Refused},
    };
    EXPECT_EQ(run.outcomes, expected);
    EXPECT_EQ(run.summary.total, 8);
    EXPECT_EQ(run.summary.probed, 8);
    EXPECT_EQ(run.summary.amplifiers, 2);
    EXPECT_FALSE(run.summary.cancelled);
    ASSERT_EQ(scan.Found().size(), 2u);
    for (const auto& f : scan.Found()) {
        EXPECT_EQ(f.temperatures, (std::array<int, 2>{64, 30}));
        EXPECT_EQ(f.port, sim.port);
    }
    // Every probe gave its connection back.
    EXPECT_TRUE(QTest::qWaitFor([&] { return silent.open + text.open + ack.open == 0; }, kWaitMs));
    for (ProbeOutcome o : {P::Amplifier, P::Refused, P::NoAnswer, P::NotAmplifier}) {
        EXPECT_FALSE(ProbeOutcomeText(o, {}, Language::Chinese).isEmpty());
    }
    EXPECT_EQ(ProbeOutcomeText(P::NoAnswer, {}, Language::English), "no answer within 1.5 s");
}

TEST(LoopbackScan, ProbesAtMostItsLimitAtOnceAndCancelEndsEveryProbe) {
    std::vector<std::unique_ptr<Listener>> listeners;
    quint16 port = 0;
    for (int d = 1; d <= 100; ++d) {
        listeners.push_back(std::make_unique<Listener>(Loop(1, d), port, Manner::Silent));
        ASSERT_TRUE(listeners.back()->ok) << d;
        port = listeners.back()->Port();
    }
    const auto held = [&] {
        int n = 0;
        for (const auto& l : listeners) {
            n += l->open;
        }
        return n;
    };
    std::vector<std::uint32_t> addresses;
    for (int d = 1; d <= 100; ++d) {
        addresses.push_back(Loop(1, d));
    }
    {
        AddressScan scan({.parallel = 64, .probeMs = 5000});
        ScanRecord run(scan);
        ASSERT_TRUE(scan.Start(addresses, port));
        ASSERT_TRUE(QTest::qWaitFor([&] { return held() == 64; }, kWaitMs));
        QTest::qWait(50);
        EXPECT_EQ(held(), 64) << "no more than the limit at once";
        scan.Cancel();
        EXPECT_EQ(run.finished, 1);
        EXPECT_TRUE(run.summary.cancelled);
        EXPECT_EQ(run.summary.probed, 0);
        EXPECT_FALSE(scan.Running());
        EXPECT_TRUE(QTest::qWaitFor([&] { return held() == 0; }, kWaitMs))
            << "Cancel closes every connection";
        QTest::qWait(50);
        EXPECT_EQ(run.finished, 1);
        EXPECT_TRUE(run.results.empty());
    }
    AddressScan scan({.parallel = 64, .probeMs = 300});
    ScanRecord run(scan);
    ASSERT_TRUE(scan.Start(addresses, port));
    ASSERT_TRUE(run.Wait());
    EXPECT_EQ(run.summary.probed, 100);
    EXPECT_EQ(run.summary.mostAtOnce, 64);
    EXPECT_EQ(run.outcomes.size(), 100u);
    for (const auto& [address, outcome] : run.outcomes) {
        EXPECT_EQ(outcome, ProbeOutcome::NoAnswer) << Ipv4Text(address);
    }
    int accepted = 0;
    for (const auto& l : listeners) {
        accepted += l->accepted;
    }
    EXPECT_EQ(accepted, 64 + 100) << "each address once per scan";
}

TEST(LoopbackScan, AnEmptyListFinishesAtOnceWithNothingFound) {
    AddressScan scan;
    ScanRecord run(scan);
    ASSERT_TRUE(scan.Start({}, 8899));
    ASSERT_TRUE(run.Wait());
    EXPECT_EQ(run.summary.total, 0);
    EXPECT_FALSE(run.summary.cancelled);
    EXPECT_TRUE(scan.Start({}, 8899)) << "a finished scan can start again";
}

}  // namespace
}  // namespace tolmarin::venue

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
