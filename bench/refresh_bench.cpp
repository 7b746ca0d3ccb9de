// Refresh path timings: decoding a raw owner-PID table, queuing addresses and caching process names
// as the read does, then refreshing a seven-column list, at 100, 1,000 and 10,000 connections with a
// host name cached for every address. The same path with the record-by-record walks is timed for
// comparison. The list stands in as a vector of cell texts.
#include "connections/ListRefresh.h"
#include "connections/ResolveQueue.h"
#include "connections/TableDecode.h"
#include "support/ConnectionTestSupport.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <array>
#include <random>
#include <string>
#include <vector>

namespace {

// Roughly what the list control does with the texts: keeps a copy of each cell.
class TextRows : public ListRows {
public:
    int GetRowCount() override { return static_cast<int>(cells.size()); }
    void InsertEmptyRow(int index) override { cells.insert(cells.begin() + index, std::array<std::string, 7>{}); }
    void DeleteRow(int index) override { cells.erase(cells.begin() + index); }
    void SetCellText(int row, int column, const char* text) override { cells[row][column] = text; }

private:
    std::vector<std::array<std::string, 7>> cells;
};

constexpr ColumnIndexes kColumns{0, 1, 2, 3, 4, 5, 6};
constexpr RefreshOptions kOptions{true, false, true, true};

// A machine with `count` connections: one local address, distinct remote addresses, mostly
// established, a hundred owning processes, and every address already resolved (in random order).
struct Machine {
    std::vector<unsigned char> table;
    HostNameCache hostNames;
    ProcessNameCache processNames;

    explicit Machine(int count) {
        std::mt19937 random(42);
        std::vector<RawRow> rows;
        std::vector<uint32_t> addresses = {Ip(192, 168, 1, 10)};
        for (int i = 0; i < count; ++i) {
            const uint32_t remote = Ip(10, static_cast<uint32_t>(i >> 16), (i >> 8) & 0xFF, i & 0xFF);
            const uint32_t state = random() % 10 < 7 ? kEstablished : 11;
            rows.push_back({state, Ip(192, 168, 1, 10), PortField(static_cast<uint16_t>(49152 + i % 16000)), remote,
                            PortField(443), static_cast<uint32_t>(1000 + random() % 100)});
            addresses.push_back(remote);
        }
        table = MakeTable(rows, true);

        std::shuffle(addresses.begin(), addresses.end(), random);
        for (uint32_t address : addresses) {
            char text[16];
            FormatAddress(text, address);
            hostNames.Append(text, (std::string("host-") + text + ".example.net").c_str());
        }
        for (int pid = 1000; pid < 1100; ++pid) {
            processNames.Append(std::to_string(pid).c_str(), ("process" + std::to_string(pid) + ".exe").c_str());
        }
    }
};

// Read, decode, queue and name as the read does, then refresh; with `flushEachTime` the event queue is
// emptied before every refresh (as right after a log flush), so every entry is copied into it.
void ReadAndRefreshWith(benchmark::State& state, bool flushEachTime) {
    Machine machine(static_cast<int>(state.range(0)));
    ConnectionSnapshot snapshot;
    ResolveQueue resolveQueue;
    EventQueue events;
    TextRows rows;
    for (auto _ : state) {
        if (flushEachTime)
            events.Clear();
        DecodeTcpTable(machine.table.data(), machine.table.size(), true, snapshot);
        for (const ConnectionEntry& entry : snapshot) {
            QueueAddresses(entry, machine.hostNames, 0, resolveQueue);
            if (machine.processNames.Find(entry.pidText) == nullptr) {
                machine.processNames.Append(entry.pidText, "");
            }
        }
        RefreshList(rows, snapshot, machine.hostNames, machine.processNames, events, kColumns, kOptions);
        benchmark::DoNotOptimize(snapshot.data());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

void ReadAndRefresh(benchmark::State& state) { ReadAndRefreshWith(state, false); }
void ReadAndRefreshAfterLogFlush(benchmark::State& state) { ReadAndRefreshWith(state, true); }

// The parts on their own.
void DecodeOnly(benchmark::State& state) {
    Machine machine(static_cast<int>(state.range(0)));
    ConnectionSnapshot snapshot;
    for (auto _ : state) {
        DecodeTcpTable(machine.table.data(), machine.table.size(), true, snapshot);
        benchmark::DoNotOptimize(snapshot.data());
    }
}

void RefreshOnly(benchmark::State& state) {
    Machine machine(static_cast<int>(state.range(0)));
    ConnectionSnapshot snapshot;
    DecodeTcpTable(machine.table.data(), machine.table.size(), true, snapshot);
    EventQueue events;
    TextRows rows;
    for (auto _ : state) {
        RefreshList(rows, snapshot, machine.hostNames, machine.processNames, events, kColumns, kOptions);
        benchmark::DoNotOptimize(snapshot.data());
    }
}

} // namespace

BENCHMARK(ReadAndRefresh)->Arg(100)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(ReadAndRefreshAfterLogFlush)->Arg(100)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(DecodeOnly)->Arg(100)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(RefreshOnly)->Arg(100)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
