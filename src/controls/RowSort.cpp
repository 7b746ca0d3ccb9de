// Quicksort of list rows.
#include "RowSort.h"

#include <climits>

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
    return SortRowsOf(rows, column, low, high, ascending);
}
