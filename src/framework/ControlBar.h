// Control bars of the frame: the toolbar and the status bar. The frame lays them out (top and bottom)
// and gives the rest of its client area to its own child window.
#pragma once

#include "Wnd.h"

#include <vector>

class CControlBar : public CWnd {
public:
    DWORD barStyle = 0;

    // Height the bar takes when docked along the top or bottom of a frame of the given width.
    virtual int CalcHeight(int width) = 0;
    bool IsTop() const { return (barStyle & CBRS_ALIGN_TOP) != 0; }
    void SetBorders(int left, int top, int right, int bottom) { borders = CRect(left, top, right, bottom); }
    void EnableDocking(DWORD style) { dockStyle = style; }
    DWORD GetDockStyle() const { return dockStyle; }
    // Brings the enabled state and check marks of the bar's items up to date (idle time).
    virtual void OnUpdateCmdUI(CFrameWnd* target) {}

protected:
    CRect borders;
    DWORD dockStyle = 0;
};

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
    void OnUpdateCmdUI(CFrameWnd* target) override;
    int GetButtonCount() const { return static_cast<int>(SendMessage(TB_BUTTONCOUNT)); }

protected:
    SIZE imageSize{16, 15};
    HIMAGELIST images = nullptr;

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
