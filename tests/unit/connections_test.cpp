// The connections subsystem: decoding raw TCP tables and the bounded text copy, the table read's sizing and
// failures against a scripted library call, the caches' indexes, the list refresh (row changes at the end,
// Established Only, the log queue, and a differential test of its host-name lookup against the record-by-record
// walk; where each cell goes and the process names show in the connection table end to end), and the resolver
// worker with real threads (also run under ThreadSanitizer), which also shows the read's queuing rule: an
// address queued twice, or again after its name was found, shows as a second record or lookup.
#include "connections/ByteOrder.h"
#include "connections/FlatUInt32Map.h"
#include "connections/ListRefresh.h"
#include "connections/ResolverLoop.h"
#include "connections/TableDecode.h"
#include "connections/TableFetch.h"
#include "connections/TextIndex.h"
#include "connections/WorkerState.h"
#include "support/ConnectionTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cstring>
#include <limits>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace {

// Decodes from a heap block of exactly the buffer's size, so AddressSanitizer catches a read past its end.
bool Decode(const std::vector<unsigned char>& table, bool withPids, ConnectionSnapshot& out, size_t cut = 0) {
    const size_t size = table.size() - cut;
    auto block = std::make_unique<unsigned char[]>(size);
    std::memcpy(block.get(), table.data(), size);
    return DecodeTcpTable(block.get(), size, withPids, out);
}

std::string Texts(const ConnectionEntry& e) {
    return std::string(e.stateText) + " " + e.localAddressText + ":" + e.localPortText + " " + e.remoteAddressText +
           ":" + e.remotePortText + " pid=" + e.pidText;
}

TEST(DecodeTcpTable, RowsBecomeDisplayTextsAndKeepTheirRawValues) {
    // Garbage in the high bits of a port field is ignored and a port is never negative; PIDs are signed decimal;
    // states outside 1-12 are UNKNOWN.
    // clang-format off
    const std::pair<RawRow, const char*> cases[] = {
        {{kEstablished, Ip(192, 168, 1, 20), PortField(49152), Ip(93, 184, 216, 34), PortField(80), 9},
         "ESTABLISHED 192.168.1.20:49152 93.184.216.34:80 pid=9"},
        {{kListening, Ip(10, 0, 0, 254), PortField(0), Ip(255, 255, 255, 255), PortField(65535), 4},
         "LISTENING 10.0.0.254:0 255.255.255.255:65535 pid=4"},
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
            const std::string expected = withPid ? texts : std::string(texts, std::strstr(texts, "pid=") + 4);
            EXPECT_EQ(Texts(out[1]), expected) << "the second row is not shifted by the first";
            EXPECT_EQ(out[0].localPort, row.localPort) << "raw fields are kept, high bits included";
            EXPECT_EQ(out[0].remoteAddr, row.remoteAddr);
            // A new entry: zero bytes after every text, nothing left of the previous snapshot.
            const auto* bytes = reinterpret_cast<const unsigned char*>(&out[0]);
            EXPECT_EQ(std::count(bytes, bytes + sizeof(ConnectionEntry), 'q'), 0) << texts;
        }
    }
}

// A buffer that cannot hold its rows is rejected and the previous snapshot is left exactly as it was.
TEST(DecodeTcpTable, TakesOnlyBuffersThatHoldTheirRows) {
    const std::vector<RawRow> two = {{kEstablished, 0, 0, 0, 0, 7}, {kEstablished, 0, 0, 0, 0, 8}};
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
    EXPECT_FALSE(DecodeTcpTable(nullptr, 100, false, out));
    EXPECT_EQ(out.size(), 1u);
}

// A copy stops at the bound and terminates; bytes after the terminator are not touched, and a source that
// is not terminated within the bound is not read past it.
TEST(CopyBounded, CopiesCutsAndTerminatesWithinTheBoundAndReadsNoFurther) {
    char buffer[8] = "xxxxxxx";
    const auto unterminated = std::make_unique<char[]>(5);
    std::memset(unterminated.get(), 'z', 5);
    EXPECT_EQ(CopyBoundedChars(buffer, unterminated.get(), 5), 5u);
    EXPECT_EQ(std::string(buffer, 7), std::string("zzzzz\0x", 7));
    char small[4];
    EXPECT_EQ(CopyBounded(small, "abcdefgh", 100), 3u) << "the array form never exceeds the array";
    EXPECT_STREQ(small, "abc");
    EXPECT_EQ(CopyBounded(small, nullptr, 3), 0u);
    EXPECT_STREQ(small, "");
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

class TableFetch : public testing::TestWithParam<FetchCase> {};

TEST_P(TableFetch, FollowsTheReadRules) {
    const FetchCase& c = GetParam();
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
    EXPECT_EQ(calls, c.calls);
    EXPECT_EQ(last, c.lastAfter);
    EXPECT_TRUE(!c.ok || buffer.size() == std::stoul(c.calls.back())) << "the buffer is the last size asked for";
}

INSTANTIATE_TEST_SUITE_P(Unit, TableFetch, testing::ValuesIn(kCases),
                         [](const testing::TestParamInfo<FetchCase>& info) { return info.param.name; });

TEST(TableReadSize, TheHeadroomNeverPassesThe32BitSizeTheCallTakes) {
    EXPECT_EQ(TableReadSize(size_t{4000000000u}, 24), std::numeric_limits<uint32_t>::max());
}

// The hash indexes under the caches: the flat numeric map and the recognition of canonical address texts.
// A wrong answer here would show as a wrong host name.
TEST(FlatUInt32Map, FindsEveryKeyAcrossGrowthAndARepeatedKeyKeepsItsFirstValue) {
    FlatUInt32Map map;
    std::mt19937 random(7);
    std::map<uint32_t, uint32_t> first; // edge keys, a repeat, random keys and runs of neighbouring addresses
    for (uint32_t i = 0; i < 20000; ++i) {
        const uint32_t key = i < 5   ? std::array{0u, 0xFFFFFFFFu, 1u, 0x80000000u, 1u}[i]
                             : i % 7 ? static_cast<uint32_t>(random())
                                     : 0x0A000000u + i;
        const bool isNew = first.emplace(key, i).second;
        EXPECT_EQ(map.Insert(key, i), std::make_pair(first[key], isNew)) << key;
    }
    for (const auto& [key, value] : first)
        ASSERT_EQ(map.Find(key), value) << key;
    map.Clear();
    EXPECT_EQ(map.Find(1), FlatUInt32Map::kNone);
}

// Only the form the read writes is an address; anything else is left a text and the value untouched.
TEST(ParseCanonicalAddress, AcceptsOnlyTheFormTheReadWritesAndIsTheInverseOfFormatAddress) {
    const char* texts[] = {"",         "1.2.3",    "1.2.3.4.5",  "256.1.1.1",  "1.2.3.4 ", " 1.2.3.4",
                           "1..2.3",   "a.b.c.d",  "1.2.3.-4",   "1234.1.1.1", "1.2.3.04", "010.0.0.1",
                           "00.0.0.0", "1.2.3.4.", "1.2.3.1000", "localhost",  "1,2.3.4",  "1.2.3.4\n"};
    for (const char* text : texts) {
        uint32_t value = 12345;
        EXPECT_FALSE(ParseCanonicalAddress(text, value)) << '"' << text << '"';
        EXPECT_EQ(value, 12345u) << "untouched on rejection";
    }
    std::mt19937 random(11);
    for (int i = 0; i < 50000; ++i) {
        const uint32_t networkOrder = i == 0 ? 0u : i == 1 ? 0xFFFFFFFFu : static_cast<uint32_t>(random());
        char text[16];
        FormatAddress(text, networkOrder);
        uint32_t value = 0;
        ASSERT_TRUE(ParseCanonicalAddress(text, value)) << text;
        ASSERT_EQ(value, NetworkToHostLong(networkOrder)) << text;
    }
}

using Cells = std::vector<std::string>;
constexpr ColumnIndexes kSevenColumns{0, 1, 2, 3, 4, 5, 6};

struct RefreshTest : ::testing::Test {
    ConnectionSnapshot snapshot;
    HostNameCache hostNames;
    ProcessNameCache processNames;
    EventQueue events;

    void Refresh(RecordingRows& rows, RefreshOptions options, ColumnIndexes columns = {}) {
        RefreshList(rows, snapshot, hostNames, processNames, events, columns, options);
        EXPECT_EQ(rows.badCalls, 0) << "a call addressed a row or column that does not exist";
    }
    void Add(uint32_t remote, uint32_t state = kEstablished, uint16_t localPort = 1, uint32_t pid = 0) {
        snapshot.push_back(MakeEntry(Ip(10, 0, 0, 1), localPort, remote, 80, state, pid != 0, pid));
    }
};

// Row count: grows and shrinks one row at a time at the end; the rows that stay are never moved, texts are
// replaced in place, and a selection cut off at the end is gone, not moved up.
TEST_F(RefreshTest, RowsAreAddedAndDeletedAtTheEndOnly) {
    // clang-format off
    const struct { int before, after; std::vector<std::string> changes; } cases[] = {
        {2, 5, {"insert 2", "insert 3", "insert 4"}}, {3, 3, {}},
        {5, 2, {"delete 4", "delete 3", "delete 2"}}, {3, 0, {"delete 2", "delete 1", "delete 0"}},
    };
    // clang-format on
    for (const auto& c : cases) {
        SCOPED_TRACE(c.before);
        snapshot.clear();
        for (int i = 0; i < c.after; ++i)
            Add(Ip(10, 0, 0, static_cast<uint32_t>(i)));
        RecordingRows rows(5, c.before);
        for (int i = 0; i < c.before; ++i)
            rows.rows[i].selected = i == 1 || i == c.before - 1;
        const RecordingRows before = rows;
        Refresh(rows, {});
        std::vector<std::string> changes;
        std::copy_if(rows.log.begin(), rows.log.end(), std::back_inserter(changes),
                     [](const std::string& call) { return call.rfind("set", 0) != 0; });
        EXPECT_EQ(changes, c.changes);
        ASSERT_EQ(rows.GetRowCount(), c.after);
        for (int i = 0; i < std::min(c.before, c.after); ++i) {
            EXPECT_EQ(rows.rows[i].id, before.rows[i].id) << i;
            EXPECT_EQ(rows.rows[i].selected, before.rows[i].selected) << i;
            EXPECT_EQ(rows.Cell(i, 2), "10.0.0." + std::to_string(i));
        }
    }
}

// Established Only shows the established entries in snapshot order. With logging on, every distinct remote
// address is queued once, shown or not, the first entry of an address being the one kept, with the names this
// refresh wrote; until the log writer empties the queue.
TEST_F(RefreshTest, EstablishedOnlyAndTheLogQueue) {
    Add(Ip(0, 0, 0, 0), kListening, 135, 77);
    Add(Ip(8, 8, 8, 8), kEstablished, 1, 77);
    Add(Ip(0, 0, 0, 0), kListening, 445, 77);
    Add(Ip(10, 0, 0, 2), kEstablished, 2, 77);
    hostNames.Append("8.8.8.8", "dns.google");
    processNames.Append("77", "browser.exe");
    RecordingRows rows(7, 4);
    Refresh(rows, {true, true, true, false}, kSevenColumns);
    EXPECT_TRUE(events.Empty()) << "logging off queues nothing";
    Refresh(rows, {true, true, true, true}, kSevenColumns);
    ASSERT_EQ(rows.GetRowCount(), 2);
    EXPECT_EQ(Cells({rows.Cell(0, 4), rows.Cell(1, 4)}), (Cells{"dns.google", "10.0.0.2"}));
    ASSERT_EQ(events.Size(), 3u);
    EXPECT_STREQ(events.At(0).localPortText, "135");
    EXPECT_STREQ(events.At(1).remoteHostName, "dns.google");
    EXPECT_STREQ(events.At(1).processName, "browser.exe");
    snapshot[1] = MakeEntry(Ip(10, 0, 0, 1), 1, Ip(8, 8, 8, 8), 80, 11);
    Add(Ip(10, 0, 0, 3));
    Refresh(rows, {true, false, true, true}, kSevenColumns);
    ASSERT_EQ(rows.GetRowCount(), 5);
    EXPECT_EQ(rows.Cell(1, 6), "TIME_WAIT");
    ASSERT_EQ(events.Size(), 4u);
    EXPECT_STREQ(events.At(1).stateText, "ESTABLISHED") << "an address already queued is not queued again";
    EXPECT_STREQ(events.At(3).remoteAddressText, "10.0.0.3");
    events.Clear();
    Refresh(rows, {true, false, true, true}, kSevenColumns);
    ASSERT_EQ(events.Size(), 4u);
    EXPECT_STREQ(events.At(1).stateText, "TIME_WAIT") << "queued again once the queue was emptied";
}

// Differential test of the list refresh's host-name lookup against the plain record-by-record walk of the
// host-name cache (the reference below): seeded random snapshots, caches and options, several refreshes per
// scenario with the cache growing in between. Names can chain (a record's name is another record's address),
// which is where an index can go wrong; the rest of the refresh is checked above and end to end.

// Few addresses, so that connections, cache records and names collide often; texts that look like addresses
// but are not in the form the read writes must stay distinct keys, and names can be record addresses too.
const uint32_t kAddresses[] = {Ip(10, 0, 0, 1), Ip(10, 0, 0, 2), Ip(127, 0, 0, 1),
                               Ip(0, 0, 0, 0),  Ip(8, 8, 8, 8),  Ip(255, 255, 255, 255)};
const char* const kTexts[] = {"10.0.0.1",  "10.0.0.2", "0.0.0.0", "010.0.0.1", "10.0.0.01", "10.0.0.1 ",
                              "1.2.3.256", "alias",    "host-1",  "",          "localhost"};

// The reference: every record from the first, in order; a match replaces the text, so later records can match
// the name an earlier one gave. The local text is tried first; the remote one only when the local did not match
// that record.
// clang-format off
struct Walked { std::string local, remote{}, remoteHostName{}; bool chained = false; };
// clang-format on

Walked WalkHostNames(const ConnectionEntry& entry, const HostNameCache& hostNames) {
    Walked walked{entry.localAddressText, entry.remoteAddressText, entry.remoteHostName};
    int hits = 0;
    for (size_t i = 0; i < hostNames.Size(); ++i) {
        const HostNameEntry& record = hostNames.At(i);
        if (walked.local == record.address) {
            walked.local = record.hostName;
            ++hits;
        } else if (walked.remote == record.address) {
            walked.remote = walked.remoteHostName = record.hostName;
            ++hits;
        }
    }
    walked.chained = hits > 2;
    return walked;
}

TEST(ConnectionsDifferential, RefreshShowsTheNamesOfTheRecordByRecordWalk) {
    int chained = 0, comparedRows = 0;
    for (uint32_t seed = 1; seed <= 1500; ++seed) {
        std::mt19937 random(seed);
        const auto pick = [&](size_t count) { return std::uniform_int_distribution<size_t>(0, count - 1)(random); };
        const auto text = [&] { return pick(4) == 0 ? std::string(pick(2) ? 600 : 510, 'n') : kTexts[pick(11)]; };
        const bool withProcesses = pick(2);
        const ColumnIndexes columns = withProcesses ? ColumnIndexes{0, 1, 2, 3, 4, 5, 6} : ColumnIndexes{};
        HostNameCache hostNames;
        ProcessNameCache processNames;
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
                expected.push_back(options.resolve ? WalkHostNames(entry, hostNames) : Walked{entry.localAddressText});
            RefreshList(rows, snapshot, hostNames, processNames, events, columns, options);

            SCOPED_TRACE("seed " + std::to_string(seed) + " round " + std::to_string(round));
            ASSERT_EQ(rows.rows.size(), snapshot.size());
            for (size_t i = 0; i < snapshot.size(); ++i) {
                const int row = static_cast<int>(i);
                ASSERT_EQ(rows.Cell(row, columns.localAddress), expected[i].local) << "row " << i;
                if (!options.resolve)
                    continue;
                ASSERT_EQ(rows.Cell(row, columns.remoteAddress), expected[i].remote) << "row " << i;
                ASSERT_EQ(snapshot[i].remoteHostName, expected[i].remoteHostName) << "row " << i;
                chained += expected[i].chained;
                ++comparedRows;
            }
        }
    }
    // The generator must keep reaching the hard cases.
    EXPECT_GT(comparedRows, 10000);
    EXPECT_GT(chained, 100);
}

// The address-resolution worker loop against injected lookups, with real threads: names and their special
// cases, retries after failures, addresses queued while it runs, and that the lock is never held during a lookup.

constexpr uint32_t Address(uint8_t a, uint8_t b, uint8_t c, uint8_t d) {
    return (uint32_t{a} << 24) | (uint32_t{b} << 16) | (uint32_t{c} << 8) | d; // host byte order
}

using Names = std::map<std::string, std::string>;

// What the worker shares with the GUI thread: the lock, the queue, the cache and the stop flag, taken
// from the program's own shared worker state.
struct ResolverLoop : ::testing::Test {
    WorkerState state;
    std::mutex& lock = state.lock;
    ResolveQueue& queue = state.resolveQueue;
    HostNameCache& cache = state.hostNameCache;
    bool& stop = state.windowGone;
    std::atomic<int> reverseCalls{0};

    // Reverse lookups that know a few addresses (network byte order in, as the worker passes them).
    ResolverLookups Lookups(Names names, std::string localName = "workstation") {
        ResolverLookups lookups;
        lookups.localHostName = [localName](std::string& name) { return name = localName, true; };
        lookups.reverseLookup = [this, names](uint32_t networkOrder, std::string& name) {
            ++reverseCalls;
            char text[16];
            FormatAddress(text, networkOrder);
            const auto found = names.find(text);
            return found != names.end() && (name = found->second, true);
        };
        lookups.now = [] { return uint64_t{0}; };
        return lookups;
    }
    void Run(const ResolverLookups& lookups) { RunResolver(lock, queue, cache, lookups, stop); }
    Names Records() {
        std::lock_guard<std::mutex> hold(lock);
        Names out;
        for (size_t i = 0; i < cache.Size(); ++i) {
            EXPECT_TRUE(out.emplace(cache.At(i).address, cache.At(i).hostName).second)
                << "duplicate record for " << cache.At(i).address;
        }
        return out;
    }
};

// Loopback (any 127.x.x.x) is "localhost" and 0.0.0.0 the computer's name, neither looked up; a local name under
// 3 characters makes no record; a failed lookup makes none either; names are cut to 510 characters; the queue is
// emptied at the end.
TEST_F(ResolverLoop, NamesAddressesWithTheirSpecialCases) {
    for (uint32_t address : {Address(192, 0, 2, 10), 0u, Address(127, 0, 0, 1), Address(127, 45, 6, 7),
                             Address(198, 51, 100, 9), Address(192, 0, 2, 20)})
        queue.Append(address);
    std::thread worker([&] { Run(Lookups({{"192.0.2.10", "docs.example"}, {"192.0.2.20", std::string(700, 'n')}})); });
    worker.join();
    // clang-format off
    EXPECT_EQ(Records(), (Names{{"192.0.2.10", "docs.example"}, {"192.0.2.20", std::string(510, 'n')},
                                {"0.0.0.0", "workstation"}, {"127.0.0.1", "localhost"}, {"127.45.6.7", "localhost"}}));
    // clang-format on
    EXPECT_EQ(reverseCalls.load(), 3) << "loopback and 0.0.0.0 are never looked up";
    EXPECT_EQ(queue.Size(), 0u);

    cache.Clear();
    queue.Append(0);
    queue.Append(Address(198, 51, 100, 9));
    Run(Lookups({{"198.51.100.9", "late.example"}}, "ab"));
    EXPECT_EQ(Records(), (Names{{"198.51.100.9", "late.example"}}))
        << "a local name under 3 characters makes no record";
}

// The refresh side takes the lock and queues an address while a lookup runs: a worker that held the lock during
// the lookup would keep the lock from ever being had, so the "GUI" gives up after a generous bound instead of
// hanging the test.
TEST_F(ResolverLoop, AddressesQueuedWhileRunningAreHandledAndTheLockIsFreeDuringLookups) {
    queue.Append(Address(192, 0, 2, 1));
    bool locked = false;
    ResolverLookups lookups = Lookups({{"192.0.2.1", "first.example"}, {"192.0.2.2", "second.example"}});
    lookups.reverseLookup = [&, reverse = lookups.reverseLookup](uint32_t address, std::string& name) {
        if (reverseCalls == 0) {
            std::thread gui([&] {
                for (int attempt = 0; attempt < 5000 && !(locked = lock.try_lock()); ++attempt)
                    std::this_thread::sleep_for(std::chrono::milliseconds(1));
                if (locked) {
                    queue.Append(Address(192, 0, 2, 2));
                    lock.unlock();
                }
            });
            gui.join();
        }
        return reverse(address, name);
    };
    std::thread worker([&] { Run(lookups); });
    worker.join();
    EXPECT_TRUE(locked) << "the worker held the lock during a lookup";
    EXPECT_EQ(Records()["192.0.2.2"], "second.example") << "queued while the worker ran";
}

TEST_F(ResolverLoop, StopEndsTheRunWithoutTouchingTheContainers) {
    queue.Append(Address(192, 0, 2, 1));
    queue.Append(Address(192, 0, 2, 2));
    ResolverLookups lookups = Lookups({{"192.0.2.1", "a.example"}, {"192.0.2.2", "b.example"}});
    lookups.reverseLookup = [&, reverse = lookups.reverseLookup](uint32_t address, std::string& name) {
        // The window goes away while the first lookup runs (the owner sets stop under the lock).
        std::lock_guard<std::mutex> hold(lock);
        stop = true;
        return reverse(address, name);
    };
    std::thread worker([&] { Run(lookups); });
    worker.join();
    EXPECT_EQ(cache.Size(), 0u);
    EXPECT_EQ(queue.Size(), 2u) << "the owner empties its own containers";
}

TEST_F(ResolverLoop, RefreshesRacingWorkersLeaveOneRecordPerAddress) {
    Names names;
    std::vector<ConnectionEntry> entries;
    for (uint8_t i = 1; i <= 40; ++i) {
        if (i % 4 != 0) // every fourth has no name
            names["192.0.2." + std::to_string(i)] = "host" + std::to_string(i) + ".example";
        entries.push_back(MakeEntry(Ip(127, 0, 0, 1), 0, Ip(192, 0, 2, i), 0, kEstablished));
    }
    const ResolverLookups lookups = Lookups(names);
    // The "GUI" keeps reading tables and starts a worker whenever none runs, like the list refresh.
    std::atomic<bool> running{false};
    std::thread worker;
    for (int refresh = 0; refresh < 300; ++refresh) {
        {
            std::lock_guard<std::mutex> hold(lock);
            for (const ConnectionEntry& entry : entries)
                QueueAddresses(entry, cache, 0, queue);
        }
        if (!running.load()) {
            if (worker.joinable())
                worker.join();
            running = true;
            worker = std::thread([&] {
                Run(lookups);
                running = false;
            });
        }
    }
    worker.join();
    Run(lookups);                   // a last pass for anything queued at the end
    const auto records = Records(); // fails on any duplicate
    EXPECT_EQ(records.size(), names.size() + 1) << "every named address once, plus localhost";
}

// A read every second for three hours: an address without a name is looked up again 30 s after its first failure,
// then after twice the last wait, never more than 30 minutes apart; one that fails twice and then has a name is
// never looked up after that; neither's wait holds up the other.
TEST_F(ResolverLoop, FailedLookupsBackOffFromThirtySecondsToThirtyMinutes) {
    const uint32_t unnamed = Address(198, 51, 100, 7), late = Address(198, 51, 100, 8);
    uint64_t nowMs = 0;
    std::map<uint32_t, std::vector<uint64_t>> lookedUpAt; // seconds
    ResolverLookups lookups = Lookups({});
    lookups.now = [&] { return nowMs; };
    lookups.reverseLookup = [&](uint32_t networkOrder, std::string& name) {
        const uint32_t address = NetworkToHostLong(networkOrder);
        lookedUpAt[address].push_back(nowMs / 1000);
        name = "late.example";
        return address == late && lookedUpAt[address].size() == 3;
    };
    const ConnectionEntry entry = MakeEntry(HostToNetworkLong(unnamed), 0, HostToNetworkLong(late), 0, kEstablished);
    for (; nowMs <= 3 * 3600 * 1000; nowMs += 1000) {
        QueueAddresses(entry, cache, nowMs, queue);
        Run(lookups);
    }
    EXPECT_EQ(lookedUpAt[unnamed], (std::vector<uint64_t>{0, 30, 90, 210, 450, 930, 1890, 3690, 5490, 7290, 9090}));
    EXPECT_EQ(lookedUpAt[late], (std::vector<uint64_t>{0, 30, 90}));
    EXPECT_EQ(Records()["198.51.100.8"], "late.example");
}

} // namespace
