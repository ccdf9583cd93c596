// A channel value the parameter table alone describes: held, limited, marked and linked as
// the members are, so that a new row needs no member of its own.
#include <gtest/gtest.h>

#include "model/ChannelSet.h"
#include "model/Parameters.h"
#include "support/Fresh.h"

namespace tolmarin {
namespace {

// A row like the attack's, but held by the table, in a byte the amplifier leaves spare.
ParamDef HeldRow() {
    ParamDef d = ParamOf(Param::LimiterAttack);
    d.read = nullptr;
    d.write = nullptr;
    d.tableHeld = true;
    d.offset = block::kLimitRelease + 1;
    return d;
}

// Catches an edit that is not limited, not marked for sending or not followed by the
// linked partner (or followed by an unlinked one).
TEST(TableHeldValue, AnEditIsLimitedMarkedAndFollowsOnlyALinkedPartner) {
    struct Case {
        bool linked;
        int typed;
        int held;
    };
    const ParamDef d = HeldRow();
    for (const Case& c : {Case{true, 42, 42}, Case{false, 42, 42}, Case{true, 999, d.high},
                          Case{false, -5, d.low}}) {
        testing::FreshState fresh;
        ChannelSet set(*fresh);
        set.SetSending(true);
        if (c.linked) {
            set.LinkCh1Ch2(false, {});
        }
        set.ClearAllPending(false);
        EditValueOf(d, set.Channel(0), 0, c.typed);
        EXPECT_EQ(ReadValueOf(d, set.Channel(0), 0), c.held) << c.typed;
        EXPECT_TRUE(set.Channel(0).PendingLimiter());
        EXPECT_EQ(set.Channel(1).PendingLimiter(), c.linked);
        EXPECT_EQ(set.Channel(1).Value(d), c.linked ? c.held : 0);
    }
}

}  // namespace
}  // namespace tolmarin
