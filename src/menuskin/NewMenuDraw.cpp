// Style 2 of the menu skin: item measurement and painting, menu-bar entries, and the pop-up window's
// frame and background. Sizes and colours follow MenuSkinRules; the geometry is ours: a picture column
// on the left with the pictures centred in it, one-pixel separator lines, a filled and framed selection,
// greyed pictures for disabled items, and a one-pixel frame around the pop-up.
#include "menuskin/MenuSkin.h"
#include "menuskin/NewMenu.h"

#include <string>

namespace menuskin {

namespace {

constexpr int kTextGap = 8;         // from the column to the label
constexpr int kAcceleratorGap = 10; // from the accelerator to the right edge

class Brush {
public:
    explicit Brush(COLORREF colour) : brush(CreateSolidBrush(colour)) {}
    ~Brush() { DeleteObject(brush); }
    operator HBRUSH() const { return brush; }

private:
    HBRUSH brush;
};

void Fill(HDC dc, const RECT& rect, COLORREF colour) {
    Brush brush(colour);
    FillRect(dc, &rect, brush);
}

void Frame(HDC dc, const RECT& rect, COLORREF colour) {
    Brush brush(colour);
    FrameRect(dc, &rect, brush);
}

SIZE PictureSize(const CNewMenuItemData& item) { return item.menu ? item.menu->pictureSize : SIZE{16, 15}; }

void SplitText(const std::string& text, std::string& label, std::string& accelerator) {
    const size_t tab = text.find('\t');
    label = text.substr(0, tab);
    accelerator = tab == std::string::npos ? std::string() : text.substr(tab + 1);
}

SIZE TextExtent(HDC dc, const std::string& text) {
    RECT rect{0, 0, 0, 0};
    if (!text.empty())
        DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &rect, DT_SINGLELINE | DT_CALCRECT);
    return {rect.right - rect.left, rect.bottom - rect.top};
}

// A Marlett glyph (check mark, radio dot) in `target` shrunk by 2 pixels, as tall as what remains.
void DrawGlyph(HDC dc, RECT target, char glyph, COLORREF colour, bool bold) {
    InflateRect(&target, -2, -2);
    HGDIOBJ old = SelectObject(dc, MarlettFont(target.bottom - target.top, bold));
    SetTextColor(dc, colour);
    SetBkMode(dc, TRANSPARENT);
    DrawTextA(dc, &glyph, 1, &target, DT_CENTER | DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
    SelectObject(dc, old);
}

// The left edge of the items inside the pop-up's client area (the system may keep a margin).
int ItemLeft(HWND window) {
    auto menu = reinterpret_cast<HMENU>(SendMessageA(window, MN_GETHMENU, 0, 0));
    RECT item;
    if (!menu || !GetMenuItemRect(nullptr, menu, 0, &item))
        return 0;
    POINT corner{item.left, item.top};
    ScreenToClient(window, &corner);
    return corner.x > 0 ? corner.x : 0;
}

int ColumnOf(HWND window) {
    auto menu = reinterpret_cast<HMENU>(SendMessageA(window, MN_GETHMENU, 0, 0));
    const CNewMenu* owner = CNewMenu::FromHandle(menu);
    return ColumnWidth(owner ? owner->pictureSize.cx : 16);
}

} // namespace

void MeasureStyleTwo(MEASUREITEMSTRUCT* measure, const CNewMenuItemData& item) {
    const SIZE picture = PictureSize(item);
    ItemSizeInput in;
    in.pictureWidth = picture.cx;
    in.pictureHeight = picture.cy;
    in.menuBarHeight = GetSystemMetrics(SM_CYMENU);
    in.menuBar = item.menuBar;
    in.separator = (item.flags & MFT_SEPARATOR) && item.text.empty();
    if (!in.separator) {
        std::string label, accelerator;
        SplitText(item.text, label, accelerator);
        HDC dc = GetDC(nullptr);
        HGDIOBJ old = SelectObject(dc, MenuFont());
        const SIZE labelSize = TextExtent(dc, label.empty() ? std::string(" ") : label);
        in.textWidth = labelSize.cx + (accelerator.empty() ? 0 : TextExtent(dc, accelerator).cx);
        in.textHeight = labelSize.cy;
        in.hasTab = item.text.find('\t') != std::string::npos;
        SelectObject(dc, old);
        ReleaseDC(nullptr, dc);
    }
    const ItemSize size = MeasureItem(in);
    measure->itemWidth = static_cast<UINT>(size.width > 0 ? size.width : 0);
    measure->itemHeight = static_cast<UINT>(size.height);
}

void DrawStyleTwo(const DRAWITEMSTRUCT* draw, const CNewMenuItemData& item) {
    HDC dc = draw->hDC;
    const MenuColours colours = CurrentColours();
    const SIZE picture = PictureSize(item);
    const RECT& rect = draw->rcItem;
    const int columnRight = rect.left + ColumnWidth(picture.cx);
    Fill(dc, {rect.left, rect.top, columnRight, rect.bottom}, colours.column);
    Fill(dc, {columnRight, rect.top, rect.right, rect.bottom}, colours.textArea);

    if (item.flags & MFT_SEPARATOR) {
        const int y = rect.top + (rect.bottom - rect.top) / 2;
        Fill(dc, {columnRight + kTextGap, y, rect.right, y + 1}, GetSysColor(COLOR_BTNSHADOW));
        return;
    }
    const bool disabled = (draw->itemState & (ODS_GRAYED | ODS_DISABLED)) != 0;
    const bool selected = (draw->itemState & ODS_SELECTED) != 0;
    const bool checked = (draw->itemState & ODS_CHECKED) != 0;
    if (selected) {
        Fill(dc, rect, colours.selectionFill);
        Frame(dc, rect, colours.selectionFrame);
    }

    const int x = rect.left + (ColumnWidth(picture.cx) - picture.cx) / 2;
    const int y = rect.top + (rect.bottom - rect.top - picture.cy) / 2;
    const RECT pictureRect{x, y, x + picture.cx, y + picture.cy};
    if (checked) {
        // A checked command: its picture (or the check mark) on a framed selection-coloured square.
        RECT box = pictureRect;
        InflateRect(&box, 2, 2);
        Fill(dc, box, colours.selectionFill);
        Frame(dc, box, colours.selectionFrame);
    }
    if (item.icons && item.picture >= 0) {
        item.icons->Draw(dc, item.picture, x, y, disabled);
    } else if (checked) {
        const char glyph = (item.flags & MFT_RADIOCHECK) ? 'h' : 'a';
        DrawGlyph(dc, pictureRect, glyph, disabled ? colours.disabledText : GetSysColor(COLOR_MENUTEXT), false);
    }

    std::string label, accelerator;
    SplitText(item.text, label, accelerator);
    HGDIOBJ oldFont = SelectObject(dc, MenuFont());
    SetBkMode(dc, TRANSPARENT);
    COLORREF text = GetSysColor(COLOR_MENUTEXT);
    if (disabled)
        text = colours.disabledText;
    else if (selected && HighContrast())
        text = GetSysColor(COLOR_HIGHLIGHTTEXT); // on the highlight colour of the selection
    SetTextColor(dc, text);
    const UINT prefix = (draw->itemState & ODS_NOACCEL) ? DT_HIDEPREFIX : 0;
    RECT textRect{columnRight + kTextGap, rect.top, rect.right - kAcceleratorGap, rect.bottom};
    DrawTextA(dc, label.c_str(), static_cast<int>(label.size()), &textRect, DT_SINGLELINE | DT_VCENTER | prefix);
    if (!accelerator.empty())
        DrawTextA(dc, accelerator.c_str(), static_cast<int>(accelerator.size()), &textRect,
                  DT_SINGLELINE | DT_VCENTER | DT_RIGHT | prefix);
    SelectObject(dc, oldFont);
}

void DrawStyleTwoBar(const DRAWITEMSTRUCT* draw, const CNewMenuItemData& item) {
    HDC dc = draw->hDC;
    const MenuColours colours = CurrentColours();
    RECT rect = draw->rcItem;
    Fill(dc, rect, colours.menuBackground);
    if (draw->itemState & (ODS_SELECTED | ODS_HOTLIGHT)) {
        RECT box = rect;
        InflateRect(&box, 0, -1);
        Fill(dc, box, colours.selectionFill);
        Frame(dc, box, colours.selectionFrame);
    }
    HGDIOBJ oldFont = SelectObject(dc, MenuFont());
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc,
                 (draw->itemState & (ODS_GRAYED | ODS_DISABLED)) ? colours.disabledText : GetSysColor(COLOR_MENUTEXT));
    const UINT prefix = (draw->itemState & ODS_NOACCEL) ? DT_HIDEPREFIX : 0;
    DrawTextA(dc, item.text.c_str(), static_cast<int>(item.text.size()), &rect,
              DT_SINGLELINE | DT_VCENTER | DT_CENTER | prefix);
    SelectObject(dc, oldFont);
}

// The non-client ring of a pop-up in the colours of the area it borders, inside a one-pixel frame.
void PaintStyleTwoFrame(HWND window, HDC dc) {
    RECT bounds, client;
    GetWindowRect(window, &bounds);
    GetClientRect(window, &client);
    POINT origin{0, 0};
    ClientToScreen(window, &origin);
    OffsetRect(&client, origin.x - bounds.left, origin.y - bounds.top);
    const RECT whole{0, 0, bounds.right - bounds.left, bounds.bottom - bounds.top};
    const MenuColours colours = CurrentColours();
    const int saved = SaveDC(dc);
    ExcludeClipRect(dc, client.left, client.top, client.right, client.bottom);
    const int columnRight = client.left + ItemLeft(window) + ColumnOf(window);
    Fill(dc, {whole.left, whole.top, columnRight, whole.bottom}, colours.column);
    Fill(dc, {columnRight, whole.top, whole.right, whole.bottom}, colours.textArea);
    Frame(dc, whole, GetSysColor(COLOR_BTNSHADOW));
    RestoreDC(dc, saved);
}

// The client area behind the items: the column (with the margin left of the items) and the text area.
void PaintStyleTwoBackground(HWND window, HDC dc) {
    RECT client;
    GetClientRect(window, &client);
    const MenuColours colours = CurrentColours();
    const int columnRight = client.left + ItemLeft(window) + ColumnOf(window);
    Fill(dc, {client.left, client.top, columnRight, client.bottom}, colours.column);
    Fill(dc, {columnRight, client.top, client.right, client.bottom}, colours.textArea);
}

} // namespace menuskin
