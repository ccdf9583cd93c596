#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>

#include "CliOffline.h"
#include "protocol/ProgramFile.h"
#include "support/Fresh.h"
#include "support/RunProcess.h"
#include "support/TempDir.h"

namespace tolmarin {
namespace {

namespace fs = std::filesystem;
using testing::FreshState;
using testing::RunProcess;

class CliFiles : public ::testing::Test {
protected:
    void SetUp() override {
        temp = std::make_unique<testing::TempDir>(
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
        dir = temp->Path();
    }
    std::string PathOf(const std::string& name) const { return (dir / name).string(); }
    std::unique_ptr<testing::TempDir> temp;
    fs::path dir;
};

TEST_F(CliFiles, InfoNamesTheKindSizeAndPrograms) {
    FreshState s;
    ASSERT_TRUE(StoreProgramName(s->ui, s->image.Name(0), "Lobby"));
    ASSERT_TRUE(StoreProgramName(s->ui, s->image.Name(1), "Room A"));
    ASSERT_TRUE(StoreProgramName(s->ui, s->image.Name(20), "Last"));
    ASSERT_EQ(WriteSingleProgramFile(s->image, PathOf("one.Data12File")), FileStatus::Ok);
    ASSERT_EQ(WriteAllProgramsFile(s->image, PathOf("all.ALLData12File")), FileStatus::Ok);

    auto one = RunProcess(TOLMARIN_CLI_PATH, {"info", PathOf("one.Data12File")});
    EXPECT_EQ(one.exitCode, 0) << one.err;
    EXPECT_EQ(one.out, "kind: single program\nsize: 656\nname: Lobby\n");

    auto all = RunProcess(TOLMARIN_CLI_PATH, {"info", PathOf("all.ALLData12File")});
    EXPECT_EQ(all.exitCode, 0) << all.err;
    EXPECT_NE(all.out.find("kind: all programs\nsize: 13120\nprogram 1: Room A\nprogram 2: \n"),
              std::string::npos)
        << all.out;
    EXPECT_NE(all.out.find("program 20: Last\n"), std::string::npos);
}

TEST_F(CliFiles, BadFileAndBadUsageGiveTheirExitCodesAndLocalisedErrors) {
    std::ofstream(PathOf("short.Data12File"), std::ios::binary) << std::string(100, 'x');
    auto bad = RunProcess(TOLMARIN_CLI_PATH, {"info", PathOf("short.Data12File")});
    EXPECT_EQ(bad.exitCode, 2);
    EXPECT_TRUE(bad.out.empty());
    EXPECT_NE(bad.err.find("Not a program file"), std::string::npos) << bad.err;

    auto zh = RunProcess(TOLMARIN_CLI_PATH, {"info", PathOf("missing"), "--lang", "zh"});
    EXPECT_EQ(zh.exitCode, 2);
    EXPECT_NE(zh.err.find("无法打开文件"), std::string::npos) << zh.err;

    // A folder aborted the tool, an endless device made it grow without end.
    for (const std::string& notAFile : {dir.string(), std::string("/dev/zero")}) {
        auto refused = RunProcess(TOLMARIN_CLI_PATH, {"info", notAFile});
        EXPECT_EQ(refused.exitCode, 2) << notAFile;
        EXPECT_NE(refused.err.find("Read MusicFile  Error!"), std::string::npos) << refused.err;
    }

    EXPECT_EQ(RunProcess(TOLMARIN_CLI_PATH, {}).exitCode, 1);
    EXPECT_EQ(RunProcess(TOLMARIN_CLI_PATH, {"frobnicate"}).exitCode, 1);
    EXPECT_EQ(RunProcess(TOLMARIN_CLI_PATH, {"info", "a", "--lang", "fr"}).exitCode, 1);
    auto help = RunProcess(TOLMARIN_CLI_PATH, {"--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_NE(help.out.find("info FILE"), std::string::npos);
}

TEST(CliOffline, DisplayWidthCountsWideCharactersTwice) {
    EXPECT_EQ(cli::DisplayWidth("EQ1 Gain"), 8u);
    EXPECT_EQ(cli::DisplayWidth("均衡1增益"), 9u);
    EXPECT_EQ(cli::DisplayWidth("延  时"), 6u);
    EXPECT_EQ(cli::DisplayWidth("Atk × 8"), 7u);  // × is narrow
}

}  // namespace
}  // namespace tolmarin
