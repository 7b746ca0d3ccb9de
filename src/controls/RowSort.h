// The list's quicksort over a small row interface, so the control and the tests share one algorithm.
//
// Each call decides from its pivot whether it compares numbers or texts: when the pivot text starts
// with a number above 0 the leading integers are compared, otherwise the whole texts. Rows with equal
// text are never swapped with each other; the sort is not stable.
#pragma once

#include <cstring>

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

namespace rowsort {

template <class Rows> class QuickSort {
public:
    QuickSort(Rows& rows, int column, bool ascending) : rows(rows), column(column), sign(ascending ? 1 : -1) {}

    // Sorts low..high. The larger part of each partition is sorted in the loop and only the smaller one in a
    // recursive call, so the stack stays shallow whatever the data. The two parts are disjoint, so the
    // order they are sorted in does not change the result.
    void Sort(int low, int high, int depthLeft) {
        while (low < high) {
            // The pivot row is followed through the swaps rather than its text copied: texts are only valid
            // until the next swap.
            int pivotRow = low + (high - low) / 2;
            const bool numeric = rows.GetCellNumber(pivotRow, column) > 0;
            if (depthLeft-- == 0) {
                HeapSort(low, high, numeric);
                return;
            }
            int lo = low;
            int hi = high;
            while (lo <= hi) {
                // The comparisons that stopped the two scans also tell whether the rows can be equal: a row
                // that compares unequal to the pivot while the other does not cannot have the other's text
                // (equal texts give equal numbers too). Only rows both equal to the pivot, or a scan that ran
                // into the range's end, need their texts compared before the swap.
                int atLo = -1; // as if the scan ran to the end: not known
                int atHi = 1;
                while (lo < high && (atLo = Compare(lo, pivotRow, numeric)) < 0)
                    ++lo;
                bool known = atLo >= 0;
                while (hi > low && (atHi = Compare(hi, pivotRow, numeric)) > 0)
                    --hi;
                known = known && atHi <= 0;
                if (lo <= hi) {
                    if (known && (atLo != 0 || atHi != 0))
                        rows.SwapRows(lo, hi);
                    else
                        Swap(lo, hi);
                    pivotRow = pivotRow == lo ? hi : pivotRow == hi ? lo : pivotRow;
                    ++lo;
                    --hi;
                }
            }
            if (hi - low < high - lo) {
                Sort(low, hi, depthLeft);
                low = lo;
            } else {
                Sort(lo, high, depthLeft);
                high = hi;
            }
        }
    }

private:
    int Compare(int a, int b, bool numeric) {
        if (numeric) {
            const long long x = rows.GetCellNumber(a, column);
            const long long y = rows.GetCellNumber(b, column);
            return sign * (x < y ? -1 : x > y ? 1 : 0);
        }
        return sign * strcmp(rows.GetCellText(a, column), rows.GetCellText(b, column));
    }

    // Rows with equal text are never exchanged.
    void Swap(int a, int b) {
        if (a != b && strcmp(rows.GetCellText(a, column), rows.GetCellText(b, column)) != 0)
            rows.SwapRows(a, b);
    }

    // Some orders (the table as the system returns it, sorted by address and then port, sorted again by
    // port once the ports repeat) make the middle-row pivot peel off a few rows per partition: tens of
    // thousands of levels and a quadratic time. A range that goes that deep is finished by a heap sort in
    // the comparison its own pivot chose, which only changes how rows of equal key end up among themselves.
    void HeapSort(int low, int high, bool numeric) {
        const int count = high - low + 1;
        auto siftDown = [&](int root, int end) { // heap of rows low..low+end-1
            for (;;) {
                int child = 2 * root + 1;
                if (child >= end)
                    return;
                if (child + 1 < end && Compare(low + child, low + child + 1, numeric) < 0)
                    ++child;
                if (Compare(low + root, low + child, numeric) >= 0)
                    return;
                Swap(low + root, low + child);
                root = child;
            }
        };
        for (int root = count / 2 - 1; root >= 0; --root)
            siftDown(root, count);
        for (int end = count - 1; end > 0; --end) {
            Swap(low, low + end);
            siftDown(0, end);
        }
    }

    Rows& rows;
    int column;
    int sign;
};

} // namespace rowsort

// SortRows over any type with SortableRows' calls, bound at compile time: the row model sorts its keys with it
// without a virtual call per comparison.
template <class Rows> bool SortRowsOf(Rows& rows, int column, int low, int high, bool ascending) {
    if (column < 0 || column >= rows.GetColumnCount())
        return false;
    if (high == -1)
        high = rows.GetRowCount() - 1;
    if (high <= low)
        return false;
    // Well above the depth the data of a connection table reaches (about twice the binary logarithm of the
    // row count), so only a degenerate order is sorted otherwise.
    int depth = 16;
    for (int rest = high - low + 1; rest > 1; rest /= 2)
        depth += 4;
    rowsort::QuickSort<Rows>(rows, column, ascending).Sort(low, high, depth);
    return true;
}
