// Frame window: creation from resources, bar layout, update passes and status-bar prompts.
#include "FrameWnd.h"
#include "WinApp.h"
#include "AfxRes.h"

BEGIN_MESSAGE_MAP(CFrameWnd, CWnd)
ON_WM_SIZE()
ON_WM_CLOSE()
ON_WM_INITMENUPOPUP()
ON_WM_MENUSELECT()
ON_WM_EXITMENULOOP()
ON_WM_ENTERIDLE()
ON_COMMAND(ID_VIEW_TOOLBAR, OnViewToolBar)
ON_COMMAND(ID_VIEW_STATUS_BAR, OnViewStatusBar)
ON_UPDATE_COMMAND_UI(ID_VIEW_TOOLBAR, OnUpdateViewToolBar)
ON_UPDATE_COMMAND_UI(ID_VIEW_STATUS_BAR, OnUpdateViewStatusBar)
END_MESSAGE_MAP()

namespace {

// The part of a command string before the line feed is its prompt, the part after it its tip.
std::string CommandStringPart(UINT id, bool tip) {
    std::string text = AfxLoadString(id);
    size_t split = text.find('\n');
    if (split == std::string::npos)
        return tip ? std::string() : text;
    return tip ? text.substr(split + 1) : text.substr(0, split);
}

} // namespace

bool CFrameWnd::LoadFrame(UINT resourceId, DWORD style, CWnd* parent) {
    HINSTANCE instance = GetModuleHandleA(nullptr);
    std::string title = CommandStringPart(resourceId, false);
    HMENU menu = LoadMenuA(instance, MAKEINTRESOURCEA(resourceId));
    accelerators = LoadAcceleratorsA(instance, MAKEINTRESOURCEA(resourceId));
    CRect rect(CW_USEDEFAULT, CW_USEDEFAULT, 0, 0);
    // The frame-only style bits are not window styles.
    style &= ~FWS_ADDTOTITLE;
    if (!CreateEx(0, nullptr, title.c_str(), style, rect, parent ? parent->hwnd : nullptr,
                  reinterpret_cast<UINT_PTR>(menu))) {
        if (menu != nullptr)
            DestroyMenu(menu);
        return false;
    }
    return true;
}

BOOL CFrameWnd::PreCreateWindow(CREATESTRUCTA& cs) {
    if (cs.lpszClass == nullptr)
        cs.lpszClass =
            AfxRegisterWndClass(CS_DBLCLKS, LoadCursor(nullptr, IDC_ARROW), reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1));
    cs.dwExStyle |= WS_EX_CLIENTEDGE;
    return TRUE;
}

void CFrameWnd::EndMainWindow() {
    CWinApp* app = AfxGetApp();
    if (app != nullptr && app->mainWnd == this) {
        app->mainWnd = nullptr;
        PostQuitMessage(0);
    }
}

void CFrameWnd::PostNcDestroy() {
    EndMainWindow();
    delete this;
}

CControlBar* CFrameWnd::GetControlBar(UINT id) const {
    return dynamic_cast<CControlBar*>(FromHandlePermanent(GetDlgItem(static_cast<int>(id))));
}

void CFrameWnd::DockControlBar(CControlBar* bar) {
    // Bars stay docked where their alignment puts them; floating is not offered.
    RecalcLayout();
}

void CFrameWnd::ShowControlBar(CControlBar* bar, BOOL show, BOOL delay) {
    if (bar == nullptr)
        return;
    bar->ShowWindow(show ? SW_SHOWNOACTIVATE : SW_HIDE);
    if (!delay)
        RecalcLayout();
}

void CFrameWnd::RepositionBars(UINT flags, RECT* leftOver) {
    CRect free;
    GetClientRect(&free);
    int width = free.Width();
    for (HWND child = GetWindow(hwnd, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
        auto* bar = dynamic_cast<CControlBar*>(FromHandlePermanent(child));
        if (bar == nullptr || !bar->IsWindowVisible())
            continue;
        int height = bar->CalcHeight(width);
        CRect place = free;
        if (bar->IsTop()) {
            place.bottom = place.top + height;
            free.top = place.bottom;
        } else {
            place.top = place.bottom - height;
            free.bottom = place.top;
        }
        if (free.bottom < free.top)
            free.bottom = free.top;
        if (flags != reposQuery)
            bar->MoveWindow(place, TRUE);
    }
    if (leftOver != nullptr)
        *leftOver = free;
}

void CFrameWnd::RecalcLayout() {
    if (inLayout)
        return;
    inLayout = true;
    RepositionBars(reposDefault, nullptr);
    inLayout = false;
}

void CFrameWnd::OnSize(UINT type, int cx, int cy) {
    if (type != SIZE_MINIMIZED)
        RecalcLayout();
}

void CFrameWnd::OnClose() { DestroyWindow(); }

bool CFrameWnd::OnCmdMsg(UINT id, int code, void* extra, bool probeOnly) {
    if (CWnd::OnCmdMsg(id, code, extra, probeOnly))
        return true;
    CWinApp* app = AfxGetApp();
    return app != nullptr && app->OnCmdMsg(id, code, extra, probeOnly);
}

void CFrameWnd::OnInitMenuPopup(HMENU popup, UINT index, BOOL sysMenu) {
    if (sysMenu)
        return;
    int count = GetMenuItemCount(popup);
    for (int i = 0; i < count && i < GetMenuItemCount(popup); ++i) {
        CCmdUI state;
        state.menu = popup;
        state.index = static_cast<UINT>(i);
        UINT id = GetMenuItemID(popup, i);
        if (id == 0)
            continue; // separator
        if (id == static_cast<UINT>(-1)) {
            // A sub-menu follows the command of its first item, without the no-handler rule.
            HMENU sub = GetSubMenu(popup, i);
            if (sub == nullptr || (id = GetMenuItemID(sub, 0)) == 0 || id == static_cast<UINT>(-1))
                continue;
            state.id = id;
            state.DoUpdate(this, false);
            continue;
        }
        state.id = id;
        // Items without a handler are disabled (framework commands from 0xF000 up excepted).
        state.DoUpdate(this, id < 0xF000);
    }
}

void CFrameWnd::OnMenuSelect(UINT item, UINT flags, HMENU menu) {
    if (flags == 0xFFFF && menu == nullptr)
        TrackMessage(AFX_IDS_IDLEMESSAGE);
    else if (flags & (MF_SEPARATOR | MF_POPUP))
        TrackMessage(0);
    else
        TrackMessage(item);
}

void CFrameWnd::OnExitMenuLoop() { TrackMessage(AFX_IDS_IDLEMESSAGE); }

void CFrameWnd::OnEnterIdle(UINT reason, HWND who) {
    // A modal dialog or menu owned by this frame runs its own message loop, which never reaches the main
    // loop's idle pass; it tells its owner each time its queue empties, and the pass runs here.
    if (CWinApp* app = AfxGetApp())
        app->RunModalIdle();
}

void CFrameWnd::TrackMessage(UINT id) {
    idTracking = id;
    SetMessageText(id);
}

void CFrameWnd::SetMessageText(UINT id) {
    idLastMessage = id;
    SetMessageText(id == 0 ? "" : CommandStringPart(id, false).c_str());
}

void CFrameWnd::SetMessageText(const char* text) {
    if (auto* status = dynamic_cast<CStatusBar*>(GetControlBar(AFX_IDW_STATUS_BAR)))
        status->SetPaneText(0, text);
}

void CFrameWnd::OnIdleUpdateCmdUI() {
    for (HWND child = GetWindow(hwnd, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
        auto* bar = dynamic_cast<CControlBar*>(FromHandlePermanent(child));
        if (bar != nullptr && bar->IsWindowVisible())
            bar->OnUpdateCmdUI(this);
    }
    if (idTracking != idLastMessage)
        SetMessageText(idTracking);
}

bool CFrameWnd::OnCommand(WPARAM wParam, LPARAM lParam) {
    bool handled = CWnd::OnCommand(wParam, lParam);
    // A command may change what the toolbar shows; a command sent from another thread passes no posted
    // message through the loop, so one is posted to bring on the idle-time update.
    PostMessage(WM_NULL);
    return handled;
}

bool CFrameWnd::OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* result) {
    auto* header = reinterpret_cast<NMHDR*>(lParam);
    // Tool-tips of toolbar buttons: the tip part of the command's string.
    if (header->code == TTN_GETDISPINFOA) {
        auto* info = reinterpret_cast<NMTTDISPINFOA*>(lParam);
        if (!(info->uFlags & TTF_IDISHWND)) {
            tipText = CommandStringPart(static_cast<UINT>(header->idFrom), true);
            info->lpszText = tipText.data();
            info->hinst = nullptr;
            *result = 0;
            return true;
        }
    } else if (header->code == TTN_GETDISPINFOW) {
        auto* info = reinterpret_cast<NMTTDISPINFOW*>(lParam);
        if (!(info->uFlags & TTF_IDISHWND)) {
            std::string tip = CommandStringPart(static_cast<UINT>(header->idFrom), true);
            tipTextWide.assign(tip.begin(), tip.end());
            info->lpszText = tipTextWide.data();
            info->hinst = nullptr;
            *result = 0;
            return true;
        }
    }
    return CWnd::OnNotify(wParam, lParam, result);
}

void CFrameWnd::OnViewToolBar() {
    CControlBar* bar = GetControlBar(AFX_IDW_TOOLBAR);
    ShowControlBar(bar, bar != nullptr && !bar->IsWindowVisible(), FALSE);
}

void CFrameWnd::OnViewStatusBar() {
    CControlBar* bar = GetControlBar(AFX_IDW_STATUS_BAR);
    ShowControlBar(bar, bar != nullptr && !bar->IsWindowVisible(), FALSE);
}

void CFrameWnd::OnUpdateViewToolBar(CCmdUI* ui) {
    CControlBar* bar = GetControlBar(AFX_IDW_TOOLBAR);
    ui->Enable(bar != nullptr);
    ui->SetCheck(bar != nullptr && bar->IsWindowVisible());
}

void CFrameWnd::OnUpdateViewStatusBar(CCmdUI* ui) {
    CControlBar* bar = GetControlBar(AFX_IDW_STATUS_BAR);
    ui->Enable(bar != nullptr);
    ui->SetCheck(bar != nullptr && bar->IsWindowVisible());
}
