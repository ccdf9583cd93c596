#include <gtest/gtest.h>

#include <QHostAddress>
#include <fstream>
#include <memory>
#include <sstream>

#include "link/DeviceSession.h"
#include "sim/Amplifier.h"
#include "sim/server/SimServer.h"
#include "support/Fresh.h"
#include "support/TempDir.h"
#include "support/qt/EventLoop.h"
#include "support/qt/LinkFakes.h"
#include "support/qt/ScriptedLink.h"
#include "support/qt/SessionRig.h"

namespace tolmarin::testing {
namespace {

// One device session on each kind of parts it is built from: the scripted fake on a clock
// ticked by hand, and the program's own transports on Qt's event loop to the simulated
// amplifier over loopback TCP and a pseudo-terminal. Every user builds its session the
// same way, so each behaviour below holds on all three or the wiring is wrong somewhere.
enum class Parts { Scripted, Tcp, Pty };

class Harness {
public:
    virtual ~Harness() = default;
    virtual DeviceSession& Session() = 0;
    virtual void Open() = 0;
    // Runs the session until done() holds; false when it did not within the bound.
    virtual bool Drive(const std::function<bool()>& done) = 0;
    LinkController& Controller() { return Session().Controller(); }

    FreshState fresh;
    FakeLinkModel model{*fresh};
    RecordingLinkView view;
};

class ScriptedHarness : public Harness {
public:
    ScriptedHarness() {
        auto reply = [this](const Bytes& f) { return AmplifierReply(f, status); };
        rig.serial.responder = reply;
    }
    DeviceSession& Session() override { return *rig.session; }
    void Open() override { Controller().OpenSerialLinkTo("ttyFAKE0"); }
    bool Drive(const std::function<bool()>& done) override {
        rig.StepUntil(done, 400);
        return done();
    }

private:
    std::array<std::uint8_t, 8> status{3, 4, 0, 0, 45, 50, 0, 0};
    SessionRig<ScriptedLink> rig{*fresh, model, view, std::make_unique<ScriptedLink>(LinkKind::Usb),
                                 std::make_unique<ScriptedLink>(LinkKind::Network)};
};

class SimHarness : public Harness {
public:
    explicit SimHarness(Parts parts) : m_parts(parts) {}
    DeviceSession& Session() override { return m_session; }
    void Open() override {
        if (m_parts == Parts::Tcp) {
            ASSERT_TRUE(m_server.ListenTcp(QHostAddress::LocalHost, 0));
            Controller().OpenNetworkLinkTo("127.0.0.1", m_server.TcpPort());
        } else {
            ASSERT_TRUE(m_server.OpenPty());
            Controller().OpenSerialLinkTo(m_server.PtyPath().toStdString());
        }
    }
    bool Drive(const std::function<bool()>& done) override { return SpinUntil(done, 10000); }

private:
    Parts m_parts;
    sim::Amplifier m_amp{410};
    sim::SimServer m_server{m_amp, sim::Faults{}};
    DeviceSession m_session{*fresh, model, view};
};

std::unique_ptr<Harness> Make(Parts parts) {
    if (parts == Parts::Scripted) {
        return std::make_unique<ScriptedHarness>();
    }
    return std::make_unique<SimHarness>(parts);
}

class SessionContract : public ::testing::TestWithParam<Parts> {
protected:
    void SetUp() override {
        h = Make(GetParam());
        QObject::connect(&h->Controller(), &LinkController::linkUpFinished,
                         [this](bool complete) { upComplete = complete, ++ups; });
        QObject::connect(&h->Controller(), &LinkController::linkClosed,
                         [this](LinkCloseReason r) { closedBy.push_back(r); });
    }
    bool LinkUp() {
        h->Open();
        return h->Drive([this] { return ups > 0; });
    }
    std::string Trace() const {
        std::ifstream in(tracePath);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }

    std::unique_ptr<Harness> h;
    TempDir dir{"session"};
    std::string tracePath = dir.PathOf("trace.txt");
    int ups = 0;
    bool upComplete = false;
    std::vector<LinkCloseReason> closedBy;
};

TEST_P(SessionContract, LinkUpCompletesTurnsTheLampGreenAndLetsEditsFlow) {
    ASSERT_TRUE(LinkUp());
    EXPECT_TRUE(upComplete);
    EXPECT_TRUE(h->Controller().LiveKnown());
    EXPECT_EQ(h->view.lamp, LinkLamp::Up);
    EXPECT_TRUE(h->fresh.sink.messages.empty());
}

TEST_P(SessionContract, AnIdleLinkPollsAndShowsTheStatus) {
    ASSERT_TRUE(LinkUp());
    h->view.levels.clear();
    EXPECT_TRUE(h->Drive([this] { return !h->view.levels.empty(); }));
}

TEST_P(SessionContract, ARecallEndsWithTheDonePopupAndNothingElse) {
    ASSERT_TRUE(LinkUp());
    h->view.done.clear();
    ASSERT_TRUE(h->Controller().RequestLive(3));
    EXPECT_TRUE(h->Drive([this] { return !h->view.done.empty(); }));
    EXPECT_EQ(h->view.done, std::vector<TransferDirection>{TransferDirection::Up});
    EXPECT_TRUE(h->fresh.sink.messages.empty());
}

TEST_P(SessionContract, TheTraceRecordsBothDirectionsOfWhicheverTransportIsOpen) {
    ASSERT_TRUE(h->Session().StartTrace(tracePath));
    ASSERT_TRUE(LinkUp());
    h->Session().StopTrace();
    const std::string trace = Trace();
    EXPECT_NE(trace.find("link open"), std::string::npos) << trace;
    EXPECT_NE(trace.find(" TX 5A 5A 5A 48"), std::string::npos) << trace;
    EXPECT_NE(trace.find(" RX "), std::string::npos) << trace;
}

TEST_P(SessionContract, ClosingByTheOperatorTurnsTheLampOffAndSaysNothing) {
    ASSERT_TRUE(LinkUp());
    h->Controller().CloseLink();
    EXPECT_EQ(closedBy, std::vector<LinkCloseReason>{LinkCloseReason::Operator});
    EXPECT_EQ(h->view.lamp, LinkLamp::Off);
    EXPECT_FALSE(h->Controller().Linked());
    EXPECT_TRUE(h->fresh.sink.messages.empty());
}

INSTANTIATE_TEST_SUITE_P(Parts, SessionContract,
                         ::testing::Values(Parts::Scripted, Parts::Tcp, Parts::Pty),
                         [](const auto& p) {
                             return std::string(p.param == Parts::Scripted ? "Scripted"
                                                : p.param == Parts::Tcp    ? "Tcp"
                                                                           : "Pty");
                         });

}  // namespace
}  // namespace tolmarin::testing
