// Owner-drawn menus with command pictures. A CNewMenu switches the items of its menus to owner-drawn, each
// carrying a CNewMenuItemData, and draws them in the skin's selected style (MenuSkin.h). Pictures come from
// toolbar layout resources and their bitmaps (CNewMenuIcons), shared process-wide by toolbar id and mask.
// CNewFrameWnd is the frame base that owns the window menu and the system menu and updates pop-ups before
// they open; CNewDialog gives a dialog the same menu support.
#pragma once

#include "framework/Dialog.h"
#include "framework/FrameWnd.h"
#include "framework/Menu.h"
#include "menuskin/MenuSkinRules.h"

#include <memory>
#include <string>
#include <vector>

class CNewMenu;

// One picture set: the command ids of a toolbar layout (separators skipped) and its bitmap cut into
// pictures, plus a greyed copy for disabled items. Picture i belongs to the i-th id.
class CNewMenuIcons : public CObject {
public:
    CNewMenuIcons() = default;
    CNewMenuIcons(const CNewMenuIcons&) = delete;
    CNewMenuIcons& operator=(const CNewMenuIcons&) = delete;
    ~CNewMenuIcons() override;

    // Reads toolbar layout `toolBarId` and bitmap `toolBarId`; mask CLR_DEFAULT takes the bitmap's top-left
    // pixel. False (and nothing held) when either is missing or damaged.
    bool Load(UINT toolBarId, COLORREF mask);
    int IndexOf(UINT commandId) const;
    void Draw(HDC dc, int index, int x, int y, bool disabled) const;

    UINT toolBarId = 0;
    COLORREF requestedMask = CLR_DEFAULT; // the mask asked for (CLR_DEFAULT: the top-left pixel)
    COLORREF mask = CLR_DEFAULT;          // the colour that became see-through
    menuskin::PictureSet pictures;

protected:
    HIMAGELIST normal = nullptr;
    HIMAGELIST grey = nullptr;
};

// Pictures added one bitmap at a time instead of from a toolbar layout. This program attaches none.
class CNewMenuBitmaps : public CNewMenuIcons {};

// What an owner-drawn item carries.
class CNewMenuItemData : public CObject {
public:
    CNewMenuItemData();
    ~CNewMenuItemData() override;
    // Whether `data` is a live item of a CNewMenu (item data of other menus is never trusted).
    static bool IsItem(ULONG_PTR data);

    std::string text;
    UINT flags = 0; // menu flags of the item as it was converted (MFT_*)
    UINT id = 0;
    CNewMenuIcons* icons = nullptr;
    int picture = -1;
    bool menuBar = false;
    CNewMenu* menu = nullptr; // the menu object whose picture size the item takes
};

class CNewMenu : public CMenu {
public:
    CNewMenu();
    ~CNewMenu() override;

    // Appends an item (owner-drawn while the skin runs); picture -1 means none (or the loaded toolbar's
    // picture of the command id).
    BOOL AppendMenu(UINT flags, UINT_PTR id = 0, const char* text = nullptr, int picture = -1);
    // Mask colour for the pictures loaded after this call; returns the previous one.
    COLORREF SetMenuBitmapBackground(COLORREF color);
    // Item pictures from a toolbar layout resource and its bitmap; the menu's items (and a menu bar's
    // entries) take the pictures of their command ids.
    bool LoadToolBar(UINT toolBarId);
    BOOL TrackPopupMenu(UINT flags, int x, int y, CWnd* owner);

    // Switches the items of `popup` (one of this menu's pop-ups, or the menu itself) to owner-drawn.
    void MakeOwnerDrawn(HMENU popup, bool menuBar);
    // A menu bar takes the skin's bar brush (again after a colour or theme change).
    void SetBarBackground();
    // The live CNewMenu whose menu tree holds `menu`, or null.
    static CNewMenu* FromHandle(HMENU menu);
    bool Holds(HMENU menu) const;

    // WM_MEASUREITEM / WM_DRAWITEM of a menu item; false when the item is not one of ours.
    static bool MeasureItem(MEASUREITEMSTRUCT* measure);
    static bool DrawItem(const DRAWITEMSTRUCT* draw);
    // WM_MENUCHAR over owner-drawn items: the item whose mnemonic is `ch`, or -1.
    static int FindMnemonic(HMENU menu, UINT ch);
    // The process-wide picture sets, freed when the skin ends.
    static CNewMenuIcons* PictureSet(UINT toolBarId, COLORREF mask);
    static void FreePictureSets();

    SIZE pictureSize{16, 15};
    COLORREF maskColor = CLR_DEFAULT;

private:
    CNewMenuItemData* NewItem(const std::string& text, UINT flags, UINT id, bool menuBar);
    void AssignPicture(CNewMenuItemData& item) const;

    std::vector<std::unique_ptr<CNewMenuItemData>> items;
    std::vector<CNewMenuIcons*> iconSets;
};

// Frame base with owner-drawn window and system menus.
class CNewFrameWnd : public CFrameWnd {
public:
    CNewMenu defaultMenu;
    CNewMenu systemMenu;
    // The skin's timer (0 while none runs); it uses ids from 31 up, clear of the program's timers. It
    // runs while the cursor is over the menu bar, so the bar's hot entry is put out once the cursor leaves.
    UINT_PTR skinTimerId = 0;

protected:
    DECLARE_MESSAGE_MAP()
    void OnInitMenuPopup(HMENU popup, UINT index, BOOL sysMenu);
    void OnMeasureItem(int id, LPMEASUREITEMSTRUCT measure);
    void OnDrawItem(int id, LPDRAWITEMSTRUCT draw);
    LRESULT OnMenuChar(UINT ch, UINT flags, HMENU menu);
    LRESULT OnNcHitTest(CPoint point);
    void OnSysColorChange();
    LRESULT OnThemeChanged();

    // The CNewMenu that draws `popup`: the window menu's, the system menu's, or another live one.
    CNewMenu* MenuObjectOf(HMENU popup, BOOL sysMenu);
};

// Dialog base with the same owner-drawn menu support (menus it owns are drawn by the skin).
class CNewDialog : public CDialog {
public:
    using CDialog::CDialog;

protected:
    DECLARE_MESSAGE_MAP()
    void OnInitMenuPopup(HMENU popup, UINT index, BOOL sysMenu);
    void OnMeasureItem(int id, LPMEASUREITEMSTRUCT measure);
    void OnDrawItem(int id, LPDRAWITEMSTRUCT draw);
    LRESULT OnMenuChar(UINT ch, UINT flags, HMENU menu);
};
