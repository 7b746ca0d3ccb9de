// The Process Options lists (which row a stored value selects; the number OK stores from a row shows end to
// end) and the statistics rows (algorithm names, unsigned values).
#include "dialogs/OptionsRules.h"
#include "dialogs/StatisticsRows.h"

#include <gtest/gtest.h>

TEST(OptionsRules, AStoredValueSelectsItsRowOrTheFirst) {
    // clang-format off
    const struct { uint32_t stored; int updateRow, loggingRow; } cases[] = {
        {1, 0, 0}, {2, 1, 0},  {3, 2, 0},  {5, 3, 0}, // 5 minutes has no one-space row: row 0 is five minutes
        {7, 4, 0}, {10, 0, 1}, {15, 0, 2}, {20, 0, 3}, {4, 0, 0}, {0, 0, 0}, {4294967295u, 0, 0},
    };
    // clang-format on
    for (const auto& c : cases) {
        EXPECT_EQ(options::UpdateIntervalRow(c.stored), c.updateRow) << c.stored;
        EXPECT_EQ(options::LoggingIntervalRow(c.stored), c.loggingRow) << c.stored;
    }
}

TEST(StatisticsRows, UnsignedValuesInRecordOrderAndTheAlgorithmsName) {
    // clang-format off
    const std::pair<uint32_t, const char*> algorithms[] = {
        {0, "Unknown"}, {1, "Unknown"}, {2, "Constant Time-Out"}, {3, "MIL-STD-1778"}, {4, "Van Jacobson's"},
        {5, "Unknown"}, {4294967295u, "Unknown"},
    };
    // clang-format on
    for (const auto& [algorithm, name] : algorithms)
        EXPECT_STREQ(statistics::RtoAlgorithmName(algorithm), name) << algorithm;
    statistics::TcpCounters counters{};
    for (size_t i = 0; i < counters.size(); ++i)
        counters[i] = static_cast<uint32_t>(100 + i);
    counters[0] = 3;
    counters[3] = 0xFFFFFFFFu; // a dynamic maximum
    const auto rows = statistics::FormatRows(counters);
    ASSERT_EQ(rows.size(), 15u); // the labels are checked on screen (e2e.StatisticsDialog)
    EXPECT_STREQ(rows[0].label, "Time Out Algorithm:");
    EXPECT_EQ(rows[0].value, "MIL-STD-1778");
    EXPECT_EQ(rows[1].value, "101");
    EXPECT_EQ(rows[3].value, "4294967295");
    EXPECT_EQ(rows[14].value, "114");
}
