// CMainFrame's views over the rows: View > Highlight Changes, the filter box and its keys, the status bar's
// count panes, and copying the selected rows.
#include "MainFrame.h"
#include "log/TableText.h"
#include "resource.h"

#include <cstring>

namespace {

// Width of the filter box, in pixels.
constexpr int kFilterBoxWidth = 160;
// Longest filter text the box takes (and the setting keeps).
constexpr int kFilterTextLimit = 255;

// The list's cells as the copy reads them: the rows as shown.
class ShownCells : public ExportCells {
public:
    explicit ShownCells(const SortListCtrl& list) : list(list) {}
    int GetColumnCount() override { return list.GetColumnCount(); }
    int GetRowCount() override { return list.GetItemCount(); }
    std::string GetCellText(int row, int column) override { return list.GetItemText(row, column); }

private:
    const SortListCtrl& list;
};

} // namespace

void CMainFrame::CopyToClipboard(std::string_view text) const {
    if (text.empty() || !OpenClipboard(hwnd))
        return;
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, text.size() + 1);
    void* bytes = block != nullptr ? GlobalLock(block) : nullptr;
    if (bytes != nullptr) {
        std::memcpy(bytes, text.data(), text.size()); // the block is zeroed: the terminator is there
        GlobalUnlock(block);
        EmptyClipboard();
        // The clipboard owns the block only when it took it.
        if (SetClipboardData(CF_TEXT, block) != nullptr)
            block = nullptr;
    }
    if (block != nullptr)
        GlobalFree(block);
    CloseClipboard();
}

bool CMainFrame::CreateFilterBox() {
    // The box lies over a separator as wide as itself at the toolbar's end, so the bar makes room for it.
    TBBUTTON items[2] = {};
    items[0].fsStyle = TBSTYLE_SEP;
    items[0].iBitmap = 6;
    items[1].fsStyle = TBSTYLE_SEP;
    items[1].iBitmap = kFilterBoxWidth;
    toolBar.SendMessage(TB_ADDBUTTONSA, 2, reinterpret_cast<LPARAM>(items));
    if (!filterBox.Create(toolBar.hwnd, IDC_FILTER_BOX, hwnd, ID_FILTER_CHANGED))
        return false;
    filterBox.LimitText(kFilterTextLimit);
    filterBox.SetWindowText(filterText.c_str());
    rowFilter.Compile(filterText);
    return true;
}

void CMainFrame::PlaceFilterBox() {
    if (filterBox.hwnd == nullptr)
        return;
    const int last = toolBar.GetButtonCount() - 1;
    RECT item{};
    const bool upright = (toolBar.GetStyle() & CCS_VERT) != 0;
    if (upright || last < 0 || !toolBar.SendMessage(TB_GETITEMRECT, last, reinterpret_cast<LPARAM>(&item))) {
        // An upright bar has no room for a box across it.
        filterBox.ShowWindow(SW_HIDE);
        return;
    }
    const int height = 22;
    const int top = item.top + (item.bottom - item.top - height) / 2;
    filterBox.SetWindowPos(nullptr, item.left, top, item.right - item.left, height, SWP_NOZORDER | SWP_NOACTIVATE);
    filterBox.ShowWindow(SW_SHOWNA);
}

bool CMainFrame::FilterBoxHasFocus() const { return filterBox.hwnd != nullptr && GetFocus() == filterBox.hwnd; }

void CMainFrame::LayoutStatusPanes() {
    if (statusBar.hwnd == nullptr)
        return;
    // Each count pane is as wide as its title with a six-digit count, whatever it shows now, so the panes do not
    // move while the counts change.
    static const char* const kWidest[kCountPanes] = {"Endpoints: 000000", "Established: 000000", "Listening: 000000",
                                                     "Time Wait: 000000", "Close Wait: 000000"};
    HDC dc = ::GetDC(statusBar.hwnd);
    HGDIOBJ previous = SelectObject(dc, reinterpret_cast<HGDIOBJ>(statusBar.SendMessage(WM_GETFONT)));
    int widths[kCountPanes] = {};
    int total = 0;
    for (size_t pane = 0; pane < kCountPanes; ++pane) {
        SIZE size{};
        GetTextExtentPoint32A(dc, kWidest[pane], static_cast<int>(std::strlen(kWidest[pane])), &size);
        widths[pane] = size.cx + 12;
        total += widths[pane];
    }
    SelectObject(dc, previous);
    ::ReleaseDC(statusBar.hwnd, dc);

    RECT client{};
    statusBar.GetClientRect(&client);
    // Room for the size grip after the last pane.
    int edge = client.right - GetSystemMetrics(SM_CXVSCROLL) - total;
    int edges[kCountPanes + 1] = {};
    edges[0] = edge > 40 ? edge : 40;
    for (size_t pane = 0; pane < kCountPanes; ++pane)
        edges[pane + 1] = edges[pane] + widths[pane];
    edges[kCountPanes] = -1;
    statusBar.SendMessage(SB_SETPARTS, kCountPanes + 1, reinterpret_cast<LPARAM>(edges));
}

void CMainFrame::OnHighlightChanges() {
    highlightChanges = highlightChanges ? 0 : 1;
    RefreshTable();
}

void CMainFrame::OnUpdateHighlightChanges(CCmdUI* ui) { ui->SetCheck(highlightChanges != 0); }

void CMainFrame::OnFilterChanged() {
    std::string text = filterBox.GetText();
    if (text == filterText)
        return;
    filterText = std::move(text);
    rowFilter.Compile(filterText);
    // Only the view changes: the rows already read are shown again, no table is read. A tracker that missed the
    // last reads takes the snapshot first.
    if (trackerCurrent)
        ShowRows();
    else
        RefreshList(extendedTable != 0);
}

void CMainFrame::OnEditFind() {
    if (filterBox.hwnd == nullptr)
        return;
    // Find always leads to the box: a hidden toolbar is shown, as View > Toolbar would, and an upright one, which
    // has no room for the box, docks on top, where a fresh profile has it. A floating bar keeps its place.
    if (!toolBar.IsWindowVisible())
        ShowControlBar(&toolBar, TRUE, FALSE);
    if (!toolBar.IsFloating() && (toolBar.GetStyle() & CCS_VERT) != 0)
        DockControlBar(&toolBar, DockSide::Top);
    if (!::IsWindowVisible(filterBox.hwnd))
        return;
    ::SetFocus(filterBox.hwnd);
    filterBox.SetSel(0, -1);
}

void CMainFrame::OnEditCopy() {
    if (FilterBoxHasFocus())
        filterBox.SendMessage(WM_COPY);
    else
        OnCopyRows();
}

void CMainFrame::OnEditCut() {
    if (FilterBoxHasFocus())
        filterBox.SendMessage(WM_CUT);
}

void CMainFrame::OnEditPaste() {
    if (FilterBoxHasFocus())
        filterBox.SendMessage(WM_PASTE);
}

void CMainFrame::OnEditUndo() {
    if (FilterBoxHasFocus())
        filterBox.SendMessage(EM_UNDO);
}

void CMainFrame::OnEditSelectAll() {
    if (FilterBoxHasFocus()) {
        filterBox.SetSel(0, -1);
        return;
    }
    // Item -1 stands for every row of the list.
    LVITEMA item{};
    item.stateMask = LVIS_SELECTED;
    item.state = LVIS_SELECTED;
    listCtrl.SendMessage(LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&item));
}

void CMainFrame::OnCopyRows() {
    ShownCells cells(listCtrl);
    CopyToClipboard(BuildCopyText(cells, listCtrl.ColumnTitles(), listCtrl.SelectedRows()));
}
