// The list's quicksort over a small row interface, so the control and the tests share one algorithm.
//
// Each call decides from its pivot whether it compares numbers or texts: when the pivot text starts
// with a number above 0 the leading integers are compared, otherwise the whole texts. Rows with equal
// text are never swapped with each other; the sort is not stable.
#pragma once

struct SortableRows {
    virtual ~SortableRows() = default;
    virtual int GetRowCount() = 0;
    virtual int GetColumnCount() = 0;
    // The cell's text, valid until the next SwapRows.
    virtual const char* GetCellText(int row, int column) = 0;
    // LeadingNumber of the cell's text; rows that know it already can answer without parsing again.
    virtual long long GetCellNumber(int row, int column);
    // Exchanges two whole rows: every cell text and the row's own data and state.
    virtual void SwapRows(int a, int b) = 0;
};

// The decimal integer at the start of a text: leading blanks skipped, an optional sign, digits up to
// the first other character; 0 when there is none. Saturates instead of overflowing.
long long LeadingNumber(const char* text);

// Sorts rows low..high (inclusive; high -1 = the last row) by the texts of `column`. Returns false
// for a column beyond the last or fewer than two rows in the range.
bool SortRows(SortableRows& rows, int column, int low, int high, bool ascending);
