#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "formdesc/FormDescription.h"

namespace tolmarin::form {
namespace {

TEST(DialogUnits, EachEdgeIsRoundedNotTruncatedNorTheSize) {
    // Truncating gives {1, 1, 1, 1}; rounding the size instead of the edges gives width 2.
    EXPECT_EQ(FromDialogUnits(1, 1, 1, 1), (PixelRect{2, 2, 1, 2}));
    // Neighbours in dialog units stay neighbours in pixels.
    EXPECT_EQ(FromDialogUnits(0, 0, 1, 1).Right(), FromDialogUnits(1, 0, 1, 1).x);
    EXPECT_EQ(FromDialogUnits(0, 1, 1, 1).Bottom(), FromDialogUnits(0, 2, 1, 1).y);
}

TEST(FormDescription, IdsAndNamesAreUniqueAndTheReservedStripOverlapsNoControl) {
    std::set<int> ids;
    std::set<std::string> names;
    for (const auto* list : {&FormControls(), &ReservedControls()}) {
        for (const ControlDef& c : *list) {
            EXPECT_TRUE(ids.insert(c.id).second) << c.objectName;
            EXPECT_TRUE(names.insert(c.objectName).second) << c.objectName;
            EXPECT_EQ(FindControl(c.id), &c) << c.objectName;
        }
    }
    const PixelRect strip = StripRect();
    // The strip starts where the background picture ends: the form grows into it, nothing
    // above it moves. A control stands above the strip or wholly inside it, and the strip's
    // controls, made or reserved, never overlap.
    EXPECT_EQ(strip.y, kFormHeight);
    std::vector<const ControlDef*> inStrip;
    for (const auto* list : {&FormControls(), &ReservedControls()}) {
        for (const ControlDef& c : *list) {
            const PixelRect place = PlacedRect(c);
            if (place.Bottom() <= strip.y && list == &FormControls()) {
                continue;
            }
            EXPECT_TRUE(place.x >= 0 && place.Right() <= kFormWidth && place.y >= strip.y &&
                        place.Bottom() <= strip.Bottom())
                << c.objectName;
            inStrip.push_back(&c);
        }
    }
    for (const ControlDef* c : inStrip) {
        for (const ControlDef* other : inStrip) {
            EXPECT_TRUE(other == c || !PlacedRect(*c).Intersects(PlacedRect(*other)))
                << c->objectName;
        }
    }
}

}  // namespace
}  // namespace tolmarin::form
