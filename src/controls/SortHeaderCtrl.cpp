// Sort header painting and hot tracking.
#include "SortHeaderCtrl.h"

#include <uxtheme.h>

namespace {

using OpenThemeDataFn = HANDLE(WINAPI*)(HWND, LPCWSTR);
using CloseThemeDataFn = HRESULT(WINAPI*)(HANDLE);
using DrawThemeBackgroundFn = HRESULT(WINAPI*)(HANDLE, HDC, int, int, const RECT*, const RECT*);

template <class Fn> Fn ThemeEntry(HMODULE module, const char* name) {
    return module ? reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name))) : nullptr;
}

// A solid 1-pixel pen, selected while a few lines are drawn.
class PenScope {
public:
    PenScope(HDC dc, COLORREF colour) : dc(dc), pen(CreatePen(PS_SOLID, 1, colour)) {
        previous = SelectObject(dc, pen);
    }
    ~PenScope() {
        SelectObject(dc, previous);
        DeleteObject(pen);
    }
    PenScope(const PenScope&) = delete;
    PenScope& operator=(const PenScope&) = delete;

private:
    HDC dc;
    HPEN pen;
    HGDIOBJ previous;
};

} // namespace

BEGIN_MESSAGE_MAP(SortHeaderCtrl, CHeaderCtrl)
ON_WM_MOUSEMOVE()
ON_WM_MOUSELEAVE()
ON_WM_DESTROY()
ON_MESSAGE(WM_THEMECHANGED, OnThemeChanged)
END_MESSAGE_MAP()

void SortHeaderCtrl::PreSubclassWindow() {
    OpenTheme();
    CHeaderCtrl::PreSubclassWindow();
}

void SortHeaderCtrl::OpenTheme() {
    // The theme library is used only when the process already has it; the control never loads it.
    themeModule = GetModuleHandleA("uxtheme.dll");
    if (auto open = ThemeEntry<OpenThemeDataFn>(themeModule, "OpenThemeData"))
        theme = open(hwnd, L"HEADER");
}

void SortHeaderCtrl::CloseTheme() {
    if (theme != nullptr) {
        if (auto close = ThemeEntry<CloseThemeDataFn>(themeModule, "CloseThemeData"))
            close(theme);
        theme = nullptr;
    }
    hotItem = -1;
}

void SortHeaderCtrl::OnDestroy() {
    CloseTheme();
    Default();
}

LRESULT SortHeaderCtrl::OnThemeChanged(WPARAM, LPARAM) {
    CloseTheme();
    OpenTheme();
    LRESULT result = Default();
    Invalidate(TRUE);
    return result;
}

void SortHeaderCtrl::SetSortIndicator(int column, BOOL ascendingArrow) {
    sortColumn = column;
    ascending = ascendingArrow;
    int count = GetItemCount();
    for (int i = 0; i < count; ++i) {
        HDITEMA item{};
        item.mask = HDI_FORMAT;
        GetItem(i, &item);
        item.fmt |= HDF_OWNERDRAW;
        SetItem(i, &item);
    }
}

void SortHeaderCtrl::DrawItem(LPDRAWITEMSTRUCT drawItem) {
    HDC dc = drawItem->hDC;
    int saved = SaveDC(dc);
    CRect itemRect = drawItem->rcItem;
    CRect label = itemRect;
    int index = static_cast<int>(drawItem->itemID);
    bool pressed = drawItem->itemState == ODS_SELECTED;

    auto drawBackground = ThemeEntry<DrawThemeBackgroundFn>(themeModule, "DrawThemeBackground");
    if (theme != nullptr) {
        if (drawBackground != nullptr) {
            int state = pressed ? 3 : index == hotItem ? 2 : 1;
            drawBackground(theme, dc, 1, state, &itemRect, nullptr);
        }
    } else {
        FillRect(dc, &itemRect, GetSysColorBrush(COLOR_BTNFACE));
    }

    char text[256] = "";
    HDITEMA item{};
    item.mask = HDI_TEXT | HDI_FORMAT;
    item.pszText = text;
    item.cchTextMax = sizeof(text) - 1;
    GetItem(index, &item);
    UINT flags = DT_SINGLELINE | DT_NOPREFIX | DT_NOCLIP | DT_VCENTER | DT_END_ELLIPSIS;
    if ((item.fmt & HDF_JUSTIFYMASK) == HDF_CENTER)
        flags |= DT_CENTER;
    else if ((item.fmt & HDF_JUSTIFYMASK) == HDF_RIGHT)
        flags |= DT_RIGHT;
    else
        flags |= DT_LEFT;

    if (pressed) {
        label.left += 1;
        label.right += 1;
        label.top += 2;
    }
    int d = itemRect.Height() / 4;
    if (index == sortColumn)
        label.right -= 3 * d;
    label.left += d;
    label.right -= d;
    if (label.left < label.right) {
        SetBkMode(dc, TRANSPARENT);
        DrawTextA(dc, text, -1, &label, flags);
    }

    if (index == sortColumn) {
        int r = itemRect.right;
        int b = itemRect.bottom;
        if (ascending) {
            {
                PenScope light(dc, GetSysColor(COLOR_BTNHIGHLIGHT));
                MoveToEx(dc, r - 2 * d, d, nullptr);
                LineTo(dc, r - d, b - d - 1);
                LineTo(dc, r - 3 * d - 2, b - d - 1);
            }
            PenScope dark(dc, GetSysColor(COLOR_BTNSHADOW));
            MoveToEx(dc, r - 3 * d - 1, b - d - 1, nullptr);
            LineTo(dc, r - 2 * d, d - 2);
        } else {
            {
                PenScope light(dc, GetSysColor(COLOR_BTNHIGHLIGHT));
                MoveToEx(dc, r - d - 1, d, nullptr);
                LineTo(dc, r - 2 * d - 1, b - d);
            }
            PenScope dark(dc, GetSysColor(COLOR_BTNSHADOW));
            MoveToEx(dc, r - 2 * d - 2, b - d, nullptr);
            LineTo(dc, r - 3 * d - 1, d);
            LineTo(dc, r - d - 1, d);
        }
    }
    RestoreDC(dc, saved);
}

void SortHeaderCtrl::OnMouseMove(UINT flags, CPoint point) {
    if (theme != nullptr) {
        int found = -1;
        int count = GetItemCount();
        for (int i = 0; i < count; ++i) {
            CRect rect;
            if (GetItemRect(i, &rect) && PtInRect(&rect, point)) {
                found = i;
                break;
            }
        }
        if (found != hotItem) {
            hotItem = found;
            if (found != -1)
                Invalidate(TRUE);
        }
        // Ask for the leave message that ends the hot state.
        TRACKMOUSEEVENT track{sizeof(track), TME_LEAVE, hwnd, 0};
        TrackMouseEvent(&track);
    }
    Default();
}

void SortHeaderCtrl::OnMouseLeave() {
    if (theme == nullptr)
        return;
    if (hotItem != -1) {
        hotItem = -1;
        Invalidate(FALSE);
    }
    Default();
}
