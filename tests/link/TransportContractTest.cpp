#include <gtest/gtest.h>

#include <QTcpServer>
#include <QTcpSocket>
#include <functional>
#include <memory>

#include "link/NetworkLink.h"
#include "link/SerialLink.h"
#include "support/Fresh.h"
#include "support/ReplyFrames.h"
#include "support/qt/EventLoop.h"
#include "support/qt/PtyPair.h"
#include "support/qt/ScriptedLink.h"

namespace tolmarin::testing {
namespace {

// One transport with the amplifier's end of its wire, so that the same contract runs on
// the scripted fake, on TCP over loopback and on a pseudo-terminal.
class Harness {
public:
    virtual ~Harness() = default;
    virtual LinkTransport& Link() = 0;
    virtual LinkTarget Target() = 0;
    // After a successful open: whatever the peer needs to start talking.
    virtual void Accept() {}
    virtual void PeerWrite(const Bytes& bytes) = 0;
    virtual Bytes PeerRead() = 0;
    virtual void Pump() {}
};

class FakeHarness : public Harness {
public:
    LinkTransport& Link() override { return m_link; }
    LinkTarget Target() override { return {}; }
    void PeerWrite(const Bytes& bytes) override { m_link.inbox.push_back(bytes); }
    Bytes PeerRead() override {
        Bytes all;
        for (; m_taken < m_link.writes.size(); ++m_taken) {
            all.insert(all.end(), m_link.writes[m_taken].begin(), m_link.writes[m_taken].end());
        }
        return all;
    }
    void Pump() override { m_link.Flush(); }

private:
    ScriptedLink m_link{LinkKind::Usb};
    std::size_t m_taken = 0;
};

class TcpHarness : public Harness {
public:
    TcpHarness() { m_server.listen(QHostAddress::LocalHost, 0); }
    LinkTransport& Link() override { return m_link; }
    LinkTarget Target() override { return LinkTarget{{}, "127.0.0.1", m_server.serverPort()}; }
    void Accept() override {
        SpinUntil([&] { return m_server.hasPendingConnections(); }, 2000);
        m_peer = m_server.nextPendingConnection();
    }
    void PeerWrite(const Bytes& bytes) override {
        if (m_peer != nullptr) {
            m_peer->write(reinterpret_cast<const char*>(bytes.data()),
                          static_cast<qint64>(bytes.size()));
            m_peer->flush();
        }
    }
    Bytes PeerRead() override {
        if (m_peer == nullptr) {
            return {};
        }
        const QByteArray b = m_peer->readAll();
        return Bytes(b.begin(), b.end());
    }

private:
    QTcpServer m_server;
    QTcpSocket* m_peer = nullptr;
    NetworkLink m_link;
};

class PtyHarness : public Harness {
public:
    LinkTransport& Link() override { return m_link; }
    LinkTarget Target() override { return LinkTarget{m_pty.SlavePath(), {}, 0}; }
    void PeerWrite(const Bytes& bytes) override { m_pty.Write(bytes); }
    Bytes PeerRead() override { return m_pty.ReadAvailable(); }

private:
    FreshState m_fresh;
    PtyPair m_pty;
    SerialLink m_link{m_fresh->ui};
};

using Factory = std::function<std::unique_ptr<Harness>()>;

class TransportContract : public ::testing::TestWithParam<Factory> {
protected:
    void SetUp() override {
        h = GetParam()();
        h->Link().SetReceiver([this](std::span<const std::uint8_t> b) {
            received.insert(received.end(), b.begin(), b.end());
        });
    }
    bool OpenNow() {
        int result = -1;
        h->Link().Open(h->Target(), [&](bool ok) { result = ok ? 1 : 0; });
        SpinUntil([&] { return result != -1; }, 3000);
        if (result == 1) {
            h->Accept();
        }
        return result == 1;
    }
    bool PeerGets(const Bytes& expected) {
        Bytes got;
        const bool ok = SpinUntil(
            [&] {
                const Bytes more = h->PeerRead();
                got.insert(got.end(), more.begin(), more.end());
                return got.size() >= expected.size();
            },
            2000);
        return ok && got == expected;
    }
    bool WeGet(std::size_t n, int ms = 2000) {
        return SpinUntil(
            [&] {
                h->Pump();
                return received.size() >= n;
            },
            ms);
    }

    std::unique_ptr<Harness> h;
    Bytes received;
};

TEST_P(TransportContract, FramesGoOutWholeAndRepliesComeBackInOrder) {
    ASSERT_TRUE(OpenNow());
    EXPECT_TRUE(h->Link().IsOpen());
    const Bytes a = Pattern(22, 1);
    const Bytes b = Pattern(654, 2);
    h->Link().Send(a);
    h->Link().Send(b);
    EXPECT_TRUE(PeerGets(Cat({a, b})));
    const Bytes reply = Pattern(700, 3);
    h->PeerWrite(Bytes(reply.begin(), reply.begin() + 5));
    h->PeerWrite(Bytes(reply.begin() + 5, reply.end()));
    ASSERT_TRUE(WeGet(reply.size()));
    EXPECT_EQ(received, reply);
}

TEST_P(TransportContract, CloseSaysWhetherItWasOpenAndEndsDelivery) {
    EXPECT_FALSE(h->Link().Close());
    ASSERT_TRUE(OpenNow());
    EXPECT_TRUE(h->Link().Close());
    EXPECT_FALSE(h->Link().IsOpen());
    EXPECT_FALSE(h->Link().Close());
    h->PeerWrite(Pattern(10, 4));
    EXPECT_FALSE(WeGet(1, 200));
    h->Link().Send(Pattern(22, 5));  // dropped silently
}

TEST_P(TransportContract, ItOpensAgainAfterAClose) {
    ASSERT_TRUE(OpenNow());
    h->Link().Close();
    ASSERT_TRUE(OpenNow());
    const Bytes a = Pattern(22, 6);
    h->Link().Send(a);
    EXPECT_TRUE(PeerGets(a));
}

std::string HarnessName(const ::testing::TestParamInfo<Factory>& p) {
    static const char* const kNames[] = {"Fake", "Tcp", "Pty"};
    return kNames[p.index];
}

INSTANTIATE_TEST_SUITE_P(Links, TransportContract,
                         ::testing::Values(Factory([] { return std::make_unique<FakeHarness>(); }),
                                           Factory([] { return std::make_unique<TcpHarness>(); }),
                                           Factory([] { return std::make_unique<PtyHarness>(); })),
                         HarnessName);

}  // namespace
}  // namespace tolmarin::testing
