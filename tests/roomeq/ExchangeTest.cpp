#include <gtest/gtest.h>

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
                EXPECT_EQ(n.id, TextId::RoomEqPreampIgnored) << "a value moved";
            }
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

TEST(Exchange, AutoEqFileWithTenFiltersReportsTheTwoThatDidNotFit) {
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
    bool preampNoted = false;
    bool gainNoted = false;
    bool qNoted = false;
    for (const ImportNote& n : r.notes) {
        if (n.id == TextId::RoomEqTooManyBands) {
            didNotFit.push_back(n.values[0]);
        }
        preampNoted |= n.id == TextId::RoomEqPreampIgnored;
        gainNoted |= n.id == TextId::RoomEqMoved && n.values[0] == "3" && n.values[1] == "Gain";
        qNoted |= n.id == TextId::RoomEqMoved && n.values[0] == "3" && n.values[1] == "Q";
    }
    EXPECT_EQ(didNotFit, (std::vector<std::string>{"9", "10"}));
    EXPECT_TRUE(preampNoted);
    EXPECT_TRUE(gainNoted) << "23 dB held as +20 dB must be reported";
    EXPECT_TRUE(qNoted) << "Q 1.2 held as 1.222 moved by more than 1 %";
    EXPECT_EQ(r.bands[0].type, filter::kLowShelf);
    EXPECT_EQ(r.bands[0].gainStep, 255);
    EXPECT_EQ(r.bands[2].gainStep, kGainStepMax);
    EXPECT_EQ(r.bands[3].freq, 1260);  // nearest grid frequency
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
