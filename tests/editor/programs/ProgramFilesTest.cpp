#include <algorithm>
#include <filesystem>

#include "ProgramsFixture.h"
#include "protocol/ProgramFile.h"
#include "support/FileSizeLimit.h"

namespace tolmarin::testing {
namespace {

using Files = ProgramsFixture;

TEST_F(Files, SavedSingleFileIsTheNameThenCh1BlockOfTheLiveProgramIn656Bytes) {
    StoreProgramName(s.ui, s.image.Name(0), "Lobby");
    channels.Channel(0).SetDelay(321);
    chooser.answer = Path("live");
    EXPECT_TRUE(files.SaveProgramFile());

    ASSERT_EQ(chooser.requests.size(), 1u);
    EXPECT_EQ(chooser.requests[0].kind, FileRequest::Kind::Save);
    EXPECT_EQ(chooser.requests[0].folder, Path("MusicFile"));
    EXPECT_EQ(chooser.requests[0].filter, "*.Data12File");
    const auto bytes = FileBytes(Path("live.Data12File"));
    ASSERT_EQ(bytes.size(), 656u);
    const auto name = s.image.Name(0);
    EXPECT_TRUE(std::equal(name.begin(), name.end(), bytes.begin()));
    const auto ch1 = s.image.ChannelBlock(0, 0);
    EXPECT_TRUE(std::equal(ch1.begin(), ch1.end(), bytes.begin() + 16));
    EXPECT_EQ(bytes[16 + block::kDelay], 321 & 0xFF);  // the records were written first
}

TEST_F(Files, SaveLoadSaveGivesIdenticalFiles) {
    // As after any load: the records' values, with the input gains of the sensitivities.
    channels.WriteAllToImage();
    channels.LoadAllFromImage();
    channels.Channel(1).Band(2).SetGainStep(260);
    ASSERT_TRUE(files.SaveProgramFileTo(Path("a.Data12File")));
    channels.Channel(1).Band(2).SetGainStep(100);
    ASSERT_TRUE(files.OpenProgramFile(Path("a.Data12File")));
    EXPECT_EQ(channels.Channel(1).Band(2).GetGainStep(), 260);
    ASSERT_TRUE(files.SaveProgramFileTo(Path("b.Data12File")));
    EXPECT_EQ(FileBytes(Path("a.Data12File")), FileBytes(Path("b.Data12File")));
    EXPECT_TRUE(fresh.sink.messages.empty());
}

TEST_F(Files, LoadedProgramGetsStereoRoutingAndDropsTheChannelLink) {
    ASSERT_TRUE(files.SaveProgramFileTo(Path("p.Data12File")));
    auto bytes = FileBytes(Path("p.Data12File"));
    bytes[176 + block::kInputRoute] = 1;  // CH2 on input A, as a parallel program has it
    WriteBytes(Path("p.Data12File"), bytes);
    channels.LinkCh1Ch2(false, nullptr);
    chooser.answer = Path("p.Data12File");

    ASSERT_TRUE(files.LoadProgramFile());
    EXPECT_EQ(channels.Channel(1).GetInputRoute(), 2);
    EXPECT_FALSE(channels.Ch1Ch2Linked());
    EXPECT_EQ(view.checkBoxCleared, 1);
    EXPECT_EQ(view.statesShown, 1);
}

TEST_F(Files, AllProgramsGoToAFileOf13120BytesAndThePendingPathIsThenForgotten) {
    StoreProgramName(s.ui, s.image.Name(20), "Last");
    chooser.answer = Path("all");
    ASSERT_TRUE(files.ChooseAllProgramsFile());
    EXPECT_EQ(files.PendingAllProgramsPath(), Path("all.ALLData12File"));
    ASSERT_TRUE(files.WriteAllProgramsFile());
    const auto bytes = FileBytes(Path("all.ALLData12File"));
    ASSERT_EQ(bytes.size(), 13120u);
    EXPECT_EQ(std::string(bytes.begin() + 19 * 656, bytes.begin() + 19 * 656 + 4), "Last");
    EXPECT_TRUE(files.PendingAllProgramsPath().empty());
}

TEST_F(Files, CancelledChoosersDoNothingAndSayNothing) {
    EXPECT_FALSE(files.SaveProgramFile());
    EXPECT_FALSE(files.LoadProgramFile());
    EXPECT_FALSE(files.ChooseAllProgramsFile());
    EXPECT_FALSE(files.LoadAllProgramsFile());
    EXPECT_FALSE(files.SaveAllProgramsToPc());
    EXPECT_TRUE(fresh.sink.messages.empty());
    EXPECT_EQ(view.statesShown, 0);
}

// Every refused load says why, naming the file, and neither the image nor the records change.
TEST_F(Files, RefusedSingleFilesSayWhyWithTheImageUnchanged) {
    ASSERT_TRUE(files.SaveProgramFileTo(Path("good.Data12File")));
    const auto good = FileBytes(Path("good.Data12File"));
    std::filesystem::copy_file(Path("good.Data12File"), Path("set.data12file"));
    auto shorter = good;
    shorter.pop_back();
    WriteBytes(Path("short.Data12File"), shorter);
    auto longer = good;
    longer.push_back(0);
    WriteBytes(Path("long.Data12File"), longer);
    WriteBytes(Path("all.Data12File"), std::vector<std::uint8_t>(13120, 0));
    std::filesystem::create_directory(Path("folder.Data12File"));
    auto impossible = good;
    impossible[176 + block::kDelay] = 0xFF;  // CH2: a delay step far past the last one
    impossible[176 + block::kDelay + 1] = 0x7F;
    WriteBytes(Path("impossible.Data12File"), impossible);

    channels.Channel(0).SetDelay(100);
    channels.WriteAllToImage();
    const DeviceImage before = s.image;
    const struct {
        const char* name;
        const char* reason;
    } cases[] = {
        {"set.data12file", "The name set.data12file does not contain .Data12File."},
        {"short.Data12File", "short.Data12File has 655 bytes where 656 were expected."},
        {"long.Data12File", "long.Data12File has 657 bytes where 656 were expected."},
        {"all.Data12File",
         "all.Data12File has 13,120 bytes where 656 were expected. It holds all twenty "
         "programs: open it with \"Recall all program from PC\"."},
        {"folder.Data12File", "folder.Data12File is not a regular file (a folder or a device)."},
        {"impossible.Data12File",
         "impossible.Data12File holds a value the amplifier cannot "
         "take: CH2 delay step 32767 (0..1467)."},
        {"missing.Data12File", "missing.Data12File does not exist."},
    };
    for (const auto& c : cases) {
        fresh.sink.messages.clear();
        chooser.answer = Path(c.name);
        EXPECT_FALSE(files.LoadProgramFile()) << c.name;
        EXPECT_EQ(fresh.sink.messages,
                  std::vector<std::string>{std::string("Read MusicFile  Error!\n") + c.reason});
        EXPECT_TRUE(std::ranges::equal(s.image.ProgramRecord(0), before.ProgramRecord(0)))
            << c.name;
        EXPECT_EQ(channels.Channel(0).GetDelay(), 100) << c.name;
    }
    EXPECT_EQ(view.statesShown, 0);

    fresh.sink.messages.clear();
    s.ui.language = Language::Chinese;
    EXPECT_FALSE(files.OpenProgramFile(Path("short.Data12File")));
    EXPECT_EQ(fresh.sink.messages,
              std::vector<std::string>{
                  "读音乐文件错误!\nshort.Data12File 大小为 655 字节, 应为 656 字节。"});
}

TEST_F(Files, RefusedAllProgramsFilesSayWhyWithTheStoredProgramsUnchanged) {
    StoreValidPrograms();
    ASSERT_TRUE(files.WriteAllProgramsFile(Path("all.ALLData12File")));
    auto shorter = FileBytes(Path("all.ALLData12File"));
    shorter.resize(13119);
    WriteBytes(Path("short.ALLData12File"), shorter);
    WriteBytes(Path("one.ALLData12File"), std::vector<std::uint8_t>(656, 0));
    auto impossible = FileBytes(Path("all.ALLData12File"));
    impossible[19 * 656 + 16 + block::kLimitRelease] = 9;  // program 20: no such release
    WriteBytes(Path("impossible.ALLData12File"), impossible);
    StoreProgramName(s.ui, s.image.Name(4), "Kept");
    const DeviceImage before = s.image;
    const struct {
        const char* name;
        const char* reason;
    } cases[] = {
        {"short.ALLData12File", "short.ALLData12File has 13,119 bytes where 13,120 were expected."},
        {"one.ALLData12File",
         "one.ALLData12File has 656 bytes where 13,120 were expected. It "
         "holds one program: open it with \"Recall program from PC\"."},
        {"all.allData12File", "The name all.allData12File does not contain .ALLData12File."},
        {"impossible.ALLData12File",
         "impossible.ALLData12File, program 20, holds a value the "
         "amplifier cannot take: CH1 limiter release 9 (0..5)."},
    };
    for (const auto& c : cases) {
        fresh.sink.messages.clear();
        chooser.answer = Path(c.name);
        EXPECT_FALSE(files.LoadAllProgramsFile()) << c.name;
        EXPECT_EQ(fresh.sink.messages,
                  std::vector<std::string>{std::string("Read all MusicFile Error!\n") + c.reason});
        EXPECT_TRUE(std::ranges::equal(s.image.Name(4), before.Name(4))) << c.name;
    }
}

TEST_F(Files, FailedSaveSaysSoKeepsTheEarlierFileAndCountsAsChosen) {
    ASSERT_TRUE(files.SaveProgramFileTo(Path("keep.Data12File")));
    const auto earlier = FileBytes(Path("keep.Data12File"));
    // A file size limit below one program makes the write fail half-way.
    channels.Channel(0).SetDelay(400);
    chooser.answer = Path("keep.Data12File");
    s.ui.language = Language::Chinese;
    {
        FileSizeLimit limit(100);
        ASSERT_TRUE(limit.Set());
        EXPECT_TRUE(files.SaveProgramFile());
    }
    // The message, then the system's reason.
    ASSERT_EQ(fresh.sink.messages.size(), 1u);
    EXPECT_TRUE(fresh.sink.messages[0].starts_with("保存音乐文件错误! ")) << fresh.sink.messages[0];
    EXPECT_EQ(FileBytes(Path("keep.Data12File")), earlier);
}

TEST_F(Files, WithoutALinkTheBatchTransfersAskForOne) {
    StoreValidPrograms();
    ASSERT_TRUE(files.WriteAllProgramsFile(Path("x.ALLData12File")));
    chooser.answer = Path("x.ALLData12File");
    EXPECT_TRUE(files.LoadAllProgramsFile());
    chooser.answer = Path("y");
    EXPECT_TRUE(files.SaveAllProgramsToPc());
    EXPECT_EQ(fresh.sink.messages, (std::vector<std::string>{"Please Link!", "Please Link!"}));
}

}  // namespace
}  // namespace tolmarin::testing
