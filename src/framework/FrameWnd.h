// CFrameWnd: a main window with a menu, accelerators, control bars and command routing.
//
// Layout: bars are docked along the edges of the client area, first the bars that stay where they are
// (the status bar), then the draggable ones, each in creation order; RepositionBars either places them or
// only reports the rectangle they leave free. A draggable bar docks on any allowed edge or floats in its
// own tool window (DockContext.h); the frame keeps the list of its draggable bars so a floating one,
// which is no longer its child, still gets its update pass and is found by id. Update rules:
// menu items are enabled and checked when their popup opens, toolbar buttons when the message queue
// falls idle. The status bar's first pane shows the idle text or the prompt of the highlighted menu
// item or hovered toolbar button. The idle pass also runs while a modal loop owned by the frame waits
// (WM_ENTERIDLE), so the bars stay current under a dialog or message box.
#pragma once

#include "ControlBar.h"
#include "WinApp.h"

#include <optional>
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

    // Edges (CBRS_ALIGN_*) on which this frame accepts bars.
    void EnableDocking(DWORD style) { dockStyle = style & CBRS_ALIGN_ANY; }
    // Sides a bar may dock on here: allowed by both the frame and the bar.
    unsigned DockSidesFor(const CControlBar* bar) const;
    // Docks the bar on the edge its alignment names, or on the first edge allowed when that one is not.
    void DockControlBar(CControlBar* bar);
    void DockControlBar(CControlBar* bar, DockSide side);
    // Moves the bar into its floating window, whose top-left corner goes to `position` (screen).
    void FloatControlBar(CControlBar* bar, POINT position);
    // Where the bar would be (client coordinates) if docked on `side`, the other bars staying as they are.
    CRect DockedBarRect(CControlBar* bar, DockSide side);
    void ShowControlBar(CControlBar* bar, BOOL show, BOOL delay);
    CControlBar* GetControlBar(UINT id) const;
    // The draggable bars that float in their own tool windows, so are no longer children of the frame.
    std::vector<CControlBar*> FloatingBars() const;

    // Shows the prompt part of a command's string (or the idle text) in the status bar.
    void SetMessageText(UINT id);
    // The prompt of a command: the part of its string before the line feed. A frame whose prompt depends on
    // the command's state answers differently.
    virtual std::string GetMessageString(UINT id) const;
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
    // True when a modal loop runs: the close is then held until the loop has ended (see ModalLoop), and
    // the caller does nothing more now.
    bool DeferCloseUnderModalLoop();
    void OnInitMenuPopup(HMENU popup, UINT index, BOOL sysMenu);
    void OnMenuSelect(UINT item, UINT flags, HMENU menu);
    void OnEnterMenuLoop();
    void OnExitMenuLoop();
    void OnEnterIdle(UINT reason, HWND who);
    void OnViewToolBar();
    void OnViewStatusBar();
    void OnUpdateViewToolBar(CCmdUI* ui);
    void OnUpdateViewStatusBar(CCmdUI* ui);

private:
    // The bars of the frame: its child bars, then the floating ones.
    std::vector<CControlBar*> ControlBars() const;
    // Lays the docked bars out; `probe` is measured as if docked on `probeSide` and its band returned in
    // probeRect (the probe itself is never moved). Bars move only when `move` is set.
    void LayoutBars(bool move, CControlBar* probe, DockSide probeSide, RECT* probeRect, RECT* leftOver);

    HACCEL accelerators = nullptr;
    DWORD dockStyle = 0;
    std::optional<ModalLoop> menuLoop;  // while a menu of this frame is open
    std::vector<CControlBar*> dockBars; // bars given to DockControlBar; they live as long as the frame
    UINT idTracking = AFX_IDS_IDLEMESSAGE;
    UINT idLastMessage = 0;
    bool inLayout = false;
    std::string tipText;
    std::wstring tipTextWide;
};
