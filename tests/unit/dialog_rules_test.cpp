// The Process Options lists (which row a stored value selects; the number OK stores from a row shows end to
// end) and the statistics rows (the algorithm's name, unsigned values in the record's order; the labels and the
// rows of a real read show on screen).
#include "dialogs/OptionsRules.h"
#include "dialogs/StatisticsRows.h"

#include <gtest/gtest.h>

// A stored value selects its row, else the first ("5 minutes" has no row of its own: the first, "5  minutes", is
// five minutes too).
TEST(DialogRules, AStoredValueSelectsItsRowAndStatisticsValuesAreUnsigned) {
    // clang-format off
    for (const auto& [stored, updateRow, loggingRow] : {std::tuple{2u, 1, 0}, {7u, 4, 0}, {5u, 3, 0}, {15u, 0, 2},
                                                        {20u, 0, 3}, {4u, 0, 0}, {0u, 0, 0}, {4294967295u, 0, 0}})
        EXPECT_EQ(std::pair(options::UpdateIntervalRow(stored), options::LoggingIntervalRow(stored)),
                  std::pair(updateRow, loggingRow)) << stored;
    // clang-format on
    statistics::TcpCounters counters{};
    for (size_t i = 0; i < counters.size(); ++i)
        counters[i] = static_cast<uint32_t>(100 + i);
    counters[0] = 4;
    counters[3] = 0xFFFFFFFFu; // a dynamic maximum
    const auto rows = statistics::FormatRows(counters);
    EXPECT_EQ(rows[0].value + "|" + rows[1].value + "|" + rows[3].value + "|" + rows[14].value,
              "Van Jacobson's|101|4294967295|114");
    EXPECT_EQ(std::string(statistics::RtoAlgorithmName(2)) + "|" + statistics::RtoAlgorithmName(5),
              "Constant Time-Out|Unknown");
}
