// Dock side rules: the edge a drop point picks (bands on both sides of each edge, nearest edge in the
// corners, horizontal edges on ties, sides that are not allowed, bad input) and the band a docked bar takes.
#include "framework/DockSide.h"

#include <gtest/gtest.h>

#include <climits>

namespace {

const char* Name(DockSide side) {
    switch (side) {
    case DockSide::Top:
        return "top";
    case DockSide::Bottom:
        return "bottom";
    case DockSide::Left:
        return "left";
    case DockSide::Right:
        return "right";
    case DockSide::Float:
        return "float";
    }
    return "?";
}

} // namespace

TEST(DockSide, TheDropPointPicksTheNearestEdgeWithinReachElseFloats) {
    // A frame client area of 800x500 at (100, 50) on the screen; bands 40 pixels deep.
    const DockBox frame{100, 50, 900, 550};
    constexpr unsigned horizontalOnly = DockSideBit(DockSide::Top) | DockSideBit(DockSide::Bottom);
    struct Case {
        int x, y;
        DockBox frame;
        int reach;
        unsigned allowed;
        DockSide expected;
    };
    const Case cases[] = {
        {500, 300, frame, 40, kDockAnySide, DockSide::Float},  // the middle
        {500, 60, frame, 40, kDockAnySide, DockSide::Top},     // just inside the top edge
        {500, 20, frame, 40, kDockAnySide, DockSide::Top},     // above it, on the menu bar
        {500, 9, frame, 40, kDockAnySide, DockSide::Float},    // beyond the band
        {500, 10, frame, 40, kDockAnySide, DockSide::Top},     // the band's outer limit
        {500, 90, frame, 40, kDockAnySide, DockSide::Top},     // its inner limit
        {500, 91, frame, 40, kDockAnySide, DockSide::Float},   // one pixel further in
        {500, 540, frame, 40, kDockAnySide, DockSide::Bottom}, // the status bar's place
        {500, 580, frame, 40, kDockAnySide, DockSide::Bottom}, // below the frame
        {105, 300, frame, 40, kDockAnySide, DockSide::Left},
        {70, 300, frame, 40, kDockAnySide, DockSide::Left},
        {895, 300, frame, 40, kDockAnySide, DockSide::Right},
        {930, 300, frame, 40, kDockAnySide, DockSide::Right},
        {120, 60, frame, 40, kDockAnySide, DockSide::Top},      // corner, nearer the top
        {105, 80, frame, 40, kDockAnySide, DockSide::Left},     // corner, nearer the left
        {110, 60, frame, 40, kDockAnySide, DockSide::Top},      // exact tie: horizontal wins
        {60, 10, frame, 40, kDockAnySide, DockSide::Top},       // outside both ends of the corner
        {59, 300, frame, 40, kDockAnySide, DockSide::Float},    // far left of the frame
        {500, 300, frame, 400, kDockAnySide, DockSide::Bottom}, // every band covers the middle: nearest wins
        {105, 300, frame, 40, horizontalOnly, DockSide::Float}, // left is not allowed
        {105, 60, frame, 40, horizontalOnly, DockSide::Top},    // corner: the allowed edge takes it
        {500, 60, frame, 40, DockSideBit(DockSide::Left), DockSide::Float},
        {500, 60, frame, 40, 0, DockSide::Float},         // nothing allowed
        {500, 50, frame, 0, kDockAnySide, DockSide::Top}, // no reach: only the edge itself
        {500, 51, frame, 0, kDockAnySide, DockSide::Float},
        {500, 50, frame, -5, kDockAnySide, DockSide::Top},                        // negative reach counts as 0
        {500, 60, DockBox{100, 50, 100, 550}, 40, kDockAnySide, DockSide::Float}, // empty frame
        {500, 60, DockBox{900, 550, 100, 50}, 40, kDockAnySide, DockSide::Float}, // inverted frame
        {500, 300, frame, INT_MAX, kDockAnySide, DockSide::Bottom},               // band limits do not wrap
        {INT_MAX, INT_MAX, DockBox{INT_MIN, INT_MIN, INT_MAX, INT_MAX}, 40, kDockAnySide, DockSide::Bottom},
    };
    for (const Case& c : cases) {
        DockSide got = PickDockSide(c.x, c.y, c.frame, c.reach, c.allowed);
        EXPECT_EQ(got, c.expected) << "drop at (" << c.x << ", " << c.y << ") reach " << c.reach << " allowed "
                                   << c.allowed << ": got " << Name(got) << ", expected " << Name(c.expected);
    }
}

TEST(DockSide, ADockedBarTakesABandAlongItsEdgeAndNoMoreThanIsFree) {
    struct Case {
        DockBox free;
        DockSide side;
        int thickness;
        DockBox band;
        DockBox freeAfter;
    };
    const DockBox client{0, 0, 800, 500};
    const Case cases[] = {
        {client, DockSide::Top, 41, {0, 0, 800, 41}, {0, 41, 800, 500}},
        {client, DockSide::Bottom, 41, {0, 459, 800, 500}, {0, 0, 800, 459}},
        {client, DockSide::Left, 38, {0, 0, 38, 500}, {38, 0, 800, 500}},
        {client, DockSide::Right, 38, {762, 0, 800, 500}, {0, 0, 762, 500}},
        // Below a status bar already placed: the vertical band spans only what is left.
        {{0, 0, 800, 478}, DockSide::Left, 38, {0, 0, 38, 478}, {38, 0, 800, 478}},
        {client, DockSide::Float, 41, {0, 0, 0, 0}, client},
        {{0, 0, 30, 20}, DockSide::Left, 38, {0, 0, 30, 20}, {30, 0, 30, 20}}, // narrower than the bar
        {{0, 0, 30, 20}, DockSide::Top, 41, {0, 0, 30, 20}, {0, 20, 30, 20}},
        {client, DockSide::Top, -3, {0, 0, 800, 0}, client},                     // negative thickness
        {{0, 10, 800, 5}, DockSide::Top, 41, {0, 10, 800, 10}, {0, 10, 800, 5}}, // already empty
    };
    for (const Case& c : cases) {
        DockBox free = c.free;
        DockBox band = TakeDockBand(free, c.side, c.thickness);
        EXPECT_EQ(band, c.band) << Name(c.side) << " thickness " << c.thickness;
        EXPECT_EQ(free, c.freeAfter) << Name(c.side) << " thickness " << c.thickness;
    }
}
