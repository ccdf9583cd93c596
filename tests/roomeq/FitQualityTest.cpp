#include <gtest/gtest.h>

#include <cstdio>

#include "SyntheticRoom.h"
#include "roomeq/Fit.h"

namespace tolmarin::roomeq {
namespace {

const GridResponse kFlat{};

TEST(FitQuality, EightOnGridFeaturesWithNoiseAreCorrectedToHalfADb) {
    for (unsigned seed = 1; seed <= 6; ++seed) {
        const GridResponse room = test::SyntheticRoom(seed, 8, true, 0.3);
        const FitResult r = FitBands(room, kFlat, ChannelFilters{}, FitOptions{});
        std::printf("seed %u: before %.3f continuous %.3f after %.3f\n", seed, r.rmsBefore,
                    r.rmsContinuous, r.rmsAfter);
        EXPECT_LE(r.rmsAfter, 0.5) << "seed " << seed;
    }
}

TEST(FitQuality, TwelveOffGridFeaturesLoseLittleToTheGrids) {
    for (unsigned seed = 101; seed <= 106; ++seed) {
        const GridResponse room = test::SyntheticRoom(seed, 12, false, 0.0);
        const FitResult bound = FitBands(room, kFlat, ChannelFilters{}, FitOptions{});
        // Off the grids with the same limits: the bands together may cut no more than 15 dB
        // either way, so overlapping peaks of these rooms cannot all be taken out.
        FitOptions free;
        free.onGrids = false;
        const FitResult unconstrained = FitBands(room, kFlat, ChannelFilters{}, free);
        std::printf("seed %u: before %.3f free %.3f bound %.3f\n", seed, bound.rmsBefore,
                    unconstrained.rmsAfter, bound.rmsAfter);
        EXPECT_LE(bound.rmsAfter,
                  std::max(unconstrained.rmsAfter * 1.1, unconstrained.rmsAfter + 0.2))
            << "seed " << seed;
    }
}

}  // namespace
}  // namespace tolmarin::roomeq
