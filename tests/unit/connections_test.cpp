// The connections subsystem: decoding raw TCP tables, the table read's sizing and failures against a scripted
// library call, the address index under the caches, the list refresh (rows changed at the end only, Established
// Only, the log queue, and a differential test of its host-name lookup against the record-by-record walk; where
// each cell goes and the process names show in the connection table end to end), and the resolver worker with
// real threads (also run under ThreadSanitizer): its queue order, the lock left free during lookups, the stop,
// and the back-off of failed lookups.
#include "connections/ListRefresh.h"
#include "connections/ResolverLoop.h"
#include "connections/TableFetch.h"
#include "connections/TextIndex.h"
#include "connections/WorkerState.h"
#include "support/ConnectionTestSupport.h"

#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <map>
#include <memory>
#include <random>
#include <thread>
#include <tuple>

namespace {

// Decodes from a heap block of exactly the buffer's size, so AddressSanitizer catches a read past its end.
bool Decode(const std::vector<unsigned char>& table, bool withPids, ConnectionSnapshot& out, size_t cut = 0) {
    auto block = std::make_unique<unsigned char[]>(table.size() - cut);
    std::memcpy(block.get(), table.data(), table.size() - cut);
    return DecodeTcpTable(block.get(), table.size() - cut, withPids, out);
}

// Garbage in the high bits of a port field is ignored and a port is never negative; PIDs are signed decimal;
// states outside 1-12 are UNKNOWN. An entry kept from the snapshot before holds nothing of it in its texts and values.
TEST(DecodeTcpTable, RowsBecomeDisplayTexts) {
    // clang-format off
    const std::pair<RawRow, const char*> cases[] = {
        {{kEstablished, Ip(192, 168, 1, 20), PortField(49152), Ip(255, 255, 255, 255), PortField(80), 9},
         "ESTABLISHED 192.168.1.20:49152 255.255.255.255:80 pid=9"},
        {{12, 0, PortField(80, 0xDEAD), 0, PortField(65535, 0xFFFF), 0x7FFFFFFF},
         "DELETE_TCB 0.0.0.0:80 0.0.0.0:65535 pid=2147483647"},
        {{0, 0, PortField(256), 0, 0, 0xFFFFFFFF}, "UNKNOWN 0.0.0.0:256 0.0.0.0:0 pid=-1"},
        {{13, 0, 0, 0, 0, 0x80000000}, "UNKNOWN 0.0.0.0:0 0.0.0.0:0 pid=-2147483648"},
    };
    // clang-format on
    for (const auto& [row, texts] : cases) {
        for (bool withPid : {true, false}) {
            ConnectionSnapshot out(3);
            std::memset(static_cast<void*>(out.data()), 'q', 3 * sizeof(ConnectionEntry));
            ASSERT_TRUE(Decode(MakeTable({row, row}, withPid), withPid, out)) << texts;
            ASSERT_EQ(out.size(), 2u);
            const ConnectionEntry& e = out[1]; // the second row is not shifted by the first
            EXPECT_EQ(std::string(e.stateText) + " " + e.localAddressText + ":" + e.localPortText + " " +
                          e.remoteAddressText + ":" + e.remotePortText + " pid=" + e.pidText,
                      withPid ? texts : std::string(texts, std::strstr(texts, "pid=") + 4));
            const std::string names = std::string(e.processName) + e.remoteHostName + (withPid ? "" : e.pidText);
            EXPECT_TRUE(names.empty() && e.protocol == Protocol::Tcp && e.localScopeId == 0 && e.remoteScopeId == 0 &&
                        std::count(e.localAddr6, std::end(e.localAddr6), 0) +
                                std::count(e.remoteAddr6, std::end(e.remoteAddr6), 0) ==
                            32)
                << texts;
        }
    }
}

// A buffer that cannot hold its rows is rejected and the previous snapshot is left exactly as it was.
TEST(DecodeTcpTable, TakesOnlyBuffersThatHoldTheirRows) {
    const std::vector<RawRow> two = {{5, 0, 0, 0, 0, 7}, {5, 0, 0, 0, 0, 8}};
    std::vector<unsigned char> trailing = MakeTable(two, false);
    trailing.resize(trailing.size() + 19, 0xFF); // the sizing call may report more than the rows use
    // Rows -1: rejected.
    // clang-format off
    const struct { const char* what; std::vector<unsigned char> table; bool withPids; size_t cut; int rows; }
    cases[] = {
        {"empty table", MakeTable({}, true), true, 0, 0},
        {"trailing bytes", trailing, false, 0, 2},
        {"count larger than rows", MakeTable(two, false, 3), false, 0, -1},
        {"legacy rows read as extended", MakeTable(two, false), true, 0, -1},
        {"huge count", MakeTable(two, true, 0xFFFFFFFF), true, 0, -1},
        {"last row cut short by one byte", MakeTable(two, true), true, 1, -1},
        {"shorter than the count field", std::vector<unsigned char>(3, 0), false, 0, -1},
    };
    // clang-format on
    for (const auto& c : cases) {
        ConnectionSnapshot out(1);
        std::strcpy(out[0].remoteAddressText, "1.1.1.1");
        EXPECT_EQ(Decode(c.table, c.withPids, out, c.cut), c.rows >= 0) << c.what;
        ASSERT_EQ(out.size(), c.rows >= 0 ? size_t(c.rows) : 1u) << c.what;
        EXPECT_TRUE(c.rows >= 0 || std::strcmp(out[0].remoteAddressText, "1.1.1.1") == 0) << c.what;
    }
    ConnectionSnapshot out(1);
    EXPECT_FALSE(DecodeTcpTable(nullptr, 100, false, out) || out.size() != 1);
}

// The table read's rules against a scripted library call: sizing on the first read, headroom after it,
// retries while the table grows, and every way a read fails.

// One answer of the scripted call: status, the size it reports with 122, the row count it writes with 0. A call
// is "?" for a sizing call (no buffer), else the buffer size the read was given.
// clang-format off
struct Reply { uint32_t status, needed = 0, rows = 0; };
struct FetchCase { const char* name; size_t lastBefore; std::vector<Reply> replies; bool ok;
                   std::vector<std::string> calls; size_t lastAfter; };
const FetchCase kCases[] = {
    {"FirstReadIsSized", 0, {{122, 52}, {0, 0, 2}}, true, {"?", "52"}, 52},
    {"SizingCallWithoutSizeFails", 0, {{0}}, false, {"?"}, 0},
    {"SizingCallErrorFails", 0, {{87}}, false, {"?"}, 0},
    {"LaterReadKeepsHeadroomAndSkipsSizing", 52, {{0, 0, 3}}, true, {"449"}, 76}, // + a quarter and 16 rows
    {"GrowthIsReadWithTheReportedSize", 0, {{122, 52}, {122, 100}, {122, 124}, {0, 0, 5}}, true,
     {"?", "52", "100", "124"}, 124},
    {"EndlessGrowthGivesUpAfterThreeRetries", 52, {{122, 500}, {122, 600}, {122, 700}, {122, 800}, {0}}, false,
     {"449", "500", "600", "700"}, 52},
    {"ShortageWithoutALargerSizeFails", 52, {{122, 449}}, false, {"449"}, 52},
    {"ReadErrorFails", 52, {{31}}, false, {"449"}, 52},
    {"RowCountBeyondTheBufferKeepsTheBufferSize", 0, {{122, 52}, {0, 0, 1000}}, true, {"?", "52"}, 52},
};
// clang-format on

TEST(TableFetch, FollowsTheReadRules) {
    for (const FetchCase& c : kCases) {
        SCOPED_TRACE(c.name);
        size_t next = 0;
        std::vector<std::string> calls;
        TableCall call = [&](void* table, uint32_t* size) -> uint32_t {
            calls.push_back(table ? std::to_string(*size) : "?");
            if (next >= c.replies.size())
                return 1;
            const Reply& reply = c.replies[next++];
            if (reply.status == 122)
                *size = reply.needed;
            else if (reply.status == 0 && *size >= 4)
                std::memcpy(table, &reply.rows, 4);
            return reply.status;
        };
        size_t last = c.lastBefore;
        std::vector<unsigned char> buffer;
        EXPECT_EQ(FetchTcpTable(call, 24, last, buffer), c.ok); // 24-byte rows
        EXPECT_EQ(std::tie(calls, last), std::tie(c.calls, c.lastAfter));
        EXPECT_TRUE(!c.ok || buffer.size() == std::stoul(c.calls.back())) << "the buffer is the last size asked for";
    }
}

// The numeric index under the caches finds every key across its growth, and a repeated key keeps its first value;
// every address the read formats is parsed back to its value. (The texts that must not be taken for an address,
// such as "010.0.0.1", are among the differential test's keys below.)
TEST(AddressIndex, FindsEveryKeyAcrossGrowthAndReadsBackEveryFormattedAddress) {
    FlatUInt32Map map;
    std::mt19937 random(7);
    std::map<uint32_t, uint32_t> first; // edge keys, a repeat, random keys and runs of neighbouring addresses
    for (uint32_t i = 0; i < 20000; ++i) {
        const uint32_t key = i < 4 ? std::array{0u, 0xFFFFFFFFu, 1u, 1u}[i] : i % 7 ? random() : 0x0A000000u + i;
        const bool isNew = first.emplace(key, i).second;
        ASSERT_EQ(map.Insert(key, i), std::make_pair(first[key], isNew)) << key;
        char text[16];
        FormatAddress(text, HostToNetworkLong(key));
        uint32_t value = 0;
        ASSERT_TRUE(ParseCanonicalAddress(text, value) && value == key) << text;
    }
    for (const auto& [key, value] : first)
        ASSERT_EQ(map.Find(key), value) << key;
}

constexpr ColumnIndexes kSevenColumns{0, 1, 2, 3, 4, 5, 6};

// Differential test of the list refresh against the plain record-by-record walk of the host-name cache (the
// reference below): seeded random snapshots, caches and options, several refreshes per scenario with the cache
// growing in between. Names can chain (a record's name is another record's address), which is where an index can
// go wrong. Each refresh also keeps the rows that stay as the same row objects (rows are added and deleted at the
// end only, so the list keeps their selection and focus), and writes the process name into the entry it shows.

// Few addresses, so that connections, cache records and names collide often; texts that look like addresses
// but are not in the form the read writes must stay distinct keys, and names can be record addresses too.
const uint32_t kAddresses[] = {Ip(10, 0, 0, 1), Ip(10, 0, 0, 2), Ip(127, 0, 0, 1),
                               Ip(0, 0, 0, 0),  Ip(8, 8, 8, 8),  Ip(255, 255, 255, 255)};
const char* const kTexts[] = {"10.0.0.1",  "10.0.0.2", "0.0.0.0", "010.0.0.1", "10.0.0.01", "10.0.0.1 ",
                              "1.2.3.256", "alias",    "host-1",  "",          "localhost"};

// The reference: every record from the first, in order; a match replaces the text, so later records can match
// the name an earlier one gave. The local text is tried first; the remote one only when the local did not match
// that record.
struct Walked {
    std::string local, remote, remoteHostName;
    int hits = 0;
};

Walked WalkHostNames(const ConnectionEntry& entry, const HostNameCache& hostNames) {
    Walked walked{entry.localAddressText, entry.remoteAddressText, entry.remoteHostName};
    for (size_t i = 0; i < hostNames.Size(); ++i) {
        const HostNameEntry& record = hostNames.At(i);
        if (walked.local == record.address)
            walked.local = record.hostName, ++walked.hits;
        else if (walked.remote == record.address)
            walked.remote = walked.remoteHostName = record.hostName, ++walked.hits;
    }
    return walked;
}

TEST(ListRefresh, ShowsTheNamesOfTheRecordByRecordWalkInRowsThatStay) {
    int chained = 0, comparedRows = 0;
    for (uint32_t seed = 1; seed <= 1500; ++seed) {
        std::mt19937 random(seed);
        const auto pick = [&](size_t count) { return std::uniform_int_distribution<size_t>(0, count - 1)(random); };
        // Names longer than a record holds are cut to 510 characters on the way in.
        const auto text = [&] { return pick(4) == 0 ? std::string(pick(2) ? 600 : 510, 'n') : kTexts[pick(11)]; };
        const bool withProcesses = pick(2);
        const ColumnIndexes columns = withProcesses ? kSevenColumns : ColumnIndexes{};
        HostNameCache hostNames;
        ProcessNameCache processNames;
        processNames.Append("4", "proc.exe");
        EventQueue events;
        RecordingRows rows(withProcesses ? 7 : 5, static_cast<int>(pick(30)));
        for (int round = 0; round < 4; ++round) {
            for (size_t i = pick(8); i > 0; --i)
                hostNames.Append(kTexts[pick(9)], text().c_str());
            ConnectionSnapshot snapshot(pick(25));
            for (ConnectionEntry& entry : snapshot) {
                const uint32_t local = kAddresses[pick(6)], remote = pick(4) ? kAddresses[pick(6)] : local;
                BuildEntry(entry, pick(2) ? 5 : static_cast<uint32_t>(pick(14)), local, PortField(1, pick(3)), remote,
                           PortField(2), withProcesses, 4);
                if (pick(20) == 0) // texts the read never writes still follow the same comparison rules
                    CopyBounded(entry.localAddressText, kTexts[pick(11)]);
                if (pick(5) == 0) // left over from an earlier refresh of the same snapshot
                    CopyBounded(entry.remoteHostName, "stale-name");
            }
            const RefreshOptions options{withProcesses, false, pick(4) != 0, pick(2) != 0};
            std::vector<Walked> expected;
            for (const ConnectionEntry& entry : snapshot)
                expected.push_back(options.resolve ? WalkHostNames(entry, hostNames)
                                                   : Walked{entry.localAddressText, {}, {}});
            const std::vector<RecordingRows::Row> before = rows.rows;
            RefreshList(rows, snapshot, hostNames, processNames, events, columns, options);

            SCOPED_TRACE("seed " + std::to_string(seed) + " round " + std::to_string(round));
            ASSERT_EQ(rows.rows.size(), snapshot.size());
            for (size_t i = 0; i < snapshot.size(); ++i) {
                ASSERT_TRUE(i >= before.size() || rows.rows[i].id == before[i].id) << "row " << i << " was moved";
                ASSERT_EQ(rows.rows[i].cells.at(columns.localAddress), expected[i].local) << "row " << i;
                ASSERT_EQ(snapshot[i].processName, std::string(withProcesses ? "proc.exe" : "")) << "row " << i;
                if (!options.resolve)
                    continue;
                ASSERT_EQ(rows.rows[i].cells.at(columns.remoteAddress), expected[i].remote) << "row " << i;
                ASSERT_EQ(snapshot[i].remoteHostName, expected[i].remoteHostName) << "row " << i;
                chained += expected[i].hits > 2;
                ++comparedRows;
            }
        }
    }
    // The generator must keep reaching the hard cases.
    EXPECT_GT(comparedRows, 10000);
    EXPECT_GT(chained, 100);
}

// The address-resolution worker loop against injected lookups, with real threads, over the program's own worker
// state (lock, queue, cache, stop flag).

constexpr uint32_t Address(uint8_t a, uint8_t b, uint8_t c, uint8_t d) {
    return (uint32_t{a} << 24) | (uint32_t{b} << 16) | (uint32_t{c} << 8) | d; // host byte order
}

void RunWorker(WorkerState& state, const ResolverLookups& lookups) {
    std::thread([&] {
        RunResolver(state.lock, state.resolveQueue, state.hostNameCache, lookups, state.windowGone);
    }).join();
}

std::string Records(const HostNameCache& cache) {
    std::string text;
    for (size_t i = 0; i < cache.Size(); ++i)
        text += std::string(cache.At(i).address) + "=" + cache.At(i).hostName + " ";
    return text;
}

// The queue is taken in order, with what the refresh side queues while a lookup runs: it takes the lock meanwhile
// (a worker that held it through a lookup would keep it from ever being had, so the "GUI" gives up after a
// generous bound). Loopback (any 127.x.x.x) is "localhost" and 0.0.0.0 the computer's name, neither looked up; a
// local name under 3 characters and a failed lookup make no record; the queue is emptied at the end.
TEST(ResolverLoop, TakesTheQueueInOrderWithTheLockFreeDuringLookups) {
    WorkerState state;
    for (uint32_t address : {Address(192, 0, 2, 1), 0u, Address(127, 45, 6, 7), Address(198, 51, 100, 9)})
        state.resolveQueue.Append(address);
    bool locked = false;
    std::vector<std::string> asked;
    std::string localName = "workstation";
    const auto reverse = [&](uint32_t networkOrder, std::string& name) {
        if (asked.empty()) // the "GUI" queues an address meanwhile, or gives up after 5 s
            std::thread([&] {
                for (int i = 0; i < 5000 && !(locked = state.lock.try_lock()); ++i)
                    std::this_thread::sleep_for(std::chrono::milliseconds(1));
                if (locked)
                    state.resolveQueue.Append(Address(192, 0, 2, 2)), state.lock.unlock();
            }).join();
        char text[16];
        FormatAddress(text, networkOrder);
        asked.push_back(text);
        name = asked.back() == "192.0.2.1" ? "first.example" : "second.example";
        return asked.back() != "198.51.100.9";
    };
    const ResolverLookups lookups{
        [&](std::string& name) { return name = localName, true; }, reverse, {}, [] { return 0ull; }};
    RunWorker(state, lookups);
    EXPECT_TRUE(locked) << "the worker held the lock during a lookup";
    EXPECT_EQ(asked, (std::vector<std::string>{"192.0.2.1", "198.51.100.9", "192.0.2.2"}));
    EXPECT_EQ(Records(state.hostNameCache),
              "192.0.2.1=first.example 0.0.0.0=workstation 127.45.6.7=localhost 192.0.2.2=second.example ");
    EXPECT_EQ(state.resolveQueue.Size(), 0u);
    state.hostNameCache.Clear();
    state.resolveQueue.Append(0);
    localName = "ab";
    RunWorker(state, lookups);
    EXPECT_EQ(Records(state.hostNameCache), "") << "a local name under 3 characters makes no record";
}

// The window goes away while a lookup runs (its owner sets the flag under the lock; here the lookup, on the worker's
// own thread, does): the worker ends without touching the queue or the cache, which the owner empties itself.
TEST(ResolverLoop, StopEndsTheRunWithoutTouchingTheContainers) {
    WorkerState state;
    state.resolveQueue.Append(Address(192, 0, 2, 1));
    state.resolveQueue.Append(Address(192, 0, 2, 2));
    const auto reverse = [&](uint32_t, std::string& name) { return state.windowGone = true, name = "a.example", true; };
    RunWorker(state, {{}, reverse, {}, [] { return 0ull; }});
    EXPECT_EQ(std::pair(state.hostNameCache.Size(), state.resolveQueue.Size()), std::pair(size_t{0}, size_t{2}));
}

// A read every second for three hours: an address without a name is looked up again 30 s after its first failure,
// then after twice the last wait, never more than 30 minutes apart; one that fails twice and then has a name is
// never looked up after that; neither's wait holds up the other.
TEST(ResolverLoop, FailedLookupsBackOffFromThirtySecondsToThirtyMinutes) {
    WorkerState state;
    const uint32_t unnamed = Address(198, 51, 100, 7), late = Address(198, 51, 100, 8);
    uint64_t nowMs = 0;
    std::map<uint32_t, std::vector<uint64_t>> lookedUpAt; // seconds
    const auto reverse = [&](uint32_t networkOrder, std::string& name) {
        const uint32_t address = NetworkToHostLong(networkOrder);
        lookedUpAt[address].push_back(nowMs / 1000);
        name = "late.example";
        return address == late && lookedUpAt[address].size() == 3;
    };
    const ResolverLookups lookups{{}, reverse, {}, [&] { return nowMs; }};
    const ConnectionEntry entry = MakeEntry(HostToNetworkLong(unnamed), 0, HostToNetworkLong(late), 0, kEstablished);
    for (; nowMs <= 3 * 3600 * 1000; nowMs += 1000) {
        QueueAddresses(entry, state.hostNameCache, nowMs, state.resolveQueue);
        RunResolver(state.lock, state.resolveQueue, state.hostNameCache, lookups, state.windowGone);
    }
    EXPECT_EQ(lookedUpAt[unnamed], (std::vector<uint64_t>{0, 30, 90, 210, 450, 930, 1890, 3690, 5490, 7290, 9090}));
    EXPECT_EQ(lookedUpAt[late], (std::vector<uint64_t>{0, 30, 90}));
    EXPECT_EQ(Records(state.hostNameCache), "198.51.100.8=late.example ");
}

} // namespace
