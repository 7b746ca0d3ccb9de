// The views over the connection rows at 1,000, 10,000 and 100,000 connections: a read through the change
// tracker (the list refresh writing the tracker's rows, then the keys matched), unchanged and with a tenth
// of the connections replaced every read, and the matching alone; the filter box's matching with the counts over 10,000
// rows of seven cells; and the CSV text of 10,000 rows. Also prints the allocations of a warm read. Figures only.
#include "connections/ChangeTracker.h"
#include "connections/ShownRows.h"
#include "controls/RowFilter.h"
#include "log/TableText.h"
#include "support/ConnectionTestSupport.h"

#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <random>
#include <string>
#include <vector>

#include "support/CountingAllocator.h"

namespace {

constexpr ColumnIndexes kColumns{0, 1, 2, 3, 4, 5, 6};

// Reads of a machine with `count` connections, in a cycle of `rounds` (1 or 20): each read after the first
// replaces a tenth of the connections by connections on another remote port, and every tenth is replaced
// twice in 20 reads, so the reads of the cycle follow each other with a tenth replaced, the last by the first too.
struct Machine {
    std::vector<ConnectionSnapshot> reads;
    ProcessNameCache processNames;

    Machine(int count, int rounds) {
        std::mt19937 random(42);
        std::vector<uint32_t> states, pids;
        for (int i = 0; i < count; ++i) {
            states.push_back(random() % 10 < 7 ? kEstablished : 11);
            pids.push_back(1000 + random() % 100);
        }
        auto entry = [&](int i, bool replaced) {
            ConnectionEntry built;
            BuildEntry(built, states[i], Ip(192, 168, 1, 10), PortField(static_cast<uint16_t>(49152 + i % 16000)),
                       Ip(10, static_cast<uint32_t>(i >> 16), (i >> 8) & 0xFF, i & 0xFF),
                       PortField(replaced ? static_cast<uint16_t>(1 + i % 60000) : 443), true, pids[i]);
            return built;
        };
        ConnectionSnapshot snapshot;
        for (int i = 0; i < count; ++i)
            snapshot.push_back(entry(i, false));
        bool replaced[10] = {};
        for (int round = 0; round < rounds; ++round) {
            if (rounds > 1) {
                const int tenth = round % 10;
                replaced[tenth] = !replaced[tenth];
                for (int i = tenth; i < count; i += 10)
                    snapshot[i] = entry(i, replaced[tenth]);
            }
            reads.push_back(snapshot);
        }
        for (uint32_t pid = 1000; pid < 1100; ++pid)
            processNames.Append(std::to_string(pid).c_str(), ("service-" + std::to_string(pid) + ".exe").c_str());
    }
};

// What the refresh does with the tracker: the list refresh writes the read, the keys follow it.
void Read(ChangeTracker& tracker, ConnectionSnapshot& snapshot, const Machine& machine,
          std::vector<ConnectionKey>& keys) {
    static const HostNameCache noNames;
    EventQueue events;
    RefreshOptions options;
    options.withProcesses = true;
    RefreshList(tracker.BeginRead(7), snapshot, noNames, machine.processNames, events, kColumns, options);
    keys.clear();
    for (const ConnectionEntry& entry : snapshot)
        keys.push_back(Ipv4Key(0, static_cast<uint32_t>(std::strtoul(entry.pidText, nullptr, 10)), entry.localAddr,
                               entry.localPort, entry.remoteAddr, entry.remotePort));
    tracker.EndRead(keys, true);
}

void TrackedReadUnchanged(benchmark::State& state) {
    Machine machine(static_cast<int>(state.range(0)), 1);
    ChangeTracker tracker;
    std::vector<ConnectionKey> keys;
    for (auto _ : state)
        Read(tracker, machine.reads[0], machine, keys);
}

// The matching alone (EndRead), the list refresh's writing left out of the time.
void MatchOnlyTenthReplaced(benchmark::State& state) {
    Machine machine(static_cast<int>(state.range(0)), 20);
    ChangeTracker tracker;
    std::vector<ConnectionKey> keys;
    size_t round = 0;
    static const HostNameCache noNames;
    EventQueue events;
    RefreshOptions options;
    options.withProcesses = true;
    for (auto _ : state) {
        state.PauseTiming();
        ConnectionSnapshot& snapshot = machine.reads[round++ % machine.reads.size()];
        RefreshList(tracker.BeginRead(7), snapshot, noNames, machine.processNames, events, kColumns, options);
        keys.clear();
        for (const ConnectionEntry& entry : snapshot)
            keys.push_back(Ipv4Key(0, 0, entry.localAddr, entry.localPort, entry.remoteAddr, entry.remotePort));
        state.ResumeTiming();
        tracker.EndRead(keys, true);
    }
}

void TrackedReadTenthReplaced(benchmark::State& state) {
    Machine machine(static_cast<int>(state.range(0)), 20);
    ChangeTracker tracker;
    std::vector<ConnectionKey> keys;
    size_t round = 0;
    for (auto _ : state)
        Read(tracker, machine.reads[round++ % machine.reads.size()], machine, keys);
    state.counters["rows shown"] = tracker.RowCount();
}

// 10,000 tracked rows of seven cells, filtered with one text (Established Only on) and counted.
void FilterAndCount(benchmark::State& state, const char* text) {
    Machine machine(10000, 2);
    ChangeTracker tracker;
    std::vector<ConnectionKey> keys;
    Read(tracker, machine.reads[0], machine, keys);
    Read(tracker, machine.reads[1], machine, keys);
    RowFilter filter;
    filter.Compile(text);
    std::vector<int> rows;
    ConnectionCounts counts;
    for (auto _ : state)
        SelectShownRows(tracker, filter, {6, true}, rows, counts);
    state.counters["rows"] = static_cast<double>(tracker.RowCount());
    state.counters["matched"] = static_cast<double>(rows.size());
}

struct TrackerCells : ExportCells {
    const ChangeTracker& tracker;
    explicit TrackerCells(const ChangeTracker& tracker) : tracker(tracker) {}
    int GetColumnCount() override { return tracker.ColumnCount(); }
    int GetRowCount() override { return tracker.RowCount(); }
    std::string GetCellText(int row, int column) override { return tracker.Cell(row, column); }
};

void CsvText(benchmark::State& state) {
    Machine machine(10000, 1);
    ChangeTracker tracker;
    std::vector<ConnectionKey> keys;
    Read(tracker, machine.reads[0], machine, keys);
    TrackerCells cells(tracker);
    const std::vector<std::string> titles = {"Process",        "PID",         "Local Address", "Local Port",
                                             "Remote Address", "Remote Port", "Status"};
    size_t bytes = 0;
    for (auto _ : state)
        bytes = BuildCsvText(cells, titles).size();
    state.counters["bytes"] = static_cast<double>(bytes);
}

void PrintAllocations() {
    for (int rounds : {1, 20}) {
        Machine machine(10000, rounds);
        ChangeTracker tracker;
        std::vector<ConnectionKey> keys;
        for (int warm = 0; warm < 2 * rounds + 3; ++warm)
            Read(tracker, machine.reads[static_cast<size_t>(warm) % machine.reads.size()], machine, keys);
        const long before = allocations.load();
        for (int read = 0; read < 2 * rounds; ++read)
            Read(tracker, machine.reads[static_cast<size_t>(read + 3) % machine.reads.size()], machine, keys);
        printf("change tracker at 10000 rows, %s: %.1f allocations per warm read\n",
               rounds == 1 ? "unchanged" : "a tenth replaced per read",
               static_cast<double>(allocations.load() - before) / (2 * rounds));
    }
}

} // namespace

BENCHMARK(TrackedReadUnchanged)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(TrackedReadTenthReplaced)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(MatchOnlyTenthReplaced)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(FilterAndCount, one_word, "service-10")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(FilterAndCount, three_words, "10. -time 443")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(FilterAndCount, no_match, "nothing-like-this")->Unit(benchmark::kMillisecond);
BENCHMARK(CsvText)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    PrintAllocations();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
