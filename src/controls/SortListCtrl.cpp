// Row painting, sorting and column fitting of the connection list.
#include "SortListCtrl.h"
#include "ColumnFit.h"
#include "RowSort.h"

#include <algorithm>
#include <cstring>

namespace {

// Row colour by the state text in the last column: the first substring found decides. A UDP endpoint has no
// state: it listens.
COLORREF StateColour(const SortListCtrl& list, const char* state, const char* protocol, COLORREF window) {
    if (state[0] == '\0' && std::strncmp(protocol, "UDP", 3) == 0)
        return list.ListeningColor;
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
ON_NOTIFY_REFLECT(LVN_GETDISPINFOA, OnGetDispInfoA)
ON_NOTIFY_REFLECT(LVN_GETDISPINFOW, OnGetDispInfoW)
ON_NOTIFY_REFLECT(LVN_ODFINDITEMA, OnFindItemA)
ON_NOTIFY_REFLECT(LVN_ODFINDITEMW, OnFindItemW)
ON_MESSAGE(LVM_SETITEMTEXTA, OnSetItemTextA)
ON_MESSAGE(LVM_SETITEMTEXTW, OnSetItemTextW)
ON_WM_PAINT()
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

int SortListCtrl::InsertColumn(int index, const char* title, int format, int width) {
    const int inserted = CListCtrl::InsertColumn(index, title, format, width);
    if (inserted >= 0)
        model.InsertColumn(inserted);
    return inserted;
}

BOOL SortListCtrl::DeleteColumn(int index) {
    if (!CListCtrl::DeleteColumn(index))
        return FALSE;
    model.DeleteColumn(index);
    Invalidate();
    return TRUE;
}

int SortListCtrl::InsertItem(int index, const char* text) {
    // Rows appended at the end move nothing; a row inserted above others moves their selection with them.
    const bool moves = index < model.RowCount();
    if (moves)
        CaptureStates();
    if (!model.InsertRow(index, text != nullptr ? text : ""))
        return -1;
    SyncCount();
    if (moves) {
        RestoreStates();
        Invalidate(FALSE);
    }
    return index;
}

BOOL SortListCtrl::DeleteItem(int index) {
    if (index < 0 || index >= model.RowCount())
        return FALSE;
    CaptureStates();
    model.DeleteRow(index);
    SyncCount();
    RestoreStates();
    Invalidate(FALSE);
    return TRUE;
}

BOOL SortListCtrl::DeleteAllItems() {
    model.Clear();
    SyncCount();
    Invalidate(FALSE);
    return TRUE;
}

BOOL SortListCtrl::SetItemText(int item, int subItem, const char* text) {
    if (!model.SetCell(item, subItem, text != nullptr ? text : ""))
        return FALSE;
    RedrawRows(item, item);
    return TRUE;
}

BOOL SortListCtrl::SortRows(int column, int low, int high) {
    if (column < 0 || column >= GetColumnCount() || model.RowCount() < 2)
        return FALSE;
    CaptureStates();
    if (!model.Sort(column, low, high, ascending != 0))
        return FALSE;
    RestoreStates();
    Invalidate(FALSE);
    return TRUE;
}

RowModel& SortListCtrl::BeginRefresh() {
    model.BeginStage();
    return model;
}

void SortListCtrl::EndRefresh(int sortColumn) {
    const int shown = model.RowCount();
    model.CommitStage(sortColumn < GetColumnCount() ? sortColumn : -1, ascending != 0, changedRows);
    // Rows cut off at the end lose their selection and focus in the list view; the others keep theirs.
    if (model.RowCount() != shown)
        SyncCount();
    if (changedRows.empty())
        return;
    // Only the changed rows on screen are repainted. Every message to the list view costs a trip through the
    // window system, so the visible range is asked once, not per row.
    const int top = static_cast<int>(SendMessage(LVM_GETTOPINDEX));
    const int last = top + GetCountPerPage();
    const auto end = std::upper_bound(changedRows.begin(), changedRows.end(), last);
    for (auto row = std::lower_bound(changedRows.begin(), end, top); row != end;) {
        // A run of neighbouring changed rows is one rectangle (after a filter is cleared, the whole page).
        auto next = row + 1;
        while (next != end && *next == *(next - 1) + 1)
            ++next;
        RedrawRows(*row, *(next - 1));
        row = next;
    }
}

std::vector<std::string> SortListCtrl::ColumnTitles() const {
    std::vector<std::string> titles;
    for (int column = 0, count = GetColumnCount(); column < count; ++column) {
        char title[256] = "";
        LVCOLUMNA info{};
        info.mask = LVCF_TEXT;
        info.pszText = title;
        info.cchTextMax = sizeof(title);
        GetColumn(column, &info);
        titles.emplace_back(title);
    }
    return titles;
}

std::vector<int> SortListCtrl::SelectedRows() const {
    std::vector<int> selected;
    for (int row = -1;;) {
        const int next = static_cast<int>(SendMessage(LVM_GETNEXTITEM, static_cast<WPARAM>(row), LVNI_SELECTED));
        if (next <= row)
            break;
        row = next;
        selected.push_back(row);
    }
    return selected;
}

void SortListCtrl::SyncCount() {
    SendMessage(LVM_SETITEMCOUNT, static_cast<WPARAM>(model.RowCount()), LVSICF_NOINVALIDATEALL | LVSICF_NOSCROLL);
}

void SortListCtrl::CaptureStates() {
    model.ClearStates();
    capturedRows.clear();
    const int focused = static_cast<int>(SendMessage(LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED));
    if (focused >= 0) {
        model.SetState(focused, RowModel::kFocused);
        capturedRows.push_back(focused);
    }
    if (SendMessage(LVM_GETSELECTEDCOUNT) == 0)
        return;
    for (int row = -1;;) {
        const int next = static_cast<int>(SendMessage(LVM_GETNEXTITEM, static_cast<WPARAM>(row), LVNI_SELECTED));
        if (next <= row)
            break;
        row = next;
        model.SetState(row, model.State(row) | RowModel::kSelected);
        capturedRows.push_back(row);
    }
}

void SortListCtrl::RestoreStates() {
    constexpr UINT kMask = LVIS_SELECTED | LVIS_FOCUSED;
    // Only rows that had a state are cleared, and only rows that have one now are set: no pass over every
    // row of the list view.
    for (int row : capturedRows)
        CListCtrl::SetItemState(row, 0, kMask);
    const int count = capturedRows.empty() ? 0 : model.RowCount();
    for (int row = 0; row < count; ++row) {
        const uint32_t state = model.State(row);
        if (state == 0)
            continue;
        CListCtrl::SetItemState(
            row, (state & RowModel::kSelected ? LVIS_SELECTED : 0) | (state & RowModel::kFocused ? LVIS_FOCUSED : 0),
            kMask);
        if (state & RowModel::kFocused)
            SendMessage(LVM_SETSELECTIONMARK, 0, row);
    }
}

void SortListCtrl::RedrawRows(int first, int last) {
    CRect bounds;
    CRect lastBounds;
    if (!GetItemRect(first, &bounds, LVIR_BOUNDS) || !GetItemRect(last, &lastBounds, LVIR_BOUNDS))
        return;
    bounds.bottom = lastBounds.bottom;
    // Painted rows reach the right edge of the client area, past the last column.
    CRect client;
    GetClientRect(&client);
    bounds.left = client.left;
    bounds.right = client.right;
    ::InvalidateRect(hwnd, &bounds, FALSE);
}

void SortListCtrl::OnGetDispInfoA(NMHDR* header, LRESULT* result) {
    LVITEMA& item = reinterpret_cast<NMLVDISPINFOA*>(header)->item;
    if ((item.mask & LVIF_TEXT) != 0 && item.pszText != nullptr && item.cchTextMax > 0)
        lstrcpynA(item.pszText, model.Cell(item.iItem, item.iSubItem), item.cchTextMax);
    if ((item.mask & LVIF_PARAM) != 0)
        item.lParam = static_cast<LPARAM>(model.Data(item.iItem));
    *result = 0;
}

void SortListCtrl::OnGetDispInfoW(NMHDR* header, LRESULT* result) {
    LVITEMW& item = reinterpret_cast<NMLVDISPINFOW*>(header)->item;
    if ((item.mask & LVIF_TEXT) != 0 && item.pszText != nullptr && item.cchTextMax > 0) {
        const char* text = model.Cell(item.iItem, item.iSubItem);
        const int length = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
        std::wstring wide(static_cast<size_t>(length > 0 ? length : 1), L'\0');
        MultiByteToWideChar(CP_ACP, 0, text, -1, wide.data(), length);
        lstrcpynW(item.pszText, wide.c_str(), item.cchTextMax);
    }
    if ((item.mask & LVIF_PARAM) != 0)
        item.lParam = static_cast<LPARAM>(model.Data(item.iItem));
    *result = 0;
}

LRESULT SortListCtrl::OnSetItemTextA(WPARAM item, LPARAM info) {
    const auto* lv = reinterpret_cast<const LVITEMA*>(info);
    if (lv == nullptr || lv->pszText == LPSTR_TEXTCALLBACKA)
        return FALSE;
    return SetItemText(static_cast<int>(item), lv->iSubItem, lv->pszText);
}

LRESULT SortListCtrl::OnSetItemTextW(WPARAM item, LPARAM info) {
    const auto* lv = reinterpret_cast<const LVITEMW*>(info);
    if (lv == nullptr || lv->pszText == LPSTR_TEXTCALLBACKW)
        return FALSE;
    const std::string text = AnsiFromWide(lv->pszText);
    return SetItemText(static_cast<int>(item), lv->iSubItem, text.c_str());
}

int SortListCtrl::FindItem(int start, UINT flags, const char* text) const {
    if ((flags & (LVFI_STRING | LVFI_PARTIAL)) == 0 || text == nullptr)
        return -1;
    return model.FindRow(start, text, (flags & LVFI_PARTIAL) != 0, (flags & LVFI_WRAP) != 0);
}

void SortListCtrl::OnFindItemA(NMHDR* header, LRESULT* result) {
    const auto* find = reinterpret_cast<const NMLVFINDITEMA*>(header);
    *result = FindItem(find->iStart, find->lvfi.flags, find->lvfi.psz);
}

void SortListCtrl::OnFindItemW(NMHDR* header, LRESULT* result) {
    const auto* find = reinterpret_cast<const NMLVFINDITEMW*>(header);
    if (find->lvfi.psz == nullptr) {
        *result = -1;
        return;
    }
    const std::string text = AnsiFromWide(find->lvfi.psz);
    *result = FindItem(find->iStart, find->lvfi.flags, text.c_str());
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

void SortListCtrl::ReadColumns(std::vector<PaintColumn>& columns) const {
    columns.clear();
    for (int column = 0, count = GetColumnCount(); column < count; ++column) {
        LVCOLUMNA info{};
        info.mask = LVCF_FMT | LVCF_WIDTH;
        if (!GetColumn(column, &info))
            break;
        const UINT align = (info.fmt & LVCFMT_JUSTIFYMASK) == LVCFMT_RIGHT    ? DT_RIGHT
                           : (info.fmt & LVCFMT_JUSTIFYMASK) == LVCFMT_CENTER ? DT_CENTER
                                                                              : DT_LEFT;
        columns.push_back({info.cx, align});
    }
}

void SortListCtrl::ReadLook(PaintLook& look, HDC dc, int row) const {
    ReadColumns(look.columns);
    CRect bounds;
    CRect label;
    GetItemRect(row, &bounds, LVIR_BOUNDS);
    GetItemRect(row, &label, LVIR_LABEL);
    look.labelInset = label.left - bounds.left;
    CRect client;
    GetClientRect(&client);
    look.clientRight = client.right;
    SIZE space{};
    GetTextExtentPoint32A(dc, " ", 1, &space);
    look.pad = 2 * space.cx;
    look.selectionShows = GetFocus() == hwnd || (GetStyle() & LVS_SHOWSELALWAYS) != 0;
}

void SortListCtrl::OnPaint() {
    painting = true;
    lookRead = false;
    Default();
    painting = false;
}

void SortListCtrl::DrawItem(LPDRAWITEMSTRUCT drawItem) {
    HDC dc = drawItem->hDC;
    int row = static_cast<int>(drawItem->itemID);
    // A row drawn outside a paint (a print of the window, say) reads the look itself.
    PaintLook ownLook;
    if (painting && !lookRead) {
        ReadLook(paintLook, dc, row);
        lookRead = true;
    } else if (!painting) {
        ReadLook(ownLook, dc, row);
    }
    const PaintLook& look = painting ? paintLook : ownLook;
    // The draw request carries the row's bounds and its selection: an owner-data list view keeps only
    // selection and focus (no drop highlight).
    const bool selected = (drawItem->itemState & ODS_SELECTED) != 0;
    const bool highlighted = selected && look.selectionShows;

    const CRect bounds(drawItem->rcItem);
    CRect fill = bounds;
    fill.left = bounds.left + look.labelInset - 2;
    if (fill.right < look.clientRight)
        fill.right = look.clientRight;

    SetTextColor(dc, 0x00320000);
    COLORREF background = highlighted ? SelectColor : GetSysColor(COLOR_WINDOW);
    const int columns = static_cast<int>(look.columns.size());
    if (!highlighted && columns > 0)
        background = StateColour(*this, model.Cell(row, columns - 1), model.Cell(row, protocolColumn), background);
    if (!highlighted && model.Mark(row) == kMarkNew)
        background = NewColor;
    else if (!highlighted && model.Mark(row) == kMarkRemoved)
        background = RemovedColor;
    SetBkColor(dc, background);
    ExtTextOutA(dc, 0, 0, ETO_OPAQUE, &fill, nullptr, 0, nullptr);

    int x = bounds.left;
    for (int column = 0; column < columns; ++column) {
        const PaintColumn& cellLook = look.columns[static_cast<size_t>(column)];
        CRect cell(x + look.pad, bounds.top, x + cellLook.width - look.pad, bounds.bottom);
        SetBkMode(dc, OPAQUE);
        DrawTextA(dc, model.Cell(row, column), -1, &cell,
                  DT_SINGLELINE | DT_NOPREFIX | DT_VCENTER | DT_END_ELLIPSIS | cellLook.align);
        x += cellLook.width;
    }
}
