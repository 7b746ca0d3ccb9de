// The list's quicksort: numeric or text decision from the pivot, direction, equal rows never swapped,
// row state travelling with the row, and the refusals.
#include "controls/RowSort.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

namespace {

struct Row {
    std::vector<std::string> cells;
    unsigned state = 0; // stands for selection and focus bits
};

class FakeRows : public SortableRows {
public:
    explicit FakeRows(std::vector<Row> initial, int columns = 2) : rows(std::move(initial)), columns(columns) {}
    int GetRowCount() override { return static_cast<int>(rows.size()); }
    int GetColumnCount() override { return columns; }
    const char* GetCellText(int row, int column) override { return rows.at(row).cells.at(column).c_str(); }
    void SwapRows(int a, int b) override {
        swaps.emplace_back(rows.at(a).cells[0], rows.at(b).cells[0]);
        std::swap(rows[a], rows[b]);
    }
    std::vector<std::string> Column(int column) const {
        std::vector<std::string> out;
        for (const Row& r : rows)
            out.push_back(r.cells[column]);
        return out;
    }

    std::vector<Row> rows;
    int columns;
    std::vector<std::pair<std::string, std::string>> swaps;
};

FakeRows SingleColumn(const std::vector<std::string>& texts) {
    std::vector<Row> rows;
    for (const std::string& t : texts)
        rows.push_back({{t, t}});
    return FakeRows(rows);
}

} // namespace

TEST(RowSort, LeadingNumberReadsLikeTheCRuntime) {
    EXPECT_EQ(LeadingNumber("192.168.0.1"), 192);
    EXPECT_EQ(LeadingNumber("  42abc"), 42);
    EXPECT_EQ(LeadingNumber("-7"), -7);
    EXPECT_EQ(LeadingNumber("+8"), 8);
    EXPECT_EQ(LeadingNumber("ESTABLISHED"), 0);
    EXPECT_EQ(LeadingNumber(""), 0);
    EXPECT_EQ(LeadingNumber("0.0.0.0"), 0);
    EXPECT_EQ(LeadingNumber("99999999999999999999999"), LLONG_MAX) << "saturates, no overflow";
}

// The middle row decides: a positive leading number compares leading numbers (so addresses by their first
// number only), anything else compares texts, case-sensitively.
TEST(RowSort, ThePivotChoosesNumbersOrTextsAndTheDirectionIsKept) {
    struct Case {
        std::vector<std::string> texts;
        bool ascending;
        std::vector<std::string> sorted;
    } cases[] = {
        {{"100", "9", "10", "2", "33"}, true, {"2", "9", "10", "33", "100"}}, // as text "100" < "9"
        {{"192.168.0.1", "10.0.0.5", "8.8.8.8", "172.16.0.1"},
         true,
         {"8.8.8.8", "10.0.0.5", "172.16.0.1", "192.168.0.1"}},
        // "  9" sorts before "0" as text, after it as a number.
        {{"  9", "0", "1"}, true, {"  9", "0", "1"}},
        {{"  9", "0.0.0.0", "1"}, true, {"  9", "0.0.0.0", "1"}},
        {{"  9", "5", "1"}, true, {"1", "5", "  9"}},
        {{"TIME_WAIT", "ESTABLISHED", "established", "CLOSED", "SYN_SENT"},
         true,
         {"CLOSED", "ESTABLISHED", "SYN_SENT", "TIME_WAIT", "established"}},
        {{"3", "1", "4", "1", "5", "9", "2", "6"}, false, {"9", "6", "5", "4", "3", "2", "1", "1"}},
    };
    for (const Case& c : cases) {
        FakeRows rows = SingleColumn(c.texts);
        ASSERT_TRUE(SortRows(rows, 0, 0, -1, c.ascending));
        EXPECT_EQ(rows.Column(0), c.sorted) << c.texts[0];
    }
}

TEST(RowSort, EqualTextsAreNeverSwapped) {
    std::mt19937 random(7);
    for (int round = 0; round < 200; ++round) {
        std::vector<std::string> texts;
        int count = 2 + static_cast<int>(random() % 40);
        for (int i = 0; i < count; ++i)
            texts.push_back(std::to_string(random() % 6)); // many duplicates, "0" pivots too
        FakeRows rows = SingleColumn(texts);
        bool ascending = round % 2 == 0;
        SortRows(rows, 0, 0, -1, ascending);
        for (const auto& swap : rows.swaps)
            ASSERT_NE(swap.first, swap.second) << "round " << round;
        std::vector<std::string> out = rows.Column(0);
        std::vector<long long> numbers;
        for (const std::string& s : out)
            numbers.push_back(LeadingNumber(s.c_str()));
        // Ascending by number, except that a "0" pivot compares as text, which gives the same order
        // for single digits.
        if (ascending)
            EXPECT_TRUE(std::is_sorted(numbers.begin(), numbers.end())) << "round " << round;
        else
            EXPECT_TRUE(std::is_sorted(numbers.rbegin(), numbers.rend())) << "round " << round;
    }
}

// Whole rows move (their state too), whichever column is sorted.
TEST(RowSort, RowsMoveWholeWithTheirState) {
    FakeRows rows({{{"c", "30"}, 0}, {{"a", "10"}, 0x3 /* selected + focused */}, {{"b", "20"}, 0}});
    ASSERT_TRUE(SortRows(rows, 1, 0, -1, false));
    EXPECT_EQ(rows.Column(0), (std::vector<std::string>{"c", "b", "a"}));
    EXPECT_EQ(rows.rows[2].state, 0x3u);
    EXPECT_EQ(rows.rows[0].state, 0u);
}

TEST(RowSort, RefusesTooFewRowsAndColumnsBeyondTheLast) {
    FakeRows empty = SingleColumn({});
    EXPECT_FALSE(SortRows(empty, 0, 0, -1, true));
    FakeRows one = SingleColumn({"5"});
    EXPECT_FALSE(SortRows(one, 0, 0, -1, true));
    FakeRows two = SingleColumn({"5", "4"});
    EXPECT_FALSE(SortRows(two, 2, 0, -1, true));
    EXPECT_FALSE(SortRows(two, -1, 0, -1, true));
    EXPECT_EQ(two.Column(0), (std::vector<std::string>{"5", "4"}));
    EXPECT_TRUE(SortRows(two, 0, 0, -1, true));
    EXPECT_EQ(two.Column(0), (std::vector<std::string>{"4", "5"}));
}

// The table as the system returns it (by address, then port) holds each port twice once there are more
// than 60,000 connections; sorted by port, that order drove the middle-row pivot tens of thousands of
// levels deep (a stack overflow in the program, and about 1.6 billion cell reads at 100,000 rows).
TEST(RowSort, ARepeatingRunOfPortsSortsWithoutDeepRecursion) {
    class CountingRows : public SortableRows {
    public:
        int GetRowCount() override { return static_cast<int>(cells.size()); }
        int GetColumnCount() override { return 1; }
        const char* GetCellText(int row, int) override {
            ++reads;
            return cells[row].c_str();
        }
        void SwapRows(int a, int b) override { std::swap(cells[a], cells[b]); }
        std::vector<std::string> cells;
        long long reads = 0;
    } rows;
    for (int i = 0; i < 100000; ++i)
        rows.cells.push_back(std::to_string(1024 + i % 60000));
    ASSERT_TRUE(SortRows(rows, 0, 0, -1, true));
    EXPECT_TRUE(std::is_sorted(rows.cells.begin(), rows.cells.end(),
                               [](const std::string& a, const std::string& b) { return std::stoi(a) < std::stoi(b); }));
    EXPECT_LT(rows.reads, 100'000'000) << "a quadratic number of comparisons";
}
