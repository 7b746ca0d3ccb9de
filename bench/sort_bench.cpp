// The list's quicksort on in-memory rows of 100, 1,000 and 10,000 connections: by a numeric column
// (ports), by a text column (states) and by addresses (first number only). Prints figures only.
#include "controls/RowSort.h"

#include <benchmark/benchmark.h>

#include <random>
#include <vector>

namespace {

class VectorRows : public SortableRows {
public:
    explicit VectorRows(std::vector<std::vector<std::string>> rows) : rows(std::move(rows)) {}
    int GetRowCount() override { return static_cast<int>(rows.size()); }
    int GetColumnCount() override { return 7; }
    std::string GetCellText(int row, int column) override { return rows[row][column]; }
    void SwapRows(int a, int b) override { std::swap(rows[a], rows[b]); }

private:
    std::vector<std::vector<std::string>> rows;
};

std::vector<std::vector<std::string>> MakeRows(int count) {
    static const char* states[] = {"ESTABLISHED", "LISTENING", "TIME_WAIT", "CLOSE_WAIT", "SYN_SENT"};
    std::mt19937 random(42);
    std::vector<std::vector<std::string>> rows;
    for (int i = 0; i < count; ++i) {
        std::string remote = std::to_string(1 + random() % 254) + "." + std::to_string(random() % 256) + ".0." +
                             std::to_string(random() % 256);
        rows.push_back({"svchost.exe", std::to_string(random() % 9000), "10.0.0.1",
                        std::to_string(1024 + random() % 60000), remote, std::to_string(1 + random() % 65535),
                        states[random() % 5]});
    }
    return rows;
}

void SortBy(benchmark::State& state, int column) {
    auto rows = MakeRows(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        state.PauseTiming();
        VectorRows table(rows);
        state.ResumeTiming();
        SortRows(table, column, 0, -1, false);
    }
}

void SortByPort(benchmark::State& state) { SortBy(state, 3); }
void SortByState(benchmark::State& state) { SortBy(state, 6); }
void SortByRemoteAddress(benchmark::State& state) { SortBy(state, 4); }

} // namespace

BENCHMARK(SortByPort)->Arg(100)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(SortByState)->Arg(100)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(SortByRemoteAddress)->Arg(100)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
