// A program file through the channel model and back: every byte the same. Each pass sets
// every parameter of every channel to a different step, so that across the passes each
// step of every range but the frequencies' (stepped through at a stride) goes through.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "model/ChannelSet.h"
#include "model/Parameters.h"
#include "protocol/ProgramFile.h"
#include "support/Fresh.h"
#include "support/TempDir.h"

namespace tolmarin {
namespace {

constexpr int kPasses = 1468;              // the delay's steps, the longest range but frequency
constexpr int kFrequencyStride = 14;       // 1468 passes of 14 Hz cross the whole range
constexpr int kFileEvery = 97;             // passes that also go through a file on disk
constexpr std::uint8_t kNoAdjustment = 3;  // a mode and a sensitivity loading leaves alone

bool SetPerChannel(const ParamDef& d) {
    return d.scope != ParamScope::System && d.offset != kNoByte && d.edit != EditKind::Text &&
           d.bit < 0;
}

int StepFor(const ParamDef& d, int pass, int shift, StepRange range) {
    const int stride = d.high - d.low > kPasses ? kFrequencyStride : 1;
    const int span = range.high - range.low + 1;
    return range.low + (pass * stride + shift) % span;
}

void FillPass(DeviceImage& image, int pass, std::mt19937& rng) {
    std::uniform_int_distribution<int> byte(0, 255);
    for (int c = 0; c < kChannelCount; ++c) {
        auto b = image.ChannelBlock(0, c);
        for (auto& x : b) {
            x = static_cast<std::uint8_t>(byte(rng));  // bytes no parameter owns stay as read
        }
        std::fill_n(b.begin(), 8, std::uint8_t{0});
        b[0] = static_cast<std::uint8_t>('A' + c);
        for (const ParamDef& d : AllParams()) {
            if (!SetPerChannel(d)) {
                continue;
            }
            for (int k = 0; k < (d.scope == ParamScope::Band ? kEqBandCount : 1); ++k) {
                StepRange range{d.low, d.high};
                if (d.id == Param::BandFreq) {
                    range = BandFreqRange(ReadParam(b, ParamOf(Param::BandType), k));
                }
                WriteParam(b, d, StepFor(d, pass, c * 7 + k * 3 + static_cast<int>(d.id), range),
                           k);
            }
        }
    }
    image.systemBytes.fill(kNoAdjustment);
}

// Catches any value the model converts on its way through (a gain step rounded, a crossover
// frequency taken as sent, a shelf moved, a spare byte cleared): the file the editor writes
// after reading a program is the file it read.
TEST(ProgramRoundTrip, EveryPassComesBackByteForByteThroughTheModelAndAFile) {
    std::mt19937 rng(28);
    testing::TempDir dir("roundtrip");
    testing::FreshState fresh;
    ChannelSet set(*fresh);
    for (int pass = 0; pass < kPasses; ++pass) {
        FillPass(fresh->image, pass, rng);
        const auto before = fresh->image.ProgramRecord(0);
        const std::vector<std::uint8_t> expected(before.begin(), before.end());
        if (pass % kFileEvery == 0) {
            const std::string in = dir.PathOf("in" + std::to_string(pass));
            ASSERT_EQ(WriteSingleProgramFile(fresh->image, in), FileStatus::Ok);
            fresh->image.ProgramRecord(0)[20] ^= 0xFF;  // the file must bring it back
            ASSERT_EQ(ReadSingleProgramFile(fresh->image, in), FileStatus::Ok);
        }
        set.LoadAllFromImage();
        // Spoil every parameter's bytes in the image: only the model can put them back.
        for (int c = 0; c < kChannelCount; ++c) {
            auto b = fresh->image.ChannelBlock(0, c);
            for (const ParamDef& d : AllParams()) {
                for (int k = 0;
                     SetPerChannel(d) && k < (d.scope == ParamScope::Band ? kEqBandCount : 1);
                     ++k) {
                    for (int i = 0; i < d.width; ++i) {
                        b[static_cast<std::size_t>(ParamOffset(d, k) + i)] ^= 0x5A;
                    }
                }
            }
        }
        set.WriteAllToImage();
        const auto after = fresh->image.ProgramRecord(0);
        ASSERT_TRUE(std::equal(after.begin(), after.end(), expected.begin())) << "pass " << pass;
    }
}

}  // namespace
}  // namespace tolmarin
