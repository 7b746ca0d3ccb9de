// The row context menu of the main list: the click that opens it, its entries and their enabling
// rule, and Copy Address.
#include "processes/RowActions.h"

#include "app/MainFrame.h"
#include "resource.h"

#include <cstring>

namespace {

// The entries in menu order; the kill entries (and the separator before them) exist only where the
// list knows the owning processes.
struct RowMenuEntry {
    UINT id; // 0: separator
    const char* text;
    bool processesOnly;
};

constexpr RowMenuEntry kRowMenu[] = {
    {ID_COPY_ADDRESS, "Copy Address", false},          {ID_COPY_ROWS, "Copy Rows", false},
    {ID_ADD_TO_BLACKLIST, "Add To Black List", false}, {0, nullptr, false},
    {ID_CLOSE_CONNECTION, "Close Connection", false},  {0, nullptr, true},
    {ID_KILL_PROCESS, "Kill Process", true},           {ID_KILL_PROCESS_TREE, "Kill Process Tree", true},
};

} // namespace

void CMainFrame::OnListClick(NMHDR* header, LRESULT* result) {
    *result = 0;
    contextItem = reinterpret_cast<NMITEMACTIVATE*>(header)->iItem;
    if (listCtrl.GetItemCount() == 0 || contextItem < 0)
        return;
    // The actions work on this copy: the refresh timer keeps rewriting the list while the menu and
    // the kill question are open.
    auto cell = [this](int column, size_t maxChars) {
        return column < 0 ? std::string() : listCtrl.GetItemText(contextItem, column).substr(0, maxChars);
    };
    clickedRow.pid = cell(columnIndexes.pid, kMaxPidTextChars);
    clickedRow.remoteAddress = cell(columnIndexes.remoteAddress, kMaxAddressChars);
    clickedRow.remotePort = cell(columnIndexes.remotePort, kMaxPidTextChars);
    clickedRow.localPort = cell(columnIndexes.localPort, kMaxPidTextChars);
    clickedRow.localAddress = cell(columnIndexes.localAddress, kMaxAddressChars);
    clickedRow.protocol = cell(columnIndexes.protocol, kMaxPidTextChars);
    clickedRow.readTime = lastReadTime;
    clickedRow.removed = listCtrl.GetItemMark(contextItem) == SortListCtrl::kMarkRemoved;

    POINT cursor{};
    GetCursorPos(&cursor);
    // Owner-drawn, with the pictures of toolbar 138 (drawn on magenta, the strips' see-through colour).
    CNewMenu popup;
    popup.Attach(CreatePopupMenu());
    if (popup.menu == nullptr)
        return;
    for (const RowMenuEntry& entry : kRowMenu) {
        if (entry.processesOnly && !extendedTable)
            continue;
        popup.AppendMenu(entry.id == 0 ? MF_SEPARATOR : MF_STRING, entry.id, entry.text);
    }
    popup.SetMenuBitmapBackground(RGB(255, 0, 255));
    popup.LoadToolBar(IDR_MENU_IMAGES);
    // Owned by the frame: the chosen command reaches the command table, the update rules run on the
    // popup and the status bar shows the highlighted entry's prompt.
    popup.TrackPopupMenu(0, cursor.x, cursor.y, this);
    DestroyMenu(popup.Detach());
}

void CMainFrame::OnUpdateRowCommand(CCmdUI* ui) { ui->Enable(contextItem >= 0); }

// A removed row is a connection that has gone: there is nothing to close.
void CMainFrame::OnUpdateCloseConnection(CCmdUI* ui) {
    ui->Enable(contextItem >= 0 && !clickedRow.removed && ClosableRow(clickedRow));
}

void CMainFrame::OnUpdateCopyRows(CCmdUI* ui) { ui->Enable(listCtrl.SelectedRows().size() != 0); }

std::string CMainFrame::GetMessageString(UINT id) const {
    if (id == ID_CLOSE_CONNECTION && contextItem >= 0 && !clickedRow.removed && !ClosableRow(clickedRow))
        return AfxLoadString(IDS_ONLY_IPV4_TCP_CLOSES);
    return CNewFrameWnd::GetMessageString(id);
}

void CMainFrame::OnCopyAddress() {
    if (contextItem < 0)
        return;
    CopyToClipboard(TrimSpace(clickedRow.remoteAddress));
}
