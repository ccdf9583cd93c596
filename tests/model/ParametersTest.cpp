// The parameter table against the channel block it describes.
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <set>
#include <string>

#include "model/BandRecord.h"
#include "model/ChannelSet.h"
#include "model/Parameters.h"
#include "support/Fresh.h"

namespace tolmarin {
namespace {

using testing::FreshState;

bool StoredInBlock(const ParamDef& d) {
    return d.scope != ParamScope::System && d.offset != kNoByte;
}

// Catches a value placed across two sub-blocks, outside the block, or over another value:
// a change would then travel in a frame that does not hold all of it, or clobber a neighbour.
TEST(ParameterLayout, EveryStoredValueFitsItsSubBlockAndNoTwoOverlap) {
    std::set<int> taken;
    for (const ParamDef& d : AllParams()) {
        if (!StoredInBlock(d)) {
            continue;
        }
        const int bands = d.scope == ParamScope::Band ? kEqBandCount : 1;
        for (int k = 0; k < bands; ++k) {
            const int first = ParamOffset(d, k);
            const int last = first + d.width - 1;
            EXPECT_LT(last, kChannelBlockSize) << d.name;
            EXPECT_EQ(first / kSubBlockSize, last / kSubBlockSize) << d.name;
            EXPECT_EQ(first / kSubBlockSize, d.subBlock + (bands > 1 ? k : 0)) << d.name;
            if (d.bit >= 0) {
                continue;  // a bit of a byte described as a whole too
            }
            for (int at = first; at <= last; ++at) {
                EXPECT_TRUE(taken.insert(at).second) << d.name << " byte " << at;
            }
        }
    }
}

// Catches an offset or width that disagrees with where the channel record writes its values:
// the program check and the table would then judge and show the wrong bytes.
TEST(ParameterLayout, ReadingTheBlockAtEachEntryGivesTheChannelsOwnValues) {
    FreshState s;
    ChannelSet set(*s);
    OutputChannel& ch = set.Channel(2);
    ch.SetName("Sub");
    ch.SetOutputOn(1);
    ch.SetPolarity(1);
    ch.SetInputGain(578);
    ch.SetDelay(1234);
    ch.SetInputRoute(2);
    ch.SetLimitThreshold(321);
    ch.SetLimitAttack(77);
    ch.SetLimitRelease(4);
    ch.SetVolumeDb(45);
    ch.HighPass().SetFreq(125, false);
    ch.HighPass().SetFamily(2, false);
    ch.HighPass().SetSlope(3, false);
    ch.LowPass().SetFreq(9000, false);
    ch.LowPass().SetFamily(1, false);
    ch.LowPass().SetSlope(5, false);
    for (int k = 0; k < kEqBandCount; ++k) {
        Filter& band = ch.Band(k);
        band.SetEqKind(k % 5);
        band.SetFreq(k % 5 >= 3 ? 2500 + 100 * k : 300 + 100 * k, true);
        band.SetGainStep(150 + k);
        band.SetBandwidthStep(10 + k);
    }
    ch.WriteAll();
    const auto block = s->image.ChannelBlock(0, 2);

    const std::map<Param, std::function<int()>> own = {
        {Param::Mute, [&] { return ch.GetOutputOn(); }},
        {Param::Polarity, [&] { return ch.GetPolarity(); }},
        {Param::InputGain, [&] { return ch.GetInputGain(); }},
        {Param::Delay, [&] { return ch.GetDelay(); }},
        {Param::InputRoute, [&] { return ch.GetInputRoute(); }},
        {Param::InputA, [&] { return ch.GetInputRoute() & 1; }},
        {Param::InputB, [&] { return (ch.GetInputRoute() >> 1) & 1; }},
        {Param::HpFreq, [&] { return ch.HighPass().GetFreq(); }},
        {Param::HpFamily, [&] { return ch.HighPass().GetFamily(); }},
        {Param::HpSlope, [&] { return ch.HighPass().GetSlope(); }},
        {Param::LpFreq, [&] { return ch.LowPass().GetFreq(); }},
        {Param::LpFamily, [&] { return ch.LowPass().GetFamily(); }},
        {Param::LpSlope, [&] { return ch.LowPass().GetSlope(); }},
        {Param::LimiterThreshold, [&] { return ch.GetLimitThreshold(); }},
        {Param::LimiterAttack, [&] { return ch.GetLimitAttack(); }},
        {Param::LimiterRelease, [&] { return ch.GetLimitRelease(); }},
        {Param::Volume, [&] { return ch.GetVolume(); }},
    };
    for (const ParamDef& d : AllParams()) {
        if (d.scope != ParamScope::Channel || d.offset == kNoByte || d.edit == EditKind::Text) {
            continue;
        }
        if (d.tableHeld) {
            EXPECT_EQ(ReadParam(block, d), ch.Value(d)) << d.name;
            continue;
        }
        ASSERT_TRUE(own.contains(d.id)) << d.name << " has no expectation here";
        EXPECT_EQ(ReadParam(block, d), own.at(d.id)()) << d.name;
    }
    EXPECT_EQ(LoadFixedText(block.subspan(ParamOf(Param::Name).offset), ParamOf(Param::Name).width),
              "Sub");

    for (int k = 0; k < kEqBandCount; ++k) {
        const BandRecord r = ReadBandRecord(block, BandOffset(k));
        EXPECT_EQ(ReadParam(block, ParamOf(Param::BandFreq), k), r.freq) << k;
        EXPECT_EQ(ReadParam(block, ParamOf(Param::BandGain), k), r.gainStep) << k;
        EXPECT_EQ(ReadParam(block, ParamOf(Param::BandWidth), k), r.bandwidthStep) << k;
        EXPECT_EQ(ReadParam(block, ParamOf(Param::BandSlope), k), r.slope) << k;
        EXPECT_EQ(ReadParam(block, ParamOf(Param::BandType), k), r.type) << k;
        EXPECT_EQ(r.gainStep, ch.Band(k).GetGainStep()) << k;
    }
}

// Catches a form control bound to a name the table does not know, and a numeric entry whose
// range lies outside what the amplifier takes.
TEST(ParameterNames, EveryBoundNameResolvesAndNumericEntriesStayInRange) {
    const char* names[] = {"mute",
                           "polarity",
                           "delay",
                           "input.a",
                           "input.b",
                           "volume",
                           "hp.family",
                           "hp.slope",
                           "hp.freq",
                           "lp.family",
                           "lp.slope",
                           "lp.freq",
                           "limiter.threshold",
                           "limiter.attack",
                           "limiter.release",
                           "band.type",
                           "band.freq",
                           "band.width",
                           "band.gain",
                           "band.bypass",
                           "system.mode",
                           "system.sensitivity",
                           "system.power"};
    for (const char* name : names) {
        const ParamDef* d = ParamByName(name);
        ASSERT_NE(d, nullptr) << name;
        EXPECT_EQ(d->name, name);
    }
    std::set<std::string_view> seen;
    for (const ParamDef& d : AllParams()) {
        EXPECT_TRUE(seen.insert(d.name).second) << d.name;
        if (d.edit == EditKind::Number && d.id != Param::Volume) {
            EXPECT_GE(d.number.low, d.low) << d.name;
            EXPECT_LE(d.number.high, d.high) << d.name;
        }
    }
    EXPECT_EQ(ParamOf(Param::Volume).number.high * kVolumeStepsPerDb, ParamOf(Param::Volume).high);
    EXPECT_EQ(ParamByName("no.such"), nullptr);
}

}  // namespace
}  // namespace tolmarin

namespace tolmarin {
namespace {

// Typing took 20 Hz as the lowest frequency while the table (and a drag, and a file) held
// 19: a value could be held that its own field refused.
TEST(ParameterRanges, EveryNumberEntryTakesItsParametersWholeRange) {
    for (const ParamDef& d : AllParams()) {
        if (d.edit != EditKind::Number) {
            continue;
        }
        const int scale = d.id == Param::Volume ? kVolumeStepsPerDb : 1;
        EXPECT_EQ(d.number.low * scale, d.low) << d.name;
        EXPECT_EQ(d.number.high * scale, d.high) << d.name;
    }
    for (int kind = 0; kind <= filter::kHighShelf * 2; ++kind) {
        const StepRange entry = BandFreqEntryRange(kind);
        EXPECT_GE(entry.low, kLowestFreqHz) << kind;
        EXPECT_LE(entry.high, kHighestFreqHz) << kind;
    }
    EXPECT_EQ(BandFreqEntryRange(filter::kPeaking).low, kLowestFreqHz);
}

}  // namespace
}  // namespace tolmarin
