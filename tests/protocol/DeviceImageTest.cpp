#include <gtest/gtest.h>

#include "protocol/ByteOrder.h"
#include "protocol/DeviceImage.h"
#include "support/Fresh.h"

namespace tolmarin {
namespace {

using testing::FreshState;

TEST(DeviceImageStartUp, StoredNamesAreFifteenSpacesAndAZero) {
    FreshState s;
    for (int n = 1; n <= kStoredPrograms; ++n) {
        auto name = s->image.Name(n);
        for (int i = 0; i < 15; ++i) {
            ASSERT_EQ(name[i], ' ') << "program " << n << " byte " << i;
        }
        EXPECT_EQ(name[15], 0);
        EXPECT_EQ(LoadFixedText(name, 15), "");
    }
    // The live name stays zero.
    for (auto b : s->image.Name(0)) {
        EXPECT_EQ(b, 0);
    }
}

TEST(DeviceImageStartUp, LiveBandSlotsHoldTheInitialPatternStoredProgramsStayZero) {
    FreshState s;
    for (int ch = 0; ch < kChannelCount; ++ch) {
        auto b = s->image.ChannelBlock(0, ch);
        for (int slot = 0; slot < block::kBandSlots; ++slot) {
            const int at = block::kBands + slot * 8;
            EXPECT_EQ(ReadLe16(b, at), 1000);
            EXPECT_EQ(ReadLe16(b, at + 2), 600);
            EXPECT_EQ(ReadLe16(b, at + 4), 0);
            EXPECT_EQ(b[at + 6], 0);
            EXPECT_EQ(b[at + 7], 0);
        }
    }
    for (int n = 1; n <= kStoredPrograms; ++n) {
        for (auto byte : s->image.Data(n)) {
            ASSERT_EQ(byte, 0);
        }
    }
}

TEST(DeviceImageStartUp, SystemBytesHeaderAndState) {
    FreshState s;
    EXPECT_EQ(s->image.systemBytes[7], 1);
    for (int i = 0; i < 7; ++i) {
        EXPECT_EQ(s->image.systemBytes[i], 0);
    }
    // The system items go out under these codes; a shift would address the wrong item.
    EXPECT_EQ((std::array<int, 4>{3, 4, 6, 7}),
              (std::array<int, 4>{ITEM_MODES, ITEM_SENSITIVITY, ITEM_NAME, ITEM_POWER}));
    EXPECT_EQ(s->frames.header[0], 0x5A);
    EXPECT_EQ(s->frames.header[3], 0x48);
}

TEST(DeviceImageLayout, ChannelBlocksSitAtTheirRecordOffsets) {
    FreshState s;
    s->image.ChannelBlock(7, 1)[0] = 0x11;
    s->image.ChannelBlock(7, 3)[159] = 0x22;
    auto rec = s->image.ProgramRecord(7);
    EXPECT_EQ(rec[176], 0x11);
    EXPECT_EQ(rec[655], 0x22);
    EXPECT_THROW(s->image.Name(21), std::out_of_range);
    EXPECT_THROW(s->image.ChannelBlock(0, 4), std::out_of_range);
    EXPECT_THROW(s->image.Data(-1), std::out_of_range);
}

TEST(FixedText, SevenCharacterNameFitsEightIsRefusedInTheCurrentLanguage) {
    FreshState s;
    std::array<std::uint8_t, 8> slot;
    slot.fill(0xEE);
    EXPECT_TRUE(WriteFixedText(s->ui, slot, "ABCDEFG"));
    EXPECT_EQ(slot[6], 'G');
    EXPECT_EQ(slot[7], 0);
    EXPECT_TRUE(s.sink.messages.empty());

    EXPECT_FALSE(WriteFixedText(s->ui, slot, "ABCDEFGH"));
    EXPECT_EQ(slot[7], 0);
    EXPECT_EQ(LoadFixedText(slot, 8), "ABCDEFG");
    ASSERT_EQ(s.sink.messages.size(), 1u);
    EXPECT_EQ(s.sink.messages[0], "char Len error!");

    s->ui.language = Language::Chinese;
    EXPECT_FALSE(WriteFixedText(s->ui, slot, "123456789"));
    EXPECT_EQ(s.sink.messages.back(), "字符长度错误!");
}

TEST(FixedText, ShortNameClearsTheOldTail) {
    FreshState s;
    std::array<std::uint8_t, 8> slot;
    slot.fill('X');
    ASSERT_TRUE(WriteFixedText(s->ui, slot, "CH1"));
    EXPECT_EQ((std::array<std::uint8_t, 8>{'C', 'H', '1', 0, 0, 0, 0, 0}), slot);
}

TEST(ProgramName, FifteenCharactersAreKeptSixteenRefused) {
    FreshState s;
    auto name = s->image.Name(3);
    EXPECT_TRUE(StoreProgramName(s->ui, name, "ABCDEFGHIJKLMNO"));
    EXPECT_EQ(name[14], 'O');
    EXPECT_EQ(name[15], 0);
    EXPECT_FALSE(StoreProgramName(s->ui, name, "ABCDEFGHIJKLMNOP"));
    EXPECT_EQ(LoadFixedText(name, 15), "ABCDEFGHIJKLMNO");
    EXPECT_EQ(s.sink.messages.size(), 1u);

    EXPECT_TRUE(StoreProgramName(s->ui, name, "Hall"));
    EXPECT_EQ(name[4], ' ');
    EXPECT_EQ(name[14], ' ');
    EXPECT_EQ(name[15], 0);
    EXPECT_EQ(LoadFixedText(name, 15), "Hall");
}

TEST(FixedText, LoadCutsAtZeroAndTrimsBothEnds) {
    const std::array<std::uint8_t, 10> raw{' ', ' ', 'A', ' ', 'B', ' ', 0, 'Z', 'Z', 'Z'};
    EXPECT_EQ(LoadFixedText(raw, 10), "A B");
    EXPECT_EQ(LoadFixedText(raw, 3), "A");
    EXPECT_EQ(LoadFixedText(raw, 0), "");
    EXPECT_EQ(LoadFixedText(raw, 99), "A B");  // never reads past the slot
}

}  // namespace
}  // namespace tolmarin
