// Frame window: creation from resources, bar layout, update passes and status-bar prompts.
#include "FrameWnd.h"
#include "DockContext.h"
#include "WinApp.h"
#include "AfxRes.h"

#include <algorithm>

BEGIN_MESSAGE_MAP(CFrameWnd, CWnd)
ON_WM_SIZE()
ON_WM_CLOSE()
ON_WM_INITMENUPOPUP()
ON_WM_MENUSELECT()
ON_WM_ENTERMENULOOP()
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

std::vector<CControlBar*> CFrameWnd::ControlBars() const {
    std::vector<CControlBar*> bars;
    for (HWND child = GetWindow(hwnd, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
        if (auto* bar = dynamic_cast<CControlBar*>(FromHandlePermanent(child)))
            bars.push_back(bar);
    }
    for (CControlBar* bar : FloatingBars())
        bars.push_back(bar);
    return bars;
}

std::vector<CControlBar*> CFrameWnd::FloatingBars() const {
    std::vector<CControlBar*> bars;
    for (CControlBar* bar : dockBars) {
        if (bar->hwnd != nullptr && ::GetParent(bar->hwnd) != hwnd)
            bars.push_back(bar);
    }
    return bars;
}

CControlBar* CFrameWnd::GetControlBar(UINT id) const {
    for (CControlBar* bar : ControlBars()) {
        if (bar->GetDlgCtrlID() == static_cast<int>(id))
            return bar;
    }
    return nullptr;
}

unsigned CFrameWnd::DockSidesFor(const CControlBar* bar) const {
    return DockSidesOf(dockStyle) & DockSidesOf(bar->GetDockStyle());
}

void CFrameWnd::DockControlBar(CControlBar* bar) {
    if (bar == nullptr)
        return;
    DockSide side = bar->IsFloating() ? DockSide::Float : bar->GetDockSide();
    unsigned allowed = DockSidesFor(bar);
    if (!(allowed & DockSideBit(side))) {
        for (DockSide candidate : {DockSide::Top, DockSide::Bottom, DockSide::Left, DockSide::Right}) {
            if (allowed & DockSideBit(candidate)) {
                side = candidate;
                break;
            }
        }
    }
    if (side == DockSide::Float) // the bar cannot dock here: it stays where its alignment puts it
        side = bar->GetDockSide();
    DockControlBar(bar, side);
}

void CFrameWnd::DockControlBar(CControlBar* bar, DockSide side) {
    if (bar == nullptr || side == DockSide::Float)
        return;
    if (std::find(dockBars.begin(), dockBars.end(), bar) == dockBars.end())
        dockBars.push_back(bar);
    CDockContext* context = bar->GetDockContext();
    if (context != nullptr) {
        context->lastDocked = side;
        if (context->floating) {
            context->floating = false;
            context->floatWindow.ShowWindow(SW_HIDE);
            ::SetParent(bar->hwnd, hwnd);
            bar->OnHostChanged(hwnd);
        }
    }
    bar->barStyle = (bar->barStyle & ~CBRS_ALIGN_ANY) | AlignStyleOf(side);
    bar->SetVertical(IsVerticalSide(side));
    // The gripper band moves from the left to the top edge and back.
    bar->SetWindowPos(nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
    RecalcLayout();
}

void CFrameWnd::FloatControlBar(CControlBar* bar, POINT position) {
    CDockContext* context = bar != nullptr ? bar->GetDockContext() : nullptr;
    if (context == nullptr)
        return;
    if (std::find(dockBars.begin(), dockBars.end(), bar) == dockBars.end())
        dockBars.push_back(bar);
    CMiniDockFrameWnd& window = context->floatWindow;
    if (window.hwnd == nullptr && !window.Create(this, bar))
        return;
    bool visible = bar->IsWindowVisible() || context->floating;
    bar->SetVertical(false);
    SIZE client = bar->CalcFloatSize();
    if (!context->floating) {
        context->floating = true;
        ::SetParent(bar->hwnd, window.hwnd);
        bar->OnHostChanged(window.hwnd);
    }
    bar->SetWindowPos(nullptr, 0, 0, client.cx, client.cy, SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
    context->floatPosition = position;
    SIZE outer = FloatWindowSize(client);
    window.SetWindowPos(nullptr, position.x, position.y, outer.cx, outer.cy,
                        SWP_NOZORDER | SWP_NOACTIVATE | (visible ? SWP_SHOWWINDOW : 0));
    RecalcLayout();
}

void CFrameWnd::ShowControlBar(CControlBar* bar, BOOL show, BOOL delay) {
    if (bar == nullptr)
        return;
    // A floating bar stays shown inside its window; the window comes and goes, where it was.
    if (bar->IsFloating())
        bar->GetDockContext()->floatWindow.ShowWindow(show ? SW_SHOWNOACTIVATE : SW_HIDE);
    else
        bar->ShowWindow(show ? SW_SHOWNOACTIVATE : SW_HIDE);
    if (!delay)
        RecalcLayout();
}

void CFrameWnd::LayoutBars(bool move, CControlBar* probe, DockSide probeSide, RECT* probeRect, RECT* leftOver) {
    CRect client;
    GetClientRect(&client);
    DockBox free{client.left, client.top, client.right, client.bottom};
    auto place = [&](CControlBar* bar, DockSide side) {
        int thickness =
            IsVerticalSide(side) ? bar->CalcWidth(free.bottom - free.top) : bar->CalcHeight(free.right - free.left);
        DockBox band = TakeDockBand(free, side, thickness);
        CRect rect(band.left, band.top, band.right, band.bottom);
        if (bar == probe) {
            if (probeRect != nullptr)
                *probeRect = rect;
        } else if (move) {
            bar->MoveWindow(rect, TRUE);
        }
    };
    std::vector<CControlBar*> children;
    for (HWND child = GetWindow(hwnd, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
        if (auto* bar = dynamic_cast<CControlBar*>(FromHandlePermanent(child)))
            children.push_back(bar);
    }
    // Bars that cannot be dragged keep the outer place (the status bar stays at the very bottom), then the
    // draggable ones; the probe takes its turn among them even while it floats.
    bool probePlaced = false;
    for (bool draggable : {false, true}) {
        for (CControlBar* bar : children) {
            if ((bar->GetDockContext() != nullptr) != draggable)
                continue;
            if (bar == probe) {
                place(bar, probeSide);
                probePlaced = true;
            } else if (bar->IsWindowVisible()) {
                place(bar, bar->GetDockSide());
            }
        }
    }
    if (probe != nullptr && !probePlaced)
        place(probe, probeSide);
    if (leftOver != nullptr)
        *leftOver = CRect(free.left, free.top, std::max(free.left, free.right), std::max(free.top, free.bottom));
}

void CFrameWnd::RepositionBars(UINT flags, RECT* leftOver) {
    LayoutBars(flags != reposQuery, nullptr, DockSide::Float, nullptr, leftOver);
}

CRect CFrameWnd::DockedBarRect(CControlBar* bar, DockSide side) {
    CRect rect;
    LayoutBars(false, bar, side, &rect, nullptr);
    return rect;
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

void CFrameWnd::OnClose() {
    if (!DeferCloseUnderModalLoop())
        DestroyWindow();
}

bool CFrameWnd::DeferCloseUnderModalLoop() {
    if (!ModalLoop::Running())
        return false;
    ModalLoop::DeferClose(hwnd);
    return true;
}

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

void CFrameWnd::OnEnterMenuLoop() {
    menuLoop.emplace();
    Default();
}

void CFrameWnd::OnExitMenuLoop() {
    TrackMessage(AFX_IDS_IDLEMESSAGE);
    menuLoop.reset();
}

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

std::string CFrameWnd::GetMessageString(UINT id) const { return CommandStringPart(id, false); }

void CFrameWnd::SetMessageText(UINT id) {
    idLastMessage = id;
    SetMessageText(id == 0 ? "" : GetMessageString(id).c_str());
}

void CFrameWnd::SetMessageText(const char* text) {
    if (auto* status = dynamic_cast<CStatusBar*>(GetControlBar(AFX_IDW_STATUS_BAR)))
        status->SetPaneText(0, text);
}

void CFrameWnd::OnIdleUpdateCmdUI() {
    for (CControlBar* bar : ControlBars()) {
        if (bar->IsWindowVisible())
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
