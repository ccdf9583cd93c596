// The simulator keeps its own knowledge of the amplifier's memory; the editor's parameter
// table keeps another. Where they meet (the factory memory the simulator starts from) they
// must agree, or one of them is wrong about the amplifier.
#include <gtest/gtest.h>

#include <string>

#include "model/Parameters.h"
#include "sim/Amplifier.h"

namespace tolmarin {
namespace {

std::string TextIn(std::span<const std::uint8_t> block, Param p, int band = 0) {
    const ParamDef& d = ParamOf(p);
    return d.codec->Text(ReadParam(block, d, band), Language::English);
}

// Catches a table whose offsets, widths or encodings differ from the simulator's: the
// factory values read through the table say what the simulator means by them.
TEST(SimulatorAgreesWithTable, FactoryChannelReadsAsTheSimulatorMeansIt) {
    sim::Amplifier amp;
    amp.FactoryReset();
    const auto b = amp.ChannelBlock(0, 0);
    struct Case {
        Param param;
        const char* text;
    };
    const Case cases[] = {
        {Param::Delay, "0.000ms"},       {Param::HpFreq, "20Hz"},
        {Param::LpFreq, "20000Hz"},      {Param::LimiterThreshold, "0.0dBu"},
        {Param::LimiterAttack, "100ms"}, {Param::LimiterRelease, "Atk × 2"},
        {Param::Volume, "-12dB"},        {Param::InputA, "On"},
        {Param::InputB, "Off"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(TextIn(b, c.param), c.text) << ParamOf(c.param).name;
    }
    for (int k = 0; k < kEqBandCount; ++k) {
        EXPECT_EQ(TextIn(b, Param::BandGain, k), "0.0dB") << k;
        EXPECT_EQ(TextIn(b, Param::BandWidth, k), "0.30Oct") << k;
        EXPECT_EQ(TextIn(b, Param::BandType, k), TextIn(b, Param::BandType, 0));
    }
}

// Catches a factory value the table would refuse (a program check failing on a new amplifier).
TEST(SimulatorAgreesWithTable, EveryFactoryValueLiesInItsRange) {
    sim::Amplifier amp;
    amp.FactoryReset();
    for (int n = 0; n <= kStoredPrograms; ++n) {
        for (int ch = 0; ch < kChannelCount; ++ch) {
            const auto b = amp.ChannelBlock(n, ch);
            for (const ParamDef& d : AllParams()) {
                if (d.scope == ParamScope::System || d.offset == kNoByte ||
                    d.edit == EditKind::Text) {
                    continue;
                }
                for (int k = 0; k < (d.scope == ParamScope::Band ? kEqBandCount : 1); ++k) {
                    const int v = ReadParam(b, d, k);
                    EXPECT_TRUE(v >= d.low && v <= d.high)
                        << d.name << " program " << n << " ch " << ch << " band " << k << ": " << v;
                }
            }
        }
    }
}

}  // namespace
}  // namespace tolmarin
