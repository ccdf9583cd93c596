#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/stat.h>
#endif

#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "protocol/ProgramFile.h"
#include "support/FileSizeLimit.h"
#include "support/Fresh.h"
#include "support/TempDir.h"

namespace tolmarin {
namespace {

namespace fs = std::filesystem;
using testing::FreshState;

class ProgramFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        temp = std::make_unique<testing::TempDir>(
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
        dir = temp->Path();
    }

    std::string PathOf(const std::string& name) const { return (dir / name).string(); }

    static void Scramble(DeviceImage& image, unsigned seed) {
        std::mt19937 rng(seed);
        for (int n = 0; n <= kStoredPrograms; ++n) {
            for (auto& b : image.ProgramRecord(n)) {
                b = static_cast<std::uint8_t>(rng());
            }
        }
    }

    static std::vector<std::uint8_t> Slurp(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }

    std::unique_ptr<testing::TempDir> temp;
    fs::path dir;
};

TEST_F(ProgramFileTest, SingleFileIsTheLiveRecordByteForByte) {
    FreshState s;
    Scramble(s->image, 1);
    const std::string path = PathOf(WithExtension("live", kSingleProgramExtension));
    ASSERT_EQ(WriteSingleProgramFile(s->image, path), FileStatus::Ok);
    const auto bytes = Slurp(path);
    ASSERT_EQ(bytes.size(), 656u);
    const auto live = s->image.ProgramRecord(0);
    EXPECT_TRUE(std::equal(bytes.begin(), bytes.end(), live.begin()));
    const auto ch1 = s->image.ChannelBlock(0, 0);
    EXPECT_TRUE(std::equal(bytes.begin() + 16, bytes.begin() + 176, ch1.begin()));
    EXPECT_FALSE(fs::exists(path + ".part"));
}

TEST_F(ProgramFileTest, AllProgramsFileHoldsSlotsOneToTwentyInOrder) {
    FreshState s;
    Scramble(s->image, 2);
    const std::string path = PathOf("all.ALLData12File");
    ASSERT_EQ(WriteAllProgramsFile(s->image, path), FileStatus::Ok);
    const auto bytes = Slurp(path);
    ASSERT_EQ(bytes.size(), 13120u);
    for (int n = 1; n <= 20; ++n) {
        const auto rec = s->image.ProgramRecord(n);
        EXPECT_TRUE(std::equal(rec.begin(), rec.end(), bytes.begin() + (n - 1) * 656)) << n;
    }
}

TEST_F(ProgramFileTest, ReadBackRestoresExactlyTheAddressedPrograms) {
    FreshState writer;
    Scramble(writer->image, 3);
    ASSERT_EQ(WriteSingleProgramFile(writer->image, PathOf("a.Data12File")), FileStatus::Ok);
    ASSERT_EQ(WriteAllProgramsFile(writer->image, PathOf("a.ALLData12File")), FileStatus::Ok);

    FreshState reader;
    Scramble(reader->image, 4);
    const DeviceImage before = reader->image;
    ASSERT_EQ(ReadSingleProgramFile(reader->image, PathOf("a.Data12File")), FileStatus::Ok);
    EXPECT_TRUE(std::ranges::equal(reader->image.ProgramRecord(0), writer->image.ProgramRecord(0)));
    EXPECT_TRUE(std::ranges::equal(reader->image.ProgramRecord(5), before.ProgramRecord(5)));

    ASSERT_EQ(ReadAllProgramsFile(reader->image, PathOf("a.ALLData12File")), FileStatus::Ok);
    for (int n = 1; n <= 20; ++n) {
        EXPECT_TRUE(
            std::ranges::equal(reader->image.ProgramRecord(n), writer->image.ProgramRecord(n)));
    }
    // The live program is not part of an all-programs file.
    EXPECT_TRUE(std::ranges::equal(reader->image.ProgramRecord(0), writer->image.ProgramRecord(0)));
}

// A short or long file must not overwrite the beginning of the image.
TEST_F(ProgramFileTest, FileOfTheWrongSizeIsRefusedAndTheImageStaysUnchanged) {
    FreshState s;
    Scramble(s->image, 5);
    const DeviceImage before = s->image;
    for (std::size_t size : {0u, 1u, 655u, 657u, 13119u, 13121u}) {
        const std::string path = PathOf("odd.Data12File");
        std::ofstream(path, std::ios::binary | std::ios::trunc) << std::string(size, '\x11');
        EXPECT_EQ(ReadSingleProgramFile(s->image, path), FileStatus::WrongSize) << size;
        EXPECT_EQ(ReadAllProgramsFile(s->image, path), FileStatus::WrongSize) << size;
    }
    // An all-programs file is not a single-program file and vice versa.
    ASSERT_EQ(WriteAllProgramsFile(s->image, PathOf("x.ALLData12File")), FileStatus::Ok);
    EXPECT_EQ(ReadSingleProgramFile(s->image, PathOf("x.ALLData12File")), FileStatus::WrongSize);
    for (int n = 0; n <= 20; ++n) {
        EXPECT_TRUE(std::ranges::equal(s->image.ProgramRecord(n), before.ProgramRecord(n))) << n;
    }
    EXPECT_EQ(ReadSingleProgramFile(s->image, PathOf("missing.Data12File")),
              FileStatus::OpenFailed);
}

// A folder, a device or a pipe is refused before it is opened (a pipe would block, a device
// never end), and nothing larger than a program file is read into memory.
TEST_F(ProgramFileTest, AnythingButARegularFileIsRefusedUnread) {
    FreshState s;
    Scramble(s->image, 8);
    const DeviceImage before = s->image;
    std::vector<std::string> paths{dir.string()};
#ifndef _WIN32
    // Windows has neither named pipes in the file system nor /dev: the folder stands alone.
    const std::string fifo = PathOf("pipe.Data12File");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    paths.push_back("/dev/zero");
    paths.push_back(fifo);
#endif
    std::string bytes;
    for (const std::string& path : paths) {
        EXPECT_EQ(ReadSingleProgramFile(s->image, path), FileStatus::NotAFile) << path;
        EXPECT_EQ(ReadAllProgramsFile(s->image, path), FileStatus::NotAFile) << path;
        EXPECT_EQ(ReadFileBytes(path, bytes), FileStatus::NotAFile) << path;
    }
    std::ofstream(PathOf("big"), std::ios::binary) << std::string(kAllProgramsFileSize + 1, 'x');
    EXPECT_EQ(ReadFileBytes(PathOf("big"), bytes), FileStatus::WrongSize);
    EXPECT_TRUE(bytes.empty());
    for (int n = 0; n <= 20; ++n) {
        EXPECT_TRUE(std::ranges::equal(s->image.ProgramRecord(n), before.ProgramRecord(n))) << n;
    }
}

// A generous limit (the WAV reader allows 256 MiB) must not cost its size for a small file.
TEST_F(ProgramFileTest, ASmallFileUnderALargeLimitTakesOnlyItsOwnSize) {
    struct Row {
        std::size_t fileSize;
        std::uintmax_t limit;
        FileStatus expected;
    };
    const Row rows[] = {
        {0, std::uintmax_t{1} << 28, FileStatus::Ok},
        {100, std::uintmax_t{1} << 28, FileStatus::Ok},
        {200'000, std::uintmax_t{1} << 28, FileStatus::Ok},
        {100, 100, FileStatus::Ok},
        {101, 100, FileStatus::WrongSize},
    };
    for (const Row& r : rows) {
        std::string content(r.fileSize, '\0');
        for (std::size_t i = 0; i < content.size(); ++i) {
            content[i] = static_cast<char>(i * 7);
        }
        const std::string path = PathOf("sized");
        std::ofstream(path, std::ios::binary | std::ios::trunc) << content;
        std::string bytes;
        EXPECT_EQ(ReadFileBytes(path, bytes, r.limit), r.expected) << r.fileSize;
        if (r.expected == FileStatus::Ok) {
            EXPECT_EQ(bytes, content) << r.fileSize;
            EXPECT_LT(bytes.capacity(), r.fileSize + (std::size_t{1} << 20)) << r.fileSize;
        }
    }
}

TEST_F(ProgramFileTest, FailedWriteLeavesTheEarlierFileAndNoTemporary) {
    FreshState s;
    Scramble(s->image, 6);
    const std::string path = PathOf("keep.Data12File");
    ASSERT_EQ(WriteSingleProgramFile(s->image, path), FileStatus::Ok);
    const auto original = Slurp(path);
    Scramble(s->image, 7);
#ifndef _WIN32
    // A file size limit below one record makes the write itself fail half-way.
    FileWriteResult why;
    const FileStatus st = [&] {
        testing::FileSizeLimit limit(100);
        EXPECT_TRUE(limit.Set());
        return WriteSingleProgramFile(s->image, path, Overwrite::Replace, &why);
    }();
    EXPECT_EQ(st, FileStatus::WriteFailed);
    EXPECT_FALSE(why.systemText.empty());
    EXPECT_EQ(Slurp(path), original);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1)
        << "the temporary was left behind";
#endif
    FileWriteResult missing;
    EXPECT_EQ(WriteSingleProgramFile(s->image, PathOf("no/such/dir/x.Data12File"),
                                     Overwrite::Replace, &missing),
              FileStatus::WriteFailed);
    EXPECT_EQ(missing.fault, FileFault::NoFolder);
}

#ifndef _WIN32
// A link planted at the old fixed temporary name, or at the target itself, must never lead
// the write to another file; and Keep leaves whatever stands at the target.
TEST_F(ProgramFileTest, SymbolicLinksAreNeverWrittenThrough) {
    FreshState s;
    Scramble(s->image, 8);
    const std::string victim = PathOf("victim");
    std::ofstream(victim) << "unrelated";
    const std::string out = PathOf("out.Data12File");
    fs::create_symlink(victim, out + ".part");
    ASSERT_EQ(WriteSingleProgramFile(s->image, out, Overwrite::Keep), FileStatus::Ok);
    EXPECT_EQ(Slurp(out).size(), 656u);

    const std::string linked = PathOf("linked.Data12File");
    fs::create_symlink(victim, linked);
    EXPECT_EQ(WriteSingleProgramFile(s->image, linked, Overwrite::Keep), FileStatus::Exists);
    fs::create_symlink(PathOf("nowhere"), PathOf("dangling.Data12File"));
    EXPECT_EQ(WriteSingleProgramFile(s->image, PathOf("dangling.Data12File"), Overwrite::Keep),
              FileStatus::Exists);
    EXPECT_FALSE(fs::exists(PathOf("nowhere")));
    // Replacing puts a file where the link was; the file it pointed at is untouched.
    ASSERT_EQ(WriteSingleProgramFile(s->image, linked, Overwrite::Replace), FileStatus::Ok);
    EXPECT_FALSE(fs::is_symlink(linked));
    EXPECT_EQ(Slurp(victim),
              std::vector<std::uint8_t>({'u', 'n', 'r', 'e', 'l', 'a', 't', 'e', 'd'}));
}
#endif

TEST(ProgramFileNames, ExtensionIsAppendedOnceAndMatchedCaseSensitively) {
    EXPECT_EQ(WithExtension("live", kSingleProgramExtension), "live.Data12File");
    EXPECT_EQ(WithExtension("live.Data12File", kSingleProgramExtension), "live.Data12File");
    EXPECT_EQ(WithExtension("all", kAllProgramsExtension), "all.ALLData12File");
    EXPECT_FALSE(NamesExtension("set.data12file", kSingleProgramExtension));
    EXPECT_TRUE(NamesExtension("x.ALLData12File", kAllProgramsExtension));
    EXPECT_EQ(KindOfFileSize(656), ProgramFileKind::Single);
    EXPECT_EQ(KindOfFileSize(13120), ProgramFileKind::AllPrograms);
    EXPECT_EQ(KindOfFileSize(655), ProgramFileKind::Unknown);
}

}  // namespace
}  // namespace tolmarin
