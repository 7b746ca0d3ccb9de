// Dock side rules: which edge a drop point picks and what band a docked bar takes.
#include "framework/DockSide.h"

#include <algorithm>
#include <climits>
#include <cstdlib>

DockSide PickDockSide(int x, int y, const DockBox& frame, int reach, unsigned allowed) {
    if (frame.right <= frame.left || frame.bottom <= frame.top)
        return DockSide::Float;
    reach = std::max(reach, 0);
    // 64-bit arithmetic: points and rectangles come from the screen, but nothing stops a caller from
    // passing extreme values, and the distances must not wrap.
    const long long px = x, py = y;
    const bool alongHorizontal =
        px >= frame.left - static_cast<long long>(reach) && px < frame.right + static_cast<long long>(reach);
    const bool alongVertical =
        py >= frame.top - static_cast<long long>(reach) && py < frame.bottom + static_cast<long long>(reach);
    struct Edge {
        DockSide side;
        bool along;
        long long distance;
    };
    // In order of preference for ties: horizontal edges first.
    const Edge edges[] = {
        {DockSide::Top, alongHorizontal, std::llabs(py - frame.top)},
        {DockSide::Bottom, alongHorizontal, std::llabs(py - (frame.bottom - 1LL))},
        {DockSide::Left, alongVertical, std::llabs(px - frame.left)},
        {DockSide::Right, alongVertical, std::llabs(px - (frame.right - 1LL))},
    };
    DockSide best = DockSide::Float;
    long long bestDistance = LLONG_MAX;
    for (const Edge& edge : edges) {
        if (!edge.along || edge.distance > reach || !(allowed & DockSideBit(edge.side)))
            continue;
        if (edge.distance < bestDistance) {
            best = edge.side;
            bestDistance = edge.distance;
        }
    }
    return best;
}

DockBox TakeDockBand(DockBox& free, DockSide side, int thickness) {
    if (side == DockSide::Float)
        return DockBox{free.left, free.top, free.left, free.top};
    const int width = std::max(free.right - free.left, 0);
    const int height = std::max(free.bottom - free.top, 0);
    const int depth = std::clamp(thickness, 0, IsVerticalSide(side) ? width : height);
    DockBox band = free;
    switch (side) {
    case DockSide::Top:
        band.bottom = band.top + depth;
        free.top += depth;
        break;
    case DockSide::Bottom:
        band.top = band.bottom - depth;
        free.bottom -= depth;
        break;
    case DockSide::Left:
        band.right = band.left + depth;
        free.left += depth;
        break;
    case DockSide::Right:
        band.left = band.right - depth;
        free.right -= depth;
        break;
    case DockSide::Float:
        break;
    }
    return band;
}
