// The report-view list of connections: paints its own rows and fits its columns to its width.
//
// LATER(sortable list): state colours, the selection colour, column-click sorting.
#pragma once

#include "SortHeaderCtrl.h"

#include <vector>

class SortListCtrl : public CListCtrl {
public:
    SortHeaderCtrl headerCtrl;
    int ascending = 1;
    COLORREF ListeningColor = 0x00DCFFFF;
    COLORREF EstablishedColor = 0x00DCFFDC;
    COLORREF SYNColor = 0x00DCE6DC;
    COLORREF FINColor = 0x00DCE6DC;
    COLORREF ClosedColor = 0x00C8C8FF;
    COLORREF TimeWaitColor = 0x00DCDCFF;
    COLORREF UnknownColor = 0x00F0FFFF;
    COLORREF SelectColor = 0x00FFC8C8;

    int GetColumnCount() const { return headerCtrl.hwnd ? headerCtrl.GetItemCount() : 0; }
    // Resizes the columns so that together they fill the client width exactly.
    void FitColumns();

protected:
    void DrawItem(LPDRAWITEMSTRUCT drawItem) override;
};
