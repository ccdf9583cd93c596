#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <algorithm>
#include <cstdio>
#include <memory>

#include "link/ChannelSetModel.h"
#include "link/DeviceSession.h"
#include "link/NetworkLink.h"
#include "model/ChannelSet.h"
#include "protocol/FrameBuilder.h"
#include "sim/Amplifier.h"
#include "sim/server/SimServer.h"
#include "support/Fresh.h"
#include "support/qt/EventLoop.h"
#include "support/qt/LinkFakes.h"
#include "support/qt/ManualScheduler.h"
#include "support/qt/SessionRig.h"
#include "support/qt/VirtualTime.h"

namespace tolmarin::testing {
namespace {

using sim::Amplifier;
using sim::Faults;
using sim::SimServer;

// The editor's link on the real transports and Qt's event loop, against the simulated
// amplifier in this process over loopback TCP or a pseudo-terminal.
class EndToEnd : public ::testing::TestWithParam<LinkKind> {
protected:
    void Start(const Faults& faults = {}) {
        server = std::make_unique<SimServer>(amp, faults);
        link = std::make_unique<DeviceSession>(*fresh, model, view);
        LinkController* c = &link->Controller();
        QObject::connect(c, &LinkController::linkUpFinished, [this] { ++ups; });
        QObject::connect(c, &LinkController::linkClosed, [this] { ++closes; });
        QObject::connect(c, &LinkController::reconnecting, [this] { ++reconnects; });
        if (GetParam() == LinkKind::Network) {
            QString error;
            ASSERT_TRUE(server->ListenTcp(QHostAddress::LocalHost, 0, &error))
                << error.toStdString();
            c->OpenNetworkLinkTo("127.0.0.1", server->TcpPort());
        } else {
            QString error;
            ASSERT_TRUE(server->OpenPty(&error)) << error.toStdString();
            ASSERT_TRUE(c->OpenSerialLinkTo(server->PtyPath().toStdString()));
        }
    }
    void TearDown() override {
        link.reset();
        server.reset();
    }
    bool WaitLinkUp() {
        return SpinUntil([this] { return ups > 0; }, 10000);
    }

    FreshState fresh;
    FakeLinkModel model{*fresh};
    RecordingLinkView view;
    Amplifier amp{410};
    std::unique_ptr<SimServer> server;
    std::unique_ptr<DeviceSession> link;
    int ups = 0;
    int closes = 0;
    // Status replies are seen on the form as level readings.
    int Statuses() const { return static_cast<int>(view.levels.size()); }
    int reconnects = 0;
};

TEST_P(EndToEnd, LinkUpMirrorsTheAmplifierAndTurnsChangeSendingOn) {
    Start();
    ASSERT_TRUE(WaitLinkUp());
    const DeviceImage& image = fresh->image;
    for (int n = 1; n <= kStoredPrograms; ++n) {
        const auto ours = image.Name(n);
        const auto theirs = amp.Name(n);
        EXPECT_TRUE(std::equal(ours.begin(), ours.begin() + 15, theirs.begin())) << "name " << n;
    }
    EXPECT_EQ(image.systemBytes[0], amp.SystemBytes()[0]);
    EXPECT_EQ(image.systemBytes[7], amp.SystemBytes()[7]);
    EXPECT_TRUE(std::ranges::equal(image.Data(0), amp.Data(0)));
    EXPECT_TRUE(model.sending);
    EXPECT_EQ(model.loads, 1);
    EXPECT_EQ(view.done, std::vector<TransferDirection>{TransferDirection::Up});
    EXPECT_TRUE(fresh.sink.messages.empty()) << fresh.sink.messages.front();
}

TEST_P(EndToEnd, IdlePollingUpdatesLevelsAndTemperatures) {
    Start();
    ASSERT_TRUE(WaitLinkUp());
    const int before = Statuses();
    ASSERT_TRUE(SpinUntil([&] { return Statuses() >= before + 5; }, 3000));
    const auto& last = amp.LastStatus();
    ASSERT_FALSE(view.levels.empty());
    EXPECT_EQ(view.levels.back(), (std::pair<int, int>{last[0], last[1]}));
    ASSERT_FALSE(view.temperatures.empty());
    for (const auto& [readout, celsius] : view.temperatures) {
        EXPECT_GE(celsius, -10);
        EXPECT_LE(celsius, 90);
        (void)readout;
    }
}

INSTANTIATE_TEST_SUITE_P(Links, EndToEnd, ::testing::Values(LinkKind::Network, LinkKind::Usb),
                         [](const auto& p) {
                             return std::string(p.param == LinkKind::Usb ? "Pty" : "Tcp");
                         });

// ---- Network only ----

class NetworkEndToEnd : public EndToEnd {};

TEST_P(NetworkEndToEnd, AnUnreachableAmplifierIsGivenUpWithinTheConnectBound) {
    // Nothing listens on the port the server had: the connect is refused at once. A
    // connect that hangs is cut by the same 2.5 s bound, tested on the transport.
    Start();
    ASSERT_TRUE(WaitLinkUp());
    link->Controller().CloseLink();
    const quint16 port = server->TcpPort();
    server.reset();
    QElapsedTimer t;
    t.start();
    link->Controller().OpenNetworkLinkTo("127.0.0.1", port);
    EXPECT_TRUE(link->Controller().Opening());
    ASSERT_TRUE(SpinUntil([&] { return !link->Controller().Opening(); }, 5000));
    EXPECT_FALSE(link->Controller().Linked());
    EXPECT_EQ(fresh.sink.messages,
              std::vector<std::string>{"Unable to Open NetWork Link! 127.0.0.1:" +
                                       std::to_string(port) + ": connection refused."});
    EXPECT_EQ(view.lamp, LinkLamp::Off);
}

INSTANTIATE_TEST_SUITE_P(Links, NetworkEndToEnd, ::testing::Values(LinkKind::Network),
                         [](const auto&) { return std::string("Tcp"); });

// A peer that accepts the connection and never says a word: connected is not up. The
// pacing runs on a hand-driven clock; the connects are real, over loopback.
TEST(SilentTcpPeer, StaysConnectingNeverTurnsGreenAndTheGiveUpNamesAddressAndSilence) {
    QTcpServer peer;
    ASSERT_TRUE(peer.listen(QHostAddress::LocalHost, 0));
    std::vector<std::unique_ptr<QTcpSocket>> accepted;  // held open, never written to
    QObject::connect(&peer, &QTcpServer::newConnection, [&] {
        while (peer.hasPendingConnections()) {
            accepted.emplace_back(peer.nextPendingConnection());
        }
    });
    FreshState fresh;
    FakeLinkModel model{*fresh};
    RecordingLinkView view;
    auto clock = std::make_unique<ManualScheduler>();
    ManualScheduler& time = *clock;
    SessionParts parts;
    parts.scheduler = std::move(clock);
    DeviceSession session(*fresh, model, view, std::move(parts));
    LinkController& controller = session.Controller();
    NetworkLink& network = *session.Tcp();
    bool closed = false;
    QObject::connect(&controller, &LinkController::linkClosed, [&] { closed = true; });
    controller.OpenNetworkLinkTo("127.0.0.1", peer.serverPort());
    EXPECT_EQ(view.lamp, LinkLamp::Connecting);
    ASSERT_TRUE(SpinUntil([&] { return controller.Linked(); }, 3000));
    EXPECT_EQ(view.lamp, LinkLamp::Connecting);
    bool wasUp = false;
    for (int tick = 0; tick < 400 && !closed; ++tick) {
        time.Tick();
        time.Advance(kPacingIntervalMs);
        SpinUntil([&] { return !network.IsConnecting(); }, 1000);
        wasUp = wasUp || view.lamp == LinkLamp::Up;
    }
    ASSERT_TRUE(closed);
    EXPECT_FALSE(wasUp);
    EXPECT_EQ(view.lamp, LinkLamp::Off);
    ASSERT_EQ(fresh.sink.messages.size(), 1u);
    const std::string expected =
        "Unable to Open NetWork Link! 127.0.0.1:" + std::to_string(peer.serverPort()) +
        ": no answer within ";
    EXPECT_EQ(fresh.sink.messages[0].rfind(expected, 0), 0u) << fresh.sink.messages[0];
}

}  // namespace
}  // namespace tolmarin::testing

namespace tolmarin::testing {
namespace {

// The real channel set behind the link: edits made on the records reach the amplifier.
class ModelEndToEnd : public ::testing::TestWithParam<LinkKind> {
protected:
    ModelEndToEnd() : server(amp, sim::Faults{}) {}

    FreshState fresh;
    ChannelSet channels{*fresh};
    ChannelSetModel model{channels};
    RecordingLinkView view;
    sim::Amplifier amp{410};
    sim::SimServer server;
};

bool SameSubBlock(std::span<const std::uint8_t> a, std::span<const std::uint8_t> b, int d) {
    return std::equal(a.begin() + 8 * d, a.begin() + 8 * d + 8, b.begin() + 8 * d);
}

TEST_P(ModelEndToEnd, EditsOnTheRecordsReachTheAmplifierMemoryByteForByte) {
    DeviceSession link(*fresh, model, view);
    bool up = false;
    QObject::connect(&link.Controller(), &LinkController::linkUpFinished, [&] { up = true; });
    if (GetParam() == LinkKind::Network) {
        ASSERT_TRUE(server.ListenTcp(QHostAddress::LocalHost, 0));
        link.Controller().OpenNetworkLinkTo("127.0.0.1", server.TcpPort());
    } else {
        ASSERT_TRUE(server.OpenPty());
        link.Controller().OpenSerialLinkTo(server.PtyPath().toStdString());
    }
    ASSERT_TRUE(SpinUntil([&] { return up; }, 10000));
    // The records now hold what the amplifier holds.
    EXPECT_EQ(
        channels.Channel(0).GetVolume(),
        static_cast<std::int16_t>(amp.ChannelBlock(0, 0)[34] | amp.ChannelBlock(0, 0)[35] << 8));

    channels.Channel(0).SetVolumeDb(42);
    channels.Channel(0).Band(2).SetGainStep(263);
    channels.Channel(1).SetDelay(321);
    const auto ours0 = fresh->image.ChannelBlock(0, 0);
    const auto ours1 = fresh->image.ChannelBlock(0, 1);
    ASSERT_TRUE(SpinUntil(
        [&] {
            return SameSubBlock(amp.ChannelBlock(0, 0), ours0, 4) &&
                   SameSubBlock(amp.ChannelBlock(0, 0), ours0, 7) &&
                   SameSubBlock(amp.ChannelBlock(0, 1), ours1, 1) &&
                   amp.ChannelBlock(0, 1)[12] == (321 & 0xFF);
        },
        3000));
    EXPECT_EQ(amp.ChannelBlock(0, 0)[34] | amp.ChannelBlock(0, 0)[35] << 8, 420);
    EXPECT_EQ(amp.ChannelBlock(0, 1)[12] | amp.ChannelBlock(0, 1)[13] << 8, 321);
    EXPECT_TRUE(fresh.sink.messages.empty());
}

INSTANTIATE_TEST_SUITE_P(Links, ModelEndToEnd, ::testing::Values(LinkKind::Network, LinkKind::Usb),
                         [](const auto& p) {
                             return std::string(p.param == LinkKind::Usb ? "Pty" : "Tcp");
                         });

}  // namespace
}  // namespace tolmarin::testing

namespace tolmarin::testing {
namespace {

// The same link against the simulated amplifier's engine in this process, on virtual time:
// what a silent or hanging-up amplifier makes the link do takes seconds of time-outs and
// reconnection waits, here none. The transports themselves are covered above.
class VirtualEndToEnd : public ::testing::TestWithParam<LinkKind> {
protected:
    void Start(const sim::Faults& faults = {}) {
        rig = std::make_unique<SessionRig<SimulatedLink>>(
            *fresh, model, view, time.NewLink(LinkKind::Usb, amp, faults),
            time.NewLink(LinkKind::Network, amp, faults), time.NewClock());
        serial = &rig->serial;
        network = &rig->network;
        controller = rig->controller;
        QObject::connect(controller, &LinkController::linkUpFinished, [this] { ++ups; });
        QObject::connect(controller, &LinkController::linkClosed, [this] { ++closes; });
        QObject::connect(controller, &LinkController::reconnecting, [this] { ++reconnects; });
        if (GetParam() == LinkKind::Network) {
            controller->OpenNetworkLinkTo("127.0.0.1", kTcpPort);
        } else {
            ASSERT_TRUE(controller->OpenSerialLinkTo("ttySIM0"));
        }
    }
    // Steps virtual time until done() holds; false when seconds of it passed first.
    template <typename Pred>
    bool StepUntil(Pred done, int seconds) {
        const long long end = time.Now() + seconds * 1000LL;
        while (!done()) {
            if (time.Now() >= end) {
                return false;
            }
            time.Step();
        }
        return true;
    }
    int FramesReceived() const {
        return (GetParam() == LinkKind::Usb ? serial : network)->FramesReceived();
    }
    int Statuses() const { return static_cast<int>(view.levels.size()); }

    VirtualTime time;
    FreshState fresh;
    FakeLinkModel model{*fresh};
    RecordingLinkView view;
    sim::Amplifier amp{410};
    std::unique_ptr<SessionRig<SimulatedLink>> rig;
    SimulatedLink* serial = nullptr;
    SimulatedLink* network = nullptr;
    LinkController* controller = nullptr;
    int ups = 0;
    int closes = 0;
    int reconnects = 0;
};

class VirtualNetworkEndToEnd : public VirtualEndToEnd {};

TEST_P(VirtualEndToEnd, ASilentAmplifierLeadsToRetriesAndThenTheClose) {
    Faults silent;
    silent.noReply = true;
    Start(silent);
    ASSERT_TRUE(StepUntil([&] { return closes > 0; }, 20));
    EXPECT_EQ(ups, 0);
    EXPECT_FALSE(controller->Linked());
    if (GetParam() == LinkKind::Usb) {
        // The first name read, once more at 2.5 s, then the close at about 5 s.
        EXPECT_EQ(FramesReceived(), 2);
        EXPECT_EQ(fresh.sink.messages,
                  std::vector<std::string>{
                      "No online machine can be linked! ttySIM0: no answer within 5.1 s."});
    } else {
        EXPECT_EQ(reconnects, 3);
        EXPECT_EQ(FramesReceived(), 4);
        EXPECT_EQ(fresh.sink.messages,
                  std::vector<std::string>{
                      "Unable to Open NetWork Link! 127.0.0.1:8899: no answer within 10.8 s."});
    }
}

TEST_P(VirtualNetworkEndToEnd, ADroppedConnectionIsRebuiltAndPollingGoesOn) {
    Faults dropping;
    dropping.closeAfterFrames = 30;  // link-up and a few polls, then the amplifier hangs up
    Start(dropping);
    ASSERT_TRUE(StepUntil([&] { return ups > 0; }, 10));
    ASSERT_TRUE(StepUntil([&] { return reconnects > 0; }, 5));
    const int before = Statuses();
    ASSERT_TRUE(StepUntil([&] { return Statuses() > before; }, 5));
    EXPECT_TRUE(controller->Linked());
    EXPECT_EQ(controller->NetRetries(), 0);  // recovered and answered: the next fault has three
    EXPECT_TRUE(fresh.sink.messages.empty());
}

INSTANTIATE_TEST_SUITE_P(Links, VirtualEndToEnd,
                         ::testing::Values(LinkKind::Network, LinkKind::Usb), [](const auto& p) {
                             return std::string(p.param == LinkKind::Usb ? "Usb" : "Tcp");
                         });
INSTANTIATE_TEST_SUITE_P(Links, VirtualNetworkEndToEnd, ::testing::Values(LinkKind::Network),
                         [](const auto&) { return std::string("Tcp"); });

}  // namespace
}  // namespace tolmarin::testing
