#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <memory>

#include "model/BandRecord.h"
#include "protocol/ProgramFile.h"
#include "support/Fresh.h"
#include "support/RunProcess.h"
#include "support/TempDir.h"

namespace tolmarin {
namespace {

namespace fs = std::filesystem;
using testing::FreshState;
using testing::RunProcess;

class CliEq : public ::testing::Test {
protected:
    void SetUp() override {
        temp = std::make_unique<testing::TempDir>(
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
        dir = temp->Path();
        FreshState s;
        // A channel as the editor stores it: flat bands, crossovers off.
        for (int ch = 0; ch < 2; ++ch) {
            auto block = s->image.ChannelBlock(0, ch);
            for (int k = 0; k < 8; ++k) {
                WriteBandRecord(
                    block, BandOffset(k),
                    BandRecord{static_cast<std::int16_t>(100 * (k + 1)), 200, 10, 0, 0});
            }
            WriteLe16(block, block::kHighPassFreq, 20);
            WriteLe16(block, block::kLowPassFreq, 20000);
        }
        ASSERT_EQ(WriteSingleProgramFile(s->image, PathOf("in.Data12File")), FileStatus::Ok);
        // A room with a 6 dB mode at 125 Hz and a dip around 2 kHz.
        std::ofstream m(PathOf("room.txt"));
        m << "* REW export\n";
        for (double f = 10.0; f < 24000.0; f *= std::exp2(1.0 / 24.0)) {
            const double a = std::log2(f / 125.0) / 0.3;
            const double b = std::log2(f / 2000.0) / 0.8;
            m << f << ", " << 80.0 + 6.0 / (1.0 + a * a) - 4.0 / (1.0 + b * b) << ", 0\n";
        }
    }
    std::string PathOf(const std::string& name) const { return (dir / name).string(); }
    std::string Bytes(const std::string& name) const {
        std::ifstream f(PathOf(name), std::ios::binary);
        return {std::istreambuf_iterator<char>(f), {}};
    }
    std::unique_ptr<testing::TempDir> temp;
    fs::path dir;
};

TEST_F(CliEq, FitReplacesOnlyTheChannelsBandsAndSaysTheRmsBeforeAndAfter) {
    auto r =
        RunProcess(TOLMARIN_CLI_PATH, {"eq", "fit", PathOf("room.txt"), "--channel", "2", "--in",
                                       PathOf("in.Data12File"), "--out", PathOf("out.Data12File")});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("RMS deviation before: "), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("RMS deviation after: 0."), std::string::npos) << r.out;
    const std::string in = Bytes("in.Data12File");
    const std::string out = Bytes("out.Data12File");
    ASSERT_EQ(out.size(), in.size());
    const std::size_t bandsBegin = kProgramNameSize + kChannelBlockSize + block::kBands;
    const std::size_t bandsEnd = bandsBegin + 8 * block::kBandRecordSize;
    int changedInBands = 0;
    for (std::size_t i = 0; i < in.size(); ++i) {
        if (i >= bandsBegin && i < bandsEnd) {
            changedInBands += in[i] != out[i] ? 1 : 0;
        } else {
            EXPECT_EQ(in[i], out[i]) << "byte " << i << " outside CH2's bands changed";
        }
    }
    EXPECT_GT(changedInBands, 0) << r.out;

    // The output rules of pull: an existing file is kept without --force.
    auto again =
        RunProcess(TOLMARIN_CLI_PATH, {"eq", "fit", PathOf("room.txt"), "--channel", "2", "--in",
                                       PathOf("in.Data12File"), "--out", PathOf("out.Data12File")});
    EXPECT_EQ(again.exitCode, 2);
    EXPECT_NE(again.err.find("--force"), std::string::npos) << again.err;
}

TEST_F(CliEq, ExportImportAndRefusalsThroughTheTool) {
    std::ofstream(PathOf("bad.txt")) << "20 80\n30 81 0 7\n";
    auto bad =
        RunProcess(TOLMARIN_CLI_PATH, {"eq", "fit", PathOf("bad.txt"), "--channel", "1", "--in",
                                       PathOf("in.Data12File"), "--out", PathOf("x.Data12File")});
    EXPECT_EQ(bad.exitCode, 2);
    EXPECT_NE(bad.err.find("line 2: expected 2 or 3 columns, found 4"), std::string::npos)
        << bad.err;
    EXPECT_FALSE(fs::exists(PathOf("x.Data12File")));

    std::ofstream(PathOf("eq.txt"))
        << "Preamp: -3 dB\nFilter 1: ON PK Fc 1000 Hz Gain -3.0 dB Q 1.414\n";
    auto imp =
        RunProcess(TOLMARIN_CLI_PATH, {"eq", "import", PathOf("eq.txt"), "--channel", "1", "--in",
                                       PathOf("in.Data12File"), "--out", PathOf("imp.Data12File")});
    ASSERT_EQ(imp.exitCode, 0) << imp.err;
    EXPECT_NE(imp.out.find("Preamp line is ignored"), std::string::npos) << imp.out;
    auto exp =
        RunProcess(TOLMARIN_CLI_PATH, {"eq", "export", PathOf("imp.Data12File"), "--channel", "1"});
    ASSERT_EQ(exp.exitCode, 0) << exp.err;
    EXPECT_NE(exp.out.find("Filter 1: ON PK Fc 1000 Hz Gain -3.0 dB Q 1.414\n"), std::string::npos)
        << exp.out;

    auto usage = RunProcess(TOLMARIN_CLI_PATH, {"eq", "fit", PathOf("room.txt"), "--channel", "3"});
    EXPECT_EQ(usage.exitCode, 1);
}

// What the tool said and did with one input: the exit code, a text it must say and whether
// it wrote the output.
TEST_F(CliEq, EdgeInputsAreRefusedWithTheirReasonOrReadAsMeant) {
    const auto write = [&](const std::string& name, const std::string& text) {
        std::ofstream(PathOf(name), std::ios::binary) << text;
        return PathOf(name);
    };
    std::string sweep;  // a sweep export that ends short of 20 kHz, decimal commas
    for (double f = 20.0; f < 19700.0; f *= std::exp2(1.0 / 12.0)) {
        const double a = std::log2(f / 125.0) / 0.3;
        std::string row = std::to_string(f) + " " + std::to_string(80.0 + 6.0 / (1.0 + a * a));
        std::replace(row.begin(), row.end(), '.', ',');
        sweep += row + "\n";
    }
    sweep += "19750,0 80,0\n";
    const struct {
        const char* what;
        std::vector<std::string> args;
        int exit;
        const char* says;
        bool writes;
    } cases[] = {
        {"unreadable gain",
         {"eq", "import", write("g.txt", "Filter 1: ON PK Fc 100 Hz Gain abc dB Q 1\n")},
         2,
         "line 1: filter 1: Gain 'abc' is not a number",
         false},
        {"beyond the amplifier",
         {"eq", "import", write("b.txt", "Filter 1: ON PK Fc 25000 Hz Gain 25 dB Q 50\n")},
         2,
         "left out: Fc 25000 Hz",
         false},
        {"measurement program header",
         {"eq", "import",
          write("r.txt",
                "Filter Settings file\n\nRoom EQ V5.31.3\nDated: 1 May 2024\n\n"
                "Filter  1: ON  PK       Fc    45.80 Hz  Gain  -5.80 dB  Q  4.000\n"
                "Filter  2: ON  None\n")},
         0,
         "RMS difference from the text's filters, 20 Hz to 20 kHz: 0.",
         true},
        {"a flag given a value",
         {"eq", "fit", write("f.txt", "20 80\n20000 80\n"), "--shelves=yes"},
         1,
         "--shelves takes no value",
         false},
        {"1e308 dB",
         {"eq", "fit", write("h.txt", "20 80\n1000 1e308\n20000 80\n")},
         2,
         "line 2: '1e308' dB is beyond",
         false},
        {"sweep ending at 19,750 Hz, decimal commas, full range",
         {"eq", "fit", write("s.txt", "Level export\nHz dB\n" + sweep), "--range", "20:20000"},
         0,
         "the bands together boost by up to ",
         true},
    };
    int n = 0;
    for (const auto& c : cases) {
        const std::string out = PathOf("out" + std::to_string(n++) + ".Data12File");
        std::vector<std::string> args = c.args;
        for (const char* more : {"--channel", "1", "--in"}) {
            args.push_back(more);
        }
        args.push_back(PathOf("in.Data12File"));
        args.push_back("--out");
        args.push_back(out);
        const auto r = RunProcess(TOLMARIN_CLI_PATH, args);
        EXPECT_EQ(r.exitCode, c.exit) << c.what << "\n" << r.out << r.err;
        EXPECT_NE((r.out + r.err).find(c.says), std::string::npos) << c.what << "\n"
                                                                   << r.out << r.err;
        EXPECT_EQ((r.out + r.err).find("nan"), std::string::npos) << c.what;
        EXPECT_EQ(fs::exists(out), c.writes) << c.what;
    }
}

// A 48 MB measurement said "Cannot open file"; the reason is the size limit.
TEST_F(CliEq, AFileAboveTheSizeLimitNamesTheLimit) {
    { std::ofstream(PathOf("big.txt")) << "20 80\n"; }
    fs::resize_file(PathOf("big.txt"), 48u * 1000u * 1000u);
    const auto r =
        RunProcess(TOLMARIN_CLI_PATH, {"eq", "fit", PathOf("big.txt"), "--channel", "1", "--in",
                                       PathOf("in.Data12File"), "--out", PathOf("o.Data12File")});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_NE(r.err.find("is larger than the 32 MiB a text file may have here"), std::string::npos)
        << r.err;
}

}  // namespace
}  // namespace tolmarin
