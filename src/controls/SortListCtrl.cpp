// Row painting and column fitting of the connection list.
#include "SortListCtrl.h"

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
    // Plain painting: window colour and the cell texts. LATER(sortable list): state colours.
    HDC dc = drawItem->hDC;
    int row = static_cast<int>(drawItem->itemID);
    CRect bounds = drawItem->rcItem;
    CRect client;
    GetClientRect(&client);
    if (bounds.right < client.right)
        bounds.right = client.right;
    COLORREF background = GetSysColor(COLOR_WINDOW);
    SetBkColor(dc, background);
    SetTextColor(dc, RGB(0, 0, 50));
    ExtTextOutA(dc, 0, 0, ETO_OPAQUE, &bounds, nullptr, 0, nullptr);
    SIZE space{};
    GetTextExtentPoint32A(dc, " ", 1, &space);
    int pad = 2 * space.cx;
    int x = drawItem->rcItem.left;
    for (int column = 0; column < GetColumnCount(); ++column) {
        LVCOLUMNA info{};
        info.mask = LVCF_FMT | LVCF_WIDTH;
        if (!GetColumn(column, &info))
            break;
        std::string text = GetItemText(row, column);
        CRect cell(x + pad, drawItem->rcItem.top, x + info.cx - pad, drawItem->rcItem.bottom);
        UINT align = (info.fmt & LVCFMT_JUSTIFYMASK) == LVCFMT_RIGHT    ? DT_RIGHT
                     : (info.fmt & LVCFMT_JUSTIFYMASK) == LVCFMT_CENTER ? DT_CENTER
                                                                       : DT_LEFT;
        DrawTextA(dc, text.c_str(), -1, &cell, DT_SINGLELINE | DT_NOPREFIX | DT_VCENTER | DT_END_ELLIPSIS | align);
        x += info.cx;
    }
}
