// The list's own rows at 1,000, 10,000 and 100,000 connections: a refresh with the sort applied again
// (unchanged rows, and every row changed), and a header-click sort. Also prints the model's bytes per
// row beyond the row texts. Figures only.
#include "controls/RowModel.h"

#include <benchmark/benchmark.h>

#include <array>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

namespace {

using Table = std::vector<std::array<std::string, 7>>;

// `tables` copies of the same ends, as the four tables the bench's test IP helper generates.
Table MakeTable(int count, const char* state, int tables = 1) {
    std::mt19937 random(42);
    Table table;
    for (int i = 0; i < count; ++i) {
        std::string remote = std::to_string(1 + random() % 254) + "." + std::to_string(random() % 256) + ".0." +
                             std::to_string(random() % 256);
        table.push_back({"svchost.exe", std::to_string(random() % 9000), "192.168.1.10",
                         std::to_string(1024 + (tables > 1 ? i % (count / tables) : random() % 60000)), remote,
                         std::to_string(1 + random() % 65535), state});
    }
    return table;
}

// What the connection list's refresh does: stage every cell (rows grow or shrink at the end), then show.
void Refresh(RowModel& model, const Table& table, int sortColumn, std::vector<int>& changed) {
    model.BeginStage();
    while (model.StagedCount() < static_cast<int>(table.size()))
        model.StageInsert(model.StagedCount());
    while (model.StagedCount() > static_cast<int>(table.size()))
        model.StageDelete(model.StagedCount() - 1);
    for (size_t row = 0; row < table.size(); ++row) {
        for (int column = 0; column < 7; ++column)
            model.StageCell(static_cast<int>(row), column, table[row][column].c_str());
    }
    model.CommitStage(sortColumn, false, changed);
}

RowModel Filled(const Table& table) {
    RowModel model;
    for (int column = 0; column < 7; ++column)
        model.InsertColumn(column);
    std::vector<int> changed;
    Refresh(model, table, -1, changed);
    return model;
}

void SortedRefreshUnchanged(benchmark::State& state) {
    const Table table = MakeTable(static_cast<int>(state.range(0)), "ESTABLISHED");
    RowModel model = Filled(table);
    std::vector<int> changed;
    Refresh(model, table, 3, changed);
    for (auto _ : state)
        Refresh(model, table, 3, changed);
    state.counters["changed"] = static_cast<double>(changed.size());
}

void SortedRefreshFourTables(benchmark::State& state) {
    const Table table = MakeTable(static_cast<int>(state.range(0)), "ESTABLISHED", 4);
    RowModel model = Filled(table);
    std::vector<int> changed;
    for (auto _ : state)
        Refresh(model, table, 3, changed);
}

void SortedRefreshAllChanged(benchmark::State& state) {
    const Table tables[] = {MakeTable(static_cast<int>(state.range(0)), "ESTABLISHED"),
                            MakeTable(static_cast<int>(state.range(0)), "TIME_WAIT")};
    RowModel model = Filled(tables[0]);
    std::vector<int> changed;
    int round = 0;
    for (auto _ : state)
        Refresh(model, tables[++round % 2], 6, changed);
    state.counters["changed"] = static_cast<double>(changed.size());
}

// What the filter box does to the list: the connection list stages whole rows (StageRow) of the rows that pass,
// here the first one alone, then every row again, as Esc brings them back. Only the way back is timed.
void FilterToOneRowAndBack(benchmark::State& state) {
    const Table table = MakeTable(static_cast<int>(state.range(0)), "ESTABLISHED");
    std::vector<std::string> cells(table.size());
    for (size_t row = 0; row < table.size(); ++row)
        for (const std::string& cell : table[row])
            cells[row].append(cell).push_back('\0');
    RowModel model = Filled(table);
    std::vector<int> changed;
    auto show = [&](size_t rows) {
        model.BeginStage();
        while (model.StagedCount() < static_cast<int>(rows))
            model.StageInsert(model.StagedCount());
        while (model.StagedCount() > static_cast<int>(rows))
            model.StageDelete(model.StagedCount() - 1);
        for (size_t row = 0; row < rows; ++row)
            model.StageRow(static_cast<int>(row), cells[row], 0);
        model.CommitStage(-1, false, changed);
    };
    for (auto _ : state) {
        state.PauseTiming();
        show(1);
        state.ResumeTiming();
        show(table.size());
    }
}

void HeaderClickSort(benchmark::State& state) {
    RowModel model = Filled(MakeTable(static_cast<int>(state.range(0)), "ESTABLISHED"));
    bool ascending = false;
    int column = 3;
    for (auto _ : state) {
        column = column == 3 ? 4 : 3;
        model.Sort(column, 0, -1, ascending = !ascending);
    }
}

// The sorted refresh after a header click: the click sorted the shown rows, the refresh sorts the table's order,
// so rows with equal keys land elsewhere and most rows are shown anew.
void SortedRefreshAfterClick(benchmark::State& state) {
    const Table table = MakeTable(static_cast<int>(state.range(0)), "ESTABLISHED", 4);
    RowModel model = Filled(table);
    std::vector<int> changed;
    for (auto _ : state) {
        state.PauseTiming();
        Refresh(model, table, 1, changed); // another column, so the timed refresh cannot take the last order
        model.Sort(3, 0, -1, false);
        state.ResumeTiming();
        Refresh(model, table, 3, changed);
    }
    state.counters["changed"] = static_cast<double>(changed.size());
}

void PrintMemory() {
    for (int count : {10000, 100000}) {
        const Table table = MakeTable(count, "ESTABLISHED");
        RowModel model = Filled(table);
        std::vector<int> changed;
        Refresh(model, table, 3, changed);
        model.Sort(4, 0, -1, true);
        printf("list model at %d rows: %.1f bytes per row beyond the texts; text buffers %.1f bytes per row "
               "(shown rows and the refresh's copy)\n",
               count, static_cast<double>(model.OverheadBytes()) / count,
               static_cast<double>(model.TextBytes()) / count);
    }
}

} // namespace

BENCHMARK(SortedRefreshUnchanged)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(SortedRefreshFourTables)->Arg(40000)->Unit(benchmark::kMillisecond);
BENCHMARK(SortedRefreshAfterClick)->Arg(40000)->Unit(benchmark::kMillisecond);
BENCHMARK(SortedRefreshAllChanged)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(FilterToOneRowAndBack)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(HeaderClickSort)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    PrintMemory();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
