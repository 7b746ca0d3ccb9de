// Control bars of the frame: the toolbar and the status bar. The frame lays them out along its edges
// and gives the rest of its client area to its own child window. A bar with docking enabled can be
// dragged by its gripper to another edge or into a floating tool window (DockContext.h).
#pragma once

#include "DockSide.h"
#include "Wnd.h"

#include <memory>
#include <vector>

class CDockContext;

class CControlBar : public CWnd {
public:
    DWORD barStyle = 0;

    CControlBar(); // out of line, where CDockContext is complete
    ~CControlBar() override;

    // Height the bar takes when docked along the top or bottom of a frame of the given width.
    virtual int CalcHeight(int width) = 0;
    // Width the bar takes when docked upright along the left or right edge (0: it cannot stand upright).
    virtual int CalcWidth(int height) { return 0; }
    // Client size of the bar laid out in one row, as its floating window shows it.
    virtual SIZE CalcFloatSize() { return SIZE{0, 0}; }
    // Lays the items out one per row (left and right edges) or in one row.
    virtual void SetVertical(bool vertical) {}
    // The bar now lives in `host`: its frame, or its floating window (IsFloating() tells which).
    virtual void OnHostChanged(HWND host) {}

    void SetBorders(int left, int top, int right, int bottom) { borders = CRect(left, top, right, bottom); }
    // Sides the bar may dock on (CBRS_ALIGN_*); any side makes it draggable.
    void EnableDocking(DWORD style);
    DWORD GetDockStyle() const { return dockStyle; }
    // The edge the bar is docked on (its CBRS_ALIGN_* bit), or Float while it lives in a floating window.
    DockSide GetDockSide() const;
    bool IsFloating() const;
    CDockContext* GetDockContext() const { return dockContext.get(); }
    // Brings the enabled state and check marks of the bar's items up to date (idle time).
    virtual void OnUpdateCmdUI(CFrameWnd* target) {}

protected:
    CRect borders;
    DWORD dockStyle = 0;
    std::unique_ptr<CDockContext> dockContext;

    // The gripper: a band at the left (top when upright) of a docked, draggable bar, outside its client area,
    // so the control inside knows nothing of it.
    bool HasGripper() const;
    CRect GripperRect() const; // window coordinates
    DECLARE_MESSAGE_MAP()
    LRESULT OnNcCalcSize(WPARAM wParam, LPARAM lParam);
    LRESULT OnNcPaint(WPARAM wParam, LPARAM lParam);
    LRESULT OnNcHitTest(WPARAM wParam, LPARAM lParam);
    LRESULT OnNcLButtonDown(WPARAM wParam, LPARAM lParam);
    LRESULT OnSetCursor(WPARAM wParam, LPARAM lParam);
};

// Converts between a dock side and the CBRS_ALIGN_* bits (Float has none).
DWORD AlignStyleOf(DockSide side);
unsigned DockSidesOf(DWORD alignStyle);

class CToolBar : public CControlBar {
public:
    bool Create(CWnd* parent, DWORD style, UINT id);
    bool CreateEx(CWnd* parent, DWORD toolStyle, DWORD style, UINT id);
    // Buttons from a toolbar layout resource (type 241) and, when a bitmap of the same id exists,
    // its pictures (magenta is transparent).
    virtual bool LoadToolBar(UINT resourceId);
    bool SetButtons(const std::vector<UINT>& ids);
    void SetSizes(SIZE button, SIZE image);
    int CalcHeight(int width) override;
    int CalcWidth(int height) override;
    SIZE CalcFloatSize() override;
    void SetVertical(bool vertical) override;
    void OnHostChanged(HWND host) override;
    void OnUpdateCmdUI(CFrameWnd* target) override;
    int GetButtonCount() const { return static_cast<int>(SendMessage(TB_BUTTONCOUNT)); }

protected:
    SIZE imageSize{16, 15};
    HIMAGELIST images = nullptr;
    bool vertical = false;
    SIZE rowSize{0, 0}; // the one-row size last measured while the bar lay in one row

public:
    ~CToolBar() override;

    DECLARE_MESSAGE_MAP()
    void OnHotItemChange(NMHDR* header, LRESULT* result);
};

class CStatusBar : public CControlBar {
public:
    bool Create(CWnd* parent, DWORD style, UINT id);
    bool SetIndicators(const UINT* ids, int count);
    void SetPaneText(int index, const char* text) const;
    int CalcHeight(int width) override;
};
