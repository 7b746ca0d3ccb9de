// The width arithmetic of fitting a list's columns to its client width, apart from the control so it
// runs without a window.
#pragma once

#include <vector>

// Changes `widths` so that they add up to `available` (0 when it is negative): the difference is spread
// one pixel per column, cyclically from the first, so the first columns take the remainder. A column
// never shrinks below 0; the list view reads -1 and -2 as "size to fit", so a narrow list must not
// produce them. Negative input widths count as 0.
void FitColumnWidths(std::vector<int>& widths, int available);
