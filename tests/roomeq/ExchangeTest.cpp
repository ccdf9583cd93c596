#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "roomeq/Exchange.h"

namespace tolmarin::roomeq {
namespace {

BandRecord Band(int type, int hz, int gainStep, int bwStep, int slope = 0) {
    BandRecord b;
    b.type = static_cast<std::uint8_t>(type);
    b.freq = static_cast<std::int16_t>(hz);
    b.gainStep = static_cast<std::int16_t>(gainStep);
    b.bandwidthStep = static_cast<std::int16_t>(bwStep);
    b.slope = static_cast<std::uint8_t>(slope);
    return b;
}

// Every grid frequency and every bandwidth step, with gains across the range, and both
// shelves at both slopes: what is exported comes back as the same steps.
TEST(Exchange, ExportThenImportKeepsTheStepsOfEveryRepresentableBand) {
    std::array<BandRecord, kBands> bands{};
    int checked = 0;
    for (int i = 0; i < kGridSize; ++i) {
        const auto hz = HzOfGridIndex(i);
        if (!hz) {
            continue;
        }
        const int slot = checked % kBands;
        const int bw = checked % kBandwidthSteps;
        const int gain = (checked * 37) % (kGainStepMax + 1);
        bands[static_cast<std::size_t>(slot)] = Band(filter::kPeaking, *hz, gain, bw);
        if (slot == 0) {
            const int shelfHz = *hz;
            bands[1] = Band(shelfHz <= kShelfLimitHz ? filter::kLowShelf : filter::kHighShelf,
                            shelfHz, 400 - gain, 0, checked % 2);
        }
        ++checked;
        if (slot == kBands - 1 || i == kGridSize - 1) {
            const ImportOutcome back = ImportText(ExportText(bands, "CH1"), {});
            ASSERT_TRUE(back.ok);
            EXPECT_EQ(back.imported, kBands);
            for (int k = 0; k < kBands; ++k) {
                EXPECT_EQ(back.bands[static_cast<std::size_t>(k)],
                          bands[static_cast<std::size_t>(k)])
                    << "band " << k << " at grid entry " << i;
            }
            for (const ImportNote& n : back.notes) {
                if (n.id == TextId::RoomEqShelfMatch) {
                    EXPECT_EQ(n.values[5], "0.00") << "an exported shelf must read back exactly";
                } else if (n.id != TextId::RoomEqCombinedBoost) {
                    EXPECT_EQ(n.id, TextId::RoomEqPreampIgnored) << "a value moved";
                }
            }
            EXPECT_LT(back.rmsDb, 0.01) << "the text must describe what the amplifier plays";
        }
    }
    EXPECT_GT(checked, 220);
    // Every bandwidth step went through at least one band.
    EXPECT_GT(checked, kBandwidthSteps);
}

TEST(Exchange, PreampIsMinusTheLargestBoostOfTheBands) {
    std::array<BandRecord, kBands> bands{};
    for (auto& b : bands) {
        b = Band(filter::kPeaking, 1000, kGainStepZero, 10);
    }
    bands[2] = Band(filter::kPeaking, 1000, 260, 10);  // +6.0 dB
    EXPECT_NE(ExportText(bands, "").find("Preamp: -6.0 dB\n"), std::string::npos)
        << ExportText(bands, "");
    bands[2].gainStep = 150;  // cuts only: nothing to make room for
    EXPECT_NE(ExportText(bands, "").find("Preamp: 0.0 dB\n"), std::string::npos);
}

TEST(Exchange, AutoEqFileWithTenFiltersLeavesOutTheUnholdableAndTheLeastAudible) {
    const char* text =
        "Preamp: -6.2 dB\n"
        "Filter 1: ON LSC Fc 105 Hz Gain 5.5 dB Q 0.70\n"
        "Filter 2: ON PK Fc 28 Hz Gain -1.3 dB Q 0.5\n"
        "Filter 3: ON PK Fc 184 Hz Gain 23.0 dB Q 1.2\n"
        "Filter 4: ON PK Fc 1273 Hz Gain 2.1 dB Q 2.03\n"
        "Filter 5: ON PK Fc 2150 Hz Gain -3.0 dB Q 3.9\n"
        "Filter 6: ON PK Fc 3400 Hz Gain 4.2 dB Q 4.04\n"
        "Filter 7: ON PK Fc 5760 Hz Gain -2.9 dB Q 4.75\n"
        "Filter 8: ON PK Fc 7080 Hz Gain 1.8 dB Q 2.5\n"
        "Filter 9: ON PK Fc 9270 Hz Gain -1.5 dB Q 3.0\n"
        "Filter 10: ON HSC Fc 10000 Hz Gain -2.4 dB Q 0.70\n";
    const ImportOutcome r = ImportText(text, {});
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.imported, kBands);
    std::vector<std::string> didNotFit;
    std::vector<std::string> cannotHold;
    bool preampNoted = false;
    for (const ImportNote& n : r.notes) {
        if (n.id == TextId::RoomEqTooManyBands) {
            didNotFit.push_back(n.values[0]);
        }
        if (n.id == TextId::RoomEqCannotHold) {
            cannotHold.push_back(n.values[0]);
        }
        preampNoted |= n.id == TextId::RoomEqPreampIgnored;
    }
    // 23 dB is beyond +-20 dB: left out, not held as a +20 dB boost.
    EXPECT_EQ(cannotHold, (std::vector<std::string>{"3"}));
    // Of the nine left, filter 9 (-1.5 dB, Q 3 at 9.3 kHz) changes the sound least.
    EXPECT_EQ(didNotFit, (std::vector<std::string>{"9"}));
    EXPECT_TRUE(preampNoted);
    EXPECT_EQ(r.bands[0].type, filter::kLowShelf);
    EXPECT_EQ(r.bands[0].gainStep, 255);
    EXPECT_EQ(r.bands[2].freq, 1260);  // filter 4 at the nearest grid frequency
    EXPECT_EQ(r.bands[7].type, filter::kHighShelf);
}

TEST(Exchange, TypesTheAmplifierLacksAreReportedAndMalformedLinesRefused) {
    const ImportOutcome r = ImportText(
        "Filter 1: ON HP Fc 80 Hz\nFilter 2: ON PK Fc 500 Hz Gain -2 dB Q 1.414\n"
        "Filter 3: OFF PK Fc 900 Hz Gain 1 dB Q 1\n",
        {});
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.imported, 1);
    ASSERT_GE(r.notes.size(), 2u);
    EXPECT_EQ(r.notes[0].id, TextId::RoomEqTypeLacking);
    EXPECT_EQ(r.notes[1].id, TextId::RoomEqFilterOff);
    EXPECT_EQ(r.bands[1].gainStep, kGainStepZero) << "bands beyond the text must be flat";

    const ImportOutcome bad =
        ImportText("Preamp: -1 dB\nFilter 1: ON PK Fc abc Hz Gain 1 dB Q 1\n", {});
    EXPECT_FALSE(bad.ok);
    EXPECT_EQ(bad.failure.line, 2);
}

}  // namespace
}  // namespace tolmarin::roomeq

namespace tolmarin::roomeq {
namespace {

// An unreadable value never becomes a default: the text is refused at its line, with the
// channel's bands as they were.
TEST(ExchangeRefusal, UnreadableValuesRefuseTheTextAtTheirLine) {
    std::array<BandRecord, kBands> current{};
    for (auto& b : current) {
        b = Band(filter::kPeaking, 1000, 230, 10);
    }
    const struct {
        const char* text;
        int line;
        TextId reason;
    } cases[] = {
        {"Preamp: -1 dB\nFilter 1: ON PK Fc 100 Hz Gain abc dB Q 1\n", 2,
         TextId::RoomEqFilterBadValue},
        {"Filter 1: ON PK Fc 100 Hz Gain 1 dB Q 1\nFilter 2: ON LSC Fc 80 Hz Gain 3 dB Q x\n", 2,
         TextId::RoomEqFilterBadValue},
        {"Filter 1: ON PK Fc 100 Hz Gain dB Q 1\n", 1, TextId::RoomEqFilterBadValue},
        {"Filter 1: ON PK Fc 100 Hz Gain 1e999 dB Q 1\n", 1, TextId::RoomEqFilterBadValue},
        {"Filter 1: ON PK Fc 100 Hz Gain 2 dB Q 0\n", 1, TextId::RoomEqFilterBadValue},
        {"Filter 1: ON PK Fc 100 Hz Q 1\n", 1, TextId::RoomEqFilterMissing},
        {"Filter 1: ON PK Fc 100 Hz Gain 1 dB\n", 1, TextId::RoomEqFilterMissing},
        {"\nFilter 1: ON PK Fc nan Hz Gain 1 dB Q 1\n", 2, TextId::RoomEqFilterBadValue},
    };
    for (const auto& c : cases) {
        const ImportOutcome r = ImportText(c.text, current);
        EXPECT_FALSE(r.ok) << c.text;
        EXPECT_EQ(r.failure.line, c.line) << c.text;
        EXPECT_EQ(r.failure.reason, c.reason) << c.text;
        EXPECT_EQ(r.bands, current) << "a refused text changed the bands: " << c.text;
    }
}

// Clamped, "Fc 25000 Hz Gain 25 dB Q 50" would be a +20 dB treble boost: left out, named.
TEST(ExchangeRefusal, FiltersTheAmplifierCannotHoldAreLeftOutAndNamedNotClamped) {
    const ImportOutcome r = ImportText(
        "Filter 1: ON PK Fc 25000 Hz Gain 25 dB Q 50\nFilter 2: ON PK Fc 12 Hz Gain 3 dB Q 1\n"
        "Filter 3: ON PK Fc 1000 Hz Gain 21 dB Q 1\nFilter 4: ON PK Fc 1000 Hz Gain 2 dB Q 40\n"
        "Filter 5: ON PK Fc 1000 Hz Gain 2 dB Q 0.2\nFilter 6: ON PK Fc 500 Hz Gain -3 dB Q 2\n",
        {});
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.imported, 1);
    std::vector<std::string> named;
    for (const ImportNote& n : r.notes) {
        if (n.id == TextId::RoomEqCannotHold) {
            named.push_back(n.values[0]);
        }
    }
    EXPECT_EQ(named, (std::vector<std::string>{"1", "2", "3", "4", "5"}));
    EXPECT_EQ(r.bands[0].freq, 500);
    for (int k = 1; k < kBands; ++k) {
        EXPECT_EQ(r.bands[static_cast<std::size_t>(k)].gainStep, kGainStepZero);
    }
    EXPECT_EQ(DescribeNote(r.notes[0], UiState{}),
              "filter 1 (PK) left out: Fc 25000 Hz is beyond the amplifier's 20 Hz - 20000 Hz");
}

// The measurement program's export: a header before the first "Filter N:" line, runs of
// spaces, decimals in Fc and "ON None" placeholders.
TEST(ExchangeRefusal, MeasurementProgramExportHeaderAndNonePlaceholdersAreSkipped) {
    const ImportOutcome r = ImportText(
        "Filter Settings file\r\n\r\nRoom EQ V5.31.3\r\nDated: 12 Mar 2024 21:07:13\r\n\r\n"
        "Notes:front left, seat 2\r\n\r\nEqualiser: Generic\r\nAverage 1\r\n"
        "Filter  1: ON  PK       Fc    45.80 Hz  Gain  -5.80 dB  Q  4.000\r\n"
        "Filter  2: ON  None\r\n"
        "Filter  3: ON  PK       Fc   123.5 Hz  Gain   2.50 dB  Q  2.000\r\n",
        {});
    ASSERT_TRUE(r.ok) << DescribeFailure(r.failure, UiState{});
    EXPECT_EQ(r.imported, 2);
    EXPECT_EQ(r.bands[0].gainStep, 142);
    EXPECT_EQ(r.bands[1].gainStep, 225);
    EXPECT_NEAR(FreqTable[static_cast<std::size_t>(GridIndexOfHz(r.bands[0].freq))], 45.8, 0.5);
    for (const ImportNote& n : r.notes) {
        EXPECT_NE(n.id, TextId::RoomEqTypeLacking) << "\"ON None\" is no filter";
    }
    // After the first filter line a malformed "Filter" line is still refused.
    EXPECT_FALSE(ImportText("Filter 1: ON PK Fc 100 Hz Gain 1 dB Q 1\nFilter Settings\n", {}).ok);
}

// A shelf is imported by what it does: the text's Fc is where it is centred, and the
// amplifier centres its 12 dB/Oct low shelf at 1.27x what it holds.
TEST(ExchangeShelves, ShelvesAreHeldWhereTheyBestMatchAndTheDifferenceIsReported) {
    const struct {
        const char* line;
        int type;
        double lowestHz;
        double highestHz;
    } cases[] = {
        {"Filter 1: ON LSC Fc 105 Hz Gain 6.0 dB Q 0.70", filter::kLowShelf, 70, 95},
        {"Filter 1: ON HSC Fc 10000 Hz Gain -4.8 dB Q 0.70", filter::kHighShelf, 11500, 14500},
        {"Filter 1: ON LSC 12 dB Fc 300 Hz Gain -3.0 dB", filter::kLowShelf, 200, 275},
    };
    for (const auto& c : cases) {
        const ImportOutcome r = ImportText(c.line, {});
        ASSERT_TRUE(r.ok) << c.line;
        EXPECT_EQ(r.bands[0].type, c.type);
        EXPECT_GE(r.bands[0].freq, c.lowestHz) << c.line;
        EXPECT_LE(r.bands[0].freq, c.highestHz) << c.line;
        const auto note = std::find_if(r.notes.begin(), r.notes.end(), [](const ImportNote& n) {
            return n.id == TextId::RoomEqShelfMatch;
        });
        ASSERT_NE(note, r.notes.end()) << "each shelf's difference must be reported";
        EXPECT_LT(std::stod(note->values[5]), 1.0) << c.line;
        EXPECT_LT(r.rmsDb, 0.4) << c.line;
    }
    // Export writes the centre the amplifier plays, not the frequency it holds.
    std::array<BandRecord, kBands> bands{};
    bands[0] = Band(filter::kLowShelf, 100, 260, 0, 1);
    EXPECT_NE(ExportText(bands, "").find("Filter 1: ON LSC Fc 127.27 Hz Gain 6.0 dB Q 0.8"),
              std::string::npos)
        << ExportText(bands, "");
}

TEST(ExchangeShelves, ImportReportsTheCombinedLargestBoost) {
    const ImportOutcome r = ImportText(
        "Filter 1: ON PK Fc 1000 Hz Gain 5 dB Q 1\nFilter 2: ON PK Fc 1100 Hz Gain 5 dB Q 1\n", {});
    ASSERT_TRUE(r.ok);
    EXPECT_GT(r.largestBoostDb, 9.0) << "two overlapping +5 dB bands boost by more than 5 dB";
    const auto note = std::find_if(r.notes.begin(), r.notes.end(), [](const ImportNote& n) {
        return n.id == TextId::RoomEqCombinedBoost;
    });
    ASSERT_NE(note, r.notes.end());
}

}  // namespace
}  // namespace tolmarin::roomeq
