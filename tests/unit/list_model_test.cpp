// The list's own rows: the sort gives the same rows as the quicksort over whole rows, with data and state
// travelling; a staged refresh reports exactly the rows that changed, keeps states at their positions,
// and allocates nothing once its buffers have grown; cell storage edge cases and type-to-find.
#include "controls/RowModel.h"
#include "controls/RowSort.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <random>
#include <string>
#include <vector>

namespace {
std::atomic<long> allocations{0};
} // namespace

// Every allocation of the test binary is counted, so a test can tell that a piece of work made none. The
// replaced pair is malloc/free on both sides, which the compiler cannot see from here.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void* operator new(size_t size) {
    ++allocations;
    if (void* block = std::malloc(size != 0 ? size : 1))
        return block;
    throw std::bad_alloc();
}
void operator delete(void* block) noexcept { std::free(block); }
void operator delete(void* block, size_t) noexcept { std::free(block); }

namespace {

using Table = std::vector<std::vector<std::string>>;

// Whole rows swapped by the quicksort: the behaviour the model must reproduce.
class WholeRows : public SortableRows {
public:
    explicit WholeRows(Table rows) : rows(std::move(rows)) {}
    int GetRowCount() override { return static_cast<int>(rows.size()); }
    int GetColumnCount() override { return static_cast<int>(rows.at(0).size()); }
    const char* GetCellText(int row, int column) override { return rows.at(row).at(column).c_str(); }
    void SwapRows(int a, int b) override { std::swap(rows.at(a), rows.at(b)); }
    Table rows;
};

RowModel Model(int columns) {
    RowModel model;
    for (int column = 0; column < columns; ++column)
        model.InsertColumn(column);
    return model;
}

std::vector<int> Refresh(RowModel& model, const Table& table, int sortColumn = -1, bool ascending = true) {
    model.BeginStage();
    while (model.StagedCount() < static_cast<int>(table.size()))
        model.StageInsert(model.StagedCount());
    while (model.StagedCount() > static_cast<int>(table.size()))
        model.StageDelete(model.StagedCount() - 1);
    for (size_t row = 0; row < table.size(); ++row) {
        for (size_t column = 0; column < table[row].size(); ++column)
            model.StageCell(static_cast<int>(row), static_cast<int>(column), table[row][column]);
    }
    std::vector<int> changed;
    model.CommitStage(sortColumn, ascending, changed);
    return changed;
}

Table Rows(const RowModel& model) {
    Table out(static_cast<size_t>(model.RowCount()));
    for (int row = 0; row < model.RowCount(); ++row) {
        for (int column = 0; column < model.ColumnCount(); ++column)
            out[row].push_back(model.Cell(row, column));
    }
    return out;
}

// Ports with many repeats and addresses, so numeric and text calls and equal keys all occur.
Table RandomTable(std::mt19937& random, int count) {
    Table table;
    for (int i = 0; i < count; ++i) {
        const int id = static_cast<int>(random() % 1000000); // makes every row distinct
        table.push_back({std::to_string(random() % 20), std::to_string(random() % 4) + ".1.2." + std::to_string(id),
                         random() % 3 == 0 ? "TIME_WAIT" : "ESTABLISHED"});
    }
    return table;
}

} // namespace

TEST(ListModel, SortsLikeTheQuicksortOverWholeRowsWithDataAndStateTravelling) {
    std::mt19937 random(7);
    for (int round = 0; round < 40; ++round) {
        const int count = 2 + static_cast<int>(random() % 300);
        const Table table = RandomTable(random, count);
        const int column = static_cast<int>(random() % 3);
        const bool ascending = random() % 2 == 0;
        const int low = static_cast<int>(random() % 3);
        const int high = random() % 2 ? -1 : count - 1 - static_cast<int>(random() % 3);

        WholeRows expected(table);
        RowModel model = Model(3);
        Refresh(model, table);
        for (int row = 0; row < count; ++row) {
            model.SetData(row, static_cast<uintptr_t>(row)); // data and state name the row they began with
            model.SetState(row, row % 5 == 0 ? RowModel::kSelected : 0);
        }
        ASSERT_EQ(model.Sort(column, low, high, ascending), SortRows(expected, column, low, high, ascending));
        ASSERT_EQ(Rows(model), expected.rows) << "round " << round;
        for (int row = 0; row < count; ++row) {
            const auto origin = static_cast<int>(model.Data(row));
            EXPECT_EQ(Rows(model)[row], table[origin]);
            EXPECT_EQ(model.State(row), origin % 5 == 0 ? RowModel::kSelected : 0u);
        }
    }
}

TEST(ListModel, ARefreshReportsOnlyChangedRowsAndKeepsStatesAtTheirPositions) {
    RowModel model = Model(2);
    EXPECT_EQ(Refresh(model, {{"a", "1"}, {"b", "2"}, {"c", "3"}}), (std::vector<int>{0, 1, 2}));
    model.SetState(1, RowModel::kSelected | RowModel::kFocused);
    model.SetData(1, 42);

    EXPECT_EQ(Refresh(model, {{"a", "1"}, {"b", "2"}, {"c", "3"}}), std::vector<int>{}) << "nothing changed";
    EXPECT_EQ(Refresh(model, {{"a", "1"}, {"x", "2"}, {"c", "3"}, {"d", "4"}}), (std::vector<int>{1, 3}));
    EXPECT_EQ(model.State(1), RowModel::kSelected | RowModel::kFocused) << "the state stays with the position";
    EXPECT_EQ(model.Data(1), 42u);
    EXPECT_EQ(model.State(3), 0u);

    // Sorted descending by the second column: the new order is shown, the state stays at position 1.
    EXPECT_EQ(Refresh(model, {{"a", "1"}, {"x", "2"}, {"c", "3"}, {"d", "4"}}, 1, false),
              (std::vector<int>{0, 1, 2, 3}));
    EXPECT_EQ(Rows(model), (Table{{"d", "4"}, {"c", "3"}, {"x", "2"}, {"a", "1"}}));
    EXPECT_EQ(model.State(1), RowModel::kSelected | RowModel::kFocused);
    EXPECT_EQ(Refresh(model, {{"c", "3"}, {"d", "4"}, {"x", "2"}, {"a", "1"}}, 1, false), std::vector<int>{})
        << "the same rows in another table order sort to the same positions";

    EXPECT_EQ(Refresh(model, {{"q", "0"}}), (std::vector<int>{0}));
    EXPECT_EQ(model.RowCount(), 1);
    EXPECT_EQ(Refresh(model, {}), std::vector<int>{});
    EXPECT_EQ(model.RowCount(), 0);
}

TEST(ListModel, ASteadyRefreshAllocatesNothing) {
    std::mt19937 random(3);
    const Table first = RandomTable(random, 2000);
    Table second = first;
    for (auto& row : second) // every row changes, at the same text lengths
        row[2] = row[2] == "TIME_WAIT" ? "ESTABLISHE" : "TIME_WAITX";
    RowModel model = Model(3);
    Refresh(model, first, 1);
    Refresh(model, second, 1);
    Refresh(model, first, 1); // buffers have now grown to both tables

    std::vector<int> changed;
    changed.reserve(2000);
    for (const Table* table : {&first, &first, static_cast<const Table*>(&second)}) {
        const long before = allocations.load();
        model.BeginStage();
        for (size_t row = 0; row < table->size(); ++row) {
            for (int column = 0; column < 3; ++column)
                model.StageCell(static_cast<int>(row), column, (*table)[row][column]);
        }
        model.CommitStage(1, true, changed);
        EXPECT_EQ(allocations.load() - before, 0);
    }
    EXPECT_EQ(changed.size(), 2000u);
}

TEST(ListModel, CellsAndRowsOutsideTheTableAndColumnsAddedLater) {
    RowModel model = Model(2);
    EXPECT_TRUE(model.InsertRow(0, "first"));
    EXPECT_TRUE(model.InsertRow(0, "zero"));
    EXPECT_FALSE(model.InsertRow(3, "beyond"));
    EXPECT_FALSE(model.InsertRow(-1, "before"));
    EXPECT_TRUE(model.SetCell(1, 1, std::string_view("cut\0here", 8)));
    EXPECT_STREQ(model.Cell(1, 1), "cut") << "a text ends at an embedded NUL";
    EXPECT_FALSE(model.SetCell(2, 0, "x"));
    EXPECT_FALSE(model.SetCell(0, 2, "x"));
    EXPECT_STREQ(model.Cell(5, 0), "");
    EXPECT_STREQ(model.Cell(0, -1), "");

    model.InsertColumn(1); // between the two cells of every row
    EXPECT_EQ(Rows(model), (Table{{"zero", "", ""}, {"first", "", "cut"}}));
    EXPECT_TRUE(model.DeleteRow(0));
    EXPECT_FALSE(model.DeleteRow(1));
    EXPECT_EQ(Rows(model), (Table{{"first", "", "cut"}}));
}

TEST(ListModel, TypeToFindMatchesTheFirstCellIgnoringCase) {
    RowModel model = Model(1);
    for (const char* text : {"svchost.exe", "System", "chrome.exe", "SVCHOST.EXE"})
        model.InsertRow(model.RowCount(), text);
    const struct {
        int start;
        const char* text;
        bool prefix, wrap;
        int row;
    } cases[] = {{0, "sv", true, false, 0}, {1, "sv", true, false, 3},       {2, "sys", true, false, -1},
                 {2, "sys", true, true, 1}, {0, "chrome", false, false, -1}, {0, "CHROME.EXE", false, false, 2},
                 {9, "s", true, true, 0}};
    for (const auto& c : cases)
        EXPECT_EQ(model.FindRow(c.start, c.text, c.prefix, c.wrap), c.row) << c.text << " from " << c.start;
}
