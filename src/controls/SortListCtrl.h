// The report-view list of connections (and of the black-list editor): paints every row in the colour
// of its TCP state, sorts its rows when a column header is clicked, and fits its columns to its width.
//
// The list keeps its rows itself (RowModel) and the list view, created with LVS_OWNERDATA, only knows how
// many there are: it asks for the rows it paints, and for the texts other programs read through the
// list-view messages (LVN_GETDISPINFO). The row operations below hide the list view's own, which an
// owner-data list does not keep; the list view keeps selection and focus, and they are carried into the
// rows whenever rows move.
#pragma once

#include "RowColorDefaults.h"
#include "RowModel.h"
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
    COLORREF NewColor = rowcolors::kNew;
    COLORREF RemovedColor = rowcolors::kRemoved;
    // Row marks (RowModel::Mark) the list paints over the state colour.
    static constexpr uint8_t kMarkNew = 1;
    static constexpr uint8_t kMarkRemoved = 2;

    int InsertColumn(int index, const char* title, int format, int width);
    BOOL DeleteColumn(int index);
    // The Protocol column, or -1: a row whose state cell is empty there is a UDP endpoint, painted in the
    // listening colour.
    int protocolColumn = -1;
    int GetItemCount() const { return model.RowCount(); }
    // A row at index (0..count) with `text` in its first cell; the rows below move down with their
    // selection. Returns the index, -1 when out of range.
    int InsertItem(int index, const char* text);
    BOOL DeleteItem(int index);
    BOOL DeleteAllItems();
    BOOL SetItemText(int item, int subItem, const char* text);
    std::string GetItemText(int item, int subItem) const { return model.Cell(item, subItem); }
    uint8_t GetItemMark(int item) const { return model.Mark(item); }
    // The column titles in column order, and the selected rows top to bottom.
    std::vector<std::string> ColumnTitles() const;
    std::vector<int> SelectedRows() const;
    DWORD_PTR GetItemData(int item) const { return model.Data(item); }
    BOOL SetItemData(int item, DWORD_PTR data) { return model.SetData(item, data); }

    // Sorts rows low..high (high -1 = the last row) by the texts of a column in the current direction;
    // selection and focus move with the rows.
    BOOL SortRows(int column, int low, int high);
    // A refresh of every row: the rows are staged on the returned model (StageInsert, StageDelete,
    // StageCell, starting from the rows shown), then EndRefresh sorts them by `sortColumn` (-1: no sort)
    // and shows them. Selection and focus stay at their positions; only rows whose texts changed are
    // repainted.
    RowModel& BeginRefresh();
    void EndRefresh(int sortColumn);

    int GetColumnCount() const { return static_cast<int>(::SendMessageA(GetHeaderCtrl(), HDM_GETITEMCOUNT, 0, 0)); }
    // Resizes the columns so that together they fill the client width exactly.
    void FitColumns();

protected:
    void PreSubclassWindow() override;
    void DrawItem(LPDRAWITEMSTRUCT drawItem) override;
    void MeasureItem(LPMEASUREITEMSTRUCT measureItem) override;

    DECLARE_MESSAGE_MAP()
    void OnColumnClick(NMHDR* header, LRESULT* result);
    void OnPaint();
    void OnGetDispInfoA(NMHDR* header, LRESULT* result);
    void OnGetDispInfoW(NMHDR* header, LRESULT* result);
    void OnFindItemA(NMHDR* header, LRESULT* result);
    void OnFindItemW(NMHDR* header, LRESULT* result);
    // LVM_SETITEMTEXT sent to the window (by another program, say) writes the row model like SetItemText.
    LRESULT OnSetItemTextA(WPARAM item, LPARAM info);
    LRESULT OnSetItemTextW(WPARAM item, LPARAM info);

private:
    // Tells the list view the row count, keeping the scroll position and repainting only what it uncovers.
    void SyncCount();
    // Selection and focus from the list view into the rows, and back after the rows moved.
    void CaptureStates();
    void RestoreStates();
    // Invalidates rows first..last, across the whole client width.
    void RedrawRows(int first, int last);
    // LVN_ODFINDITEM: the row whose first cell matches a typed text, -1 when none.
    int FindItem(int start, UINT flags, const char* text) const;

    struct PaintColumn {
        int width;
        UINT align; // DT_LEFT, DT_RIGHT or DT_CENTER
    };
    // What every row of one paint shares. Each read is a message to the list view or a call into the window
    // system, so a paint reads it once, at its first row, not once per row.
    struct PaintLook {
        std::vector<PaintColumn> columns;
        int labelInset = 0;          // from a row's left edge to its label's
        int clientRight = 0;         // rows are filled up to the client area's right edge
        int pad = 0;                 // twice the width of a space in the paint's font
        bool selectionShows = false; // the list has the focus or shows its selection always
    };
    void ReadLook(PaintLook& look, HDC dc, int row) const;
    void ReadColumns(std::vector<PaintColumn>& columns) const;

    RowModel model;
    // The look of the paint under way: valid while `painting` once `lookRead`.
    PaintLook paintLook;
    bool painting = false;
    bool lookRead = false;
    std::vector<int> changedRows;  // EndRefresh's scratch, kept for its capacity
    std::vector<int> capturedRows; // rows that had selection or focus when CaptureStates ran
};
