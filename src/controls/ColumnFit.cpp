// Column fitting arithmetic.
#include "ColumnFit.h"

#include <algorithm>

void FitColumnWidths(std::vector<int>& widths, int available) {
    if (widths.empty())
        return;
    long long target = std::max(available, 0);
    long long total = 0;
    for (int& width : widths) {
        width = std::max(width, 0);
        total += width;
    }
    const long long count = static_cast<long long>(widths.size());
    if (total < target) {
        // Growing: every column takes the same share, the first ones one pixel more.
        long long extra = target - total;
        for (long long i = 0; i < count; ++i)
            widths[static_cast<size_t>(i)] += static_cast<int>(extra / count + (i < extra % count ? 1 : 0));
        return;
    }
    // Shrinking: one pixel at a time from each column that still has one, cyclically from the first.
    for (size_t i = 0; total > target; i = (i + 1) % widths.size()) {
        if (widths[i] > 0) {
            --widths[i];
            --total;
        }
    }
}
