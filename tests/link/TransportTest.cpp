#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QElapsedTimer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QTimer>

#include "link/NetworkLink.h"
#include "link/SerialLink.h"
#include "protocol/FrameBuilder.h"
#include "support/Fresh.h"
#include "support/ReplyFrames.h"
#include "support/qt/EventLoop.h"
#include "support/qt/PtyPair.h"

namespace tolmarin::testing {
namespace {

double CpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

struct Received {
    std::vector<Bytes> chunks;
    Bytes All() const {
        Bytes all;
        for (const Bytes& c : chunks) {
            all.insert(all.end(), c.begin(), c.end());
        }
        return all;
    }
};

void Listen(LinkTransport& link, Received& into) {
    link.SetReceiver(
        [&into](std::span<const std::uint8_t> b) { into.chunks.emplace_back(b.begin(), b.end()); });
}

// ---- Serial ----

TEST(SerialLinkTest, APortThatCannotBeOpenedSaysSoAndFails) {
    FreshState fresh;
    SerialLink serial(fresh->ui);
    int result = -1;
    serial.Open(LinkTarget{"NULL", {}, 0}, [&](bool ok) { result = ok ? 1 : 0; });
    EXPECT_EQ(result, 0);  // known before Open returns
    EXPECT_FALSE(serial.IsOpen());
    EXPECT_EQ(fresh.sink.messages,
              std::vector<std::string>{"Unable to open Link! NULL: no such port or address."});
    EXPECT_EQ(fresh.sink.kinds, std::vector<MessageKind>{MessageKind::Stop});
    fresh->ui.language = Language::Chinese;
    serial.Open(LinkTarget{"/dev/tolmarin-no-such-port", {}, 0}, [](bool) {});
    EXPECT_EQ(fresh.sink.messages.back(),
              "不能打开联接！ /dev/tolmarin-no-such-port: 没有这个端口或地址。");
    EXPECT_FALSE(serial.Close());
}

TEST(SerialLinkTest, APseudoTerminalOpensAtTheLineSettingsAndCarriesFramesBothWays) {
    PtyPair pty;
    ASSERT_TRUE(pty.Ok());
    FreshState fresh;
    SerialLink serial(fresh->ui);
    Received got;
    Listen(serial, got);
    bool opened = false;
    serial.Open(LinkTarget{pty.SlavePath(), {}, 0}, [&](bool ok) { opened = ok; });
    ASSERT_TRUE(opened) << "a pseudo-terminal has no modem lines; that must not matter";
    EXPECT_TRUE(fresh.sink.messages.empty());

    const auto frame = BuildItemRead(*fresh, ITEM_POWER, 0);
    serial.Send(frame->Frame());
    Bytes wire;
    ASSERT_TRUE(SpinUntil(
        [&] {
            const Bytes more = pty.ReadAvailable();
            wire.insert(wire.end(), more.begin(), more.end());
            return wire.size() >= 22;
        },
        2000));
    EXPECT_EQ(wire, Bytes(frame->Frame().begin(), frame->Frame().end()));

    // A 22-byte reply in two bursts arrives as two chunks, in order.
    const Bytes reply = MakeReplyFrame(CMD_READ_ITEM, 0, ITEM_POWER, Bytes{1, 0, 0, 0, 0, 0, 0, 0});
    pty.Write(Bytes(reply.begin(), reply.begin() + 10));
    ASSERT_TRUE(SpinUntil([&] { return got.chunks.size() == 1; }, 2000));
    pty.Write(Bytes(reply.begin() + 10, reply.end()));
    ASSERT_TRUE(SpinUntil([&] { return got.All().size() == reply.size(); }, 2000));
    EXPECT_EQ(got.chunks.size(), 2u);
    EXPECT_EQ(got.All(), reply);
    EXPECT_TRUE(serial.Close());
    EXPECT_FALSE(serial.IsOpen());
}

TEST(SerialLinkTest, LongInputIsHandedOnInChunksOfAtMost800Bytes) {
    PtyPair pty;
    ASSERT_TRUE(pty.Ok());
    FreshState fresh;
    SerialLink serial(fresh->ui);
    Received got;
    Listen(serial, got);
    serial.Open(LinkTarget{pty.SlavePath(), {}, 0}, [](bool) {});
    ASSERT_TRUE(serial.IsOpen());
    const Bytes burst = Pattern(3000, 5);
    pty.Write(burst);
    ASSERT_TRUE(SpinUntil([&] { return got.All().size() >= burst.size(); }, 3000));
    EXPECT_EQ(got.All(), burst);
    for (const Bytes& c : got.chunks) {
        EXPECT_LE(c.size(), 800u);
    }
}

TEST(SerialLinkTest, AVanishedDeviceNeitherSpinsNorEndsTheLinkByItself) {
    PtyPair pty;
    ASSERT_TRUE(pty.Ok());
    FreshState fresh;
    SerialLink serial(fresh->ui);
    Received got;
    Listen(serial, got);
    serial.Open(LinkTarget{pty.SlavePath(), {}, 0}, [](bool) {});
    ASSERT_TRUE(serial.IsOpen());
    pty.CloseMaster();
    const double cpuBefore = CpuSeconds();
    SpinFor(300);
    // A port left watched after its device went away wakes the loop without end.
    EXPECT_LT(CpuSeconds() - cpuBefore, 0.15);
    // Still nominally open: the controller's time-out ends such a link. Writes go nowhere.
    EXPECT_TRUE(serial.IsOpen());
    serial.Send(Bytes{1, 2, 3});
    EXPECT_TRUE(got.chunks.empty());
    EXPECT_TRUE(serial.Close());
    EXPECT_TRUE(fresh.sink.messages.empty());
}

// ---- Network ----

TEST(NetworkLinkTest, FramesGoOnTheWireAsOnUsbAndRepliesComeBackInOrder) {
    QTcpServer server;
    ASSERT_TRUE(server.listen(QHostAddress::LocalHost, 0));
    NetworkLink net;
    Received got;
    Listen(net, got);
    int result = -1;
    net.Open(LinkTarget{{}, "127.0.0.1", server.serverPort()}, [&](bool ok) { result = ok; });
    EXPECT_EQ(result, -1);  // never decided inside Open
    EXPECT_TRUE(net.IsConnecting());
    ASSERT_TRUE(SpinUntil([&] { return result != -1 && server.hasPendingConnections(); }, 3000));
    ASSERT_EQ(result, 1);
    QTcpSocket* peer = server.nextPendingConnection();
    ASSERT_NE(peer, nullptr);

    FreshState fresh;
    const auto frame = BuildItemRead(*fresh, ITEM_POWER, 0);
    net.Send(frame->Frame());
    Bytes wire;
    ASSERT_TRUE(SpinUntil(
        [&] {
            const QByteArray b = peer->readAll();
            wire.insert(wire.end(), b.begin(), b.end());
            return wire.size() >= 22;
        },
        2000));
    EXPECT_EQ(wire, Bytes(frame->Frame().begin(), frame->Frame().end()));

    const Bytes reply = MakeReplyFrame(CMD_POLL, 0, 0, Pattern(8, 1));
    for (std::size_t i = 0; i < reply.size(); i += 7) {
        const std::size_t n = std::min<std::size_t>(7, reply.size() - i);
        peer->write(reinterpret_cast<const char*>(reply.data() + i), static_cast<qint64>(n));
        peer->flush();
        SpinFor(5);
    }
    ASSERT_TRUE(SpinUntil([&] { return got.All().size() == reply.size(); }, 2000));
    EXPECT_EQ(got.All(), reply);
    EXPECT_TRUE(net.Close());
    EXPECT_FALSE(net.IsOpen());
}

// A listener whose accept queue is full: the kernel drops further SYNs, so a connect to it
// hangs as one to a switched-off amplifier would.
class HangingListener {
public:
    HangingListener() {
        m_fd = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t len = sizeof a;
        if (m_fd < 0 || ::bind(m_fd, reinterpret_cast<sockaddr*>(&a), len) != 0 ||
            ::listen(m_fd, 0) != 0 ||
            ::getsockname(m_fd, reinterpret_cast<sockaddr*>(&a), &len) != 0) {
            return;
        }
        port = ntohs(a.sin_port);
        for (int i = 0; i < 4; ++i) {  // fill the queue; extra fillers just hang themselves
            const int c = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
            ::connect(c, reinterpret_cast<sockaddr*>(&a), sizeof a);
            m_fillers.push_back(c);
        }
        SpinFor(50);
    }
    ~HangingListener() {
        for (int c : m_fillers) {
            ::close(c);
        }
        if (m_fd >= 0) {
            ::close(m_fd);
        }
    }
    int port = 0;

private:
    int m_fd = -1;
    std::vector<int> m_fillers;
};

TEST(NetworkLinkTest, AHangingConnectIsAbandonedAtItsBoundWithoutFreezingTheLoop) {
    HangingListener hanging;
    ASSERT_NE(hanging.port, 0);
    NetworkLink net;
    net.SetConnectTimeout(400);
    int result = -1;
    int beats = 0;
    QTimer heartbeat;
    QObject::connect(&heartbeat, &QTimer::timeout, [&] { ++beats; });
    heartbeat.start(20);
    net.Open(LinkTarget{{}, "127.0.0.1", hanging.port}, [&](bool ok) { result = ok; });
    ASSERT_TRUE(SpinUntil([&] { return result != -1; }, 5000));
    EXPECT_EQ(result, 0);
    EXPECT_FALSE(net.IsOpen());
    EXPECT_FALSE(net.IsConnecting());
    EXPECT_GE(beats, 5);  // the event loop ran all the while
}

TEST(NetworkLinkTest, CloseDuringAConnectMeansItsOutcomeIsNeverReported) {
    HangingListener hanging;
    NetworkLink net;
    net.SetConnectTimeout(200);
    int calls = 0;
    net.Open(LinkTarget{{}, "127.0.0.1", hanging.port}, [&](bool) { ++calls; });
    EXPECT_TRUE(net.Close());
    SpinFor(400);
    EXPECT_EQ(calls, 0);
    EXPECT_FALSE(net.Close());
}

}  // namespace
}  // namespace tolmarin::testing
