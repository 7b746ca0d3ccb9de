// CNewFrameWnd and CNewDialog: the window side of the menu skin. Pop-ups are updated by the command rules
// and handed to their CNewMenu right before they open; measure, draw and mnemonic requests of owner-drawn
// items go to the skin.
#include "menuskin/MenuSkin.h"
#include "menuskin/NewMenu.h"

BEGIN_MESSAGE_MAP(CNewFrameWnd, CFrameWnd)
ON_WM_INITMENUPOPUP()
ON_WM_MEASUREITEM()
ON_WM_DRAWITEM()
ON_WM_MENUCHAR()
ON_WM_NCHITTEST()
ON_WM_SYSCOLORCHANGE()
ON_WM_THEMECHANGED()
END_MESSAGE_MAP()

namespace {

constexpr UINT_PTR kFirstSkinTimer = 31;
constexpr UINT_PTR kLastSkinTimer = 99;
constexpr UINT kSkinTimerPeriod = 100;

LRESULT MenuCharResult(UINT ch, HMENU menu) {
    const int index = CNewMenu::FindMnemonic(menu, ch);
    return index < 0 ? 0 : MAKELRESULT(index, MNC_EXECUTE);
}

} // namespace

CNewMenu* CNewFrameWnd::MenuObjectOf(HMENU popup, BOOL sysMenu) {
    if (sysMenu || systemMenu.Holds(popup))
        return &systemMenu;
    if (defaultMenu.Holds(popup))
        return &defaultMenu;
    return CNewMenu::FromHandle(popup);
}

void CNewFrameWnd::OnInitMenuPopup(HMENU popup, UINT index, BOOL sysMenu) {
    // A control holding the mouse (a drag, a pressed button) lets go before the menu takes over.
    HWND capture = GetCapture();
    if (capture && capture != hwnd && IsChild(hwnd, capture))
        ::SendMessageA(capture, WM_CANCELMODE, 0, 0);
    CNewMenu* owner = MenuObjectOf(popup, sysMenu);
    CFrameWnd::OnInitMenuPopup(popup, index, sysMenu); // the command-update pass (none for the system menu)
    Default();
    if (owner) {
        owner->MakeOwnerDrawn(popup, false);
        menuskin::SetOpeningMenu(popup);
    }
}

void CNewFrameWnd::OnMeasureItem(int id, LPMEASUREITEMSTRUCT measure) {
    if (!CNewMenu::MeasureItem(measure))
        Default();
}

void CNewFrameWnd::OnDrawItem(int id, LPDRAWITEMSTRUCT draw) {
    if (!CNewMenu::DrawItem(draw))
        Default();
}

LRESULT CNewFrameWnd::OnMenuChar(UINT ch, UINT flags, HMENU menu) {
    const LRESULT found = MenuCharResult(ch, menu);
    return found ? found : Default();
}

LRESULT CNewFrameWnd::OnNcHitTest(CPoint point) {
    const LRESULT hit = Default();
    if (!menuskin::SkinActive())
        return hit;
    if (hit == HTMENU && skinTimerId == 0) {
        for (UINT_PTR id = kFirstSkinTimer; id <= kLastSkinTimer && skinTimerId == 0; ++id)
            if (SetTimer(id, kSkinTimerPeriod))
                skinTimerId = id;
    } else if (hit != HTMENU && skinTimerId != 0) {
        KillTimer(skinTimerId);
        skinTimerId = 0;
        DrawMenuBar(hwnd);
    }
    return hit;
}

void CNewFrameWnd::OnSysColorChange() {
    menuskin::RefreshSystemState();
    defaultMenu.SetBarBackground();
    if (GetMenu(hwnd))
        DrawMenuBar(hwnd);
}

LRESULT CNewFrameWnd::OnThemeChanged() {
    menuskin::RefreshSystemState();
    defaultMenu.SetBarBackground();
    if (GetMenu(hwnd))
        DrawMenuBar(hwnd);
    return Default();
}

BEGIN_MESSAGE_MAP(CNewDialog, CDialog)
ON_WM_INITMENUPOPUP()
ON_WM_MEASUREITEM()
ON_WM_DRAWITEM()
ON_WM_MENUCHAR()
END_MESSAGE_MAP()

void CNewDialog::OnInitMenuPopup(HMENU popup, UINT index, BOOL sysMenu) {
    Default();
    if (CNewMenu* owner = CNewMenu::FromHandle(popup)) {
        owner->MakeOwnerDrawn(popup, false);
        menuskin::SetOpeningMenu(popup);
    }
}

void CNewDialog::OnMeasureItem(int id, LPMEASUREITEMSTRUCT measure) {
    if (!CNewMenu::MeasureItem(measure))
        Default();
}

void CNewDialog::OnDrawItem(int id, LPDRAWITEMSTRUCT draw) {
    if (!CNewMenu::DrawItem(draw))
        Default();
}

LRESULT CNewDialog::OnMenuChar(UINT ch, UINT flags, HMENU menu) {
    const LRESULT found = MenuCharResult(ch, menu);
    return found ? found : Default();
}
