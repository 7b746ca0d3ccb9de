// Main window: creation, layout, timers, toggles, close and the command table.
#include "MainFrame.h"
#include "dialogs/ProcessOptionsDialog.h"
#include "dialogs/StatisticsDialog.h"
#include "resource.h"
#include "dialogs/AboutDialog.h"
#include "dialogs/ColorsDialog.h"

#include <span>

namespace {

// One row per list column: its title, its width in pixels, the field of ColumnIndexes it sets, and whether it
// exists only while a table beside IPv4 TCP is shown.
struct ListColumn {
    const char* title;
    int width;
    int ColumnIndexes::*index;
    bool protocolOnly = false;
};

// clang-format off
constexpr ListColumn kExtendedColumns[] = {
    {"Process", 135, &ColumnIndexes::process},
    {"PID", 50, &ColumnIndexes::pid},
    {"Protocol", 65, &ColumnIndexes::protocol, true},
    {"Local Address", 135, &ColumnIndexes::localAddress},
    {"Local Port", 75, &ColumnIndexes::localPort},
    {"Remote Address", 135, &ColumnIndexes::remoteAddress},
    {"Remote Port", 75, &ColumnIndexes::remotePort},
    {"Status", 110, &ColumnIndexes::status},
};
// clang-format on

constexpr ListColumn kLegacyColumns[] = {
    {"Local Address", 165, &ColumnIndexes::localAddress},
    {"Local Port", 75, &ColumnIndexes::localPort},
    {"Remote Address", 165, &ColumnIndexes::remoteAddress},
    {"Remote Port", 75, &ColumnIndexes::remotePort},
    {"Status", 110, &ColumnIndexes::status},
};

// The message pane, then the five count panes.
const UINT kIndicators[] = {ID_SEPARATOR, ID_SEPARATOR, ID_SEPARATOR, ID_SEPARATOR, ID_SEPARATOR, ID_SEPARATOR};

std::span<const ListColumn> ColumnsOf(bool extended) {
    return extended ? std::span<const ListColumn>(kExtendedColumns) : std::span<const ListColumn>(kLegacyColumns);
}

// Where the Protocol column stands while it exists.
constexpr int kProtocolPosition = 2;
static_assert(kExtendedColumns[kProtocolPosition].protocolOnly);

} // namespace

const ExtraTable CMainFrame::kExtraTables[3] = {
    {Protocol::Tcp6, ID_VIEW_TCP6, "ShowTcp6", &CMainFrame::showTcp6},
    {Protocol::Udp, ID_VIEW_UDP4, "ShowUdp4", &CMainFrame::showUdp4},
    {Protocol::Udp6, ID_VIEW_UDP6, "ShowUdp6", &CMainFrame::showUdp6},
};

BEGIN_MESSAGE_MAP(CMainFrame, CNewFrameWnd)
ON_WM_CREATE()
ON_WM_TIMER()
ON_WM_CLOSE()
ON_WM_ENDSESSION()
ON_WM_DESTROY()
ON_WM_SYSCOLORCHANGE()
ON_NOTIFY(NM_CLICK, IDC_CONNECTION_LIST, OnListClick)
ON_NOTIFY(NM_RCLICK, IDC_CONNECTION_LIST, OnListClick)
ON_COMMAND(ID_FILE_SAVE, OnFileSave)
ON_UPDATE_COMMAND_UI(ID_FILE_SAVE, OnUpdateFileSave)
ON_COMMAND(ID_FILE_REFRESH, OnRefresh)
ON_COMMAND(ID_FILE_STATISTICS, OnStatistics)
ON_COMMAND(ID_OPTIONS_PROCESSING, OnProcessing)
ON_COMMAND(ID_OPTIONS_COLORS, OnColors)
ON_COMMAND(ID_OPTIONS_AUTOUPDATE, OnAutoupdate)
ON_UPDATE_COMMAND_UI(ID_OPTIONS_AUTOUPDATE, OnUpdateAutoupdate)
ON_COMMAND(ID_OPTIONS_ESTABLISHED_ONLY, OnEstablishedOnly)
ON_UPDATE_COMMAND_UI(ID_OPTIONS_ESTABLISHED_ONLY, OnUpdateEstablishedOnly)
ON_COMMAND(ID_OPTIONS_RESOLVE, OnResolve)
ON_UPDATE_COMMAND_UI(ID_OPTIONS_RESOLVE, OnUpdateResolve)
ON_COMMAND(ID_VIEW_TCP6, OnViewTcp6)
ON_UPDATE_COMMAND_UI(ID_VIEW_TCP6, OnUpdateViewTcp6)
ON_COMMAND(ID_VIEW_UDP4, OnViewUdp4)
ON_UPDATE_COMMAND_UI(ID_VIEW_UDP4, OnUpdateViewUdp4)
ON_COMMAND(ID_VIEW_UDP6, OnViewUdp6)
ON_UPDATE_COMMAND_UI(ID_VIEW_UDP6, OnUpdateViewUdp6)
ON_COMMAND(ID_VIEW_HIGHLIGHT_CHANGES, OnHighlightChanges)
ON_UPDATE_COMMAND_UI(ID_VIEW_HIGHLIGHT_CHANGES, OnUpdateHighlightChanges)
ON_COMMAND(ID_FILTER_CHANGED, OnFilterChanged)
ON_COMMAND(ID_EDIT_FIND, OnEditFind)
ON_COMMAND(ID_EDIT_COPY, OnEditCopy)
ON_COMMAND(ID_EDIT_CUT, OnEditCut)
ON_COMMAND(ID_EDIT_PASTE, OnEditPaste)
ON_COMMAND(ID_EDIT_UNDO, OnEditUndo)
ON_COMMAND(ID_EDIT_SELECT_ALL, OnEditSelectAll)
ON_COMMAND(ID_COPY_ROWS, OnCopyRows)
ON_UPDATE_COMMAND_UI(ID_COPY_ROWS, OnUpdateCopyRows)
ON_COMMAND(ID_OPTIONS_BLACKLIST, OnBlackList)
ON_COMMAND(ID_APP_ABOUT, OnAbout)
ON_COMMAND(ID_COPY_ADDRESS, OnCopyAddress)
ON_UPDATE_COMMAND_UI(ID_COPY_ADDRESS, OnUpdateRowCommand)
ON_COMMAND(ID_ADD_TO_BLACKLIST, OnAddToBlackList)
ON_COMMAND(ID_CLOSE_CONNECTION, OnCloseConnection)
ON_UPDATE_COMMAND_UI(ID_CLOSE_CONNECTION, OnUpdateCloseConnection)
ON_COMMAND(ID_KILL_PROCESS, OnKillProcess)
ON_UPDATE_COMMAND_UI(ID_KILL_PROCESS, OnUpdateRowCommand)
ON_COMMAND(ID_KILL_PROCESS_TREE, OnKillProcessTree)
ON_MESSAGE(kConnectionClosedMessage, OnConnectionClosed)
ON_MESSAGE(kBlackListClosedMessage, OnBlackListClosed)
END_MESSAGE_MAP()

CMainFrame::CMainFrame() : shared(std::make_shared<WorkerState>()) {
    icon = LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDR_MAINFRAME));
}

void CMainFrame::PostNcDestroy() {
    EndMainWindow();
    // A worker still running holds the shared state, not this frame, so the frame goes now.
    delete this;
}

BOOL CMainFrame::PreCreateWindow(CREATESTRUCTA& cs) {
    if (!CNewFrameWnd::PreCreateWindow(cs))
        return FALSE;
    cs.dwExStyle &= ~WS_EX_CLIENTEDGE;
    cs.lpszClass = AfxRegisterWndClass(0);
    cs.lpszName = "Pelloran";
    return TRUE;
}

int CMainFrame::OnCreate(LPCREATESTRUCT cs) {
    if (Default() == -1)
        return -1;
    systemMenu.Attach(GetSystemMenu(hwnd, FALSE));

    if (!toolBar.CreateEx(this, 0, WS_CHILD | WS_VISIBLE | CBRS_TOP | CBRS_TOOLTIPS | CBRS_FLYBY | CBRS_SIZE_DYNAMIC,
                          AFX_IDW_TOOLBAR) ||
        !toolBar.LoadToolBar(IDR_MAINFRAME, true))
        return -1;
    toolBar.ModifyStyle(0, TBSTYLE_FLAT | TBSTYLE_TRANSPARENT);
    toolBar.SetBorders(0, 0, 0, 0);
    toolBar.SetWindowText("Toolbar"); // the caption of its floating window

    if (!statusBar.Create(this, WS_CHILD | WS_VISIBLE | CBRS_BOTTOM, AFX_IDW_STATUS_BAR) ||
        !statusBar.SetIndicators(kIndicators, static_cast<int>(std::size(kIndicators))))
        return -1;

    defaultMenu.Attach(GetMenu(hwnd));
    defaultMenu.LoadToolBar(IDR_MENU_IMAGES);
    systemMenu.LoadToolBar(IDR_MENU_IMAGES);

    toolBar.EnableDocking(CBRS_ALIGN_ANY);
    EnableDocking(CBRS_ALIGN_ANY);
    DockControlBar(&toolBar);

    if (!listCtrl.Create(WS_CHILD | WS_VISIBLE | WS_BORDER | LVS_REPORT | LVS_OWNERDRAWFIXED | LVS_OWNERDATA, CRect(),
                         this, IDC_CONNECTION_LIST))
        return -1;
    SetWindowLongPtrA(listCtrl.hwnd, GWL_EXSTYLE, WS_EX_CLIENTEDGE);
    listCtrl.SetWindowPos(nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_FRAMECHANGED);
    listCtrl.headerCtrl.SubclassWindow(listCtrl.GetHeaderCtrl());
    SendMessage(WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));

    OSVERSIONINFOA version{};
    version.dwOSVersionInfoSize = sizeof(version);
    GetVersionExA(&version);
    if (version.dwMajorVersion >= 5 && version.dwPlatformId == VER_PLATFORM_WIN32_NT) {
        listCtrl.SetExtendedStyle(LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER);
        extendedTable = 1;
    } else {
        listCtrl.SetExtendedStyle(LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT);
        extendedTable = 0;
    }
    CreateColumns();

    RestorePlacement();
    // The bars and the list are laid out here, not only at the next WM_SIZE: a frame that keeps the size it
    // was created with gets no WM_SIZE after its children exist (seen on a first start under older Windows
    // versions, where the list stayed 0 x 0 until the user resized the window).
    RecalcLayout();
    LoadSettings();
    // After the settings, since the box starts with the saved text; the bar is laid out again with it.
    if (!CreateFilterBox())
        return -1;
    RecalcLayout();
    LoadBlackList();

    const bool bound = BindIpHelper();
    // Which tables the library can read is known only now.
    UpdateProtocolColumn();
    if (bound)
        RefreshTable();
    return 0;
}

void CMainFrame::CreateColumns() {
    int position = 0;
    for (const ListColumn& column : ColumnsOf(extendedTable != 0)) {
        if (!column.protocolOnly)
            listCtrl.InsertColumn(position++, column.title, LVCFMT_LEFT, column.width);
    }
    AssignColumnIndexes(false);
}

void CMainFrame::AssignColumnIndexes(bool withProtocol) {
    columnIndexes = ColumnIndexes{-1, -1, -1, -1, -1, -1, -1, -1};
    int position = 0;
    for (const ListColumn& column : ColumnsOf(extendedTable != 0)) {
        if (!column.protocolOnly || withProtocol)
            columnIndexes.*column.index = position++;
    }
    listCtrl.protocolColumn = columnIndexes.protocol;
}

void CMainFrame::UpdateProtocolColumn() {
    bool wanted = false;
    for (const ExtraTable& table : kExtraTables)
        wanted = wanted || TableShown(table.protocol);
    if (wanted == (columnIndexes.protocol >= 0))
        return;
    int sortColumn = listCtrl.headerCtrl.sortColumn;
    if (wanted) {
        const ListColumn& column = kExtendedColumns[kProtocolPosition];
        listCtrl.InsertColumn(kProtocolPosition, column.title, LVCFMT_LEFT, column.width);
        if (sortColumn >= kProtocolPosition)
            ++sortColumn;
    } else {
        listCtrl.DeleteColumn(kProtocolPosition);
        if (sortColumn == kProtocolPosition)
            sortColumn = -1;
        else if (sortColumn > kProtocolPosition)
            --sortColumn;
    }
    AssignColumnIndexes(wanted);
    // The tracked rows have the old columns: the next read starts the picture again (RefreshList resets it).
    trackerCurrent = false;
    // Once a sort was chosen every header item draws itself, the new one too.
    if (listCtrl.headerCtrl.sortColumn != -1)
        listCtrl.headerCtrl.SetSortIndicator(sortColumn, listCtrl.headerCtrl.ascending);
    listCtrl.FitColumns();
}

void CMainFrame::RecalcLayout() {
    CRect free;
    RepositionBars(reposQuery, &free);
    PlaceFilterBox();
    LayoutStatusPanes();
    if (listCtrl.hwnd != nullptr) {
        listCtrl.MoveWindow(free, FALSE);
        listCtrl.FitColumns();
        InvalidateRect(&free);
    }
    CNewFrameWnd::RecalcLayout();
}

void CMainFrame::DropPendingEvents() { eventQueue.Clear(); }

void CMainFrame::OnTimer(UINT_PTR id) {
    if (id == kRefreshTimer) {
        RefreshTable();
    } else if (id == kLogTimer) {
        if (enableLogging)
            FlushEventLog();
        else
            DropPendingEvents();
    }
    Default();
    if (skinTimerId != 0 && id == skinTimerId) {
        POINT cursor{};
        GetCursorPos(&cursor);
        SendMessage(WM_NCHITTEST, 0, MAKELPARAM(cursor.x, cursor.y));
    }
}

void CMainFrame::OnClose() {
    // Under a dialog, message box, menu or toolbar drag the window stays until that loop has ended.
    if (DeferCloseUnderModalLoop())
        return;
    SaveState();
    CNewFrameWnd::OnClose();
}

void CMainFrame::OnEndSession(BOOL ending) {
    // At logoff or shutdown Windows ends the process after this message, with no WM_CLOSE or WM_DESTROY:
    // what a close keeps is kept now, even under a modal loop.
    if (ending)
        SaveState();
}

void CMainFrame::SaveState() {
    SaveSettings();
    if (enableLogging && !eventQueue.Empty())
        FlushEventLog();
}

// Only top-level windows hear of a colour change from the system: pass it on to the bars and the list, and
// to a floating bar, whose tool window passes nothing on. (A theme change reaches every window by itself.)
static BOOL CALLBACK ForwardSysColorChange(HWND child, LPARAM) {
    SendMessageA(child, WM_SYSCOLORCHANGE, 0, 0);
    return TRUE;
}

void CMainFrame::OnSysColorChange() {
    CNewFrameWnd::OnSysColorChange();
    EnumChildWindows(hwnd, ForwardSysColorChange, 0);
    for (CControlBar* bar : FloatingBars()) {
        ForwardSysColorChange(bar->hwnd, 0);
        EnumChildWindows(bar->hwnd, ForwardSysColorChange, 0);
    }
}

void CMainFrame::OnDestroy() {
    if (skinTimerId != 0) {
        KillTimer(skinTimerId);
        skinTimerId = 0;
    }
    Default();
    processNameCache.Clear();
    eventQueue.Clear();
    // A worker still running keeps the shared state (and the IP helper library it may call) until it
    // ends; from now on it changes nothing. The containers are emptied here so their memory goes with
    // the window, whoever holds the state last.
    std::lock_guard<std::mutex> hold(shared->lock);
    shared->windowGone = true;
    shared->hostNameCache.Clear();
    shared->resolveQueue.Reset();
    shared->snapshot.clear();
    shared->snapshot.shrink_to_fit();
    shared->blackList.clear();
    shared->closedByBlackList.clear();
}

void CMainFrame::OnUpdateFileSave(CCmdUI* ui) { ui->Enable(listCtrl.GetColumnCount() >= 0); }

void CMainFrame::OnRefresh() { RefreshTable(); }

void CMainFrame::OnStatistics() {
    StatisticsDialog dialog;
    dialog.DoModal();
}

void CMainFrame::OnProcessing() {
    ProcessOptionsDialog dialog;
    if (dialog.DoModal() != IDOK)
        return;
    // The dialog wrote the key; the reload restarts the timers and applies the on-top state, and the
    // whole window is repainted since the reload covers the row colours as well.
    LoadSettings();
    Invalidate(TRUE);
}

void CMainFrame::OnColors() {
    // The dialog writes the colours to the settings key; the reload brings them into the list.
    ColorsDialog dialog;
    if (dialog.DoModal() != IDOK)
        return;
    LoadSettings();
    Invalidate(TRUE);
}

void CMainFrame::OnAutoupdate() {
    KillTimer(kRefreshTimer);
    autoupdate = autoupdate ? 0 : 1;
    if (autoupdate && updateInterval >= 1)
        SetTimer(kRefreshTimer, static_cast<UINT>(updateInterval) * 1000);
}

void CMainFrame::OnUpdateAutoupdate(CCmdUI* ui) { ui->SetCheck(autoupdate != 0); }

void CMainFrame::OnEstablishedOnly() {
    showEstablishedOnly = showEstablishedOnly ? 0 : 1;
    RefreshTable();
}

void CMainFrame::OnUpdateEstablishedOnly(CCmdUI* ui) { ui->SetCheck(showEstablishedOnly != 0); }

void CMainFrame::OnResolve() {
    resolve = resolve ? 0 : 1;
    RefreshTable();
}

void CMainFrame::OnUpdateResolve(CCmdUI* ui) { ui->SetCheck(resolve != 0); }

void CMainFrame::ToggleTable(Protocol protocol) {
    if (!TableAvailable(protocol))
        return;
    for (const ExtraTable& table : kExtraTables)
        if (table.protocol == protocol)
            this->*table.toggle = this->*table.toggle ? 0 : 1;
    // A table shown or hidden is no change of connections: its rows are neither new nor gone, so the next read
    // starts the picture again (RefreshList resets the tracker).
    trackerCurrent = false;
    UpdateProtocolColumn();
    RefreshTable();
}

void CMainFrame::UpdateTableToggle(CCmdUI* ui, Protocol protocol) {
    ui->Enable(TableAvailable(protocol));
    for (const ExtraTable& table : kExtraTables)
        if (table.protocol == protocol)
            ui->SetCheck(this->*table.toggle != 0);
}

void CMainFrame::OnAbout() {
    AboutDialog dialog;
    dialog.DoModal();
}
