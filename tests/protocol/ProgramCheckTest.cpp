#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "model/ChannelSet.h"
#include "model/ProgramCheck.h"
#include "protocol/ByteOrder.h"
#include "protocol/ProgramFile.h"
#include "response/FilterMath.h"
#include "support/Fresh.h"
#include "support/RandomProgram.h"
#include "support/TempDir.h"

namespace tolmarin {
namespace {

using testing::FreshState;

// Everything the form can do to a program, at random: every field through its setter with
// values from the form's ranges and lists, amplifier mode and sensitivity changes, linked
// channels, edits made linked and unlinked (stepped crossover frequencies included).
void EditAtRandom(SharedState& s, ChannelSet& set, std::mt19937& rng) {
    testing::Picker pick(rng);
    set.SetSending(pick(0, 1) == 1);
    s.image.systemBytes[0] = static_cast<std::uint8_t>(pick(0, 2));
    s.image.systemBytes[1] = static_cast<std::uint8_t>(pick(0, 2));
    s.image.systemBytes[2] = static_cast<std::uint8_t>(pick(0, 2));
    s.image.systemBytes[3] = static_cast<std::uint8_t>(pick(0, 2));
    if (pick(0, 1) == 1) {
        set.LinkCh1Ch2(false, nullptr);
    }
    static const std::string kNameChars = "ABCXYZabcxyz0129";
    for (int c = 0; c < 4; ++c) {
        OutputChannel& ch = set.Channel(c);
        std::string name;
        for (int i = pick(0, 7); i > 0; --i) {
            name += kNameChars[static_cast<std::size_t>(pick(0, 15))];
        }
        ch.SetName(name);
        testing::RandomLevels(ch, pick);
        ch.SetInputGain(static_cast<std::int16_t>(std::vector{600, 578, 549}[pick(0, 2)]));
        for (int b = 0; b < 8; ++b) {
            Filter& band = ch.Band(b);
            testing::RandomBand(band, pick, [&pick] { return pick(20, 20000); });
            band.SetBypass(pick(0, 1) == 1);
            band.SetEqKind(pick(0, 4));  // a kind changed after the frequency was set
        }
        for (Filter* f : {&ch.HighPass(), &ch.LowPass()}) {
            f->SetFreq(pick(20, 20000), true);
            f->SetFamily(pick(0, 2), true);
            f->SetSlope(pick(0, 3), true);
        }
    }
    if (pick(0, 1) == 1) {
        set.WriteAllToImage();
        set.LoadAllFromImage();  // a mode change re-derives routing from the live program
    }
}

// Catches a check stricter than the editor: every program the editor saves must pass, or
// the tool and the file loading would refuse the editor's own files.
TEST(CheckProgram, EveryRandomlyEditedProgramTheEditorSavesPasses) {
    testing::TempDir dir("check");
    std::mt19937 rng(2026);
    for (int round = 0; round < 200; ++round) {
        FreshState s;
        ChannelSet set(*s);
        EditAtRandom(*s, set, rng);
        ASSERT_TRUE(StoreProgramName(s->ui, s->image.Name(0), "Room " + std::to_string(round)));
        set.WriteAllToImage();
        const std::string path = dir.PathOf("p.Data12File");
        ASSERT_EQ(WriteSingleProgramFile(s->image, path), FileStatus::Ok);
        FreshState reader;
        ASSERT_EQ(ReadSingleProgramFile(reader->image, path), FileStatus::Ok);
        const auto fault = CheckProgram(reader->image.ProgramRecord(0));
        ASSERT_FALSE(fault) << "round " << round << ": "
                            << DescribeFault(*fault, Language::English);
    }
}

// Catches a field left unchecked: one bad value in each place is found and named.
TEST(CheckProgram, TheFirstBadFieldIsNamedWithItsRange) {
    FreshState s;
    ChannelSet set(*s);
    set.WriteAllToImage();
    ASSERT_FALSE(CheckProgram(s->image.ProgramRecord(0)));
    struct Case {
        int ch, at, value;
        bool wide;
        const char* english;
    };
    const int band3 = block::kBands + 2 * block::kBandRecordSize;
    const Case cases[] = {
        {1, band3 + 2, 512, true, "CH2 band 3 gain step 512 (0..400)"},
        {0, band3, 18, true, "CH1 band 3 frequency 18 (19..20000)"},
        {3, band3 + 4, 60, true, "CH4 band 3 bandwidth step 60 (0..59)"},
        {0, band3 + 6, 2, false, "CH1 band 3 slope 2 (0..1)"},
        {0, band3 + 7, 3, false, "CH1 band 3 type 3 (0..2)"},
        {2, block::kDelay, 1468, true, "CH3 delay step 1468 (0..1467)"},
        {0, block::kOutputOn, 2, false, "CH1 output switch 2 (0..1)"},
        {0, block::kInputRoute, 16, false, "CH1 input routing 16 (0..15)"},
        {0, block::kHighPassFreq, 20001, true, "CH1 high-pass frequency 20001 (19..20000)"},
        {0, block::kLowPassFamily, 3, false, "CH1 low-pass family 3 (0..2)"},
        {0, block::kLowPassSlope, 7, false, "CH1 low-pass slope 7 (0..6)"},
        {0, block::kLimitThreshold, -1, true, "CH1 limiter threshold step -1 (0..400)"},
        {0, block::kLimitAttack, 107, false, "CH1 limiter attack step 107 (0..106)"},
        {0, block::kLimitRelease, 6, false, "CH1 limiter release 6 (0..5)"},
        {0, block::kVolume, 601, true, "CH1 volume step 601 (0..600)"},
        {1, block::kName + 2, 7, false, "CH2 channel name character 3 7 (32..127)"},
    };
    for (const Case& c : cases) {
        FreshState copy;
        std::ranges::copy(s->image.ProgramRecord(0), copy->image.ProgramRecord(0).begin());
        auto block = copy->image.ChannelBlock(0, c.ch);
        if (c.wide) {
            WriteLeI16(block, static_cast<std::size_t>(c.at), static_cast<std::int16_t>(c.value));
        } else {
            block[static_cast<std::size_t>(c.at)] = static_cast<std::uint8_t>(c.value);
        }
        const auto fault = CheckProgram(copy->image.ProgramRecord(0));
        ASSERT_TRUE(fault) << c.english;
        EXPECT_EQ(DescribeFault(*fault, Language::English), c.english);
    }
    // A shelf on the wrong side of 2000 Hz, and a name with a control character.
    auto block = s->image.ChannelBlock(0, 0);
    block[band3 + 7] = 1;
    WriteLeI16(block, band3, 2500);
    EXPECT_EQ(DescribeFault(*CheckProgram(s->image.ProgramRecord(0)), Language::English),
              "CH1 band 3 frequency 2500 (19..2000)");
    s->image.Name(0)[0] = 0x07;
    EXPECT_EQ(DescribeFault(*CheckProgram(s->image.ProgramRecord(0)), Language::Chinese),
              "节目名称字符 1 7 (32..127)");
}

}  // namespace
}  // namespace tolmarin
