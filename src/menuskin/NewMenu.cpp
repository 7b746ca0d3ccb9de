// CNewMenu, its item data and its picture sets: converting items to owner-drawn, attaching pictures by
// command id, and routing measure and draw requests to the skin's current style.
#include "menuskin/NewMenu.h"
#include "menuskin/MenuSkin.h"

#include "framework/AfxRes.h"

#include <algorithm>
#include <cctype>
#include <unordered_set>

namespace {

std::unordered_set<const CNewMenuItemData*>& LiveItems() {
    static std::unordered_set<const CNewMenuItemData*> items;
    return items;
}

std::vector<CNewMenu*>& LiveMenus() {
    static std::vector<CNewMenu*> menus;
    return menus;
}

std::vector<std::unique_ptr<CNewMenuIcons>>& PictureSets() {
    static std::vector<std::unique_ptr<CNewMenuIcons>> sets;
    return sets;
}

bool IsSubMenuOf(HMENU parent, HMENU menu, int depth = 0) {
    if (parent == menu)
        return true;
    if (depth > 8)
        return false;
    const int count = GetMenuItemCount(parent);
    for (int i = 0; i < count; ++i)
        if (HMENU sub = GetSubMenu(parent, i); sub && IsSubMenuOf(sub, menu, depth + 1))
            return true;
    return false;
}

// Pictures for disabled items: every pixel but the mask colour turned into a light grey of its brightness.
HBITMAP GreyCopy(HDC dc, HBITMAP source, int width, int height, COLORREF mask) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    std::vector<BYTE> pixels(static_cast<size_t>(width) * height * 4);
    if (!GetDIBits(dc, source, 0, height, pixels.data(), &info, DIB_RGB_COLORS))
        return nullptr;
    for (size_t i = 0; i < pixels.size(); i += 4) {
        BYTE* p = &pixels[i]; // B, G, R
        if (RGB(p[2], p[1], p[0]) == mask)
            continue;
        const int luma = (p[2] * 30 + p[1] * 59 + p[0] * 11) / 100;
        p[0] = p[1] = p[2] = static_cast<BYTE>(110 + luma * 115 / 255);
    }
    HBITMAP grey = CreateCompatibleBitmap(dc, width, height);
    if (grey && !SetDIBits(dc, grey, 0, height, pixels.data(), &info, DIB_RGB_COLORS)) {
        DeleteObject(grey);
        return nullptr;
    }
    return grey;
}

} // namespace

CNewMenuIcons::~CNewMenuIcons() {
    if (normal)
        ImageList_Destroy(normal);
    if (grey)
        ImageList_Destroy(grey);
}

bool CNewMenuIcons::Load(UINT id, COLORREF maskColor) {
    HINSTANCE instance = GetModuleHandleA(nullptr);
    HRSRC found = FindResourceA(instance, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(RT_TOOLBAR_TYPE));
    HGLOBAL loaded = found ? LoadResource(instance, found) : nullptr;
    const void* data = loaded ? LockResource(loaded) : nullptr;
    if (!data)
        return false;
    auto set = menuskin::ReadPictureSet(static_cast<const uint8_t*>(data), SizeofResource(instance, found));
    if (!set)
        return false;
    auto bitmap = static_cast<HBITMAP>(LoadImageA(instance, MAKEINTRESOURCEA(id), IMAGE_BITMAP, 0, 0, 0));
    if (!bitmap)
        return false;
    BITMAP info{};
    GetObjectA(bitmap, sizeof info, &info);
    HDC screen = GetDC(nullptr);
    if (maskColor == CLR_DEFAULT) {
        HDC memory = CreateCompatibleDC(screen);
        HGDIOBJ old = SelectObject(memory, bitmap);
        maskColor = GetPixel(memory, 0, 0);
        SelectObject(memory, old);
        DeleteDC(memory);
    }
    const int count = static_cast<int>(set->ids.size());
    normal = ImageList_Create(set->width, set->height, ILC_COLORDDB | ILC_MASK, count, 10);
    grey = ImageList_Create(set->width, set->height, ILC_COLORDDB | ILC_MASK, count, 10);
    HBITMAP greyBitmap = GreyCopy(screen, bitmap, info.bmWidth, info.bmHeight, maskColor);
    ReleaseDC(nullptr, screen);
    const bool ok = normal && grey && greyBitmap && ImageList_AddMasked(normal, bitmap, maskColor) >= 0 &&
                    ImageList_AddMasked(grey, greyBitmap, maskColor) >= 0;
    DeleteObject(bitmap);
    if (greyBitmap)
        DeleteObject(greyBitmap);
    if (!ok)
        return false;
    toolBarId = id;
    mask = maskColor;
    pictures = std::move(*set);
    return true;
}

int CNewMenuIcons::IndexOf(UINT commandId) const {
    const int index = pictures.IndexOf(commandId);
    return normal && index < ImageList_GetImageCount(normal) ? index : -1;
}

void CNewMenuIcons::Draw(HDC dc, int index, int x, int y, bool disabled) const {
    if (index >= 0)
        ImageList_Draw(disabled ? grey : normal, index, dc, x, y, ILD_TRANSPARENT);
}

CNewMenuItemData::CNewMenuItemData() { LiveItems().insert(this); }
CNewMenuItemData::~CNewMenuItemData() { LiveItems().erase(this); }

bool CNewMenuItemData::IsItem(ULONG_PTR data) {
    return data != 0 && LiveItems().count(reinterpret_cast<const CNewMenuItemData*>(data)) != 0;
}

CNewMenu::CNewMenu() { LiveMenus().push_back(this); }

CNewMenu::~CNewMenu() {
    auto& menus = LiveMenus();
    menus.erase(std::remove(menus.begin(), menus.end(), this), menus.end());
}

CNewMenuIcons* CNewMenu::PictureSet(UINT toolBarId, COLORREF mask) {
    // Shared by every menu that loads the same toolbar with the same mask (a different mask needs its
    // own cut of the bitmap).
    for (auto& set : PictureSets())
        if (set->toolBarId == toolBarId && set->requestedMask == mask)
            return set.get();
    auto set = std::make_unique<CNewMenuIcons>();
    if (!set->Load(toolBarId, mask))
        return nullptr;
    set->requestedMask = mask;
    PictureSets().push_back(std::move(set));
    return PictureSets().back().get();
}

void CNewMenu::FreePictureSets() { PictureSets().clear(); }

CNewMenuItemData* CNewMenu::NewItem(const std::string& text, UINT flags, UINT id, bool menuBar) {
    auto item = std::make_unique<CNewMenuItemData>();
    item->text = text;
    item->flags = flags;
    item->id = id;
    item->menuBar = menuBar;
    item->menu = this;
    AssignPicture(*item);
    items.push_back(std::move(item));
    return items.back().get();
}

void CNewMenu::AssignPicture(CNewMenuItemData& item) const {
    if (item.picture >= 0 || item.id == 0 || (item.flags & MFT_SEPARATOR))
        return;
    for (CNewMenuIcons* set : iconSets) {
        const int index = set->IndexOf(item.id);
        if (index >= 0) {
            item.icons = set;
            item.picture = index;
            return;
        }
    }
}

BOOL CNewMenu::AppendMenu(UINT flags, UINT_PTR id, const char* text, int picture) {
    if (!menu)
        return FALSE;
    if (!menuskin::SkinActive() || (flags & MF_POPUP))
        return ::AppendMenuA(menu, flags, id, text);
    const bool separator = (flags & MF_SEPARATOR) != 0;
    CNewMenuItemData* item =
        NewItem(text ? text : "", separator ? MFT_SEPARATOR : MFT_STRING, static_cast<UINT>(id), false);
    if (picture >= 0 && !iconSets.empty()) {
        item->icons = iconSets.front();
        item->picture = picture;
    }
    // The text stays with the item for the system's mnemonics and for readers of the menu.
    MENUITEMINFOA info{};
    info.cbSize = sizeof info;
    info.fMask = MIIM_FTYPE | MIIM_ID | MIIM_DATA | MIIM_STATE | (separator ? 0 : MIIM_STRING);
    info.fType = (separator ? MFT_SEPARATOR : 0) | MFT_OWNERDRAW;
    info.fState = flags & (MFS_GRAYED | MFS_CHECKED | MFS_DEFAULT);
    info.wID = static_cast<UINT>(id);
    info.dwItemData = reinterpret_cast<ULONG_PTR>(item);
    info.dwTypeData = const_cast<char*>(item->text.c_str());
    return InsertMenuItemA(menu, GetMenuItemCount(menu), TRUE, &info);
}

COLORREF CNewMenu::SetMenuBitmapBackground(COLORREF color) {
    const COLORREF previous = maskColor;
    maskColor = color;
    return previous;
}

bool CNewMenu::LoadToolBar(UINT toolBarId) {
    CNewMenuIcons* set = PictureSet(toolBarId, maskColor);
    if (!set)
        return false;
    if (std::find(iconSets.begin(), iconSets.end(), set) == iconSets.end())
        iconSets.push_back(set);
    pictureSize.cx = std::max<LONG>(pictureSize.cx, set->pictures.width);
    pictureSize.cy = std::max<LONG>(pictureSize.cy, set->pictures.height);
    for (auto& item : items)
        AssignPicture(*item);
    // A menu bar's entries are drawn by the skin from the start; pop-ups when they open.
    if (menu && IsMenu(menu)) {
        bool bar = false;
        for (int i = 0; i < GetMenuItemCount(menu) && !bar; ++i)
            bar = GetSubMenu(menu, i) != nullptr;
        if (bar) {
            MakeOwnerDrawn(menu, true);
            SetBarBackground();
        }
    }
    return true;
}

BOOL CNewMenu::TrackPopupMenu(UINT flags, int x, int y, CWnd* owner) {
    if (!menu || !owner)
        return FALSE;
    return ::TrackPopupMenu(menu, flags, x, y, 0, owner->hwnd, nullptr);
}

void CNewMenu::SetBarBackground() {
    if (!menuskin::SkinActive() || !menu)
        return;
    MENUINFO info{};
    info.cbSize = sizeof info;
    info.fMask = MIM_BACKGROUND;
    info.hbrBack = menuskin::MenuBarBrush();
    SetMenuInfo(menu, &info);
}

void CNewMenu::MakeOwnerDrawn(HMENU popup, bool menuBar) {
    if (!menuskin::SkinActive() || !popup)
        return;
    const int count = GetMenuItemCount(popup);
    for (int i = 0; i < count; ++i) {
        char text[256] = {};
        MENUITEMINFOA info{};
        info.cbSize = sizeof info;
        info.fMask = MIIM_FTYPE | MIIM_ID | MIIM_DATA | MIIM_STRING | MIIM_SUBMENU;
        info.dwTypeData = text;
        info.cch = sizeof text - 1;
        if (!GetMenuItemInfoA(popup, i, TRUE, &info))
            continue;
        if ((info.fType & MFT_OWNERDRAW) && CNewMenuItemData::IsItem(info.dwItemData))
            continue; // converted before
        if (info.fType & (MFT_OWNERDRAW | MFT_BITMAP))
            continue; // someone else's drawing
        CNewMenuItemData* item = NewItem(text, info.fType, info.hSubMenu ? 0 : info.wID, menuBar);
        MENUITEMINFOA change{};
        change.cbSize = sizeof change;
        change.fMask = MIIM_FTYPE | MIIM_DATA;
        change.fType = info.fType | MFT_OWNERDRAW;
        change.dwItemData = reinterpret_cast<ULONG_PTR>(item);
        SetMenuItemInfoA(popup, i, TRUE, &change);
    }
}

bool CNewMenu::Holds(HMENU handle) const { return handle && menu && IsMenu(menu) && IsSubMenuOf(menu, handle); }

CNewMenu* CNewMenu::FromHandle(HMENU handle) {
    for (CNewMenu* candidate : LiveMenus())
        if (candidate->Holds(handle))
            return candidate;
    return nullptr;
}

bool CNewMenu::MeasureItem(MEASUREITEMSTRUCT* measure) {
    if (measure->CtlType != ODT_MENU || !CNewMenuItemData::IsItem(measure->itemData))
        return false;
    menuskin::CurrentStyle().measure(measure, *reinterpret_cast<const CNewMenuItemData*>(measure->itemData));
    return true;
}

bool CNewMenu::DrawItem(const DRAWITEMSTRUCT* draw) {
    if (draw->CtlType != ODT_MENU || !CNewMenuItemData::IsItem(draw->itemData))
        return false;
    const auto& item = *reinterpret_cast<const CNewMenuItemData*>(draw->itemData);
    const menuskin::MenuStyle& style = menuskin::CurrentStyle();
    (item.menuBar ? style.drawBarItem : style.drawItem)(draw, item);
    return true;
}

int CNewMenu::FindMnemonic(HMENU handle, UINT ch) {
    const int count = GetMenuItemCount(handle);
    for (int i = 0; i < count; ++i) {
        MENUITEMINFOA info{};
        info.cbSize = sizeof info;
        info.fMask = MIIM_DATA | MIIM_FTYPE;
        if (!GetMenuItemInfoA(handle, i, TRUE, &info) || !CNewMenuItemData::IsItem(info.dwItemData))
            continue;
        const std::string& text = reinterpret_cast<const CNewMenuItemData*>(info.dwItemData)->text;
        for (size_t at = text.find('&'); at != std::string::npos && at + 1 < text.size(); at = text.find('&', at + 2)) {
            if (text[at + 1] == '&')
                continue;
            if (std::toupper(static_cast<unsigned char>(text[at + 1])) == std::toupper(static_cast<int>(ch & 0xFF)))
                return i;
            break;
        }
    }
    return -1;
}
