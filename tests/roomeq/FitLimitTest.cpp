#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "SyntheticRoom.h"
#include "roomeq/Fit.h"

namespace tolmarin::roomeq {
namespace {

GridResponse Dips(std::initializer_list<std::pair<double, double>> hzAndDb, double q) {
    GridResponse room{};
    for (const auto& [hz, db] : hzAndDb) {
        SectionSet s;
        s.count = 1;
        s.section[0] = PeakingBiquad(hz, db, q);
        const GridResponse r = EvaluateSections(s);
        for (int i = 0; i < kGridSize; ++i) {
            room[static_cast<std::size_t>(i)] += r[static_cast<std::size_t>(i)];
        }
    }
    for (double& v : room) {
        v += 80.0;
    }
    return room;
}

// Each band within the largest boost is not enough: two bands on one deep dip, or two
// narrow boosts side by side, stack beyond it.
TEST(FitLimits, TheBandsTogetherStayWithinTheLargestBoostAndCut) {
    const struct {
        const char* what;
        GridResponse room;
        double boost;
        double cut;
    } cases[] = {
        {"one deep dip", Dips({{1000.0, -14.0}}, 1.0), 6.0, 15.0},
        {"two narrow dips", Dips({{900.0, -9.0}, {1100.0, -9.0}}, 4.0), 6.0, 15.0},
        {"a deep peak", Dips({{200.0, 16.0}}, 1.5), 6.0, 8.0},
        {"synthetic room 3", test::SyntheticRoom(3, 10, false, 0.2), 3.0, 6.0},
        {"synthetic room 105", test::SyntheticRoom(105, 12, false, 0.0), 4.0, 10.0},
    };
    for (const auto& c : cases) {
        FitOptions o;
        o.maxBoostDb = c.boost;
        o.maxCutDb = c.cut;
        for (const bool shelves : {false, true}) {
            o.shelves = shelves;
            const FitResult r = FitBands(c.room, GridResponse{}, ChannelFilters{}, o);
            const GridResponse bands = BandsResponse(r.bands);
            const auto [lo, hi] = std::minmax_element(bands.begin(), bands.end());
            EXPECT_LE(*hi, c.boost + 1e-6) << c.what << (shelves ? " with shelves" : "");
            EXPECT_GE(*lo, -c.cut - 1e-6) << c.what << (shelves ? " with shelves" : "");
            EXPECT_TRUE(std::isfinite(r.rmsAfter));
            EXPECT_LT(r.rmsAfter, r.rmsBefore) << c.what;
        }
    }
}

}  // namespace
}  // namespace tolmarin::roomeq
