// Docking of a control bar: the drag by its gripper (or by its floating window's caption), the outline that
// shows where it will land, and the small tool window a floating bar lives in.
//
// The frame decides the layout (CFrameWnd::DockControlBar, FloatControlBar); this file only tracks the mouse
// and asks the frame for the rectangle a side would give. The side a drop point picks is the portable rule
// in DockSide.h.
#pragma once

#include "ControlBar.h"

class CFrameWnd;

// A tool window with a caption holding one floating bar. Its close box hides the bar (as the View menu
// does), a double click on its caption docks the bar back, and a drag on its caption moves it or docks it.
// What the bar sends its parent goes on to the frame, so commands, tool-tips and prompts work as docked.
class CMiniDockFrameWnd : public CWnd {
public:
    bool Create(CFrameWnd* frame, CControlBar* bar);

protected:
    bool OnCommand(WPARAM wParam, LPARAM lParam) override;
    bool OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* result) override;

    DECLARE_MESSAGE_MAP()
    void OnClose();
    LRESULT OnNcLButtonDown(WPARAM wParam, LPARAM lParam);
    LRESULT OnNcLButtonDblClk(WPARAM wParam, LPARAM lParam);

private:
    CFrameWnd* frame = nullptr;
    CControlBar* bar = nullptr;
};

// The docking state of one bar: where it was docked last, where it floated last, and its floating window.
class CDockContext {
public:
    explicit CDockContext(CControlBar* bar) : bar(bar) {}
    ~CDockContext();
    CDockContext(const CDockContext&) = delete;
    CDockContext& operator=(const CDockContext&) = delete;

    // Follows the mouse while the left button is held (capture on `window`), showing the outline of where
    // the bar would land, and docks or floats it on release. Escape, the right button or a lost capture
    // cancel; a release within the system's drag distance does nothing.
    void StartDrag(HWND window, POINT screenPoint);
    // Floating: docks the bar back on the side it was docked on last.
    void DockBack();

    CControlBar* const bar;
    bool floating = false;
    DockSide lastDocked = DockSide::Top;
    POINT floatPosition{0, 0}; // top-left of the floating window, screen coordinates
    CMiniDockFrameWnd floatWindow;

private:
    // The screen rectangle the bar would take if dropped at this point, and the side that gives.
    DockSide Track(POINT screenPoint, POINT grabOffset, RECT* landing) const;
};

// Outer size of the floating window around a bar client area of this size.
SIZE FloatWindowSize(SIZE client);
