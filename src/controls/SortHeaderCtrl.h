// Header of the sortable list: remembers the sort column, draws its items itself once a sort column
// is set (with the visual-styles theme when one is active) and tracks the item under the mouse.
#pragma once

#include "framework/ListCtrl.h"

class SortHeaderCtrl : public CHeaderCtrl {
public:
    int sortColumn = -1;
    int hotItem = -1;
    int ascending = 1;
    HANDLE theme = nullptr;        // visual-styles theme of the class "HEADER", or null; closed by the control
    HMODULE themeModule = nullptr; // uxtheme.dll when it was already loaded in the process

    // Stores the sort column and arrow direction and makes every item owner-drawn.
    void SetSortIndicator(int column, BOOL ascendingArrow);

protected:
    void PreSubclassWindow() override;
    void DrawItem(LPDRAWITEMSTRUCT drawItem) override;

    DECLARE_MESSAGE_MAP()
    void OnMouseMove(UINT flags, CPoint point);
    void OnMouseLeave();
    void OnDestroy();
    // The user switched visual styles on, off or to another theme: the handle is opened anew.
    LRESULT OnThemeChanged(WPARAM, LPARAM);

private:
    void OpenTheme();
    void CloseTheme();
};
