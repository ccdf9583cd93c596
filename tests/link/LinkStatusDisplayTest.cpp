// The link controller's status display: the readouts of each status reply.

#include <gtest/gtest.h>

#include <algorithm>

#include "FrameFields.h"
#include "LinkRig.h"
#include "link/LinkController.h"
#include "support/ReplyFrames.h"

namespace tolmarin::testing {
namespace {

// ---- Status ----

TEST(Status, TemperaturesAreClampedShownMinusTenAndOnlyWhenChanged) {
    LinkRig rig;
    rig.LinkedUsb();
    auto poll = [&](std::uint8_t t1, std::uint8_t t2) {
        rig.status = {0, 0, 0, 0, t1, t2, 0, 0};
        rig.view.temperatures.clear();
        rig.Step();
        return rig.view.temperatures;
    };
    using Shown = std::vector<std::pair<int, int>>;
    EXPECT_EQ(poll(255, 10), (Shown{{0, 90}, {1, 0}}));
    EXPECT_EQ(poll(255, 10), (Shown{{0, 90}}));  // 255 differs from the stored 100
    EXPECT_EQ(poll(100, 10), Shown{});           // a repeat shows nothing
    EXPECT_EQ(poll(0, 11), (Shown{{0, -10}, {1, 1}}));
}

}  // namespace
}  // namespace tolmarin::testing
