// The Process Options lists (which row a stored value selects; the number OK stores from a row shows end to
// end) and the statistics rows (the algorithm's name, unsigned values in the record's order; the labels and the
// rows of a real read show on screen).
#include "dialogs/OptionsRules.h"
#include "dialogs/StatisticsRows.h"

#include <gtest/gtest.h>

#include <tuple>

// A stored value selects its row, else the first ("5 minutes" has no row of its own: the first, "5  minutes", is
// five minutes too). The rows of 5 and 20 and of values no row shows, and the name of algorithm 3, show on screen.
TEST(DialogRules, AStoredValueSelectsItsRowAndStatisticsValuesAreUnsigned) {
    for (const auto& [stored, updateRow, loggingRow] : {std::tuple{7u, 4, 0}, {15u, 0, 2}, {0u, 0, 0}, {4u, 0, 0}})
        EXPECT_EQ(std::pair(options::UpdateIntervalRow(stored), options::LoggingIntervalRow(stored)),
                  std::pair(updateRow, loggingRow))
            << stored;
    statistics::TcpCounters counters{};
    for (size_t i = 0; i < counters.size(); ++i)
        counters[i] = i == 3 ? 0xFFFFFFFFu : static_cast<uint32_t>(100 + i); // 4 is the dynamic maximum
    const auto rows = statistics::FormatRows(counters);
    EXPECT_EQ(rows[0].value + "|" + rows[3].value + "|" + rows[14].value, "Unknown|4294967295|114");
}
