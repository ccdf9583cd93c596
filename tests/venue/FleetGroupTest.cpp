#include <gtest/gtest.h>

#include "venue/FleetFile.h"

namespace tolmarin::venue {
namespace {

// A fleet line may name the room's group as a third field, read by the same rules as
// names; a line of two fields has none, and a fourth field is still a mistake.
TEST(FleetGroup, AThirdFieldIsTheGroupByTheRulesOfNames) {
    struct Case {
        const char* text;
        const char* group;  // null: the file is refused
        const char* error;  // part of the refusal
    };
    const Case cases[] = {
        {"hall tcp:127.0.0.1:9001 upstairs\n", "upstairs", ""},
        {"hall tcp:127.0.0.1:9001\n", "", ""},
        {"hall tcp:127.0.0.1:9001  Wing-2.b  # comment\n", "Wing-2.b", ""},
        {"hall tcp:127.0.0.1:9001 ../up\n", nullptr,
         "v.txt, line 1: the group '../up' is not accepted"},
        {"hall tcp:127.0.0.1:9001 bell\x07\n", nullptr, "the group 'bell\\x07' is not accepted"},
        {"hall tcp:127.0.0.1:9001 up stairs\n", nullptr, "expected a name and a link address"},
    };
    UiState ui;
    for (const Case& c : cases) {
        std::string error;
        const auto fleet = ParseFleet(c.text, "v.txt", ui, error);
        if (c.group == nullptr) {
            EXPECT_FALSE(fleet) << c.text;
            EXPECT_NE(error.find(c.error), std::string::npos) << c.text << " gave: " << error;
            continue;
        }
        ASSERT_TRUE(fleet) << c.text << ": " << error;
        EXPECT_EQ(fleet->front().group, c.group) << c.text;
        EXPECT_EQ(fleet->front().name, "hall");
    }
}

// The group is the room's, not the amplifier's: two amplifiers share one freely.
TEST(FleetGroup, AmplifiersOfOneGroupAreStillTwoAmplifiers) {
    UiState ui;
    std::string error;
    const auto fleet =
        ParseFleet("a tcp:127.0.0.1:1 hall\nb tcp:127.0.0.1:2 hall\n", "v.txt", ui, error);
    ASSERT_TRUE(fleet) << error;
    ASSERT_EQ(fleet->size(), 2u);
    EXPECT_EQ(CheckFleet(*fleet, {}, ui), "");
}

}  // namespace
}  // namespace tolmarin::venue
