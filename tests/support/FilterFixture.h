#pragma once

#include <gtest/gtest.h>

#include "response/Filter.h"
#include "support/Fresh.h"

namespace tolmarin::testing {

// Filters on a fresh state with change sending on, as the editor holds them once linked:
// an EQ band, or a crossover configured as the EQ bank configures its two.
class FilterFixture : public ::testing::Test {
protected:
    Filter Band(int hz, int gainStep = 200) {
        Filter f(*s, sending);
        f.SetFreq(hz, true);
        f.SetGainStep(gainStep);
        return f;
    }
    Filter Crossover(int type, int hz) {
        Filter f(*s, sending);
        f.SetType(type);
        f.SetEqBand(false);
        f.SetFreq(hz, true);
        return f;
    }

    FreshState s;
    SendMode sending{true};
};

// The response is 0 dB at every grid point.
inline bool Flat(const Filter& f) {
    for (double v : f.Response()) {
        if (v != 0.0) {
            return false;
        }
    }
    return true;
}

}  // namespace tolmarin::testing
