#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>

#include "CliOffline.h"
#include "model/ChannelSet.h"
#include "protocol/ProgramFile.h"
#include "support/Fresh.h"
#include "support/RunProcess.h"
#include "support/TempDir.h"

namespace tolmarin {
namespace {

namespace fs = std::filesystem;
using testing::RunProcess;

// Nothing listens on port 1: a command that got as far as linking would say "connection
// refused", so every refusal below happened before the link was tried.
constexpr const char* kNowhere = "tcp:127.0.0.1:1";

class CliFileFaults : public ::testing::Test {
protected:
    void SetUp() override {
        temp = std::make_unique<testing::TempDir>(
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    }
    std::string PathOf(const std::string& name) const { return temp->PathOf(name); }
    void Write(const std::string& name, const std::string& bytes) const {
        std::ofstream(PathOf(name), std::ios::binary) << bytes;
    }
    std::unique_ptr<testing::TempDir> temp;
};

TEST_F(CliFileFaults, PullRefusesABadOutputPathBeforeLinking) {
    Write("taken.Data12File", "keep me");
    fs::create_directory(PathOf("locked"));
    fs::permissions(PathOf("locked"), fs::perms::owner_read | fs::perms::owner_exec);
    const std::pair<std::string, std::string> cases[] = {
        {PathOf("x.Data12File.txt"), "must end in .Data12File or .ALLData12File"},
        {PathOf("missing/x.Data12File"), "the folder does not exist"},
        {PathOf("taken.Data12File"), "exists; give --force to replace it"},
        {PathOf("locked/x.ALLData12File"), "the folder is not writable"},
    };
    for (const auto& [out, expected] : cases) {
        if (out.find("locked") != std::string::npos && ::geteuid() == 0) {
            continue;  // permissions do not bind the superuser
        }
        const auto r = RunProcess(TOLMARIN_CLI_PATH, {"pull", "--connect", kNowhere, out});
        EXPECT_NE(r.exitCode, 0) << out;
        EXPECT_NE(r.err.find(expected), std::string::npos) << out << " gave: " << r.err;
        EXPECT_EQ(r.err.find("refused"), std::string::npos) << "linked before checking " << out;
    }
    fs::permissions(PathOf("locked"), fs::perms::owner_all);
    std::ifstream kept(PathOf("taken.Data12File"));
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(kept), {}), "keep me");
    // With --force the path is fine and the command goes on to link.
    const auto forced = RunProcess(
        TOLMARIN_CLI_PATH, {"pull", "--force", "--connect", kNowhere, PathOf("taken.Data12File")});
    EXPECT_NE(forced.err.find("refused"), std::string::npos) << forced.err;
}

TEST_F(CliFileFaults, PushRefusesAFileOfTheWrongKindOrThatFailsTheProgramCheck) {
    testing::FreshState s;
    ChannelSet set(*s);
    set.WriteAllToImage();
    const std::string good(s->image.ProgramRecord(0).begin(), s->image.ProgramRecord(0).end());
    Write("all.Data12File", std::string(kAllProgramsFileSize, '\0'));
    Write("one.ALLData12File", good);
    std::string noise(kSingleProgramFileSize, '\0');
    for (std::size_t i = 0; i < noise.size(); ++i) {
        noise[i] = static_cast<char>((i * 7919u + 13u) % 251u);
    }
    Write("noise.Data12File", noise);
    Write("good.txt", good);
    fs::create_directory(PathOf("folder.Data12File"));
    const std::pair<std::string, std::string> cases[] = {
        {"all.Data12File", "the name says one program (656 bytes) but the file holds all programs"},
        {"one.ALLData12File", "the name says all programs (13120 bytes) but the file holds one"},
        {"noise.Data12File", "program name character 1 13 (32..127); give --force"},
        {"good.txt", "must end in .Data12File or .ALLData12File"},
        {"folder.Data12File", "Read MusicFile  Error!"},
    };
    for (const auto& [name, expected] : cases) {
        const auto r = RunProcess(TOLMARIN_CLI_PATH, {"push", "--connect", kNowhere, PathOf(name)});
        EXPECT_NE(r.exitCode, 0) << name;
        EXPECT_NE(r.err.find(expected), std::string::npos) << name << " gave: " << r.err;
        EXPECT_EQ(r.err.find("refused"), std::string::npos) << "linked before checking " << name;
    }
    const auto forced = RunProcess(
        TOLMARIN_CLI_PATH, {"push", "--force", "--connect", kNowhere, PathOf("noise.Data12File")});
    EXPECT_NE(forced.err.find("connection refused"), std::string::npos) << forced.err;
}

TEST_F(CliFileFaults, InfoEscapesNamesThatAreNotPrintable) {
    std::string bytes(kSingleProgramFileSize, '\0');
    bytes.replace(0, 8,
                  "AB\x07\xC8"
                  "CD\x1B\\");
    Write("odd.Data12File", bytes);
    std::ostringstream out;
    std::ostringstream err;
    UiState ui;
    EXPECT_EQ(cli::RunInfo(PathOf("odd.Data12File"), ui, out, err), cli::kExitDone);
    EXPECT_NE(out.str().find("name: AB\\x07\\xC8CD\\x1B\\x5C\n"), std::string::npos) << out.str();
}

}  // namespace
}  // namespace tolmarin
