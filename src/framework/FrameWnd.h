// CFrameWnd: a main window with a menu, accelerators, control bars and command routing.
//
// Layout: bars are docked along the top or bottom of the client area in the order they were created;
// RepositionBars either places them or only reports the rectangle they leave free. Update rules:
// menu items are enabled and checked when their popup opens, toolbar buttons when the message queue
// falls idle. The status bar's first pane shows the idle text or the prompt of the highlighted menu
// item or hovered toolbar button. The idle pass also runs while a modal loop owned by the frame waits
// (WM_ENTERIDLE), so the bars stay current under a dialog or message box.
#pragma once

#include "ControlBar.h"

#include <vector>

class CFrameWnd : public CWnd {
public:
    static constexpr UINT reposDefault = 0;
    static constexpr UINT reposQuery = 1;

    bool LoadFrame(UINT resourceId, DWORD style = WS_OVERLAPPEDWINDOW | FWS_ADDTOTITLE, CWnd* parent = nullptr);

    virtual void RecalcLayout();
    // Places the visible bars (reposDefault) or only computes (reposQuery) the client rectangle they
    // leave free, which is written to leftOver when given.
    void RepositionBars(UINT flags, RECT* leftOver);

    void EnableDocking(DWORD style) { dockStyle = style; }
    void DockControlBar(CControlBar* bar);
    void ShowControlBar(CControlBar* bar, BOOL show, BOOL delay);
    CControlBar* GetControlBar(UINT id) const;

    // Shows the prompt part of a command's string (or the idle text) in the status bar.
    void SetMessageText(UINT id);
    // The prompt of the highlighted menu item or hovered button: shown now and kept through idle
    // updates until another item is tracked (AFX_IDS_IDLEMESSAGE when none is).
    void TrackMessage(UINT id);
    void SetMessageText(const char* text);
    // Idle-time update of the bars' buttons and the status text.
    void OnIdleUpdateCmdUI();

    HACCEL GetAccelerators() const { return accelerators; }
    bool OnCmdMsg(UINT id, int code, void* extra, bool probeOnly = false) override;

protected:
    BOOL PreCreateWindow(CREATESTRUCTA& cs) override;
    void PostNcDestroy() override;
    // The main window has gone: the application has no main window and the message loop ends.
    void EndMainWindow();
    bool OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* result) override;
    bool OnCommand(WPARAM wParam, LPARAM lParam) override;

    DECLARE_MESSAGE_MAP()
    void OnSize(UINT type, int cx, int cy);
    void OnClose();
    void OnInitMenuPopup(HMENU popup, UINT index, BOOL sysMenu);
    void OnMenuSelect(UINT item, UINT flags, HMENU menu);
    void OnExitMenuLoop();
    void OnEnterIdle(UINT reason, HWND who);
    void OnViewToolBar();
    void OnViewStatusBar();
    void OnUpdateViewToolBar(CCmdUI* ui);
    void OnUpdateViewStatusBar(CCmdUI* ui);

private:
    HACCEL accelerators = nullptr;
    DWORD dockStyle = 0;
    UINT idTracking = AFX_IDS_IDLEMESSAGE;
    UINT idLastMessage = 0;
    bool inLayout = false;
    std::string tipText;
    std::wstring tipTextWide;
};
