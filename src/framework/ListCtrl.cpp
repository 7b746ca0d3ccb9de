// List-view wrapper.
#include "ListCtrl.h"

bool CListCtrl::Create(DWORD style, const RECT& rect, CWnd* parent, UINT id) {
    return CreateEx(0, WC_LISTVIEWA, "", style, rect, parent->hwnd, id);
}

int CListCtrl::InsertColumn(int index, const char* title, int format, int width) const {
    LVCOLUMNA column{};
    column.mask = LVCF_FMT | LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
    column.fmt = format;
    column.cx = width;
    column.pszText = const_cast<char*>(title);
    column.iSubItem = index;
    return static_cast<int>(SendMessage(LVM_INSERTCOLUMNA, index, reinterpret_cast<LPARAM>(&column)));
}

int CListCtrl::InsertItem(int index, const char* text) const {
    LVITEMA item{};
    item.mask = LVIF_TEXT;
    item.iItem = index;
    item.pszText = const_cast<char*>(text);
    return static_cast<int>(SendMessage(LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
}

BOOL CListCtrl::SetItemText(int item, int subItem, const char* text) const {
    LVITEMA lv{};
    lv.iSubItem = subItem;
    lv.pszText = const_cast<char*>(text);
    return static_cast<BOOL>(SendMessage(LVM_SETITEMTEXTA, item, reinterpret_cast<LPARAM>(&lv)));
}

int CListCtrl::GetItemText(int item, int subItem, char* buffer, int size) const {
    LVITEMA lv{};
    lv.iSubItem = subItem;
    lv.pszText = buffer;
    lv.cchTextMax = size;
    if (size > 0)
        buffer[0] = '\0';
    return static_cast<int>(SendMessage(LVM_GETITEMTEXTA, item, reinterpret_cast<LPARAM>(&lv)));
}

std::string CListCtrl::GetItemText(int item, int subItem) const {
    // Connection cells are bounded (host names 510 characters), but a black-list entry from a hand-edited
    // file is not: the buffer grows until the whole text fits, so a text read back is never cut.
    constexpr size_t kLargest = 64 * 1024 * 1024;
    std::string text(1024, '\0');
    for (;;) {
        const int length = GetItemText(item, subItem, text.data(), static_cast<int>(text.size()));
        if (length < static_cast<int>(text.size()) - 1 || text.size() >= kLargest) {
            text.resize(static_cast<size_t>(length > 0 ? length : 0));
            return text;
        }
        text.assign(text.size() * 8, '\0');
    }
}

BOOL CListCtrl::SetItemState(int item, UINT state, UINT mask) const {
    LVITEMA lv{};
    lv.state = state;
    lv.stateMask = mask;
    return static_cast<BOOL>(SendMessage(LVM_SETITEMSTATE, item, reinterpret_cast<LPARAM>(&lv)));
}

BOOL CListCtrl::GetItemRect(int item, RECT* rect, int code) const {
    rect->left = code;
    return static_cast<BOOL>(SendMessage(LVM_GETITEMRECT, item, reinterpret_cast<LPARAM>(rect)));
}

void CListCtrl::PreSubclassWindow() {
    CWnd::PreSubclassWindow();
    if (GetStyle() & LVS_OWNERDRAWFIXED)
        RemeasureItems();
}

void CListCtrl::RemeasureItems() const {
    // A list view measures its owner-drawn rows when told that its size changed; the size it is told is
    // its own, so nothing moves.
    CRect rect;
    GetWindowRect(&rect);
    WINDOWPOS position{hwnd,
                       nullptr,
                       0,
                       0,
                       rect.Width(),
                       rect.Height(),
                       SWP_NOACTIVATE | SWP_NOMOVE | SWP_NOOWNERZORDER | SWP_NOZORDER};
    SendMessage(WM_WINDOWPOSCHANGED, 0, reinterpret_cast<LPARAM>(&position));
}
