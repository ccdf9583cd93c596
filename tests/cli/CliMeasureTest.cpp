#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <regex>

#include "measure/SyntheticRecording.h"
#include "measure/Wav.h"
#include "model/BandRecord.h"
#include "protocol/ProgramFile.h"
#include "roomeq/Fit.h"
#include "roomeq/Measurement.h"
#include "support/Fresh.h"
#include "support/RunProcess.h"
#include "support/TempDir.h"

namespace tolmarin {
namespace {

namespace fs = std::filesystem;
using testing::RunProcess;

void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

// A recording of the sweep file through the room, as a 24-bit WAV file.
void RecordRoom(const std::string& sweepPath, const measure::test::Room& room,
                const std::string& out) {
    const measure::WavOutcome w = measure::ReadWav(sweepPath);
    ASSERT_TRUE(w.audio);
    const measure::SweepOutcome s = measure::SweepOfAudio(*w.audio);
    ASSERT_TRUE(s.sweep);
    const measure::Signal rec = measure::test::Record(*s.sweep, room);
    WriteFile(out, measure::WavBytes(rec.samples, rec.rate, measure::WavEncoding::Pcm24, ""));
}

class CliMeasure : public ::testing::Test {
protected:
    void SetUp() override {
        auto r = RunProcess(TOLMARIN_CLI_PATH,
                            {"eq", "sweep", dir.PathOf("sweep.wav"), "--samples", "65536"});
        ASSERT_EQ(r.exitCode, 0) << r.err;
        EXPECT_NE(r.out.find("65536 samples at 48000 Hz, -12.0 dBFS"), std::string::npos) << r.out;
        room.filters = {measure::test::PeakingAt(48000, 125.0, 6.0, 2.0),
                        measure::test::PeakingAt(48000, 2000.0, -4.0, 1.0)};
        room.delaySamples = 2000;
        room.snrDb = 40.0;
    }
    testing::TempDir dir{::testing::UnitTest::GetInstance()->current_test_info()->name()};
    measure::test::Room room;
};

// Sweep, recording of a room, measurement, fit, and the bands the simulated amplifier
// holds after the push: the room's peak and dip are taken out.
TEST_F(CliMeasure, FromSweepToVerifiedBandsOnTheAmplifier) {
    RecordRoom(dir.PathOf("sweep.wav"), room, dir.PathOf("rec.wav"));
    auto m = RunProcess(TOLMARIN_CLI_PATH,
                        {"eq", "measure", "--sweep", dir.PathOf("sweep.wav"), dir.PathOf("rec.wav"),
                         "--smooth", "12", "--out", dir.PathOf("room.txt")});
    ASSERT_EQ(m.exitCode, 0) << m.err;
    EXPECT_TRUE(std::regex_search(m.out, std::regex("signal-to-noise ratio (39|40|41)\\.\\d dB")))
        << m.out;
    EXPECT_NE(m.out.find("measurement saved as " + dir.PathOf("room.txt")), std::string::npos)
        << m.out;

    testing::FreshState s;
    for (int k = 0; k < 8; ++k) {
        WriteBandRecord(s->image.ChannelBlock(0, 0), BandOffset(k),
                        BandRecord{static_cast<std::int16_t>(100 * (k + 1)), 200, 10, 0, 0});
    }
    WriteLe16(s->image.ChannelBlock(0, 0), block::kHighPassFreq, 20);
    WriteLe16(s->image.ChannelBlock(0, 0), block::kLowPassFreq, 20000);
    ASSERT_EQ(WriteSingleProgramFile(s->image, dir.PathOf("in.Data12File")), FileStatus::Ok);
    auto fit = RunProcess(TOLMARIN_CLI_PATH,
                          {"eq", "fit", dir.PathOf("room.txt"), "--channel", "1", "--in",
                           dir.PathOf("in.Data12File"), "--out", dir.PathOf("fit.Data12File")});
    ASSERT_EQ(fit.exitCode, 0) << fit.err;

    testing::BackgroundProcess sim(TRV410_SIM_PATH, {"--tcp", "127.0.0.1:0"});
    std::smatch at;
    const std::string line = sim.ReadLine(5000);
    ASSERT_TRUE(std::regex_match(line, at, std::regex("listening on (127\\.0\\.0\\.1:\\d+)")));
    const std::string url = "tcp:" + at[1].str();
    auto push =
        RunProcess(TOLMARIN_CLI_PATH, {"push", "--connect", url, dir.PathOf("fit.Data12File")});
    ASSERT_EQ(push.exitCode, 0) << push.err;  // read back and compared by push itself
    auto pull =
        RunProcess(TOLMARIN_CLI_PATH, {"pull", "--connect", url, dir.PathOf("amp.Data12File")});
    ASSERT_EQ(pull.exitCode, 0) << pull.err;

    DeviceImage amp;
    ASSERT_EQ(ReadSingleProgramFile(amp, dir.PathOf("amp.Data12File")), FileStatus::Ok);
    const roomeq::ChannelFilters ch = roomeq::ReadChannel(amp.ChannelBlock(0, 0));
    GridResponse truth{};
    for (int i = 0; i < kGridSize; ++i) {
        truth[static_cast<std::size_t>(i)] =
            measure::test::MagnitudeDb(room.filters, 48000, FreqTable[static_cast<std::size_t>(i)]);
    }
    const GridResponse flat{};
    const double before = roomeq::RmsDeviation(truth, flat, flat, 60.0, 12000.0);
    const double after =
        roomeq::RmsDeviation(truth, roomeq::BandsResponse(ch.bands), flat, 60.0, 12000.0);
    EXPECT_GT(before, 1.5);
    EXPECT_LT(after, 0.6) << "before " << before << "\n" << fit.out;
}

// What the tool says and writes for one odd input: the exit code, a text it must say, and
// whether the measurement was written.
TEST_F(CliMeasure, OddInputsAreRefusedWithTheirReasonAndNothingIsWritten) {
    RecordRoom(dir.PathOf("sweep.wav"), room, dir.PathOf("rec.wav"));
    WriteFile(dir.PathOf("empty.wav"), "");
    WriteFile(dir.PathOf("binary.wav"), std::string(5000, '\x7f'));
    WriteFile(dir.PathOf("nan.txt"), "20 1\n100 nan\n1000 0\n");
    WriteFile(dir.PathOf("comma.txt"), "Sens Factor =-0,5dB\n20;1,5\n20000;-1,5\n");
    WriteFile(dir.PathOf("taken.txt"), "x");
    // An INFO item claiming 2^32 - 8 bytes, which kept libsndfile seeking back to it.
    WriteFile(dir.PathOf("damaged.wav"),
              std::string("RIFF\x3E\0\0\0WAVEfmt \x10\0\0\0\x01\0\x01\0\x80\xBB\0\0"
                          "\0\x77\x01\0\x02\0\x10\0LIST\x10\0\0\0INFOIxyz\xF8\xFF\xFF\xFF"
                          "abcd"
                          "data\x02\0\0\0\0\x10",
                          70));
    ASSERT_EQ(::mkfifo(dir.PathOf("pipe.wav").c_str(), 0600), 0);
    const std::string sweep = dir.PathOf("sweep.wav");
    const std::string rec = dir.PathOf("rec.wav");
    const std::string out = dir.PathOf("m.txt");
    const struct {
        std::vector<std::string> args;
        int exit;
        const char* says;
    } cases[] = {
        {{"--sweep", sweep, dir.PathOf("empty.wav")}, 2, "not a WAV file"},
        {{"--sweep", sweep, dir.PathOf("binary.wav")}, 2, "not a WAV file"},
        {{"--sweep", sweep, dir.PathOf("pipe.wav")}, 2, "not a regular file"},
        {{"--sweep", sweep, rec, rec}, 1, "is given twice"},
        {{"--sweep", sweep, rec, dir.PathOf("./rec.wav")}, 1, "is given twice"},
        {{"--sweep", sweep, rec + "x"}, 2, "Cannot open file"},
        {{"--sweep", rec, sweep}, 2, "not a sweep written by eq sweep"},
        {{"--impulse", sweep}, 0, "signal-to-noise ratio not known"},
        {{"--sweep", sweep, rec, "--cal", dir.PathOf("nan.txt")}, 2, "line 2"},
        {{"--sweep", sweep, rec, "--cal", dir.PathOf("comma.txt")}, 0, "Sens Factor -0.50 dB"},
        {{"--sweep", sweep, rec, "--channel", "2"}, 2, "channel 2 is not in the recording"},
        {{"--sweep", sweep, rec, "--smooth", "5"}, 1, "3, 6, 12 or 24"},
        {{"--sweep", sweep, rec, "--window", "1e9"}, 1, "milliseconds"},
        {{"--sweep", sweep, rec, "--window", "nan"}, 1, "milliseconds"},
        {{rec}, 1, "needs --sweep"},
        {{"--sweep", sweep, dir.PathOf("damaged.wav")}, 2, "\"Ixyz\" chunk claims 4294967288"},
        {{"--sweep", sweep, rec, "--force=yes"}, 1, "--force takes no value"},
        {{"--sweep", sweep, rec, "--smooth", "6", "--smooth=12"}, 1, "--smooth is given twice"},
        {{"--sweep", sweep, rec, "--bogus"}, 1, "unknown option '--bogus'"},
        {{"--sweep", sweep, rec, "--window"}, 1, "--window needs a value"},
    };
    for (const auto& c : cases) {
        std::vector<std::string> args = {"eq", "measure", "--out", out};
        args.insert(args.end(), c.args.begin(), c.args.end());
        fs::remove(out);
        auto r = RunProcess(TOLMARIN_CLI_PATH, args);
        const std::string joined = args[4] + " " + args.back();
        EXPECT_EQ(r.exitCode, c.exit) << joined << "\n" << r.out << r.err;
        EXPECT_NE((r.out + r.err).find(c.says), std::string::npos) << joined << "\n"
                                                                   << r.out << r.err;
        EXPECT_EQ(fs::exists(out), c.exit == 0) << joined;
    }
    // The safe writer's rule: an existing file is replaced only with --force.
    auto kept = RunProcess(TOLMARIN_CLI_PATH, {"eq", "measure", "--sweep", sweep, rec, "--out",
                                               dir.PathOf("taken.txt")});
    EXPECT_EQ(kept.exitCode, 2);
    EXPECT_NE(kept.err.find("--force"), std::string::npos) << kept.err;
    auto forced = RunProcess(TOLMARIN_CLI_PATH, {"eq", "measure", "--sweep", sweep, rec, "--out",
                                                 dir.PathOf("taken.txt"), "--force"});
    EXPECT_EQ(forced.exitCode, 0) << forced.err;
    auto zh = RunProcess(TOLMARIN_CLI_PATH,
                         {"--lang", "zh", "eq", "sweep", dir.PathOf("s.wav"), "--rate", "22050"});
    EXPECT_EQ(zh.exitCode, 1);
    EXPECT_NE(zh.err.find("采样率 22050 Hz"), std::string::npos) << zh.err;
}

}  // namespace
}  // namespace tolmarin
