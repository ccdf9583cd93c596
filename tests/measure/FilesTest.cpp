#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>

#include "measure/Calibration.h"
#include "measure/Export.h"
#include "measure/Wav.h"
#include "roomeq/Measurement.h"
#include "support/TempDir.h"

namespace tolmarin::measure {
namespace {

WavOutcome FromBytes(const std::string& b) {
    return ReadWavBytes({reinterpret_cast<const std::uint8_t*>(b.data()), b.size()});
}

// A canonical 44-byte WAV header before the given data bytes.
std::string Wav(int format, int bits, int channels, const std::string& data) {
    auto le = [](std::uint32_t v, int n) {
        std::string s;
        for (int i = 0; i < n; ++i) {
            s += static_cast<char>((v >> (8 * i)) & 0xFF);
        }
        return s;
    };
    const int block = channels * bits / 8;
    return "RIFF" + le(36 + static_cast<std::uint32_t>(data.size()), 4) + "WAVEfmt " + le(16, 4) +
           le(static_cast<std::uint32_t>(format), 2) + le(static_cast<std::uint32_t>(channels), 2) +
           le(48000, 4) + le(48000u * static_cast<std::uint32_t>(block), 4) +
           le(static_cast<std::uint32_t>(block), 2) + le(static_cast<std::uint32_t>(bits), 2) +
           "data" + le(static_cast<std::uint32_t>(data.size()), 4) + data;
}

std::string Le(std::uint64_t v, int n) {
    std::string s;
    for (int i = 0; i < n; ++i) {
        s += static_cast<char>((v >> (8 * i)) & 0xFF);
    }
    return s;
}

// A chunk: its name, its size (the body's own unless given) and its body, padded to even.
std::string Chunk(const std::string& id, const std::string& body,
                  std::optional<std::uint32_t> size = std::nullopt) {
    return id + Le(size.value_or(static_cast<std::uint32_t>(body.size())), 4) + body +
           (body.size() % 2 != 0 ? std::string(1, '\0') : std::string());
}

// A RIFF WAVE file of these chunks.
std::string Riff(const std::string& chunks, const char* magic = "RIFF") {
    return magic + Le(4 + chunks.size(), 4) + "WAVE" + chunks;
}

// The format chunk of 16-bit PCM mono at 48 kHz.
const std::string kFmt16 =
    Chunk("fmt ", Le(1, 2) + Le(1, 2) + Le(48000, 4) + Le(96000, 4) + Le(2, 2) + Le(16, 2));
const std::string kFourFrames = std::string("\x00\x10\x00\x20\x00\x30\x00\x40", 8);

TEST(Wav, EachEncodingReadsBackWithinItsQuantisationAndKeepsTheComment) {
    const std::vector<double> x = {0.0, 0.5, -0.5, 0.999, -1.0, 0.123456};
    for (const auto& [enc, step] :
         {std::pair{WavEncoding::Pcm16, 1.0 / 32768}, std::pair{WavEncoding::Pcm24, 1.0 / 8388608},
          std::pair{WavEncoding::Float32, 1e-7}}) {
        const WavOutcome w = FromBytes(WavBytes(x, 96000, enc, "note"));
        ASSERT_TRUE(w.audio);
        EXPECT_EQ(w.audio->encoding, enc);
        EXPECT_EQ(w.audio->rate, 96000);
        EXPECT_EQ(w.audio->comment, "note");
        ASSERT_EQ(w.audio->samples.size(), x.size());
        for (std::size_t i = 0; i < x.size(); ++i) {
            EXPECT_NEAR(w.audio->samples[i], x[i], step);
        }
    }
}

TEST(Wav, WhatIsNotAReadableRecordingIsRefusedWithItsReason) {
    const std::string four(4, '\x10');
    float nan = std::nanf("");
    std::string nanBytes(4, '\0');
    std::memcpy(nanBytes.data(), &nan, 4);
    std::string mp3;
    for (int i = 0; i < 8; ++i) {
        mp3 += std::string("\xFF\xFB\x90\x64", 4) + std::string(413, '\0');
    }
    const struct {
        const char* fault;
        std::string bytes;
        TextId reason;
    } cases[] = {
        {"empty", "", TextId::MeasureWavUnreadable},
        {"text", "Freq dB\n20 80\n", TextId::MeasureWavUnreadable},
        {"8-bit", Wav(1, 8, 1, four), TextId::MeasureWavEncoding},
        {"32-bit PCM", Wav(1, 32, 1, four + four), TextId::MeasureWavEncoding},
        {"64-bit float", Wav(3, 64, 1, four + four), TextId::MeasureWavEncoding},
        {"no samples", Wav(1, 16, 1, ""), TextId::MeasureWavEmpty},
        {"a NaN sample", Wav(3, 32, 1, nanBytes), TextId::MeasureWavNotFinite},
        // Other formats never reach the decoders libsndfile would pick for them.
        {"an MP3 stream", mp3, TextId::MeasureWavUnreadable},
        {"MPEG samples in a WAVE file", Wav(0x55, 16, 1, four), TextId::MeasureWavUnreadable},
        {"AIFF", std::string("FORM\0\0\0 AIFF", 12) + std::string(32, '\0'),
         TextId::MeasureWavUnreadable},
        {"no format chunk", Riff(Chunk("data", four)), TextId::MeasureWavUnreadable},
        {"no samples chunk", Riff(kFmt16), TextId::MeasureWavEmpty},
        // Sizes libsndfile trusted and then looped on for ever: an INFO item of a name it
        // does not know claiming 2^32 - 8 bytes (its count wraps round and it seeks back to
        // the item again), as the fuzzer found it and in an otherwise whole file.
        {"an INFO item of 2^32 - 8 bytes, as found",
         std::string("RIFFp\x01\0\0WAVEfmt \x10\0\0\0\x03\0\x01\0\x80\xBB\0\0\0\xEE\x02\0"
                     "\x04\0 \0LISTD\0\0\0INFOom=2\xF8\xFF\xFF\xFF\x30 t\x0F=200\0\0data\0"
                     "\x01\0\0\x01\0\0Q\0\0\0\0mi\x17N>RIFF$\0\0\0WA\x8C\x90VEm>",
                     103),
         TextId::MeasureWavDamaged},
        {"an INFO item of 2^32 - 8 bytes",
         Riff(kFmt16 + Chunk("LIST", "INFO" + Chunk("Ixyz", "abcd", 0xFFFFFFF8u)) +
              Chunk("data", kFourFrames)),
         TextId::MeasureWavDamaged},
        {"an INFO item past its list",
         Riff(kFmt16 + Chunk("LIST", "INFO" + Chunk("ICMT", "abcd", 6)) +
              Chunk("data", kFourFrames)),
         TextId::MeasureWavDamaged},
        {"a chunk before the samples past the file's end",
         Riff(kFmt16 + Chunk("bext", "xy", 0x7FFFFFF0u) + Chunk("data", kFourFrames)),
         TextId::MeasureWavDamaged},
        {"a format chunk past the file's end", Riff(Chunk("fmt ", kFmt16.substr(8), 0xFFFFFFFFu)),
         TextId::MeasureWavDamaged},
    };
    for (const auto& c : cases) {
        const WavOutcome w = FromBytes(c.bytes);
        EXPECT_FALSE(w.audio) << c.fault;
        EXPECT_EQ(w.problem.id, c.reason) << c.fault << ": " << TextName(w.problem.id);
    }
}

// Layouts real recorders write: other chunks around the samples, odd sizes, a file cut
// short while recording, RF64's 64-bit sizes. Each must still read all its frames.
TEST(Wav, RealFilesLayoutsStillReadEveryFrame) {
    const std::string ds64 = Chunk("ds64", Le(0, 8) + Le(8, 8) + Le(4, 8) + Le(0, 4));
    const struct {
        const char* layout;
        std::string bytes;
        std::size_t frames;
    } cases[] = {
        {"chunks of odd size before and after",
         Riff(Chunk("JUNK", "abc") + kFmt16 + Chunk("bext", std::string(603, 'b')) +
              Chunk("data", kFourFrames) + Chunk("cue ", "12345")),
         4},
        {"the format after the samples", Riff(Chunk("data", kFourFrames) + kFmt16), 4},
        {"the samples' size larger than what was written",
         Riff(kFmt16 + Chunk("data", "", 0x10000) + kFourFrames.substr(0, 6)), 3},
        {"a recorder's 0xFFFFFFFF samples' size",
         Riff(kFmt16 + Chunk("data", "", 0xFFFFFFFFu) + kFourFrames), 4},
        {"an INFO list with items of odd size",
         Riff(kFmt16 + Chunk("LIST", "INFO" + Chunk("ISFT", "rec") + Chunk("ICMT", "x")) +
              Chunk("data", kFourFrames)),
         4},
        {"RF64", Riff(ds64 + kFmt16 + Chunk("data", "", 0xFFFFFFFFu) + kFourFrames, "RF64"), 4},
    };
    for (const auto& c : cases) {
        const WavOutcome w = FromBytes(c.bytes);
        ASSERT_TRUE(w.audio) << c.layout << ": " << TextName(w.problem.id);
        EXPECT_EQ(w.audio->Frames(), c.frames) << c.layout;
        EXPECT_DOUBLE_EQ(w.audio->samples.at(0), 0.125) << c.layout;
    }
}

// A path is refused before it is read when it is not a file of sensible size: a named pipe
// would block the reader for ever, a huge file would fill memory.
TEST(Wav, APathThatIsNoRecordingIsRefusedWithoutReadingIt) {
    const testing::TempDir dir("wav-paths");
    const std::string pipe = dir.PathOf("pipe.wav");
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    const std::string huge = dir.PathOf("huge.wav");
    const std::string empty = dir.PathOf("empty.wav");
    { std::ofstream(empty.c_str()); }
    { std::ofstream(huge.c_str()); }
    std::filesystem::resize_file(huge, kMaxWavBytes + 1);  // sparse: nothing is written
    const struct {
        std::string path;
        TextId reason;
    } cases[] = {
        {pipe, TextId::ReadNotRegular},
        {dir.Path().string(), TextId::ReadNotRegular},
        {huge, TextId::MeasureWavTooLarge},
        {empty, TextId::MeasureWavUnreadable},
        {dir.PathOf("missing.wav"), TextId::MeasureWavUnreadable},
    };
    for (const auto& c : cases) {
        const WavOutcome w = ReadWav(c.path);
        EXPECT_FALSE(w.audio) << c.path;
        EXPECT_EQ(w.problem.id, c.reason) << c.path << ": " << TextName(w.problem.id);
    }
}

TEST(Wav, AChosenChannelIsTakenAndAMissingOneRefused) {
    const WavOutcome w = FromBytes(Wav(1, 16, 2, std::string("\x00\x10\x00\x20", 4)));
    ASSERT_TRUE(w.audio);
    const SignalOutcome second = ChannelOf(*w.audio, 1);
    ASSERT_TRUE(second.signal);
    EXPECT_DOUBLE_EQ(second.signal->samples.at(0), 0.25);
    const SignalOutcome third = ChannelOf(*w.audio, 2);
    EXPECT_FALSE(third.signal);
    EXPECT_EQ(third.problem.values, (std::vector<std::string>{"3", "2"}));
}

TEST(Sweep, ItsFileCarriesItsParametersAndOnlySuchAFileIsASweep) {
    SweepParams p;
    p.rate = 44100;
    p.samples = 1 << 15;
    p.fromHz = 50.0;
    p.toHz = 19000.0;
    p.levelDbfs = -20.0;
    const Sweep s = MakeSweep(p);
    EXPECT_EQ(s.samples.size(), static_cast<std::size_t>(s.lead + p.samples + s.tail));
    EXPECT_EQ(s.samples.front(), 0.0);
    EXPECT_EQ(s.samples.back(), 0.0);
    double peak = 0.0;
    for (const double v : s.samples) {
        peak = std::max(peak, std::fabs(v));
    }
    EXPECT_NEAR(20.0 * std::log10(peak), -20.0, 0.01);
    const WavOutcome w = FromBytes(SweepWavBytes(s));
    ASSERT_TRUE(w.audio);
    const SweepOutcome back = SweepOfAudio(*w.audio);
    ASSERT_TRUE(back.sweep);
    EXPECT_EQ(back.sweep->params.samples, p.samples);
    EXPECT_EQ(back.sweep->params.fromHz, 50.0);
    EXPECT_EQ(back.sweep->params.toHz, 19000.0);
    EXPECT_EQ(back.sweep->lead, s.lead);

    Audio plain = *w.audio;
    plain.comment.clear();
    EXPECT_EQ(SweepOfAudio(plain).problem.id, TextId::MeasureNotASweep);
    Audio cut = *w.audio;
    cut.samples.resize(cut.samples.size() - 1);
    EXPECT_EQ(SweepOfAudio(cut).problem.id, TextId::MeasureNotASweep);
}

TEST(Sweep, ParametersOutsideTheirRangesAreRefused) {
    const struct {
        SweepParams p;
        TextId reason;
    } cases[] = {
        {{22050, 1 << 18, 20, 9000, -12}, TextId::MeasureSweepBadRate},
        {{48000, 1 << 18, 5, 20000, -12}, TextId::MeasureSweepBadStart},
        {{48000, 1 << 18, 20, 21700, -12}, TextId::MeasureSweepBadEnd},
        {{48000, 1 << 18, 500, 400, -12}, TextId::MeasureSweepBadEnd},
        {{48000, 1000, 20, 20000, -12}, TextId::MeasureSweepBadLength},
        {{48000, 1 << 22, 20, 20000, -12}, TextId::MeasureSweepBadLength},
        {{48000, 1 << 18, 20, 20000, 1}, TextId::MeasureSweepBadLevel},
        {{48000, 1 << 18, 20, 20000, std::nan("")}, TextId::MeasureSweepBadLevel},
    };
    for (const auto& c : cases) {
        const auto problem = CheckSweep(c.p);
        ASSERT_TRUE(problem) << TextName(c.reason);
        EXPECT_EQ(problem->id, c.reason);
    }
    EXPECT_FALSE(CheckSweep({96000, 1 << 21, 10, 43200, 0}));
}

TEST(Calibration, TheSensFactorLineIsReadAndEveryBadValueRefused) {
    const struct {
        const char* text;
        std::optional<double> sens;
        std::optional<TextId> reason;
    } cases[] = {
        {"\"Sens Factor =-.7dB, SERNO: 7001234\"\n20 -1.5 12\n1000 0 0\n20000 3 -40\n", -0.7, {}},
        {"Sens Factor = -1,25 dB\n20;-1,5\n1000;0\n", -1.25, {}},
        {"20\t-1.5\n1000\t0\n", std::nullopt, {}},
        {"\"Sens Factor =abcdB\"\n20 1\n1000 0\n", std::nullopt, TextId::MeasureCalBadSens},
        {"20 1\n100 nan\n1000 0\n", std::nullopt, TextId::RoomEqNotANumber},
        {"20 1\n100 -inf\n1000 0\n", std::nullopt, TextId::RoomEqNotANumber},
        {"", std::nullopt, TextId::RoomEqNoPoints},
    };
    for (const auto& c : cases) {
        const CalibrationOutcome got = ParseCalibration(c.text);
        if (c.reason) {
            EXPECT_FALSE(got.calibration) << c.text;
            EXPECT_EQ(got.failure.reason, *c.reason) << c.text << TextName(got.failure.reason);
            continue;
        }
        ASSERT_TRUE(got.calibration) << c.text << TextName(got.failure.reason);
        EXPECT_EQ(got.calibration->sensFactorDb, c.sens) << c.text;
        EXPECT_EQ(got.calibration->curve.db.front(), -1.5) << c.text;  // the phase ignored
    }
}

TEST(Calibration, ItIsTakenOffTheMeasurementAndHeldAtItsEndsWithANote) {
    Position flat;
    for (double f = 20.0; f <= 20000.0; f *= 1.01) {
        flat.response.hz.push_back(f);
        flat.response.db.push_back(0.0);
    }
    const CalibrationOutcome cal = ParseCalibration("100 2\n1000 -1\n10000 4\n");
    ASSERT_TRUE(cal.calibration);
    AnalysisOptions o;
    o.calibration = &*cal.calibration;
    const Position one[] = {flat};
    const Result r = Combine(one, o);
    EXPECT_NEAR(roomeq::MeanOver(r.grid, 40.0, 41.0), -2.0, 1e-6);  // held below 100 Hz
    EXPECT_NEAR(r.grid[136], 1.0, 0.01);  // 1000 Hz, between the grid points
    EXPECT_NEAR(roomeq::MeanOver(r.grid, 16000.0, 16001.0), -4.0, 1e-6);
    ASSERT_EQ(r.notes.size(), 1u);
    EXPECT_EQ(r.notes[0].id, TextId::MeasureCalHeld);
}

TEST(Export, TheMeasurementReaderReadsTheExportBackWithItsHeader) {
    roomeq::Measurement m{{20.0, 1000.0, 20000.0}, {-3.25, 0.5, 1.125}};
    ExportInfo info;
    info.date = "2026-12-10 10:00 UTC";
    info.sweep = SweepParams{};
    info.snrDb = {42.04, std::nullopt};
    info.calibration = "umik.txt";
    info.sensFactorDb = -0.7;
    info.smoothing = Smoothing::Sixth;
    const std::string text = ExportText(m, info);
    for (const char* line : {"* Date: 2026-12-10 10:00 UTC\n",
                             "* Sweep: 20 Hz to 20000 Hz, 262144 samples at 48000 Hz, -12.0 dBFS\n",
                             "* Positions: 2\n", "* Signal-to-noise ratio (dB): 42.0 unknown\n",
                             "* Calibration: umik.txt (Sens Factor -0.70 dB)\n",
                             "* Smoothing: 1/6 octave\n", "* Window: 500 ms\n"}) {
        EXPECT_NE(text.find(line), std::string::npos) << line << text;
    }
    const roomeq::ParseOutcome back = roomeq::ParseMeasurement(text);
    ASSERT_TRUE(back.measurement);
    EXPECT_EQ(back.measurement->hz, m.hz);
    EXPECT_EQ(back.measurement->db, m.db);
}

}  // namespace
}  // namespace tolmarin::measure
