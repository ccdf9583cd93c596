#include <gtest/gtest.h>

#include "venue/ProgramAccount.h"

namespace tolmarin::venue {
namespace {

// Programs that arrived before the read began do not count as received by it, and the
// missing ones join into runs only where they are consecutive (1 and 20 are ends, not
// neighbours).
TEST(ProgramAccount, MissingProgramsJoinOnlyConsecutiveSlotsAndEarlierArrivalsDoNotCount) {
    struct Case {
        const char* what;
        std::vector<int> arrived;        // programs received during the read
        std::vector<int> arrivedBefore;  // programs received before it, not during
        std::vector<ProgramSpan> missing;
    };
    const Case cases[] = {
        {"nothing arrived", {}, {}, {{1, 20}}},
        {"all arrived",
         {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20},
         {},
         {}},
        {"cut off after 11", {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}, {}, {{12, 20}}},
        {"ends missing",
         {2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19},
         {},
         {{1, 1}, {20, 20}}},
        {"gaps", {1, 3, 4, 7}, {}, {{2, 2}, {5, 6}, {8, 20}}},
        {"arrived only before the read", {1}, {2, 3}, {{2, 20}}},
    };
    for (const Case& c : cases) {
        ProgramArrivals before{};
        for (int n : c.arrivedBefore) {
            before[static_cast<std::size_t>(n)] = 3;
        }
        ProgramArrivals now = before;
        for (int n : c.arrived) {
            now[static_cast<std::size_t>(n)] += 1;
        }
        EXPECT_EQ(ProgramsNotReceived(before, now), c.missing) << c.what;
    }
}

}  // namespace
}  // namespace tolmarin::venue
