// Row painting, sorting and column fitting of the connection list.
#include "SortListCtrl.h"
#include "ColumnFit.h"
#include "RowSort.h"

#include <cstring>

namespace {

// The control's rows seen by the sort. Every row (its cell texts, image, item data and state) is read
// once; the sort swaps these copies, and at the end only the rows whose content moved are written back.
// The result is the same as swapping the rows inside the control at every step, with a fraction of the
// control calls: a sort over texts that compare equal by number can make tens of thousands of swaps.
class ControlRows : public SortableRows {
public:
    // `texts`, when given, are the rows' cell texts still to be written to the control; otherwise they
    // are read from it.
    ControlRows(CListCtrl& list, int columns, std::vector<std::vector<std::string>>* texts = nullptr)
        : list(list), columns(columns), pending(texts != nullptr) {
        int count = list.GetItemCount();
        rows.resize(static_cast<size_t>(count));
        for (int row = 0; row < count; ++row) {
            Row& r = rows[static_cast<size_t>(row)];
            r.origin = row;
            if (texts != nullptr && static_cast<size_t>(row) < texts->size())
                r.texts = std::move((*texts)[static_cast<size_t>(row)]);
            else
                for (int column = 0; column < columns; ++column)
                    r.texts.push_back(list.GetItemText(row, column));
            r.texts.resize(static_cast<size_t>(columns));
            r.data.mask = LVIF_IMAGE | LVIF_PARAM | LVIF_STATE;
            r.data.iItem = row;
            r.data.stateMask = kStateMask;
            list.GetItem(&r.data);
        }
    }
    int GetRowCount() override { return static_cast<int>(rows.size()); }
    int GetColumnCount() override { return columns; }
    std::string GetCellText(int row, int column) override { return rows[static_cast<size_t>(row)].texts[column]; }
    void SwapRows(int a, int b) override { std::swap(rows[static_cast<size_t>(a)], rows[static_cast<size_t>(b)]); }

    // Writes every row that now holds another row's content back into the control (every row when the
    // texts came from the caller).
    void Commit() {
        for (size_t row = 0; row < rows.size(); ++row) {
            Row& r = rows[row];
            if (r.origin == static_cast<int>(row)) {
                if (pending) {
                    for (int column = 0; column < columns; ++column)
                        list.SetItemText(static_cast<int>(row), column, r.texts[static_cast<size_t>(column)].c_str());
                }
                continue;
            }
            for (int column = 0; column < columns; ++column)
                list.SetItemText(static_cast<int>(row), column, r.texts[static_cast<size_t>(column)].c_str());
            r.data.mask = LVIF_IMAGE | LVIF_PARAM | LVIF_STATE;
            r.data.stateMask = kStateMask;
            r.data.iItem = static_cast<int>(row);
            r.data.iSubItem = 0;
            r.data.pszText = nullptr;
            list.SetItem(&r.data);
        }
    }

private:
    // Selection, focus, cut, drop-highlight, overlay and state-image bits.
    static constexpr UINT kStateMask = 0xFF0F;
    struct Row {
        int origin = 0;
        std::vector<std::string> texts;
        LVITEMA data{};
    };

    CListCtrl& list;
    int columns;
    bool pending;
    std::vector<Row> rows;
};

// Row colour by the state text in the last column: the first substring found decides.
COLORREF StateColour(const SortListCtrl& list, const char* state, COLORREF window) {
    const struct {
        const char* part;
        COLORREF colour;
    } rules[] = {{"CLOS", list.ClosedColor},   {"LISTENING", list.ListeningColor},     {"SYN", list.SYNColor},
                 {"FIN", list.FINColor},       {"ESTABLISHED", list.EstablishedColor}, {"TIME", list.TimeWaitColor},
                 {"DELETE", list.UnknownColor}};
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
    // The list measured its owner-drawn rows before it was linked to this object: setting its font
    // again makes it ask once more, and MeasureItem answers.
    SendMessage(WM_SETFONT, SendMessage(WM_GETFONT), FALSE);
}

void SortListCtrl::MeasureItem(LPMEASUREITEMSTRUCT measureItem) {
    // Rows as tall as the text plus room below it, so underscores stay clear of the grid line.
    HDC dc = GetDC(hwnd);
    HGDIOBJ previous = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessage(WM_GETFONT)));
    TEXTMETRICA metrics{};
    GetTextMetricsA(dc, &metrics);
    SelectObject(dc, previous);
    ReleaseDC(hwnd, dc);
    measureItem->itemHeight = static_cast<UINT>(metrics.tmHeight + metrics.tmExternalLeading + 4);
}

BOOL SortListCtrl::SortRows(int column, int low, int high) {
    int columns = GetColumnCount();
    if (column < 0 || column >= columns || GetItemCount() < 2)
        return FALSE;
    ControlRows rows(*this, columns);
    if (!::SortRows(rows, column, low, high, ascending != 0))
        return FALSE;
    rows.Commit();
    return TRUE;
}

void SortListCtrl::SetTextsSorted(std::vector<std::vector<std::string>>& texts, int column) {
    int columns = GetColumnCount();
    ControlRows rows(*this, columns, &texts);
    if (column >= 0 && column < columns)
        ::SortRows(rows, column, 0, -1, ascending != 0);
    rows.Commit();
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
    std::vector<int> widths(static_cast<size_t>(columns));
    for (int i = 0; i < columns; ++i)
        widths[static_cast<size_t>(i)] = GetColumnWidth(i);
    FitColumnWidths(widths, avail);
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
