#include <gtest/gtest.h>

#include "support/qt/ManualScheduler.h"
#include "venue/Watch.h"

namespace tolmarin::venue {
namespace {

// When a give-up is followed by a new try: at once after a link that had been up, only after
// the full wait after one that never answered, and never once the watch has stopped.
TEST(AmplifierWatch, ReopensAtOnceAfterAnUpLinkElseOnlyAfterTheFullWait) {
    struct Case {
        const char* what;
        bool wasUp;
        bool stop;
        int advanceMs;
        int reopens;
    };
    const Case cases[] = {
        {"up link, at once", true, false, 0, 1},
        {"never answered, not a moment early", false, false, kWatchRetryMs - 1, 0},
        {"never answered, at the wait's end", false, false, kWatchRetryMs, 1},
        {"stopped before the try", false, true, 2 * kWatchRetryMs, 0},
        {"stopped before an at-once try", true, true, 0, 0},
    };
    for (const Case& c : cases) {
        testing::ManualScheduler clock;
        int opened = 0;
        AmplifierWatch watch(clock, [&] { ++opened; });
        watch.WentAway(c.wasUp, "2026-01-01 10:00:00");
        if (c.stop) {
            watch.Stop();
        }
        clock.Advance(c.advanceMs);
        EXPECT_EQ(opened, c.reopens) << c.what;
        EXPECT_EQ(watch.State().reopens, static_cast<std::uint64_t>(c.reopens)) << c.what;
        EXPECT_EQ(clock.PendingWaits(), c.reopens == 0 && !c.stop ? 1 : 0) << c.what;
    }
}

// An offline spell keeps the time it began through every failed try, ends only when the link
// is up again, and a repeated give-up never leaves two tries waiting.
TEST(AmplifierWatch, OfflineSinceKeepsItsStartUntilTheLinkIsBack) {
    struct Step {
        const char* event;  // "away" "up"
        const char* now;
        bool began;  // away: began a spell; up: ended one
        bool offline;
        const char* since;
    };
    const Step steps[] = {
        {"up", "", false, false, ""},
        {"away", "10:00:00", true, true, "10:00:00"},
        {"away", "10:00:30", false, true, "10:00:00"},
        {"away", "10:01:00", false, true, "10:00:00"},
        {"up", "", true, false, ""},
        {"away", "10:05:00", true, true, "10:05:00"},
    };
    testing::ManualScheduler clock;
    AmplifierWatch watch(clock, [] {});
    for (const Step& s : steps) {
        const bool result =
            std::string(s.event) == "away" ? watch.WentAway(false, s.now) : watch.CameBack();
        EXPECT_EQ(result, s.began) << s.event << ' ' << s.now;
        EXPECT_EQ(watch.State().offline, s.offline) << s.event << ' ' << s.now;
        EXPECT_EQ(watch.State().offlineSince, s.since) << s.event << ' ' << s.now;
        EXPECT_LE(clock.PendingWaits(), 1) << s.event << ' ' << s.now;
    }
}

// The sample holds the last reply's figures and time, and counts the replies.
TEST(AmplifierWatch, ReplyKeepsTheLastFiguresAndTheirTime) {
    testing::ManualScheduler clock;
    AmplifierWatch watch(clock, [] {});
    EXPECT_FALSE(watch.State().lastReplyMs.has_value());
    watch.Reply({1, 2}, {30, 31}, 1000);
    watch.Reply({5, 6}, {40, 41}, 2000);
    const WatchState& s = watch.State();
    EXPECT_EQ(s.levels, (std::array<int, 2>{5, 6}));
    EXPECT_EQ(s.temperatures, (std::array<int, 2>{40, 41}));
    EXPECT_EQ(s.lastReplyMs, 2000);
    EXPECT_EQ(s.replies, 2u);
}

}  // namespace
}  // namespace tolmarin::venue
