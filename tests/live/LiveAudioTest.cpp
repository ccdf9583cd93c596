// The live measurement on a real audio path without hardware: a PulseAudio server of the
// test's own, a null sink and a source of its monitor, played and recorded through Qt
// Multimedia as on a sound card. Never skipped: a missing server fails.
#include <gtest/gtest.h>

#include <QAudioSource>
#include <QSignalSpy>
#include <QTest>

#include <algorithm>
#include <cmath>
#include <memory>

#include "PulseServer.h"
#include "measure/live/AudioDevices.h"
#include "measure/live/LiveSession.h"
#include "measure/live/PlayRecord.h"

namespace tolmarin::testing {
namespace {

using live::LiveSession;

// The sweep (5.5 s at 48 kHz) and its silences, the idle sink's wake-up of up to 2 s and
// the tail, with room to spare.
constexpr int kPositionMs = 30000;

class LiveAudio : public ::testing::Test {
protected:
    static void SetUpTestSuite() { s_server = std::make_unique<PulseServer>(); }
    static void TearDownTestSuite() { s_server.reset(); }

    void SetUp() override {
        ASSERT_TRUE(s_server->Problem().isEmpty()) << s_server->Problem().toStdString();
        const live::AudioDevices devices = live::ListAudioDevices();
        for (const QAudioDevice& d : devices.outputs) {
            if (d.id() == PulseServer::kSink) {
                output = d;
            }
        }
        for (const QAudioDevice& d : devices.inputs) {
            if (d.id() == PulseServer::kSource) {
                input = d;
            }
        }
        ASSERT_FALSE(output.isNull()) << "the null sink is not listed as an output";
        ASSERT_FALSE(input.isNull()) << "the remapped monitor is not listed as an input";
        path.SetDevices(output, input);
    }

    static std::unique_ptr<PulseServer> s_server;
    QAudioDevice output;
    QAudioDevice input;
    live::PlayRecord path;
};

std::unique_ptr<PulseServer> LiveAudio::s_server;

TEST_F(LiveAudio, SweepPlayedAndRecordedThroughTheSoundServerMeasuresFlat) {
    LiveSession session(path);
    LiveSession::Settings settings;
    settings.positions = 1;
    ASSERT_FALSE(session.Begin(settings));
    QSignalSpy measured(&session, &LiveSession::positionMeasured);
    QSignalSpy failed(&session, &LiveSession::positionFailed);
    double loudest = -200.0;
    QObject::connect(&session, &LiveSession::level,
                     [&](double db) { loudest = std::max(loudest, db); });
    ASSERT_TRUE(session.Measure());
    EXPECT_EQ(session.state(), LiveSession::State::Measuring);
    QTRY_VERIFY_WITH_TIMEOUT(!measured.isEmpty() || !failed.isEmpty(), kPositionMs);
    ASSERT_TRUE(failed.isEmpty()) << measure::Describe(*session.LastProblem(), UiState{});
    EXPECT_EQ(session.state(), LiveSession::State::Done);
    // The sweep at -20 dBFS came back at its level, not silence nor a clipped mess.
    EXPECT_NEAR(loudest, live::kDefaultLevelDbfs, 1.0);
    const roomeq::Measurement& m = session.Average()->fine;
    // The same sweep handed straight from the player to the recorder: what the sound
    // server's path adds, dropouts or a lost block, is the difference.
    const measure::Sweep& sweep = session.Analyser().sweep();
    measure::Signal ideal{sweep.params.rate, sweep.samples};
    ideal.samples.resize(ideal.samples.size() + sweep.params.rate, 0.0);
    const measure::PositionOutcome direct = session.Analyser().Recording(ideal, {});
    ASSERT_TRUE(direct.position);
    ASSERT_EQ(direct.position->response.hz, m.hz);
    double lo = 1e9;
    double hi = -1e9;
    double added = 0.0;
    for (std::size_t i = 0; i < m.hz.size(); ++i) {
        if (m.hz[i] >= 40.0 && m.hz[i] <= 16000.0) {
            lo = std::min(lo, m.db[i]);
            hi = std::max(hi, m.db[i]);
            added = std::max(added, std::fabs(m.db[i] - direct.position->response.db[i]));
        }
    }
    EXPECT_LT(hi - lo, 0.5) << "from " << lo << " to " << hi << " dB";
    EXPECT_LT(added, 0.1) << "the audio path changed the response by " << added << " dB";
}

TEST_F(LiveAudio, StopSilencesTheOutputAtOnceAndCountsNothing) {
    LiveSession session(path);
    ASSERT_FALSE(session.Begin(LiveSession::Settings{}));
    QSignalSpy measured(&session, &LiveSession::positionMeasured);
    bool playing = false;
    QObject::connect(&session, &LiveSession::level, [&](double db) { playing |= db > -40.0; });
    ASSERT_TRUE(session.Measure());
    QTRY_VERIFY_WITH_TIMEOUT(playing, kPositionMs);
    session.Stop();
    EXPECT_EQ(session.state(), LiveSession::State::Ready);
    EXPECT_EQ(session.Position(), 1);
    // What the sink plays from now on: the monitor, recorded until it has delivered a
    // second (the idle sink wakes up to every 2 s).
    QAudioSource monitor(input, live::PlayRecord::Format(48000));
    QIODevice* in = monitor.start();
    ASSERT_NE(in, nullptr);
    QByteArray heard;
    QObject::connect(in, &QIODevice::readyRead, [&] { heard += in->readAll(); });
    QTRY_VERIFY_WITH_TIMEOUT(heard.size() >= 48000 * 4, 10000);
    monitor.stop();
    const auto* samples = reinterpret_cast<const float*>(heard.constData());
    float peak = 0.0F;
    for (qsizetype i = 0; i < heard.size() / 4; ++i) {
        peak = std::max(peak, std::fabs(samples[i]));
    }
    EXPECT_LT(peak, 1e-3F) << "the sweep went on after Stop";
    QTest::qWait(200);
    EXPECT_TRUE(measured.isEmpty());
}

}  // namespace
}  // namespace tolmarin::testing
