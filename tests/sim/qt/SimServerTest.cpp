// The simulator on its real transports: in-process over loopback TCP and a pty, and the
// trv410-sim executable. The PC side is the command object on Qt sockets and serial port,
// as the link layer will use it.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QRegularExpression>
#include <QSerialPort>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <array>
#include <fstream>
#include <sstream>

#include "protocol/ByteOrder.h"
#include "protocol/CommandQueue.h"
#include "protocol/FrameBuilder.h"
#include "sim/server/SimServer.h"
#include "support/Fresh.h"
#include "support/NetworkFeed.h"
#include "support/ReplyFrames.h"

namespace tolmarin {
namespace {

using sim::Amplifier;
using sim::Faults;
using sim::SimServer;
using testing::Bytes;
using testing::FreshState;
using testing::RecordingOwner;

constexpr int kWaitMs = 5000;  // failure bound only; everything here normally takes far less

template <typename Span>
Bytes B(Span s) {
    return Bytes(s.begin(), s.end());
}

class TcpTransport : public ByteTransport {
public:
    explicit TcpTransport(QTcpSocket& s) : socket(s) {}
    bool Write(std::span<const std::uint8_t> bytes) override {
        const auto n = socket.write(reinterpret_cast<const char*>(bytes.data()),
                                    static_cast<qint64>(bytes.size()));
        socket.flush();
        return n == static_cast<qint64>(bytes.size());
    }
    void Purge() override { socket.readAll(); }
    QTcpSocket& socket;
};

class SerialTransport : public ByteTransport {
public:
    explicit SerialTransport(QSerialPort& p) : port(p) {}
    bool Write(std::span<const std::uint8_t> bytes) override {
        const auto n = port.write(reinterpret_cast<const char*>(bytes.data()),
                                  static_cast<qint64>(bytes.size()));
        port.flush();
        return n == static_cast<qint64>(bytes.size());
    }
    void Purge() override { port.clear(); }
    QSerialPort& port;
};

// The PC end of a network link: socket data go through an 800-byte receive buffer into
// the command object, as the view's socket handler does.
struct NetPc {
    NetPc() : link(socket), cmd(*s) {
        cmd.SetOwner(&owner);
        cmd.SetTransport(&link);
        QObject::connect(&socket, &QTcpSocket::readyRead, [this] {
            ++reads;
            while (socket.bytesAvailable() > 0) {
                const auto n = socket.read(reinterpret_cast<char*>(rx.data()), 800);
                testing::FeedNetworkBytes(cmd, rx, static_cast<int>(n));
            }
        });
    }
    bool Connect(quint16 port) {
        socket.connectToHost(QHostAddress::LocalHost, port);
        return socket.waitForConnected(kWaitMs);
    }
    // Sends the head and waits for the queue to shrink; false on time-out.
    bool Exchange(int waitMs = kWaitMs) {
        const int before = cmd.QueueCount();
        cmd.TransmitHead();
        cmd.Head().SetPending(0);
        return QTest::qWaitFor([&] { return cmd.QueueCount() < before; }, waitMs);
    }
    FreshState s;
    QTcpSocket socket;
    TcpTransport link;
    CommandQueue cmd;
    RecordingOwner owner;
    Bytes rx = Bytes(800, 0);
    int reads = 0;
};

void QueueLinkUp(SharedState& s, CommandQueue& cmd) {
    for (int n = 1; n <= 20; ++n) {
        cmd.Enqueue(BuildItemRead(s, ITEM_NAME, n));
    }
    for (int item : {ITEM_MODES, ITEM_SENSITIVITY, ITEM_POWER}) {
        cmd.Enqueue(BuildItemRead(s, item, 0));
    }
    auto live = BuildRecall(s, 0);
    live->SetNotifyUp(1);
    cmd.Enqueue(std::move(live));
}

TEST(SimOverTcp, LinkUpInProcessMirrorsTheAmplifier) {
    Amplifier amp;
    amp.SystemBytes() = {1, 0, 2, 1, 0, 0, 0, 1};
    amp.Name(7)[0] = 'K';
    SimServer server(amp, {});
    ASSERT_TRUE(server.ListenTcp(QHostAddress::LocalHost, 0));
    ASSERT_NE(server.TcpPort(), 0);
    NetPc pc;
    ASSERT_TRUE(pc.Connect(server.TcpPort()));
    QueueLinkUp(*pc.s, pc.cmd);
    while (pc.cmd.QueueCount() > 0) {
        ASSERT_TRUE(pc.Exchange()) << "queue at " << pc.cmd.QueueCount();
    }
    EXPECT_EQ(server.FramesReceived(), 24);
    for (int n = 1; n <= 20; ++n) {
        EXPECT_EQ(B(pc.s->image.Name(n).first(15)), B(amp.Name(n).first(15)));
    }
    EXPECT_EQ(B(pc.s->image.Data(0)), B(amp.Data(0)));
    EXPECT_EQ(pc.s->image.systemBytes, amp.SystemBytes());
    EXPECT_EQ(pc.owner.notes.back(), (ReplyEvent::Done(TransferDirection::Up)));
}

TEST(SimOverTcp, ChunkedRepliesArriveInPiecesAndAreJoined) {
    Amplifier amp;
    Faults f;
    f.chunkBytes = 4;
    f.chunkGapMs = 10;
    SimServer server(amp, f);
    ASSERT_TRUE(server.ListenTcp(QHostAddress::LocalHost, 0));
    NetPc pc;
    ASSERT_TRUE(pc.Connect(server.TcpPort()));
    pc.cmd.Enqueue(BuildPoll(*pc.s));
    ASSERT_TRUE(pc.Exchange());
    EXPECT_GE(pc.reads, 3);  // 22 bytes in six pieces, 10 ms apart
    EXPECT_EQ(pc.owner.notes, (std::vector<ReplyEvent>{ReplyEvent::StatusArrived()}));
}

TEST(SimOverTcp, DelayedNoAndBadRepliesLeaveTheHeadOut) {
    Amplifier amp;
    {
        Faults f;
        f.delayMs = 400;
        SimServer server(amp, f);
        ASSERT_TRUE(server.ListenTcp(QHostAddress::LocalHost, 0));
        NetPc pc;
        ASSERT_TRUE(pc.Connect(server.TcpPort()));
        pc.cmd.Enqueue(BuildPoll(*pc.s));
        EXPECT_FALSE(pc.Exchange(150)) << "answered before its delay";
        EXPECT_TRUE(QTest::qWaitFor([&] { return pc.cmd.QueueCount() == 0; }, kWaitMs));
    }
    {
        Faults f;
        f.noReply = true;
        SimServer server(amp, f);
        ASSERT_TRUE(server.ListenTcp(QHostAddress::LocalHost, 0));
        NetPc pc;
        ASSERT_TRUE(pc.Connect(server.TcpPort()));
        pc.cmd.Enqueue(BuildPoll(*pc.s));
        EXPECT_FALSE(pc.Exchange(300));
        EXPECT_EQ(server.FramesReceived(), 1);
        EXPECT_EQ(pc.reads, 0);
    }
    {
        Faults f;
        f.badChecksumEvery = 2;
        SimServer server(amp, f);
        ASSERT_TRUE(server.ListenTcp(QHostAddress::LocalHost, 0));
        NetPc pc;
        ASSERT_TRUE(pc.Connect(server.TcpPort()));
        for (int i = 0; i < 2; ++i) {
            pc.cmd.Enqueue(BuildPoll(*pc.s));
        }
        ASSERT_TRUE(pc.Exchange());
        EXPECT_FALSE(pc.Exchange(300));
        EXPECT_EQ(pc.cmd.Counts().badChecksum, 1);
        // What the pacing service does on a time-out: reset and send again.
        pc.cmd.ResetReceiver();
        EXPECT_TRUE(pc.Exchange());
    }
}

TEST(SimOverTcp, CloseAfterNEndsTheConnectionAndAReconnectIsServed) {
    Amplifier amp;
    Faults f;
    f.closeAfterFrames = 2;
    SimServer server(amp, f);
    ASSERT_TRUE(server.ListenTcp(QHostAddress::LocalHost, 0));
    NetPc pc;
    ASSERT_TRUE(pc.Connect(server.TcpPort()));
    for (int i = 0; i < 3; ++i) {
        pc.cmd.Enqueue(BuildPoll(*pc.s));
    }
    ASSERT_TRUE(pc.Exchange());
    ASSERT_TRUE(pc.Exchange());  // the second reply still arrives before the close
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return pc.socket.state() == QAbstractSocket::UnconnectedState; }, kWaitMs));
    pc.socket.abort();
    ASSERT_TRUE(pc.Connect(server.TcpPort()));
    EXPECT_TRUE(pc.Exchange());
    EXPECT_EQ(server.FramesReceived(), 3);
}

TEST(SimOverTcp, RefusesAnAddressThatIsNotLoopback) {
    Amplifier amp;
    SimServer server(amp, {});
    QString why;
    EXPECT_FALSE(server.ListenTcp(QHostAddress::Any, 0, &why));
    EXPECT_TRUE(why.contains("not a loopback address"));
    EXPECT_EQ(server.TcpPort(), 0);
}

// The PC end of a USB link on the simulator's pty.
struct SerialPc {
    explicit SerialPc(const QString& path) : link(port), cmd(*s) {
        cmd.SetOwner(&owner);
        cmd.SetTransport(&link);
        port.setPortName(path);
        port.setBaudRate(57600);
        port.setDataBits(QSerialPort::Data8);
        port.setParity(QSerialPort::NoParity);
        port.setStopBits(QSerialPort::OneStop);
        port.setFlowControl(QSerialPort::NoFlowControl);
        QObject::connect(&port, &QSerialPort::readyRead, [this] {
            ++reads;
            std::array<std::uint8_t, kReceiveBufferSize> rx{};
            while (port.bytesAvailable() > 0) {
                const auto n = port.read(reinterpret_cast<char*>(rx.data()), rx.size());
                cmd.FeedBytes(
                    std::span(rx).first(static_cast<std::size_t>(std::max<qint64>(n, 0))));
            }
        });
    }
    bool Exchange() {
        const int before = cmd.QueueCount();
        cmd.TransmitHead();
        return QTest::qWaitFor([&] { return cmd.QueueCount() < before; }, kWaitMs);
    }
    FreshState s;
    QSerialPort port;
    SerialTransport link;
    CommandQueue cmd;
    RecordingOwner owner;
    int reads = 0;
};

TEST(SimOverPty, SerialPortExchangesAtTheLineRate) {
    Amplifier amp;
    SimServer server(amp, {});
    QString why;
    ASSERT_TRUE(server.OpenPty(&why)) << why.toStdString();
    ASSERT_TRUE(server.PtyPath().startsWith("/dev/"));
    SerialPc pc(server.PtyPath());
    ASSERT_TRUE(pc.port.open(QIODevice::ReadWrite)) << pc.port.errorString().toStdString();

    pc.cmd.Enqueue(BuildPoll(*pc.s));
    ASSERT_TRUE(pc.Exchange());
    EXPECT_EQ(pc.owner.notes, (std::vector<ReplyEvent>{ReplyEvent::StatusArrived()}));

    // 22 request and 654 reply bytes need at least 117 ms at 5.76 bytes per ms.
    pc.cmd.Enqueue(BuildRecall(*pc.s, 0));
    pc.reads = 0;
    QElapsedTimer t;
    t.start();
    ASSERT_TRUE(pc.Exchange());
    EXPECT_GE(t.elapsed(), 110);
    EXPECT_GE(pc.reads, 2) << "a paced reply arrives in bursts";
    EXPECT_EQ(B(pc.s->image.Data(0)), B(amp.Data(0)));

    // Writes reach the amplifier's memory over the pty too.
    WriteLe16(pc.s->image.ChannelBlock(0, 1), 34, 123);
    pc.cmd.Enqueue(BuildChannelSubBlock(*pc.s, 1, 4));
    ASSERT_TRUE(pc.Exchange());
    EXPECT_EQ(B(amp.ChannelBlock(0, 1)), B(pc.s->image.ChannelBlock(0, 1)));
}

// The executable.

struct SimProcess {
    explicit SimProcess(const QStringList& args) {
        proc.setProgram(QStringLiteral(TRV410_SIM_EXE));
        proc.setArguments(args);
        proc.start();
    }
    ~SimProcess() {
        if (proc.state() != QProcess::NotRunning) {
            proc.kill();
            proc.waitForFinished(kWaitMs);
        }
    }
    // The next line the simulator printed, without its newline.
    QString Line() {
        if (!QTest::qWaitFor([&] { return proc.canReadLine(); }, kWaitMs)) {
            return QString();
        }
        return QString::fromLocal8Bit(proc.readLine()).trimmed();
    }
    int Stop() {
        proc.terminate();
        proc.waitForFinished(kWaitMs);
        return proc.exitStatus() == QProcess::NormalExit ? proc.exitCode() : -1;
    }
    QProcess proc;
};

quint16 PortOf(const QString& line) {
    const auto m = QRegularExpression("^listening on 127\\.0\\.0\\.1:(\\d+)$").match(line);
    return m.hasMatch() ? static_cast<quint16>(m.captured(1).toUInt()) : 0;
}

std::string ReadAll(const QString& path) {
    std::ifstream in(path.toStdString());
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

TEST(SimExecutable, TcpOnAFreePortAnswersAndTracesBothWays) {
    QTemporaryDir dir;
    const QString trace = dir.filePath("trace.txt");
    SimProcess sim({"--tcp", "127.0.0.1:0", "--trace", trace});
    ASSERT_TRUE(sim.proc.waitForStarted(kWaitMs));
    const QString line = sim.Line();
    const quint16 port = PortOf(line);
    ASSERT_NE(port, 0) << line.toStdString();
    NetPc pc;
    ASSERT_TRUE(pc.Connect(port));
    pc.s->image.systemBytes[7] = 0;
    pc.cmd.Enqueue(BuildItemRead(*pc.s, ITEM_POWER, 0));
    ASSERT_TRUE(pc.Exchange());
    EXPECT_EQ(pc.s->image.systemBytes[7], 1);
    EXPECT_EQ(pc.owner.notes, (std::vector<ReplyEvent>{ReplyEvent::System(0)}));
    pc.socket.disconnectFromHost();
    EXPECT_EQ(sim.Stop(), 0);
    const std::string t = ReadAll(trace);
    EXPECT_NE(
        t.find("received 5A 5A 5A 48 A2 00 01 06 00 07 08 00 00 00 00 00 00 00 00 00 E2 AA\n"),
        std::string::npos)
        << t;
    EXPECT_NE(t.find("sent 5A 5A 5A 48 A2 00 01 06 00 07 01 00 01 A2 AA\n"), std::string::npos)
        << t;
}

TEST(SimExecutable, CountServesIndependentAmplifiersOnConsecutivePorts) {
    SimProcess sim({"--tcp", "127.0.0.1:0", "--count", "3"});
    ASSERT_TRUE(sim.proc.waitForStarted(kWaitMs));
    std::vector<quint16> ports;
    for (int i = 0; i < 3; ++i) {
        ports.push_back(PortOf(sim.Line()));
    }
    ASSERT_NE(ports[0], 0);
    EXPECT_EQ(ports[1], ports[0] + 1);
    EXPECT_EQ(ports[2], ports[0] + 2);
    // Switching the middle one off leaves its neighbours on: each has its own memory.
    std::vector<int> power;
    for (int i : {1, 0, 2}) {
        NetPc pc;
        ASSERT_TRUE(pc.Connect(ports[static_cast<std::size_t>(i)]));
        if (i == 1) {
            pc.s->image.systemBytes[7] = 0;
            pc.cmd.Enqueue(BuildItemWrite(*pc.s, ITEM_POWER, 0));
            ASSERT_TRUE(pc.Exchange());
        } else {
            pc.s->image.systemBytes[7] = 7;
            pc.cmd.Enqueue(BuildItemRead(*pc.s, ITEM_POWER, 0));
            ASSERT_TRUE(pc.Exchange());
            power.push_back(pc.s->image.systemBytes[7]);
        }
    }
    EXPECT_EQ(power, (std::vector<int>{1, 1}));
}

TEST(SimExecutable, CountByAddressServesOneAmplifierPerLoopbackAddressAtOnePort) {
    SimProcess sim(
        {"--tcp", "127.0.0.21:0", "--count", "3", "--step", "address", "--temperature", "64,30"});
    ASSERT_TRUE(sim.proc.waitForStarted(kWaitMs));
    const QRegularExpression listening("^listening on (127\\.0\\.0\\.\\d+):(\\d+)$");
    QStringList hosts;
    QList<quint16> ports;
    for (int i = 0; i < 3; ++i) {
        const auto m = listening.match(sim.Line());
        ASSERT_TRUE(m.hasMatch());
        hosts << m.captured(1);
        ports << static_cast<quint16>(m.captured(2).toUInt());
    }
    EXPECT_EQ(hosts, (QStringList{"127.0.0.21", "127.0.0.22", "127.0.0.23"}));
    EXPECT_EQ(ports, (QList<quint16>{ports[0], ports[0], ports[0]}));
    // Each answers its own polls with the held temperatures; its own power item apart.
    for (int i = 0; i < 3; ++i) {
        NetPc pc;
        pc.socket.connectToHost(QHostAddress(hosts[i]), ports[i]);
        ASSERT_TRUE(pc.socket.waitForConnected(kWaitMs)) << hosts[i].toStdString();
        pc.cmd.Enqueue(BuildPoll(*pc.s));
        ASSERT_TRUE(pc.Exchange());
        EXPECT_EQ(pc.cmd.Status()[4] - 10, 64);
        EXPECT_EQ(pc.cmd.Status()[5] - 10, 30);
        if (i == 0) {
            pc.s->image.systemBytes[7] = 0;
            pc.cmd.Enqueue(BuildItemWrite(*pc.s, ITEM_POWER, 0));
        } else {
            pc.s->image.systemBytes[7] = 7;
            pc.cmd.Enqueue(BuildItemRead(*pc.s, ITEM_POWER, 0));
        }
        ASSERT_TRUE(pc.Exchange());
        EXPECT_EQ(pc.s->image.systemBytes[7], i == 0 ? 0 : 1) << hosts[i].toStdString();
    }
}

TEST(SimExecutable, PtyIsASerialPort) {
    SimProcess sim({"--pty"});
    ASSERT_TRUE(sim.proc.waitForStarted(kWaitMs));
    const QString line = sim.Line();
    ASSERT_TRUE(line.startsWith("pty /dev/")) << line.toStdString();
    SerialPc pc(line.mid(4));
    ASSERT_TRUE(pc.port.open(QIODevice::ReadWrite)) << pc.port.errorString().toStdString();
    pc.cmd.Enqueue(BuildItemRead(*pc.s, ITEM_NAME, 12));
    ASSERT_TRUE(pc.Exchange());
    EXPECT_EQ(LoadFixedText(pc.s->image.Name(12), 15), "Program 12");
    pc.port.close();
    EXPECT_EQ(sim.Stop(), 0);
}

TEST(SimExecutable, StateFileKeepsTheMemoryAcrossRuns) {
    QTemporaryDir dir;
    const QString state = dir.filePath("amp.state");
    {
        SimProcess sim({"--tcp", "127.0.0.1:0", "--state", state});
        const quint16 port = PortOf(sim.Line());
        ASSERT_NE(port, 0);
        NetPc pc;
        ASSERT_TRUE(pc.Connect(port));
        StoreProgramName(pc.s->ui, pc.s->image.Name(9), "Kept");
        pc.cmd.Enqueue(BuildItemWrite(*pc.s, ITEM_NAME, 9));
        ASSERT_TRUE(pc.Exchange());
        pc.socket.disconnectFromHost();
        EXPECT_EQ(sim.Stop(), 0);
    }
    SimProcess again({"--tcp", "127.0.0.1:0", "--state", state});
    const quint16 port = PortOf(again.Line());
    ASSERT_NE(port, 0);
    NetPc pc;
    ASSERT_TRUE(pc.Connect(port));
    pc.cmd.Enqueue(BuildItemRead(*pc.s, ITEM_NAME, 9));
    ASSERT_TRUE(pc.Exchange());
    EXPECT_EQ(LoadFixedText(pc.s->image.Name(9), 15), "Kept");

    std::ofstream(dir.filePath("junk").toStdString()) << "not a state";
    SimProcess junk({"--pty", "--state", dir.filePath("junk")});
    EXPECT_TRUE(junk.proc.waitForFinished(kWaitMs));
    EXPECT_EQ(junk.proc.exitCode(), 2);
}

TEST(SimExecutable, RefusesARemoteAddressAndExplainsItsOptions) {
    SimProcess remote({"--tcp", "0.0.0.0:0"});
    ASSERT_TRUE(remote.proc.waitForFinished(kWaitMs));
    EXPECT_EQ(remote.proc.exitCode(), 2);
    EXPECT_TRUE(remote.proc.readAllStandardError().contains("not a loopback address"));

    SimProcess help({"--help"});
    ASSERT_TRUE(help.proc.waitForFinished(kWaitMs));
    EXPECT_EQ(help.proc.exitCode(), 0);
    const QByteArray text = help.proc.readAllStandardOutput();
    for (const char* opt :
         {"--tcp", "--pty", "--trace", "--state", "--allow-remote", "--no-reply", "--delay",
          "--chunk", "--bad-checksum", "--unknown-reply", "--close-after"}) {
        EXPECT_TRUE(text.contains(opt)) << opt;
    }
}

}  // namespace
}  // namespace tolmarin

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
