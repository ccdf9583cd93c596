// Every parameter's codec against every step it can hold: the block bytes, the text and its
// reading back, in both languages.
#include <gtest/gtest.h>

#include <array>
#include <string>

#include "model/Codec.h"
#include "model/Parameters.h"
#include "response/Filter.h"
#include "support/Fresh.h"

namespace tolmarin {
namespace {

constexpr std::array kLanguages{Language::English, Language::Chinese};
constexpr std::uint8_t kFill = 0xA5;  // bytes no write may touch

bool InBlockOrSystem(const ParamDef& d) {
    return d.offset != kNoByte && d.edit != EditKind::Text;
}

// Catches a write that lands in the wrong byte, spills into a neighbour, drops the high byte
// of a 16-bit value or clears the other bits of a shared byte: for every step of every
// parameter, in the first and the last band.
TEST(CodecBlock, EveryStepOfEveryParameterReadsBackAndTouchesNothingElse) {
    int checked = 0;
    for (const ParamDef& d : AllParams()) {
        if (!InBlockOrSystem(d)) {
            continue;
        }
        const int size = d.scope == ParamScope::System ? kSystemByteCount : kChannelBlockSize;
        for (int band : {0, kEqBandCount - 1}) {
            if (band != 0 && d.scope != ParamScope::Band) {
                continue;
            }
            const auto at = static_cast<std::size_t>(ParamOffset(d, band));
            for (int v = d.low; v <= d.high; ++v) {
                std::vector<std::uint8_t> block(static_cast<std::size_t>(size), kFill);
                WriteParam(block, d, v, band);
                ASSERT_EQ(ReadParam(block, d, band), v) << d.name << " band " << band;
                for (std::size_t i = 0; i < block.size(); ++i) {
                    const bool own = i >= at && i < at + static_cast<std::size_t>(d.width);
                    if (!own) {
                        ASSERT_EQ(block[i], kFill) << d.name << " step " << v << " byte " << i;
                    } else if (d.bit >= 0) {
                        ASSERT_EQ(block[i] & ~(1U << d.bit), kFill & ~(1U << d.bit)) << d.name;
                    }
                }
                ++checked;
            }
        }
    }
    EXPECT_GT(checked, 40000);  // the frequencies alone are three times 19981 steps
}

// Catches a text that cannot be read back to its step (a unit or decimal that drifted, a
// word missing in one language) and a reading that accepts a step outside the range.
TEST(CodecText, EveryStepReadsBackFromItsTextInBothLanguages) {
    for (const ParamDef& d : AllParams()) {
        if (d.codec == nullptr) {
            continue;
        }
        const Codec& c = *d.codec;
        EXPECT_EQ(d.low, c.low) << d.name;
        EXPECT_EQ(d.high, c.high) << d.name;
        for (Language language : kLanguages) {
            int withText = 0;
            for (int s = c.low; s <= c.high; ++s) {
                const std::string text = c.Text(s, language);
                if (text.empty()) {
                    // Only list steps beyond the list (crossover orders 7, 5 and 6) lack one.
                    ASSERT_EQ(c.shape, StepShape::Labels) << d.name << " step " << s;
                    continue;
                }
                ++withText;
                const int shown = s / c.textStep * c.textStep;
                ASSERT_EQ(c.Parse(text, language), shown) << d.name << " '" << text << "'";
                ASSERT_EQ(c.Text(shown, language), text) << d.name;
            }
            EXPECT_GT(withText, 1) << d.name;
        }
        EXPECT_FALSE(c.Text(c.low, Language::English).empty()) << d.name;
    }
}

// Catches a reading that takes what the operator did not clearly mean.
TEST(CodecText, ReadingRefusesTextOutsideTheRangeOrWithAnotherUnit) {
    struct Case {
        const Codec& codec;
        const char* text;
    };
    const Case cases[] = {
        {codec::kBandGain, "20.1dB"}, {codec::kBandGain, "-20.1"},    {codec::kBandGain, "3dBu"},
        {codec::kBandGain, "dB"},     {codec::kVolume, "1dB"},        {codec::kVolume, "-61dB"},
        {codec::kFrequency, "18Hz"},  {codec::kFrequency, "20001"},   {codec::kDelay, "1001ms"},
        {codec::kAttack, "0.2ms"},    {codec::kAttack, "101ms"},      {codec::kCrossoverSlope, ""},
        {codec::kRelease, "x3"},      {codec::kThreshold, "20.1dBu"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.codec.Parse(c.text, Language::English), std::nullopt) << c.text;
    }
}

// Catches a filter whose gain drifts from the codec's steps: held, shown, sent and dragged,
// every gain step stays itself, and only the flat step bypasses the band.
TEST(CodecFilter, EveryGainStepIsHeldSentAndDraggedAsItself) {
    testing::FreshState state;
    Filter f(*state);
    const Codec& gain = codec::kBandGain;
    for (int s = gain.low; s <= gain.high; ++s) {
        f.SetGainStep(s);
        ASSERT_EQ(f.GetGainStep(), s);
        ASSERT_EQ(f.GetBypass(), s == gain.Flat());
        ASSERT_EQ(f.GainText(), gain.Text(s, Language::English));
        ASSERT_EQ(f.GetGain(), gain.Display(s));
        f.SetGainStep(gain.Flat() == s ? gain.low : gain.Flat());
        ASSERT_EQ(f.DragTo(1000, gain.Display(s), false).gainStep, s);
        ASSERT_EQ(f.GetGainStep(), s);
    }
}

}  // namespace
}  // namespace tolmarin
