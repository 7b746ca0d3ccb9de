// The report-view list of connections (and of the black-list editor): paints every row in the colour
// of its TCP state, sorts its rows when a column header is clicked, and fits its columns to its width.
#pragma once

#include "RowColorDefaults.h"
#include "SortHeaderCtrl.h"

#include <string>
#include <vector>

class SortListCtrl : public CListCtrl {
public:
    SortHeaderCtrl headerCtrl;
    int ascending = 1; // sort direction; flipped by every column click, so the first click sorts descending
    COLORREF ListeningColor = rowcolors::kListening;
    COLORREF EstablishedColor = rowcolors::kEstablished;
    COLORREF SYNColor = rowcolors::kSYN;
    COLORREF FINColor = rowcolors::kFIN;
    COLORREF ClosedColor = rowcolors::kClosed;
    COLORREF TimeWaitColor = rowcolors::kTimeWait;
    COLORREF UnknownColor = rowcolors::kUnknown;
    COLORREF SelectColor = rowcolors::kSelect;

    // Sorts rows low..high (high -1 = the last row) by the texts of a column in the current direction.
    BOOL SortRows(int column, int low, int high);
    // Gives the rows the given cell texts and sorts them by `column` (-1: no sort) in one pass: the same
    // result as setting every text and then calling SortRows, with each cell written once.
    void SetTextsSorted(std::vector<std::vector<std::string>>& texts, int column);
    int GetColumnCount() const { return static_cast<int>(::SendMessageA(GetHeaderCtrl(), HDM_GETITEMCOUNT, 0, 0)); }
    // Resizes the columns so that together they fill the client width exactly.
    void FitColumns();

protected:
    void PreSubclassWindow() override;
    void DrawItem(LPDRAWITEMSTRUCT drawItem) override;
    void MeasureItem(LPMEASUREITEMSTRUCT measureItem) override;

    DECLARE_MESSAGE_MAP()
    void OnColumnClick(NMHDR* header, LRESULT* result);
};
