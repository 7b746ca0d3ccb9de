// Where a dragged control bar lands, apart from any window so it runs without one: the edge of the frame
// a drop point picks, and the band a docked bar takes from the frame's free client area.
#pragma once

enum class DockSide { Top, Bottom, Left, Right, Float };

// Bit of a side in an "allowed sides" mask (the frame's and the bar's docking styles, combined).
constexpr unsigned DockSideBit(DockSide side) { return side == DockSide::Float ? 0u : 1u << static_cast<int>(side); }
constexpr unsigned kDockAnySide = 0xF;

struct DockBox {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    bool operator==(const DockBox&) const = default;
};

inline bool IsVerticalSide(DockSide side) { return side == DockSide::Left || side == DockSide::Right; }

// The side a bar dropped at (x, y) docks on. Each edge of `frame` owns a band `reach` pixels deep on both
// sides of it (so a drop on the menu bar or just outside the frame still counts) and as long as the edge
// plus `reach` at both ends. A point in several bands (a corner) takes the nearest edge; an exact tie goes
// to the top or bottom edge, so a bar keeps the horizontal shape it had. A point in no band, a side not in
// `allowed`, an empty frame or a negative reach (read as 0) gives Float.
DockSide PickDockSide(int x, int y, const DockBox& frame, int reach, unsigned allowed);

// The band a bar `thickness` pixels thick takes when docked on `side` of `free` (the client area the bars
// placed so far left): the whole length of that edge, at most the free depth. `free` shrinks by the band.
// Float takes nothing. A negative thickness counts as 0; a box that is already empty stays empty.
DockBox TakeDockBand(DockBox& free, DockSide side, int thickness);
