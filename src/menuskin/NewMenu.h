// Frame base of the owner-drawn menu skin: it owns the skin objects of the window menu and of the
// system menu and the id of the skin's own timer.
//
// LATER(menu skin): the owner-drawn menus themselves; until then the menus are the system's.
#pragma once

#include "framework/FrameWnd.h"
#include "framework/Menu.h"

class CNewMenu : public CMenu {
public:
    // Item pictures from a toolbar layout resource and its bitmap.
    bool LoadToolBar(UINT toolBarId) { return true; } // LATER(menu skin)
};

class CNewFrameWnd : public CFrameWnd {
public:
    CNewMenu defaultMenu;
    CNewMenu systemMenu;
    // The skin's timer (0 while none runs); it uses ids from 31 up, clear of the program's timers.
    UINT_PTR skinTimerId = 0;
};
