#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <memory>
#include <sstream>

#include "model/ChannelSet.h"
#include "model/ParameterTable.h"
#include "protocol/ProgramFile.h"
#include "response/FilterMath.h"
#include "support/Fresh.h"
#include "support/RunProcess.h"
#include "support/TempDir.h"

namespace tolmarin {
namespace {

namespace fs = std::filesystem;
using testing::FreshState;
using testing::RunProcess;

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

class CliOnAFile : public ::testing::Test {
protected:
    void SetUp() override {
        temp = std::make_unique<testing::TempDir>(
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
        dir = temp->Path();
        // A program as an installer might leave it: CH1 with a boosted band, a shelf, a
        // crossover pair and a limiter; CH2 saved with routing 1 (stereo will correct it).
        FreshState s;
        ChannelSet set(*s);
        OutputChannel& ch1 = set.Channel(0);
        ch1.Band(0).SetFreq(1000, true);
        ch1.Band(0).SetGainStep(260);  // +6.0 dB
        ch1.Band(2).SetEqKind(3);      // high shelf, gentle
        ch1.Band(2).SetFreq(8000, true);
        ch1.Band(2).SetGainStep(150);
        ch1.HighPass().SetFreq(80, false);
        ch1.HighPass().SetFamily(2, false);
        ch1.HighPass().SetSlope(2, false);
        ch1.SetDelay(477);
        ch1.SetLimitThreshold(150);
        ch1.SetLimitRelease(3);
        ch1.SetOutputOn(1);
        set.Channel(1).SetInputRoute(1);
        set.WriteAllToImage();
        ASSERT_TRUE(StoreProgramName(s->ui, s->image.Name(0), "Room 12"));
        single = (dir / "room.Data12File").string();
        ASSERT_EQ(WriteSingleProgramFile(s->image, single), FileStatus::Ok);
        // The same program in slot 7 of an all-programs file.
        std::copy_n(s->image.ProgramRecord(0).begin(), kProgramRecordSize,
                    s->image.ProgramRecord(7).begin());
        all = (dir / "venue.ALLData12File").string();
        ASSERT_EQ(WriteAllProgramsFile(s->image, all), FileStatus::Ok);
    }

    // What the editor holds after opening the single file at start-up.
    struct Opened {
        FreshState s;
        std::unique_ptr<ChannelSet> set;
    };
    std::unique_ptr<Opened> OpenLikeTheEditor(Language language) {
        auto o = std::make_unique<Opened>();
        o->s->ui.language = language;
        o->set = std::make_unique<ChannelSet>(*o->s);
        EXPECT_EQ(ReadSingleProgramFile(o->s->image, single), FileStatus::Ok);
        o->set->LoadAllFromImage();
        return o;
    }

    std::unique_ptr<testing::TempDir> temp;
    fs::path dir;
    std::string single;
    std::string all;
};

TEST_F(CliOnAFile, TableCsvMatchesTheModelsTableInBothLanguages) {
    for (Language language : {Language::English, Language::Chinese}) {
        const bool english = language == Language::English;
        auto o = OpenLikeTheEditor(language);
        const auto rows = BuildParameterTable(*o->set, o->s->ui);
        auto r = RunProcess(TOLMARIN_CLI_PATH,
                            {"table", single, "--format", "csv", "--lang", english ? "en" : "zh"});
        ASSERT_EQ(r.exitCode, 0) << r.err;
        const auto lines = Lines(r.out);
        ASSERT_EQ(lines.size(), 66u);
        EXPECT_EQ(lines[0], english ? "PARAM,CH1,CH2" : "参数,CH1,CH2");
        for (int i = 0; i < 65; ++i) {
            EXPECT_EQ(lines[i + 1], rows[i].label + "," + rows[i].cells[0] + "," + rows[i].cells[1])
                << "row " << i;
        }
    }
}

TEST_F(CliOnAFile, TableShowsTheStartUpAdjustmentsAndPicksTheSlot) {
    auto r = RunProcess(TOLMARIN_CLI_PATH, {"table", all, "--program", "7", "--format", "csv"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const auto lines = Lines(r.out);
    ASSERT_EQ(lines.size(), 66u);
    EXPECT_EQ(lines[1], "Mute,On,OFF");
    EXPECT_EQ(lines[2], "Delay,10.000ms,0.000ms");
    EXPECT_EQ(lines[3], "CHA,On,Off");  // stereo: CH2 is fed from input 2 whatever the file said
    EXPECT_EQ(lines[4], "CHB,Off,On");
    EXPECT_EQ(lines[56], "HPF_Freq,80Hz,20Hz");
    EXPECT_EQ(lines[65], "Release,Atk × 8,Atk × 2");

    auto empty = RunProcess(TOLMARIN_CLI_PATH, {"table", all, "--program", "2", "--format", "csv"});
    ASSERT_EQ(empty.exitCode, 0);
    EXPECT_NE(Lines(empty.out)[1], lines[1]);
    EXPECT_EQ(RunProcess(TOLMARIN_CLI_PATH, {"table", all, "--program", "21"}).exitCode, 1);
}

TEST_F(CliOnAFile, ResponseMatchesTheChannelCurveOfTheModel) {
    auto o = OpenLikeTheEditor(Language::English);
    const GridResponse db = o->set->Channel(0).Eq().SummedResponse();
    auto r = RunProcess(TOLMARIN_CLI_PATH, {"response", single, "--format", "csv"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const auto lines = Lines(r.out);
    ASSERT_EQ(lines.size(), 242u);
    EXPECT_EQ(lines[0], "freq_hz,db");
    for (int i = 0; i < kGridSize; ++i) {
        double hz = 0;
        double value = 0;
        ASSERT_EQ(std::sscanf(lines[i + 1].c_str(), "%lf,%lf", &hz, &value), 2) << lines[i + 1];
        EXPECT_DOUBLE_EQ(hz, FreqTable[i]);
        EXPECT_NEAR(value, db[i], 0.0005) << "grid point " << i;
    }
    // The +6 dB band dominates at 1000 Hz (grid index 136), less the skirt of the -5 dB
    // shelf; the 80 Hz high-pass is far below at 19.7 Hz.
    EXPECT_NEAR(db[136], 6.0, 0.5);
    EXPECT_LT(db[0], -20.0);
}

TEST_F(CliOnAFile, ResponseOfAnUntouchedChannelIsFlatWithoutNegativeZeros) {
    auto r = RunProcess(TOLMARIN_CLI_PATH, {"response", single, "--channel", "3"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const auto lines = Lines(r.out);
    ASSERT_EQ(lines.size(), 241u);
    EXPECT_EQ(lines[0], "19.7         0.000");
    EXPECT_EQ(lines[240], "20000        0.000");
    EXPECT_EQ(r.out.find("-0.000"), std::string::npos);
    EXPECT_EQ(RunProcess(TOLMARIN_CLI_PATH, {"response", single, "--channel", "5"}).exitCode, 1);
}

}  // namespace
}  // namespace tolmarin
