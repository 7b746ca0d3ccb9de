// Row painting, sorting and column fitting of the connection list.
#include "SortListCtrl.h"
#include "RowSort.h"

#include <cstring>

namespace {

// The control's rows seen by the sort. The sort column's texts are read once and kept in step with
// every swap, so comparisons do not go through the control; swaps move every cell text together
// with the row's image, item data and state (selection and focus travel with the row).
class ControlRows : public SortableRows {
public:
    ControlRows(CListCtrl& list, int columns, int sortColumn) : list(list), columns(columns) {
        int count = list.GetItemCount();
        texts.reserve(static_cast<size_t>(count));
        for (int row = 0; row < count && sortColumn < columns; ++row)
            texts.push_back(list.GetItemText(row, sortColumn));
    }
    int GetRowCount() override { return static_cast<int>(texts.size()); }
    int GetColumnCount() override { return columns; }
    std::string GetCellText(int row, int) override { return texts[static_cast<size_t>(row)]; }
    void SwapRows(int a, int b) override {
        std::vector<std::string> saved;
        for (int column = 0; column < columns; ++column)
            saved.push_back(list.GetItemText(a, column));
        LVITEMA first = RowData(a);
        LVITEMA second = RowData(b);
        for (int column = 0; column < columns; ++column)
            list.SetItemText(a, column, list.GetItemText(b, column).c_str());
        second.iItem = a;
        list.SetItem(&second);
        for (int column = 0; column < columns; ++column)
            list.SetItemText(b, column, saved[static_cast<size_t>(column)].c_str());
        first.iItem = b;
        list.SetItem(&first);
        std::swap(texts[static_cast<size_t>(a)], texts[static_cast<size_t>(b)]);
    }

private:
    LVITEMA RowData(int row) const {
        LVITEMA item{};
        item.mask = LVIF_IMAGE | LVIF_PARAM | LVIF_STATE;
        item.iItem = row;
        item.stateMask = 0xFF0F;
        list.GetItem(&item);
        item.mask = LVIF_IMAGE | LVIF_PARAM | LVIF_STATE;
        item.stateMask = 0xFF0F;
        return item;
    }

    CListCtrl& list;
    int columns;
    std::vector<std::string> texts;
};

// Row colour by the state text in the last column: the first substring found decides.
COLORREF StateColour(const SortListCtrl& list, const char* state, COLORREF window) {
    const struct {
        const char* part;
        COLORREF colour;
    } rules[] = {{"CLOS", list.ClosedColor},        {"LISTENING", list.ListeningColor}, {"SYN", list.SYNColor},
                 {"FIN", list.FINColor},            {"ESTABLISHED", list.EstablishedColor},
                 {"TIME", list.TimeWaitColor},      {"DELETE", list.UnknownColor}};
    for (const auto& rule : rules) {
        if (strstr(state, rule.part) != nullptr)
            return rule.colour;
    }
    return window;
}

} // namespace

BEGIN_MESSAGE_MAP(SortListCtrl, CListCtrl)
ON_NOTIFY_REFLECT(LVN_COLUMNCLICK, OnColumnClick)
END_MESSAGE_MAP()

void SortListCtrl::PreSubclassWindow() {
    CListCtrl::PreSubclassWindow();
    if (HWND header = GetHeaderCtrl())
        headerCtrl.SubclassWindow(header);
}

BOOL SortListCtrl::SortRows(int column, int low, int high) {
    ControlRows rows(*this, GetColumnCount(), column);
    return ::SortRows(rows, column, low, high, ascending != 0) ? TRUE : FALSE;
}

void SortListCtrl::OnColumnClick(NMHDR* header, LRESULT* result) {
    const auto* view = reinterpret_cast<const NMLISTVIEW*>(header);
    ascending = ascending ? 0 : 1;
    HCURSOR previous = SetCursor(LoadCursor(nullptr, IDC_WAIT));
    SortRows(view->iSubItem, 0, -1);
    SetCursor(previous);
    headerCtrl.SetSortIndicator(view->iSubItem, ascending);
    *result = 0;
}

void SortListCtrl::FitColumns() {
    SetRedraw(FALSE);
    int columns = GetColumnCount();
    int total = 0;
    for (int i = 0; i < columns; ++i)
        total += GetColumnWidth(i);
    CRect client;
    GetClientRect(&client);
    int avail = client.Width();
    if (avail <= 0 || total <= 0) {
        SetRedraw(TRUE);
        return;
    }
    if (GetItemCount() > GetCountPerPage())
        avail -= GetSystemMetrics(SM_CXVSCROLL) + 1;
    // The difference is spread one pixel per column, cyclically from the first, so the first
    // columns take the remainder.
    std::vector<int> widths(static_cast<size_t>(columns));
    for (int i = 0; i < columns; ++i)
        widths[static_cast<size_t>(i)] = GetColumnWidth(i);
    int step = total > avail ? -1 : 1;
    for (int i = 0; total != avail; i = (i + 1) % columns) {
        widths[static_cast<size_t>(i)] += step;
        total += step;
    }
    for (int i = 0; i < columns; ++i) {
        if (widths[static_cast<size_t>(i)] != GetColumnWidth(i))
            SetColumnWidth(i, widths[static_cast<size_t>(i)]);
    }
    SetRedraw(TRUE);
    ShowScrollBar(hwnd, SB_HORZ, FALSE);
}

void SortListCtrl::DrawItem(LPDRAWITEMSTRUCT drawItem) {
    HDC dc = drawItem->hDC;
    int row = static_cast<int>(drawItem->itemID);
    UINT state = GetItemState(row, LVIS_SELECTED | LVIS_DROPHILITED);
    bool highlighted = (state & LVIS_DROPHILITED) != 0 ||
                       ((state & LVIS_SELECTED) != 0 && (GetFocus() == hwnd || (GetStyle() & LVS_SHOWSELALWAYS)));

    CRect bounds;
    CRect label;
    GetItemRect(row, &bounds, LVIR_BOUNDS);
    GetItemRect(row, &label, LVIR_LABEL);
    CRect fill = bounds;
    fill.left = label.left - 2;
    CRect client;
    GetClientRect(&client);
    if (fill.right < client.right)
        fill.right = client.right;

    SetTextColor(dc, 0x00320000);
    COLORREF background = highlighted ? SelectColor : GetSysColor(COLOR_WINDOW);
    int columns = GetColumnCount();
    if (!highlighted && columns > 0)
        background = StateColour(*this, GetItemText(row, columns - 1).c_str(), background);
    SetBkColor(dc, background);
    ExtTextOutA(dc, 0, 0, ETO_OPAQUE, &fill, nullptr, 0, nullptr);

    SIZE space{};
    GetTextExtentPoint32A(dc, " ", 1, &space);
    int pad = 2 * space.cx;
    int x = bounds.left;
    for (int column = 0; column < columns; ++column) {
        LVCOLUMNA info{};
        info.mask = LVCF_FMT | LVCF_WIDTH;
        if (!GetColumn(column, &info))
            break;
        std::string text = GetItemText(row, column);
        CRect cell(x + pad, bounds.top, x + info.cx - pad, bounds.bottom);
        UINT align = (info.fmt & LVCFMT_JUSTIFYMASK) == LVCFMT_RIGHT    ? DT_RIGHT
                     : (info.fmt & LVCFMT_JUSTIFYMASK) == LVCFMT_CENTER ? DT_CENTER
                                                                       : DT_LEFT;
        SetBkMode(dc, OPAQUE);
        DrawTextA(dc, text.c_str(), -1, &cell, DT_SINGLELINE | DT_NOPREFIX | DT_VCENTER | DT_END_ELLIPSIS | align);
        x += info.cx;
    }
}
