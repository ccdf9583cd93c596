#include <gtest/gtest.h>

#include <set>
#include <string>

#include "form/FormDescription.h"

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
    // The strip starts where the form ends today: the form grows into it, nothing moves.
    EXPECT_EQ(strip.y, kFormHeight);
    for (const ControlDef& c : FormControls()) {
        EXPECT_LE(PlacedRect(c).Bottom(), strip.y) << c.objectName;
    }
    for (const ControlDef& r : ReservedControls()) {
        const PixelRect place = PlacedRect(r);
        EXPECT_TRUE(place.x >= 0 && place.Right() <= kFormWidth && place.y >= strip.y &&
                    place.Bottom() <= strip.Bottom())
            << r.objectName;
        for (const ControlDef& other : ReservedControls()) {
            EXPECT_TRUE(&other == &r || !place.Intersects(PlacedRect(other))) << r.objectName;
        }
    }
}

}  // namespace
}  // namespace tolmarin::form
