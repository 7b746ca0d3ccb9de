// Column fitting: the widths add up to the list's width, the difference is spread from the first
// column, and a list narrower than its columns never gets a width below 0 (the list view would read
// -1 and -2 as "size to fit").
#include "controls/ColumnFit.h"

#include <gtest/gtest.h>

#include <numeric>

TEST(ColumnFit, WidthsAddUpToTheAvailableWidthAndNeverGoBelowZero) {
    struct Case {
        std::vector<int> widths;
        int available;
        std::vector<int> expected; // empty: only the sum and the floor of 0 are checked
    };
    const Case cases[] = {
        {{135, 50, 135, 75, 135, 75, 110}, 715, {135, 50, 135, 75, 135, 75, 110}}, // already fits
        {{100, 100, 100}, 305, {102, 102, 101}},                                   // grows from the first
        {{100, 100, 100}, 295, {98, 98, 99}},                                      // shrinks from the first
        {{135, 50, 135, 75, 135, 75, 110}, 3, {}},                                 // very narrow list
        {{5, 1, 5}, 4, {2, 0, 2}},                                                 // a column at 0 stays
        {{135, 50, 135}, 0, {0, 0, 0}},
        {{135, 50, 135}, -20, {0, 0, 0}}, // narrower than the scroll bar
        {{-1, -2, 10}, 12, {1, 1, 10}},   // auto-size markers count as 0
    };
    for (const Case& c : cases) {
        std::vector<int> widths = c.widths;
        FitColumnWidths(widths, c.available);
        if (!c.expected.empty())
            EXPECT_EQ(widths, c.expected) << "available " << c.available;
        for (int width : widths)
            EXPECT_GE(width, 0) << "available " << c.available;
        EXPECT_EQ(std::accumulate(widths.begin(), widths.end(), 0), std::max(c.available, 0));
    }
}
