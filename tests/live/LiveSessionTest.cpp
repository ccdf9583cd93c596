// The session of positions over a simulated room: what is counted, what is refused, what
// the operator must say yes to.
#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QTest>

#include <optional>

#include "SimulatedRoomPath.h"
#include "measure/live/AudioDevices.h"
#include "measure/live/LiveSession.h"

namespace tolmarin::testing {
namespace {

using live::LiveSession;
using live::SimulatedRoomPath;

LiveSession::Settings Short(int positions) {
    LiveSession::Settings s;
    s.positions = positions;
    s.sweep.samples = 1 << 15;
    return s;
}

TEST(LiveSessionLevel, ALoudSweepNeedsConsentAndTheDefaultIsQuiet) {
    EXPECT_EQ(LiveSession::Settings{}.levelDbfs, -20.0);
    struct Case {
        double level;
        bool consent;
        std::optional<TextId> refused;
    };
    const Case cases[] = {
        {-20.0, false, std::nullopt},
        {-6.0, false, std::nullopt},
        {-5.9, false, TextId::LiveAskLoud},
        {0.0, false, TextId::LiveAskLoud},
        {-3.0, true, std::nullopt},
        {0.5, true, TextId::MeasureSweepBadLevel},
        {-61.0, false, TextId::MeasureSweepBadLevel},
    };
    for (const Case& c : cases) {
        SimulatedRoomPath path;
        LiveSession session(path);
        LiveSession::Settings s = Short(1);
        s.levelDbfs = c.level;
        s.loudConsented = c.consent;
        const auto problem = session.Begin(s);
        ASSERT_EQ(problem.has_value(), c.refused.has_value()) << c.level;
        if (problem) {
            EXPECT_EQ(problem->id, *c.refused) << c.level;
            // Refused, nothing is played.
            EXPECT_FALSE(session.Measure());
            EXPECT_EQ(path.starts, 0);
        }
    }
}

TEST(LiveSessionPositions, EachPositionWaitsForItsClickAndTheLastAverages) {
    SimulatedRoomPath path;
    LiveSession session(path);
    ASSERT_FALSE(session.Begin(Short(3)));
    QSignalSpy measured(&session, &LiveSession::positionMeasured);
    for (int k = 1; k <= 3; ++k) {
        path.SetRoom({{200.0 * k, 6.0, 2.0}});
        EXPECT_EQ(session.Position(), k);
        ASSERT_TRUE(session.Measure());
        // A second click while measuring starts nothing.
        EXPECT_FALSE(session.Measure());
        QTRY_COMPARE(measured.size(), k);
        EXPECT_EQ(measured.back().at(0).toInt(), k);
        // Nothing starts by itself.
        QTest::qWait(20);
        EXPECT_EQ(path.starts, k);
    }
    EXPECT_EQ(session.state(), LiveSession::State::Done);
    EXPECT_FALSE(session.Measure());
    ASSERT_EQ(session.Measured().size(), 3U);
    ASSERT_TRUE(session.Average());
    EXPECT_FALSE(session.Average()->fine.hz.empty());
}

TEST(LiveSessionPositions, AFailedPositionIsNotCountedAndIsMeasuredAgain) {
    struct Case {
        const char* what;
        std::function<void(SimulatedRoomPath&)> spoil;
        TextId reason;
    };
    const Case cases[] = {
        {"silence comes back", [](SimulatedRoomPath& p) { p.SilenceNext(); },
         TextId::MeasureNoSweep},
        {"the device refuses",
         [](SimulatedRoomPath& p) {
             p.RefuseNext({TextId::LiveOutputFormat, {"48000"}});
         },
         TextId::LiveOutputFormat},
        {"the input goes quiet",
         [](SimulatedRoomPath& p) {
             p.SetAutoFinish(false);
             QTimer::singleShot(0, &p, [&p] { p.FailNow({TextId::LiveNoInput, {}}); });
         },
         TextId::LiveNoInput},
    };
    for (const Case& c : cases) {
        SimulatedRoomPath path;
        LiveSession session(path);
        ASSERT_FALSE(session.Begin(Short(2)));
        QSignalSpy measured(&session, &LiveSession::positionMeasured);
        QSignalSpy failed(&session, &LiveSession::positionFailed);
        c.spoil(path);
        session.Measure();
        QTRY_COMPARE(failed.size(), 1);
        ASSERT_TRUE(session.LastProblem()) << c.what;
        EXPECT_EQ(session.LastProblem()->id, c.reason) << c.what;
        EXPECT_EQ(session.Position(), 1) << c.what;
        EXPECT_EQ(session.state(), LiveSession::State::Ready) << c.what;
        path.SetAutoFinish(true);
        ASSERT_TRUE(session.Measure()) << c.what;
        QTRY_COMPARE(measured.size(), 1);
        EXPECT_EQ(session.Position(), 2) << c.what;
    }
}

TEST(LiveSessionStop, StopSilencesThePathAndTheRecordingThatFollowsIsIgnored) {
    SimulatedRoomPath path;
    path.SetAutoFinish(false);
    LiveSession session(path);
    ASSERT_FALSE(session.Begin(Short(2)));
    QSignalSpy measured(&session, &LiveSession::positionMeasured);
    ASSERT_TRUE(session.Measure());
    session.Stop();
    EXPECT_FALSE(path.Running());
    EXPECT_EQ(session.state(), LiveSession::State::Ready);
    emit path.finished();  // a late report from the device
    EXPECT_TRUE(measured.isEmpty());
    EXPECT_EQ(session.Position(), 1);
}

TEST(LiveDevices, LiveIsOfferedOnlyWithAnOutputAndAnInput) {
    const QList<QAudioDevice> one{QAudioDevice()};
    struct Case {
        QList<QAudioDevice> outputs, inputs;
        std::optional<TextId> why;
    };
    const Case cases[] = {{{}, {}, TextId::LiveNoOutputDevice},
                          {{}, one, TextId::LiveNoOutputDevice},
                          {one, {}, TextId::LiveNoInputDevice},
                          {one, one, std::nullopt}};
    for (const Case& c : cases) {
        EXPECT_EQ(live::WhyNoLive({c.outputs, c.inputs}), c.why);
    }
}

}  // namespace
}  // namespace tolmarin::testing
