// The controls subsystem. The sortable list's logic: the quicksort (numeric or text from the pivot, direction,
// equal rows never swapped, refusals, no deep recursion) and the list's own row model sorting the same cases with
// item data and states travelling, a staged refresh that reports exactly the changed rows and allocates nothing
// once grown, cells outside the rows, and the column fitting. The toolbar's pictures: the variant and blend rules
// at their edges, decoding the program's real PNG strip, and damaged PNGs (every truncation, bit flips, a chunk over
// libpng's limit) ending in "no image" so the caller falls back to the bitmap. (The
// bitmap fallback, the layout resource and which button a point hits show on the real toolbar end to end.)
#include "controls/ColumnFit.h"
#include "controls/RowModel.h"
#include "controls/RowSort.h"
#include "controls/ToolbarImages.h"

#include <zlib.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <new>
#include <random>
#include <tuple>

#include "support/CountingAllocator.h"

namespace {

using Texts = std::vector<std::string>;
using Table = std::vector<Texts>;

// One column of texts; reads and swaps of equal texts are counted.
struct FakeRows : SortableRows {
    explicit FakeRows(Texts texts) : cells(std::move(texts)) {}
    int GetRowCount() override { return static_cast<int>(cells.size()); }
    int GetColumnCount() override { return 1; }
    const char* GetCellText(int row, int) override { return ++reads, cells.at(row).c_str(); }
    void SwapRows(int a, int b) override {
        equalSwaps += cells.at(a) == cells.at(b);
        std::swap(cells[a], cells[b]);
    }
    Texts cells;
    long long reads = 0, equalSwaps = 0;
};

// A staged refresh of the model to the table's rows; the rows it reports changed (kept from one call to the next,
// so that once grown it allocates nothing itself).
const std::vector<int>& Refresh(RowModel& model, const Table& table, int sortColumn = -1, bool ascending = true) {
    static std::vector<int> changed;
    model.BeginStage();
    while (model.StagedCount() < static_cast<int>(table.size()))
        model.StageInsert(model.StagedCount());
    while (model.StagedCount() > static_cast<int>(table.size()))
        model.StageDelete(model.StagedCount() - 1);
    for (size_t row = 0; row < table.size(); ++row)
        for (size_t column = 0; column < table[row].size(); ++column)
            model.StageCell(static_cast<int>(row), static_cast<int>(column), table[row][column].c_str());
    model.CommitStage(sortColumn, ascending, changed);
    return changed;
}

RowModel Model(int columns) {
    RowModel model;
    for (int column = 0; column < columns; ++column)
        model.InsertColumn(column);
    return model;
}

Table Rows(const RowModel& model) {
    Table out(static_cast<size_t>(model.RowCount()));
    for (int row = 0; row < model.RowCount(); ++row)
        for (int column = 0; column < model.ColumnCount(); ++column)
            out[row].push_back(model.Cell(row, column));
    return out;
}

} // namespace

// The middle row decides: a positive leading number (blanks and a sign skipped, saturating) compares leading
// numbers, so addresses by their first number only; anything else compares texts, case-sensitively.
TEST(RowSort, ThePivotChoosesNumbersOrTextsAndTheDirectionIsKept) {
    // clang-format off
    const struct { Texts texts; bool ascending; Texts sorted; } cases[] = {
        {{"100", "9", "10", "2", "33"}, true, {"2", "9", "10", "33", "100"}}, // as text "100" < "9"
        {{"192.168.0.1", "10.0.0.5", "8.8.8.8"}, true, {"8.8.8.8", "10.0.0.5", "192.168.0.1"}},
        {{"  9", "0", "1"}, true, {"  9", "0", "1"}}, // "  9" sorts before "0" as text, after it as a number
        {{"  9", "+5", "-1"}, true, {"-1", "+5", "  9"}},
        {{"99999999999999999999999", "7", "8"}, false, {"99999999999999999999999", "8", "7"}},
        {{"TIME_WAIT", "ESTABLISHED", "established", "CLOSED"}, true,
         {"CLOSED", "ESTABLISHED", "TIME_WAIT", "established"}},
        {{"3", "1", "4", "1", "5", "9", "2", "6"}, false, {"9", "6", "5", "4", "3", "2", "1", "1"}},
    };
    // clang-format on
    for (const auto& c : cases) {
        FakeRows rows(c.texts);
        ASSERT_TRUE(SortRows(rows, 0, 0, -1, c.ascending));
        EXPECT_EQ(rows.cells, c.sorted) << c.texts[0];
        EXPECT_EQ(rows.equalSwaps, 0) << "equal texts are never swapped";
    }
    FakeRows empty({}), one({"5"}), two({"5", "4"});
    EXPECT_FALSE(SortRows(empty, 0, 0, -1, true) || SortRows(one, 0, 0, -1, true));
    for (const auto& [column, low, high] : {std::tuple{1, 0, -1}, {-1, 0, -1}, {0, 1, 1}}) // beyond, range of one
        EXPECT_FALSE(SortRows(two, column, low, high, true)) << column << " " << low << " " << high;
    EXPECT_EQ(two.cells, (Texts{"5", "4"}));
}

// The table as the system returns it (by address, then port) holds each port twice once there are more
// than 60,000 connections; sorted by port, that order drove the middle-row pivot tens of thousands of
// levels deep (a stack overflow in the program, and about 1.6 billion cell reads at 100,000 rows).
TEST(RowSort, ARepeatingRunOfPortsSortsWithoutDeepRecursion) {
    FakeRows rows({});
    for (int i = 0; i < 100000; ++i)
        rows.cells.push_back(std::to_string(1024 + i % 60000));
    ASSERT_TRUE(SortRows(rows, 0, 0, -1, true));
    EXPECT_TRUE(std::is_sorted(rows.cells.begin(), rows.cells.end(),
                               [](const std::string& a, const std::string& b) { return std::stoi(a) < std::stoi(b); }));
    EXPECT_LT(rows.reads, 100'000'000) << "a quadratic number of comparisons";
    EXPECT_EQ(rows.equalSwaps, 0) << "equal texts are never swapped";
}

// A refresh reports the positions whose row changed; states (selection, focus) and item data stay with the
// position, and a sorted refresh shows the new order whatever order the table came in.
TEST(ListModel, ARefreshReportsOnlyChangedRowsAndKeepsStatesAtTheirPositions) {
    RowModel model = Model(2);
    EXPECT_EQ(Refresh(model, {{"a", "1"}, {"b", "2"}, {"c", "3"}}), (std::vector<int>{0, 1, 2}));
    model.SetState(1, RowModel::kSelected | RowModel::kFocused);
    model.SetData(1, 42);
    EXPECT_EQ(Refresh(model, {{"a", "1"}, {"b", "2"}, {"c", "3"}}), std::vector<int>{}) << "nothing changed";
    EXPECT_EQ(Refresh(model, {{"a", "1"}, {"x", "2"}, {"c", "3"}, {"d", "4"}}), (std::vector<int>{1, 3}));
    EXPECT_EQ(std::tuple(model.State(1), model.Data(1), model.State(3)),
              std::tuple(RowModel::kSelected | RowModel::kFocused, uintptr_t{42}, 0u));
    EXPECT_EQ(Refresh(model, {{"a", "1"}, {"x", "2"}, {"c", "3"}, {"d", "4"}}, 1, false),
              (std::vector<int>{0, 1, 2, 3}));
    EXPECT_EQ(Rows(model), (Table{{"d", "4"}, {"c", "3"}, {"x", "2"}, {"a", "1"}}));
    EXPECT_EQ(model.State(1), RowModel::kSelected | RowModel::kFocused);
    EXPECT_EQ(Refresh(model, {{"c", "3"}, {"d", "4"}, {"x", "2"}, {"a", "1"}}, 1, false), std::vector<int>{})
        << "the same rows in another table order sort to the same positions";
    EXPECT_EQ(Refresh(model, {{"c", "3"}, {"d", "4"}, {"x", "2"}, {"a", "1"}}, 1, true), (std::vector<int>{0, 1, 2, 3}))
        << "the same keys in the other direction";
    EXPECT_EQ(Refresh(model, {}), std::vector<int>{});
    EXPECT_EQ(model.RowCount(), 0);
}

// A whole staged row keeps its mark through the sort, and a row whose mark alone changed counts as changed. (In
// the rows, \000 ends a cell.)
TEST(ListModel, AStagedRowsMarkTravelsWithItThroughTheSort) {
    RowModel model = Model(2);
    std::vector<int> changed;
    auto stage = [&](std::initializer_list<std::pair<const char*, uint8_t>> rows) {
        model.BeginStage();
        while (model.StagedCount() < static_cast<int>(rows.size()))
            model.StageInsert(model.StagedCount());
        int row = 0;
        for (const auto& [cells, mark] : rows)
            model.StageRow(row++, std::string_view(cells, 4), mark);
        model.CommitStage(0, true, changed);
        return std::vector<int>{model.Mark(0), model.Mark(1), model.Mark(2)};
    };
    EXPECT_EQ(stage({{"b\0002", 1}, {"a\0001", 0}, {"c\0003", 2}}), (std::vector<int>{0, 1, 2}));
    EXPECT_EQ(Rows(model), (Table{{"a", "1"}, {"b", "2"}, {"c", "3"}}));
    EXPECT_EQ(stage({{"b\0002", 0}, {"a\0001", 0}, {"c\0003", 2}}), (std::vector<int>{0, 0, 2}));
    EXPECT_EQ(changed, std::vector<int>{1});
}

TEST(ListModel, ASteadySortedRefreshAllocatesNothing) {
    std::mt19937 random(3);
    const char* states[] = {"TIME_WAIT", "ESTABLISHED", "LISTENING", "CLOSE_WAIT"};
    Table first, second;
    for (int i = 0; i < 2000; ++i) { // every row changes between the two, at the same text lengths
        first.push_back({std::to_string(1 + random() % 20), states[random() % 4], "1.1.2." + std::to_string(i)});
        second.push_back({first.back()[0], first.back()[1], "2.1.2." + std::to_string(i)});
    }
    Table one(second.begin(), second.begin() + 1); // a filter that leaves one row, then all again
    RowModel model = Model(3);
    for (const Table* table : {&first, &second, &one, &first}) // the buffers grow to both tables
        Refresh(model, *table, 1);
    for (const auto& [table, changed] :
         {std::pair{&first, 0u}, {&first, 0u}, {&second, 2000u}, {&one, 1u}, {&second, 2000u}}) {
        const long before = allocations.load();
        EXPECT_EQ(Refresh(model, *table, 1).size(), changed);
        EXPECT_EQ(allocations.load() - before, 0);
    }
}

// Outside the rows and columns a write is refused and a read is empty; a text ends at an embedded NUL; a column
// inserted later lies between the cells of every row.
TEST(ListModel, CellsAndRowsOutsideTheTableAndColumnsAddedLater) {
    RowModel model = Model(2);
    EXPECT_TRUE(model.InsertRow(0, "first") && model.InsertRow(0, "zero") && model.SetCell(1, 1, {"cut\0here", 8}));
    EXPECT_FALSE(model.InsertRow(3, "x") || model.InsertRow(-1, "x") || model.SetCell(2, 0, "x") ||
                 model.SetCell(0, 2, "x") || model.SetCell(-1, 0, "x") || model.DeleteRow(2));
    EXPECT_EQ(std::string(model.Cell(5, 0)) + model.Cell(0, -1) + model.Cell(0, 2), "");
    model.InsertColumn(1);
    EXPECT_EQ(Rows(model), (Table{{"zero", "", ""}, {"first", "", "cut"}}));
}

// The widths add up to the list's width, the difference is spread from the first column, and a list narrower
// than its columns never gets a width below 0 (the list view would read -1 and -2 as "size to fit").
TEST(ColumnFit, WidthsAddUpToTheAvailableWidthAndNeverGoBelowZero) {
    // clang-format off
    const struct { std::vector<int> widths; int available; std::vector<int> expected; } cases[] = {
        {{100, 100, 100}, 305, {102, 102, 101}},                                   // grows from the first
        {{135, 50, 135, 75, 135, 75, 110}, 3, {1, 0, 1, 0, 1, 0, 0}},              // very narrow list
        {{135, 50, 135}, -20, {0, 0, 0}},                                          // narrower than the scroll bar
        {{-1, -2, 10}, 12, {1, 1, 10}},                                            // auto-size markers count as 0
    };
    // clang-format on
    for (const auto& c : cases) {
        std::vector<int> widths = c.widths;
        FitColumnWidths(widths, c.available);
        EXPECT_EQ(widths, c.expected) << "available " << c.available;
    }
}

// The toolbar's pictures as plain pixels.

using namespace toolbar;
using Bytes = std::vector<uint8_t>;

// One picture pixel prepared as each variant, then composited over a background pixel (B, G, R).
TEST(ToolbarVariants, EdgesOfEachVariantAndItsComposite) {
    using enum PngVariant;
    const std::array<uint8_t, 3> background{216, 233, 236};
    // clang-format off
    const struct { std::array<uint8_t, 4> in; PngVariant variant; std::array<uint8_t, 4> prepared;
                   std::array<uint8_t, 3> composited; } cases[] = {
        // Normal: pre-multiplied, alpha stored inverted; see-through keeps the background, opaque replaces it.
        {{255, 255, 255, 0}, Normal, {0, 0, 0, 255}, background},
        {{200, 100, 50, 128}, Normal, {100, 50, 25, 127}, {132, 166, 217}},
        // Hot and pressed: 15 darker, never below 0 (16 is the first value that stays above 0).
        {{16, 15, 0, 255}, HotPressed, {1, 0, 0, 0}, {0, 0, 1}},
        // Disabled: weighted grey times 1.2, saturated at 255.
        {{255, 0, 0, 255}, Disabled, {91, 91, 91, 0}, {91, 91, 91}},
        {{0, 0, 255, 128}, Disabled, {17, 17, 17, 127}, {124, 133, 134}},
    };
    // clang-format on
    for (const auto& c : cases) {
        PngImage image(1, 1);
        std::copy(c.in.begin(), c.in.end(), image.Pixel(0, 0));
        PrepareVariant(image, c.variant);
        SCOPED_TRACE("case " + std::to_string(&c - cases));
        EXPECT_EQ(Bytes(image.Pixel(0, 0), image.Pixel(0, 0) + 4), Bytes(c.prepared.begin(), c.prepared.end()));
        std::array<uint8_t, 3> pixel = background;
        CompositeOnto(image, pixel.data(), 1, 1, 4, 3);
        EXPECT_EQ(pixel, c.composited);
    }
    // Every channel saturates at 255 instead of wrapping.
    EXPECT_EQ(std::pair(BlendChannel(0, 255, 255), BlendChannel(200, 200, 128)), std::pair(uint8_t{255}, uint8_t{255}));
}

// The program's own strip decodes to 32 bits; any truncation or flipped bit of it gives no image. libpng only warns
// about a chunk longer than its 8,000,000-byte chunk limit and then allocates whatever the chunk states; the decoder
// makes that an error (the chunk here is a private one libpng skips).
TEST(ToolbarPng, TheProgramsStripDecodesAndEveryDamageToItGivesNoImage) {
    std::ifstream in(PELLORAN_SOURCE_DIR "/res/images/toolbar.png", std::ios::binary);
    const Bytes good{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    const auto image = DecodePng(good.data(), good.size());
    ASSERT_TRUE(image.has_value());
    EXPECT_EQ(std::tuple(image->width, image->height, image->rows[1] - image->rows[0]), std::tuple(280, 28, 280 * 4));
    for (size_t length = 0; length < good.size(); ++length)
        EXPECT_FALSE(DecodePng(good.data(), length).has_value()) << "truncated to " << length;
    for (size_t at = 0; at < good.size(); ++at) {
        Bytes damaged = good;
        damaged[at] ^= static_cast<uint8_t>(1u << (at % 8));
        EXPECT_FALSE(DecodePng(damaged.data(), damaged.size()).has_value()) << "bit flipped at byte " << at;
    }
    EXPECT_FALSE(DecodePng(nullptr, 0).has_value());
    for (const auto& [length, decodes] : {std::pair<uint32_t, bool>{8000000, true}, {8000001, false}}) {
        Bytes chunk{
            uint8_t(length >> 24), uint8_t(length >> 16), uint8_t(length >> 8), uint8_t(length), 'p', 'r', 'I', 'v'};
        chunk.resize(8 + length, 0x33);
        const uint32_t crc = static_cast<uint32_t>(crc32(0, chunk.data() + 4, length + 4));
        chunk.insert(chunk.end(), {uint8_t(crc >> 24), uint8_t(crc >> 16), uint8_t(crc >> 8), uint8_t(crc)});
        Bytes png = good;
        png.insert(png.begin() + 33, chunk.begin(), chunk.end()); // after the signature and IHDR
        EXPECT_EQ(DecodePng(png.data(), png.size()).has_value(), decodes) << length;
    }
}
