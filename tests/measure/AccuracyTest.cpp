#include <gtest/gtest.h>

#include <cmath>

#include "SyntheticRecording.h"
#include "measure/Analysis.h"

namespace tolmarin::measure {
namespace {

using test::MagnitudeDb;
using test::PeakingAt;
using test::Record;
using test::Room;

// RMS in dB of the measured minus the true magnitude at the response grid, 40 Hz to 16 kHz.
double RmsError(const Result& r, const std::vector<Biquad>& filters, double rate) {
    double sum = 0.0;
    int count = 0;
    for (int i = 0; i < kGridSize; ++i) {
        const double f = FreqTable[static_cast<std::size_t>(i)];
        if (f >= 40.0 && f <= 16000.0) {
            const double e = r.grid[static_cast<std::size_t>(i)] - MagnitudeDb(filters, rate, f);
            sum += e * e;
            ++count;
        }
    }
    return std::sqrt(sum / count);
}

struct Case {
    const char* fault;
    int rate;
    int samples;
    int delay;
    int cut;
    double snr;
    double ppm;
    double limitDb;
};

class Accuracy : public ::testing::TestWithParam<Case> {};

TEST_P(Accuracy, MeasuresTheRoomsFiltersWithinTheLimit) {
    const Case& c = GetParam();
    SweepParams p;
    p.rate = c.rate;
    p.samples = c.samples;
    const Sweep sweep = MakeSweep(p);
    Room room;
    room.filters = {PeakingAt(c.rate, 63.0, 8.0, 4.0), PeakingAt(c.rate, 250.0, -6.0, 1.0),
                    PeakingAt(c.rate, 2500.0, 4.0, 2.0), PeakingAt(c.rate, 9000.0, -8.0, 0.7)};
    room.delaySamples = c.delay;
    room.cutSamples = c.cut;
    room.snrDb = c.snr;
    room.ppm = c.ppm;
    Analyser analyser(sweep);
    const PositionOutcome got = analyser.Recording(Record(sweep, room), {});
    ASSERT_TRUE(got.position) << TextName(got.problem.id);
    const Position positions[] = {*got.position};
    EXPECT_LT(RmsError(Combine(positions, {}), room.filters, c.rate), c.limitDb) << c.fault;
}

INSTANTIATE_TEST_SUITE_P(
    Rooms, Accuracy,
    ::testing::Values(Case{"delay and 40 dB noise", 48000, 1 << 18, 4321, 0, 40.0, 0.0, 0.3},
                      Case{"recorder started late", 48000, 1 << 18, 0, 20000, 40.0, 0.0, 0.3},
                      Case{"recorder clock 50 ppm fast", 48000, 1 << 18, 1000, 0, 40.0, 50.0, 0.5},
                      Case{"filters designed at 44.1 kHz", 44100, 1 << 18, 700, 0, 40.0, 0.0, 0.3},
                      Case{"filters designed at 96 kHz", 96000, 1 << 19, 700, 0, 40.0, 0.0, 0.3}));

}  // namespace
}  // namespace tolmarin::measure
