#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "model/ValueEntry.h"

namespace tolmarin {
namespace {

// The fields as the form configures them.
EntryRules Rules(int kind, int minimum, int maximum, double step = 0.0, double offset = 0.0) {
    EntryRules r;
    r.kind = kind;
    r.minimum = minimum;
    r.maximum = maximum;
    r.step = step;
    r.offset = offset;
    return r;
}

const EntryRules kDelayMs = Rules(entry::kDelayMs, 0, 1467);
const EntryRules kMetres = Rules(entry::kDelayMetres, 0, 1467);
const EntryRules kFeet = Rules(entry::kDelayFeet, 0, 1467);
const EntryRules kLevel = Rules(entry::kLevel, 0, 400, 0.1);
const EntryRules kFrequency = Rules(entry::kFrequency, 20, 20000);
const EntryRules kAttack = Rules(entry::kAttack, 0, 106);
const EntryRules kGain = Rules(entry::kGain, 0, 400, 0.1, 20.0);
const EntryRules kQ = Rules(entry::kBandQ, 0, 59, 0.05);
const EntryRules kVolume = Rules(entry::kVolume, 0, 60, 1.0, 60.0);

std::string Text(const EntryRules& r, int v) {
    return EntryText(r, v).value_or("<none>");
}

// What leaving the field after typing gives.
int Typed(const EntryRules& r, int before, const std::string& text) {
    return CommitEntry(r, before, text, true).value;
}

TEST(EntryText, KnownTextsOfEveryKind) {
    EXPECT_EQ(Text(kDelayMs, 477), "10.000");
    EXPECT_EQ(Text(kDelayMs, 1467), "1000.000");
    EXPECT_EQ(Text(kLevel, 200), "0.0");
    EXPECT_EQ(Text(kLevel, 400), "20.0");
    EXPECT_EQ(Text(kLevel, 0), "-20.0");
    EXPECT_EQ(Text(kFrequency, 1000), "1000");
    EXPECT_EQ(Text(kAttack, 0), "0.3ms");
    EXPECT_EQ(Text(kAttack, 3), "0.6ms");
    EXPECT_EQ(Text(kAttack, 7), "1ms");
    EXPECT_EQ(Text(kAttack, 106), "100ms");
    EXPECT_EQ(Text(kGain, 200), "0.0");
    EXPECT_EQ(Text(kGain, 0), "-20.0");
    EXPECT_EQ(Text(kQ, 5), "4.800");
    EXPECT_EQ(Text(kQ, 0), "28.852");
    EXPECT_EQ(Text(kVolume, 60), "0");
    EXPECT_EQ(Text(kVolume, 0), "-60");
    EXPECT_FALSE(EntryText(Rules(7, 0, 10), 3).has_value());
}

// The longest delay is 1000 ms; its distance is that time at the speed of sound, and
// typing that distance back gives the longest delay again (not the step below it).
TEST(EntryText, LongestDelayDistanceIsTheTrueDistanceAndReadsBack) {
    EXPECT_EQ(Text(kMetres, 1467), "343.600");
    EXPECT_EQ(Text(kFeet, 1467), "1127.352");
    EXPECT_EQ(Typed(kMetres, 0, "343.600"), 1467);
    EXPECT_EQ(Typed(kFeet, 0, "1127.352"), 1467);
    EXPECT_EQ(Typed(kMetres, 0, "5000"), 1467);
}

// Catches truncation onto the step below (0.3 / 0.1 is 2.9999...) and texts that read
// back as a neighbour: every index of every field survives its own text, both when the
// field is left and when the form reads typed text.
TEST(EntryText, EveryIndexOfEveryKindReadsBackFromItsText) {
    for (const EntryRules& r :
         {kDelayMs, kMetres, kFeet, kLevel, kFrequency, kAttack, kGain, kQ, kVolume}) {
        for (int v = r.minimum; v <= r.maximum; ++v) {
            const std::string text = Text(r, v);
            ASSERT_EQ(Typed(r, -1, text), v) << "kind " << r.kind << " text " << text;
            ASSERT_EQ(ParseEntry(r, text), v) << "kind " << r.kind << " text " << text;
            ASSERT_TRUE(text != "-0" && text != "-0.0" && text != "-0.000") << text;
        }
    }
}

TEST(CommitEntry, TypedValuesAreLimitedToTheField) {
    EXPECT_EQ(Typed(kDelayMs, 9, "10"), 477);
    EXPECT_EQ(Typed(kDelayMs, 9, "1000"), 1467);
    EXPECT_EQ(Typed(kDelayMs, 9, "-1"), 0);
    EXPECT_EQ(Typed(kDelayMs, 9, "abc"), 9);
    EXPECT_EQ(Typed(kAttack, 50, "0.6"), 3);
    EXPECT_EQ(Typed(kAttack, 50, "250"), 106);
    EXPECT_EQ(Typed(kAttack, 50, "0.1"), 0);
    EXPECT_EQ(Typed(kGain, 0, "25"), 400);
    EXPECT_EQ(Typed(kGain, 0, "-0.3"), 197);
    EXPECT_EQ(Typed(kLevel, 0, "-25"), 0);
    EXPECT_EQ(Typed(kQ, 9, "5"), 5);
    EXPECT_EQ(Typed(kQ, 9, "100"), 0);
    EXPECT_EQ(Typed(kQ, 9, "0"), 59);
    EXPECT_EQ(Typed(kFrequency, 500, "25000"), 20000);
    EXPECT_EQ(Typed(kFrequency, 500, "99999999999999999999"), 20000);
    EXPECT_EQ(Typed(kFrequency, 500, "x"), 500);
    EXPECT_EQ(Typed(kVolume, 0, "-5.5"), 54);
    EXPECT_EQ(Typed(kVolume, 0, "1e999"), 60);
}

TEST(CommitEntry, WhatAnUntouchedFieldDoesOnFocusLoss) {
    for (const EntryRules& r : {kDelayMs, kMetres, kLevel, kAttack, kGain, kQ, kVolume}) {
        const EntryCommit c = CommitEntry(r, 5, "1", false);
        EXPECT_FALSE(c.committed) << r.kind;
        EXPECT_EQ(c.value, 5) << r.kind;
    }
    // A frequency field re-reads its number even untouched, but tells nobody.
    const EntryCommit f = CommitEntry(kFrequency, 500, "25000", false);
    EXPECT_EQ(f.value, 20000);
    EXPECT_FALSE(f.committed);
}

TEST(CommitEntry, OffLeavesAFrequencyAndTurnsGainFlatAndVolumeDown) {
    for (const char* off : {"OFF", "关闭", " off "}) {
        const EntryCommit f = CommitEntry(kFrequency, 500, off, true);
        EXPECT_EQ(f.value, 500);
        EXPECT_FALSE(f.committed);
        EXPECT_EQ(Typed(kGain, 37, off), 200) << off;
        EXPECT_EQ(ParseEntry(kGain, off), 200) << off;
        EXPECT_EQ(Typed(kVolume, 37, off), 0) << off;
        EXPECT_EQ(ParseEntry(kVolume, off), 0) << off;
        EXPECT_FALSE(ParseEntry(kFrequency, off).has_value());
    }
}

// The quiet reading keeps the value instead of limiting; it never yields an index
// outside the field's range (an attack typed as 105 ms would be index 111).
TEST(ParseEntry, TextOutsideTheAcceptedRangeKeepsTheValue) {
    EXPECT_FALSE(ParseEntry(kDelayMs, "-1"));
    EXPECT_FALSE(ParseEntry(kDelayMs, "1001"));
    EXPECT_FALSE(ParseEntry(kFrequency, "25000"));
    EXPECT_FALSE(ParseEntry(kFrequency, "19"));
    EXPECT_FALSE(ParseEntry(kAttack, "0.95"));
    EXPECT_FALSE(ParseEntry(kAttack, "105"));
    EXPECT_FALSE(ParseEntry(kGain, "20.1"));
    EXPECT_FALSE(ParseEntry(kQ, "30"));
    EXPECT_EQ(ParseEntry(kFrequency, "5000"), 5000);
    EXPECT_EQ(ParseEntry(kAttack, "100"), 106);
}

// Read as 0, an emptied volume field would be full volume and a gain field +20 dB.
TEST(CommitEntry, TextWithoutOneNumberKeepsTheValueAndTellsNobody) {
    for (const EntryRules& r :
         {kDelayMs, kMetres, kLevel, kFrequency, kAttack, kGain, kQ, kVolume}) {
        for (const char* text :
             {"", "  ", "-", ".", "1.2.3", "12-3", "1e+", "12ab3", "e5", "abc"}) {
            const EntryCommit c = CommitEntry(r, 7, text, true);
            EXPECT_FALSE(c.committed) << r.kind << " '" << text << "'";
            EXPECT_TRUE(c.refused) << r.kind << " '" << text << "'";
            EXPECT_EQ(c.value, 7) << r.kind << " '" << text << "'";
            EXPECT_FALSE(ParseEntry(r, text).has_value()) << r.kind << " '" << text << "'";
        }
    }
}

TEST(CommitEntry, CommaIsTheDecimalPointExceptInFrequencies) {
    EXPECT_EQ(Typed(kGain, 0, "2,5"), 225);
    EXPECT_EQ(Typed(kVolume, 0, "-10,5"), 49);
    EXPECT_EQ(Typed(kLevel, 0, "3,5"), 235);
    EXPECT_EQ(Typed(kDelayMs, 0, "2,5"), 119);
    EXPECT_EQ(Typed(kQ, 0, "1,5"), Typed(kQ, 0, "1.5"));
    EXPECT_EQ(Typed(kAttack, 50, "0,6ms"), 3);
    EXPECT_EQ(Typed(kFrequency, 500, "1,000"), 1000);
    EXPECT_EQ(Typed(kFrequency, 500, "12,000"), 12000);
    EXPECT_EQ(ParseEntry(kGain, " 2,5 "), 225);
    EXPECT_TRUE(CommitEntry(kGain, 7, "2,5.1", true).refused);
}

TEST(LeadingNumber, ReadsLikeTheFieldsRegardlessOfTrailingText) {
    EXPECT_DOUBLE_EQ(LeadingReal("  -4.5ms"), -4.5);
    EXPECT_DOUBLE_EQ(LeadingReal("+2"), 2.0);
    EXPECT_DOUBLE_EQ(LeadingReal(".5"), 0.5);
    EXPECT_DOUBLE_EQ(LeadingReal("abc"), 0.0);
    EXPECT_DOUBLE_EQ(LeadingReal(""), 0.0);
    EXPECT_DOUBLE_EQ(LeadingReal("nan"), 0.0);
    EXPECT_EQ(LeadingInteger("12.7"), 12);
    EXPECT_EQ(LeadingInteger("-30Hz"), -30);
    EXPECT_EQ(LeadingInteger("--3"), 0);
}

}  // namespace
}  // namespace tolmarin
