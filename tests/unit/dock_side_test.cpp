// Dock side rules: the edge a drop point picks (bands on both sides of each edge, nearest edge in the
// corners, horizontal edges on ties, sides that are not allowed, bad input). The band a docked bar then takes
// shows in the docking layouts end to end.
#include "framework/DockSide.h"

#include <gtest/gtest.h>

#include <climits>

TEST(DockSide, TheDropPointPicksTheNearestEdgeWithinReachElseFloats) {
    // A frame client area of 800x500 at (100, 50) on the screen; bands 40 pixels deep.
    const DockBox frame{100, 50, 900, 550};
    constexpr unsigned any = kDockAnySide, horizontal = DockSideBit(DockSide::Top) | DockSideBit(DockSide::Bottom);
    using enum DockSide;
    // clang-format off
    const struct { int x, y; DockBox frame; int reach; unsigned allowed; DockSide expected; } cases[] = {
        // The middle; beyond the top band, its outer limit, its inner limit, one pixel further in.
        {500, 300, frame, 40, any, Float}, {500, 9, frame, 40, any, Float}, {500, 10, frame, 40, any, Top},
        {500, 90, frame, 40, any, Top}, {500, 91, frame, 40, any, Float},
        // Outside the other three edges.
        {500, 580, frame, 40, any, Bottom}, {70, 300, frame, 40, any, Left}, {930, 300, frame, 40, any, Right},
        // Corners: nearer the top, nearer the left, an exact tie (horizontal wins), outside both ends.
        {120, 60, frame, 40, any, Top}, {105, 80, frame, 40, any, Left}, {110, 60, frame, 40, any, Top},
        {60, 10, frame, 40, any, Top},
        // Every band covers the middle: the nearest wins, and band limits do not wrap.
        {500, 300, frame, 400, any, Bottom}, {500, 300, frame, INT_MAX, any, Bottom},
        // Left not allowed; in the corner the allowed edge takes it; nothing allowed.
        {105, 300, frame, 40, horizontal, Float}, {105, 60, frame, 40, horizontal, Top}, {500, 60, frame, 40, 0, Float},
        // A negative reach counts as 0: only the edge itself.
        {500, 50, frame, -5, any, Top}, {500, 51, frame, 0, any, Float},
        // Empty and inverted frames, and the extremes.
        {500, 60, DockBox{100, 50, 100, 550}, 40, any, Float}, {500, 60, DockBox{900, 550, 100, 50}, 40, any, Float},
        {INT_MAX, INT_MAX, DockBox{INT_MIN, INT_MIN, INT_MAX, INT_MAX}, 40, any, Bottom},
    };
    // clang-format on
    for (const auto& c : cases) {
        EXPECT_EQ(PickDockSide(c.x, c.y, c.frame, c.reach, c.allowed), c.expected)
            << "drop at (" << c.x << ", " << c.y << ") reach " << c.reach << " allowed " << c.allowed;
    }
}
