#include <gtest/gtest.h>

#include <set>
#include <string>

#include "model/ValueEntry.h"
#include "model/ValueText.h"

namespace tolmarin {
namespace {

// The numeric fields' own entry rules read the texts back.
EntryRules FieldRules(int kind, int maximum, double step = 0.0, double offset = 0.0) {
    EntryRules r;
    r.kind = kind;
    r.maximum = maximum;
    r.step = step;
    r.offset = offset;
    return r;
}

int ReadBack(const EntryRules& rules, const std::string& text) {
    return CommitEntry(rules, -1, text, true).value;
}

bool EndsWith(const std::string& s, const std::string& tail) {
    return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

TEST(DelayText, KnownValuesAroundTheScaleChange) {
    EXPECT_EQ(DelayText(0), "0.000ms");
    EXPECT_EQ(DelayText(1), "0.021ms");
    EXPECT_EQ(DelayText(476), "9.996ms");
    EXPECT_EQ(DelayText(477), "10.000ms");
    EXPECT_EQ(DelayText(478), "11.000ms");
    EXPECT_EQ(DelayText(1466), "999.000ms");
    EXPECT_EQ(DelayText(1467), "1000.000ms");
}

// Catches an off-by-one at 476/477 or 1466/1467 and any step whose text rounds onto its
// neighbour's: every step must come back from its own text.
TEST(DelayText, EveryStepRoundTripsThroughTheDelayFieldRule) {
    std::set<std::string> seen;
    for (int v = 0; v <= 1467; ++v) {
        const std::string text = DelayText(v);
        ASSERT_TRUE(EndsWith(text, "ms")) << text;
        EXPECT_EQ(ReadBack(FieldRules(entry::kDelayMs, 1467), text), v) << text;
        EXPECT_TRUE(seen.insert(text).second) << text;
    }
}

TEST(ThresholdText, KnownValuesAndNoNegativeZero) {
    EXPECT_EQ(ThresholdText(0), "-20.0dBu");
    EXPECT_EQ(ThresholdText(199), "-0.1dBu");
    EXPECT_EQ(ThresholdText(200), "0.0dBu");
    EXPECT_EQ(ThresholdText(201), "0.1dBu");
    EXPECT_EQ(ThresholdText(400), "20.0dBu");
}

TEST(ThresholdText, EveryStepRoundTripsThroughTheLevelFieldRule) {
    for (int v = 0; v <= 400; ++v) {
        const std::string text = ThresholdText(v);
        ASSERT_TRUE(EndsWith(text, "dBu")) << text;
        EXPECT_EQ(ReadBack(FieldRules(entry::kLevel, 400, 0.1), text), v) << text;
    }
}

TEST(AttackText, KnownValuesAtBothScales) {
    EXPECT_EQ(AttackText(0), "0.3ms");
    EXPECT_EQ(AttackText(6), "0.9ms");
    EXPECT_EQ(AttackText(7), "1ms");
    EXPECT_EQ(AttackText(106), "100ms");
}

TEST(AttackText, EveryStepRoundTripsThroughTheAttackFieldRule) {
    for (int v = 0; v <= 106; ++v) {
        const std::string text = AttackText(v);
        ASSERT_TRUE(EndsWith(text, "ms")) << text;
        EXPECT_EQ(ReadBack(FieldRules(entry::kAttack, 106), text), v) << text;
    }
}

TEST(VolumeText, DropsTenthsBeforeTheOffset) {
    EXPECT_EQ(VolumeText(600), "0dB");
    EXPECT_EQ(VolumeText(0), "-60dB");
    EXPECT_EQ(VolumeText(555), "-5dB");
    EXPECT_EQ(VolumeText(599), "-1dB");
}

// The editor sets the volume in whole dB; each of those values reads back from its text
// with the volume field's rule.
TEST(VolumeText, EveryWholeDbStepRoundTrips) {
    for (int db = 0; db <= 60; ++db) {
        const std::string text = VolumeText(db * 10);
        ASSERT_TRUE(EndsWith(text, "dB")) << text;
        EXPECT_EQ(ReadBack(FieldRules(entry::kVolume, 60, 1.0, 60.0), text), db) << text;
    }
}

TEST(ReleaseText, EachIndexHasItsOwnTextAndOthersAreEmpty) {
    const char* const expected[] = {"Atk \xC3\x97 2", "Atk \xC3\x97 4",  "Atk \xC3\x97 6",
                                    "Atk \xC3\x97 8", "Atk \xC3\x97 16", "Atk \xC3\x97 32"};
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(ReleaseText(i), expected[i]);
    }
    for (int v = 6; v <= 255; ++v) {
        EXPECT_EQ(ReleaseText(v), "") << v;
    }
    EXPECT_EQ(ReleaseText(-1), "");
}

TEST(SwitchTexts, FollowTheLanguageAndTreatAnyNonzeroAsSet) {
    EXPECT_EQ(OutputOnText(1, Language::English), "On");
    EXPECT_EQ(OutputOnText(0, Language::English), "OFF");
    EXPECT_EQ(OutputOnText(5, Language::Chinese), "开音");
    EXPECT_EQ(OutputOnText(0, Language::Chinese), "静音");
    EXPECT_EQ(PolarityText(1, Language::English), "Pol-");
    EXPECT_EQ(PolarityText(0, Language::English), "Pol+");
    EXPECT_EQ(PolarityText(255, Language::Chinese), "反相");
    EXPECT_EQ(PolarityText(0, Language::Chinese), "正相");
}

TEST(InputText, ReadsOneBitPerInput) {
    EXPECT_EQ(InputText(2, 2), "On");
    EXPECT_EQ(InputText(2, 1), "Off");
    for (int route = 0; route < 16; ++route) {
        for (int n = 1; n <= 4; ++n) {
            EXPECT_EQ(InputText(route, n), (route >> (n - 1)) & 1 ? "On" : "Off");
        }
    }
    EXPECT_EQ(InputText(0xFF, 0), "Off");
    EXPECT_EQ(InputText(0xFF, 5), "Off");
}

}  // namespace
}  // namespace tolmarin
