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

namespace {

int Compare(const std::string& a, const std::string& b, bool numeric) {
    if (numeric) {
        long long x = LeadingNumber(a.c_str());
        long long y = LeadingNumber(b.c_str());
        return x < y ? -1 : x > y ? 1 : 0;
    }
    return strcmp(a.c_str(), b.c_str());
}

} // namespace

bool SortRows(SortableRows& rows, int column, int low, int high, bool ascending) {
    if (column < 0 || column >= rows.GetColumnCount())
        return false;
    if (high == -1)
        high = rows.GetRowCount() - 1;
    if (high <= low)
        return false;

    const std::string pivot = rows.GetCellText(low + (high - low) / 2, column);
    const bool numeric = LeadingNumber(pivot.c_str()) > 0;
    const int sign = ascending ? 1 : -1;
    int lo = low;
    int hi = high;
    while (lo <= hi) {
        while (lo < high && sign * Compare(rows.GetCellText(lo, column), pivot, numeric) < 0)
            ++lo;
        while (hi > low && sign * Compare(rows.GetCellText(hi, column), pivot, numeric) > 0)
            --hi;
        if (lo <= hi) {
            if (rows.GetCellText(lo, column) != rows.GetCellText(hi, column))
                rows.SwapRows(lo, hi);
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
