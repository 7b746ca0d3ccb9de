// The process-wide side of the owner-drawn menu skin: the system facts it reads once (system code, high
// contrast, theme and gradient entry points), the eight style records with the selected one, the call
// hook that subclasses every pop-up menu window of the GUI thread, the fonts, and the error report.
//
// One GUI thread: everything here is touched only by the thread that called StartSkin.
#pragma once

#include "framework/Afx.h"
#include "menuskin/MenuSkinRules.h"

class CNewMenuItemData;

namespace menuskin {

// A drawing style: how items are measured and drawn, how menu-bar items are drawn, and whether the
// style paints the pop-up window's frame itself (the even-numbered styles do).
struct MenuStyle {
    void (*measure)(MEASUREITEMSTRUCT* measure, const CNewMenuItemData& item);
    void (*drawItem)(const DRAWITEMSTRUCT* draw, const CNewMenuItemData& item);
    void (*drawBarItem)(const DRAWITEMSTRUCT* draw, const CNewMenuItemData& item);
    bool ownFrame;
};
inline constexpr int kStyleCount = 8;
inline constexpr int kSelectedStyle = 2;

// Process start and end. A hook that cannot be installed is reported; the program then runs on with
// menus the system draws (SkinActive() stays false).
void StartSkin();
void StopSkin();
bool SkinActive();
const MenuStyle& CurrentStyle();
SystemCode CurrentSystem();
bool HighContrast();

// Re-reads high contrast and the theme state (system colour or theme change).
void RefreshSystemState();
// The colours of the current style from the system's colours now.
MenuColours CurrentColours();
// The menu font of the non-client metrics (one, owned here) and the Marlett symbol font of a character
// height (one per height, owned here).
HFONT MenuFont();
HFONT MarlettFont(int height, bool bold);
// The brush behind the menu bar's entries, so the bar around them has their background (owned here,
// made anew after RefreshSystemState).
HBRUSH MenuBarBrush();

// The pop-up being opened, remembered at its initialisation for the menu window about to be created.
void SetOpeningMenu(HMENU menu);
// True while the menu window is subclassed by the skin (tests and the frame ask).
bool IsMenuWindowSubclassed(HWND window);

// A failing system call of the skin: a message box captioned "Error" with the system's text of `code`.
void ReportSkinError(DWORD code);

} // namespace menuskin
