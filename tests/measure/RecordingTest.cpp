#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "SyntheticRecording.h"
#include "measure/Analysis.h"

namespace tolmarin::measure {
namespace {

using test::MagnitudeDb;
using test::PeakingAt;
using test::Record;
using test::Room;

// A short sweep keeps these cases quick; accuracy has its own suite.
Sweep ShortSweep(int rate = 48000) {
    SweepParams p;
    p.rate = rate;
    p.samples = 1 << 16;
    return MakeSweep(p);
}

struct Refusal {
    const char* fault;
    TextId reason;
    void (*spoil)(Signal&);
};

class Refused : public ::testing::TestWithParam<Refusal> {};

TEST_P(Refused, TheRecordingIsRefusedWithItsReason) {
    const Sweep sweep = ShortSweep();
    Room room;
    room.delaySamples = 3000;
    room.snrDb = 60.0;
    Signal rec = Record(sweep, room);
    GetParam().spoil(rec);
    Analyser analyser(sweep);
    const PositionOutcome got = analyser.Recording(rec, {});
    EXPECT_FALSE(got.position) << GetParam().fault;
    EXPECT_EQ(got.problem.id, GetParam().reason) << GetParam().fault;
}

INSTANTIATE_TEST_SUITE_P(
    Recordings, Refused,
    ::testing::Values(Refusal{"clipping: the converter holds full scale", TextId::MeasureClipped,
                              [](Signal& s) {
                                  for (double& v : s.samples) {
                                      v = std::clamp(v * 6.0, -1.0, 1.0);
                                  }
                              }},
                      Refusal{"noise and no sweep", TextId::MeasureNoSweep,
                              [](Signal& s) {
                                  std::mt19937 rng(7);
                                  std::normal_distribution<double> g(0.0, 0.1);
                                  for (double& v : s.samples) {
                                      v = g(rng);
                                  }
                              }},
                      Refusal{
                          "digital silence", TextId::MeasureNoSweep,
                          [](Signal& s) { std::fill(s.samples.begin(), s.samples.end(), 0.0); }},
                      Refusal{"recorded at 44.1 kHz", TextId::MeasureWrongRate,
                              [](Signal& s) { s.rate = 44100; }},
                      Refusal{"shorter than the sweep", TextId::MeasureTooShort,
                              [](Signal& s) { s.samples.resize(1 << 15); }},
                      Refusal{"hours long", TextId::MeasureTooLong,
                              [](Signal& s) { s.samples.resize(s.samples.size() * 5, 0.0); }}));

TEST(Recording, ADifferentSweepIsNotFound) {
    SweepParams other;
    other.samples = 1 << 16;
    other.fromHz = 200.0;
    other.toHz = 8000.0;
    Room room;
    room.snrDb = 60.0;
    Analyser analyser(ShortSweep());
    const PositionOutcome got = analyser.Recording(Record(MakeSweep(other), room), {});
    EXPECT_EQ(got.problem.id, TextId::MeasureNoSweep);
}

struct SnrCase {
    const char* fault;
    double snr;
    int cut;
    std::optional<TextId> note;
};

class Snr : public ::testing::TestWithParam<SnrCase> {};

TEST_P(Snr, TheSilenceBeforeTheSweepGivesTheRatioAndAWarningBelow30Db) {
    const SnrCase& c = GetParam();
    const Sweep sweep = ShortSweep();
    Room room;
    room.snrDb = c.snr;
    room.cutSamples = c.cut;
    room.delaySamples = 500;
    Analyser analyser(sweep);
    const PositionOutcome got = analyser.Recording(Record(sweep, room), {});
    ASSERT_TRUE(got.position) << TextName(got.problem.id);
    const auto& notes = got.position->notes;
    if (c.cut == 0) {
        ASSERT_TRUE(got.position->snrDb);
        EXPECT_NEAR(*got.position->snrDb, c.snr, 1.0) << c.fault;
    } else {
        EXPECT_FALSE(got.position->snrDb) << c.fault;
    }
    if (c.note) {
        ASSERT_EQ(notes.size(), 1u) << c.fault;
        EXPECT_EQ(notes[0].id, *c.note) << c.fault;
    } else {
        EXPECT_TRUE(notes.empty()) << c.fault << TextName(notes[0].id);
    }
}

INSTANTIATE_TEST_SUITE_P(Recordings, Snr,
                         ::testing::Values(SnrCase{"a quiet room", 40.0, 0, std::nullopt},
                                           SnrCase{"a noisy room", 25.0, 0, TextId::MeasureLowSnr},
                                           SnrCase{"the recorder missed the silence", 40.0,
                                                   24000 - 100, TextId::MeasureNoSilence}));

// Position 1 with a peak, position 2 with a dip at the same frequency: their power average.
TEST(Recording, PositionsAreAveragedAsPower) {
    const Sweep sweep = ShortSweep();
    Analyser analyser(sweep);
    const std::vector<Biquad> rooms[] = {{PeakingAt(48000, 200.0, 9.0, 1.5)},
                                         {PeakingAt(48000, 200.0, -9.0, 1.5)}};
    std::vector<Position> positions;
    for (const auto& filters : rooms) {
        Room room;
        room.filters = filters;
        room.snrDb = 60.0;
        positions.push_back(*analyser.Recording(Record(sweep, room), {}).position);
    }
    const Result r = Combine(positions, {});
    for (int i = 0; i < kGridSize; i += 10) {
        const double f = FreqTable[static_cast<std::size_t>(i)];
        if (f < 40.0 || f > 16000.0) {
            continue;
        }
        const double a = std::pow(10.0, MagnitudeDb(rooms[0], 48000, f) / 10.0);
        const double b = std::pow(10.0, MagnitudeDb(rooms[1], 48000, f) / 10.0);
        EXPECT_NEAR(r.grid[static_cast<std::size_t>(i)], 10.0 * std::log10((a + b) / 2.0), 0.3)
            << f << " Hz";
    }
}

// The analyser keeps the sweep's spectrum for the next recording; one much longer than the
// first needs a longer transform, and must measure as a fresh analyser does.
TEST(Recording, ALongerSecondRecordingMeasuresAsItWouldAlone) {
    const Sweep sweep = ShortSweep();
    Room room;
    room.filters = {PeakingAt(48000, 300.0, 6.0, 2.0)};
    room.snrDb = 60.0;
    Signal longer = Record(sweep, room);
    longer.samples.insert(longer.samples.begin(), 3 * 48000, 0.0);
    Analyser kept(sweep);
    ASSERT_TRUE(kept.Recording(Record(sweep, room), {}).position);
    const PositionOutcome second = kept.Recording(longer, {});
    const PositionOutcome alone = Analyser(sweep).Recording(longer, {});
    ASSERT_TRUE(second.position && alone.position);
    EXPECT_NEAR(second.position->delayMs, 3000.0, 0.1);
    for (std::size_t i = 0; i < alone.position->response.db.size(); i += 16) {
        EXPECT_NEAR(second.position->response.db[i], alone.position->response.db[i], 0.01)
            << alone.position->response.hz[i] << " Hz";
    }
}

// A flat room measures flat up to the sweep's end: the sweep's silent last instant once
// came out 34 dB down at 20 kHz and smoothing spread it over the top third of an octave.
TEST(Recording, AFlatRoomStaysFlatUpToTheSweepsEnd) {
    const Sweep sweep = ShortSweep();
    Room room;
    room.snrDb = 60.0;
    Analyser analyser(sweep);
    const Position pos[] = {*analyser.Recording(Record(sweep, room), {}).position};
    EXPECT_LT(pos[0].response.hz.back(), sweep.params.toHz);
    for (const Smoothing s : {Smoothing::None, Smoothing::Third}) {
        AnalysisOptions o;
        o.smoothing = s;
        const Result r = Combine(pos, o);
        for (int i = 0; i < kGridSize; ++i) {
            const double f = FreqTable[static_cast<std::size_t>(i)];
            if (f >= 10000.0) {
                EXPECT_NEAR(r.grid[static_cast<std::size_t>(i)], 0.0, 0.3)
                    << f << " Hz, 1/" << OctaveFraction(s);
            }
        }
    }
}

TEST(Recording, SmoothingFillsANarrowDipMoreTheWiderItIs) {
    const Sweep sweep = ShortSweep();
    Room room;
    room.filters = {PeakingAt(48000, 1000.0, -15.0, 8.0)};
    room.snrDb = 60.0;
    Analyser analyser(sweep);
    const Position pos[] = {*analyser.Recording(Record(sweep, room), {}).position};
    double previous = -100.0;
    for (const Smoothing s : {Smoothing::None, Smoothing::TwentyFourth, Smoothing::Twelfth,
                              Smoothing::Sixth, Smoothing::Third}) {
        AnalysisOptions o;
        o.smoothing = s;
        const double at1k = Combine(pos, o).grid[136];
        EXPECT_GT(at1k, previous + 0.5) << "1/" << OctaveFraction(s);
        previous = at1k;
    }
}

TEST(Recording, AnImpulseResponseFileMeasuresLikeARecording) {
    const std::vector<Biquad> filters = {PeakingAt(44100, 120.0, 6.0, 3.0),
                                         PeakingAt(44100, 3000.0, -5.0, 1.0)};
    Sweep click;  // a unit impulse after some silence, through the filters
    click.params.rate = 44100;
    click.samples.assign(44100, 0.0);
    click.samples[2000] = 0.5;
    Room room;
    room.filters = filters;
    const Signal ir = Record(click, room);
    const PositionOutcome got = ImpulseResponse(ir, {});
    ASSERT_TRUE(got.position);
    EXPECT_FALSE(got.position->snrDb);
    const Position pos[] = {*got.position};
    const Result r = Combine(pos, {});
    for (int i = 0; i < kGridSize; i += 8) {
        const double f = FreqTable[static_cast<std::size_t>(i)];
        if (f >= 40.0 && f <= 16000.0) {
            EXPECT_NEAR(r.grid[static_cast<std::size_t>(i)],
                        MagnitudeDb(filters, 44100, f) + 20.0 * std::log10(0.5), 0.2)
                << f << " Hz";
        }
    }
    EXPECT_EQ(ImpulseResponse(Signal{48000, std::vector<double>(100, 0.0)}, {}).problem.id,
              TextId::MeasureImpulseSilent);
}

}  // namespace
}  // namespace tolmarin::measure
