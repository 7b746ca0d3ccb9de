// Quicksort of list rows.
#include "RowSort.h"

#include <cctype>
#include <climits>
#include <cstring>

long long LeadingNumber(const char* text) {
    while (*text == ' ' || *text == '\t' || *text == '\n' || *text == '\r' || *text == '\v' || *text == '\f')
        ++text;
    bool negative = false;
    if (*text == '+' || *text == '-')
        negative = *text++ == '-';
    long long value = 0;
    for (; *text >= '0' && *text <= '9'; ++text) {
        int digit = *text - '0';
        if (value > (LLONG_MAX - digit) / 10) {
            value = LLONG_MAX;
            while (*text >= '0' && *text <= '9')
                ++text;
            break;
        }
        value = value * 10 + digit;
    }
    return negative ? -value : value;
}

long long SortableRows::GetCellNumber(int row, int column) { return LeadingNumber(GetCellText(row, column)); }

bool SortRows(SortableRows& rows, int column, int low, int high, bool ascending) {
    if (column < 0 || column >= rows.GetColumnCount())
        return false;
    if (high == -1)
        high = rows.GetRowCount() - 1;
    if (high <= low)
        return false;

    // The pivot row is followed through the swaps rather than its text copied: texts are only valid until
    // the next swap.
    int pivotRow = low + (high - low) / 2;
    const long long pivotNumber = rows.GetCellNumber(pivotRow, column);
    const bool numeric = pivotNumber > 0;
    const int sign = ascending ? 1 : -1;
    auto compare = [&](int row) {
        if (numeric) {
            const long long number = rows.GetCellNumber(row, column);
            return sign * (number < pivotNumber ? -1 : number > pivotNumber ? 1 : 0);
        }
        return sign * strcmp(rows.GetCellText(row, column), rows.GetCellText(pivotRow, column));
    };
    int lo = low;
    int hi = high;
    while (lo <= hi) {
        while (lo < high && compare(lo) < 0)
            ++lo;
        while (hi > low && compare(hi) > 0)
            --hi;
        if (lo <= hi) {
            if (strcmp(rows.GetCellText(lo, column), rows.GetCellText(hi, column)) != 0) {
                rows.SwapRows(lo, hi);
                pivotRow = pivotRow == lo ? hi : pivotRow == hi ? lo : pivotRow;
            }
            ++lo;
            --hi;
        }
    }
    if (low < hi)
        SortRows(rows, column, low, hi, ascending);
    if (lo < high)
        SortRows(rows, column, lo, high, ascending);
    return true;
}
