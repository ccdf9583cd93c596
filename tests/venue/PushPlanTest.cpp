#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "support/TempDir.h"
#include "venue/PushPlan.h"

namespace tolmarin::venue {
namespace {

std::string Demo() {
    std::ifstream in(DEMO_PROGRAM_PATH, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// What a push is refused for is told apart before anything is linked, and a refused file
// carries no bytes anyone could send by mistake.
TEST(PushPlan, EachRefusalIsToldApartAndOnlyASoundFileCarriesItsBytes) {
    tolmarin::testing::TempDir dir("push");
    const std::string one = Demo();
    ASSERT_EQ(one.size(), static_cast<std::size_t>(kSingleProgramFileSize));
    std::string all;
    for (int n = 0; n < kStoredPrograms; ++n) {
        all += one;
    }
    std::string badThird = all;
    badThird[2 * kProgramRecordSize] = '\x01';  // a control byte in program 3's name
    const auto write = [&](const std::string& name, const std::string& bytes) {
        std::ofstream(dir.PathOf(name), std::ios::binary) << bytes;
        return dir.PathOf(name);
    };
    struct Case {
        std::string path;
        bool force;
        PushRefusal refusal;
        ProgramFileKind kind;
        int program;
    };
    const Case cases[] = {
        {write("a.txt", one), false, PushRefusal::UnknownExtension, ProgramFileKind::Unknown, 0},
        {dir.PathOf("missing.Data12File"), false, PushRefusal::Unreadable, ProgramFileKind::Unknown,
         0},
        {write("all.Data12File", all), false, PushRefusal::KindMismatch,
         ProgramFileKind::AllPrograms, 0},
        {write("bad.ALLData12File", badThird), false, PushRefusal::ProgramRejected,
         ProgramFileKind::AllPrograms, 3},
        {dir.PathOf("bad.ALLData12File"), true, PushRefusal::None, ProgramFileKind::AllPrograms, 0},
        {write("one.Data12File", one), false, PushRefusal::None, ProgramFileKind::Single, 0},
    };
    for (const Case& c : cases) {
        const PushPlan plan = PreparePush(c.path, c.force);
        EXPECT_EQ(plan.refusal, c.refusal) << c.path;
        EXPECT_EQ(plan.kind, c.kind) << c.path;
        EXPECT_EQ(plan.program, c.program) << c.path;
        EXPECT_EQ(plan.fault.has_value(), c.refusal == PushRefusal::ProgramRejected) << c.path;
        if (c.refusal == PushRefusal::None) {
            EXPECT_EQ(plan.bytes.size(), plan.size) << c.path;
        }
    }
}

}  // namespace
}  // namespace tolmarin::venue
