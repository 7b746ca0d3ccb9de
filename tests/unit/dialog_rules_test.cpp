// The Process Options lists (which row a stored value selects, which number a row stands for) and the
// statistics rows (labels, algorithm names, unsigned values).
#include "dialogs/OptionsRules.h"
#include "dialogs/StatisticsRows.h"

#include <gtest/gtest.h>

#include <string>

TEST(OptionsRules, LeadingNumberReadsTheDigitsAtTheStart) {
    struct Case {
        const char* text;
        uint32_t expected;
    };
    // clang-format off
    const Case cases[] = {{"1 sec", 1}, {"7 sec", 7}, {"5  minutes", 5}, {"20 minutes", 20}, {"", 0}, {"sec", 0},
        {" 5 sec", 0}, {"-3 sec", 0}, {"4294967295", 4294967295u}, {"4294967296 sec", 4294967295u},
        {"99999999999999999999", 4294967295u}};
    // clang-format on
    for (const Case& c : cases)
        EXPECT_EQ(options::LeadingNumber(c.text), c.expected) << '"' << c.text << '"';
}

TEST(OptionsRules, EveryRowStandsForAnAcceptedInterval) {
    // What OK stores from each row is what the list shows, and the reload accepts it.
    const uint32_t seconds[] = {1, 2, 3, 5, 7};
    for (size_t i = 0; i < std::size(options::kUpdateIntervalRows); ++i)
        EXPECT_EQ(options::LeadingNumber(options::kUpdateIntervalRows[i]), seconds[i]);
    const uint32_t minutes[] = {5, 10, 15, 20};
    for (size_t i = 0; i < std::size(options::kLoggingIntervalRows); ++i)
        EXPECT_EQ(options::LeadingNumber(options::kLoggingIntervalRows[i]), minutes[i]);
}

TEST(OptionsRules, AStoredValueSelectsItsRowOrTheFirst) {
    struct Case {
        uint32_t stored;
        int updateRow;
        int loggingRow;
    } cases[] = {
        {1, 0, 0}, {2, 1, 0},  {3, 2, 0},  {5, 3, 0}, // 5 minutes has no one-space row: row 0 is five minutes
        {7, 4, 0}, {10, 0, 1}, {15, 0, 2}, {20, 0, 3}, {4, 0, 0}, {0, 0, 0}, {4294967295u, 0, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(options::UpdateIntervalRow(c.stored), c.updateRow) << c.stored;
        EXPECT_EQ(options::LoggingIntervalRow(c.stored), c.loggingRow) << c.stored;
    }
}

TEST(OptionsRules, RowsMatchWholeTextsIgnoringCase) {
    EXPECT_EQ(options::FindRow(options::kUpdateIntervalRows, "3 SEC"), 2);
    EXPECT_EQ(options::FindRow(options::kLoggingIntervalRows, "10 Minutes"), 1);
    EXPECT_EQ(options::FindRow(options::kLoggingIntervalRows, "5 minutes"), -1);
    EXPECT_EQ(options::FindRow(options::kUpdateIntervalRows, "3 se"), -1);
    EXPECT_EQ(options::FindRow(options::kUpdateIntervalRows, "3 sec "), -1);
    EXPECT_EQ(options::FindRow(options::kUpdateIntervalRows, ""), -1);
}

TEST(StatisticsRows, AlgorithmNames) {
    struct Case {
        uint32_t algorithm;
        const char* name;
    } cases[] = {
        {0, "Unknown"},        {1, "Unknown"}, {2, "Constant Time-Out"}, {3, "MIL-STD-1778"},
        {4, "Van Jacobson's"}, {5, "Unknown"}, {4294967295u, "Unknown"},
    };
    for (const Case& c : cases)
        EXPECT_STREQ(statistics::RtoAlgorithmName(c.algorithm), c.name) << c.algorithm;
}

TEST(StatisticsRows, UnsignedValuesInRecordOrder) {
    statistics::TcpCounters counters{};
    for (size_t i = 0; i < counters.size(); ++i)
        counters[i] = static_cast<uint32_t>(100 + i);
    counters[0] = 3;
    counters[3] = 0xFFFFFFFFu; // a dynamic maximum
    auto rows = statistics::FormatRows(counters);
    ASSERT_EQ(rows.size(), 15u); // the labels are checked on screen (e2e.StatisticsDialog)
    EXPECT_STREQ(rows[0].label, "Time Out Algorithm:");
    EXPECT_EQ(rows[0].value, "MIL-STD-1778");
    EXPECT_EQ(rows[1].value, "101");
    EXPECT_EQ(rows[3].value, "4294967295");
    EXPECT_EQ(rows[14].value, "114");
}
