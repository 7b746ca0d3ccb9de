// Differential test of the indexed table read and list refresh against the record-by-record walks
// (connections/testing/LiteralRefresh.h): seeded random snapshots, caches and options, several
// refreshes per scenario with the caches growing in between, compared call by call and byte by byte.
#include "connections/ListRefresh.h"
#include "connections/ResolveQueue.h"
#include "connections/testing/ConnectionTestSupport.h"
#include "connections/testing/LiteralRefresh.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <iterator>
#include <random>
#include <string>
#include <vector>

namespace {

// Few addresses, so that connections, cache records and names collide often.
const char* const kAddresses[] = {"10.0.0.1", "10.0.0.2",     "10.0.0.3", "127.0.0.1",
                                  "0.0.0.0",  "192.168.1.10", "8.8.8.8",  "255.255.255.255"};
// Texts that look like addresses but are not in the form the read writes; they must stay distinct keys.
const char* const kNearAddresses[] = {"010.0.0.1", "10.0.0.01", "10.0.0.1 ", "10.0.0", "1.2.3.256"};
const char* const kPids[] = {"0", "4", "100", "1234", "-1", "65535"};

uint32_t ParseAddress(const char* text) {
    uint32_t parts[4] = {};
    std::sscanf(text, "%u.%u.%u.%u", &parts[0], &parts[1], &parts[2], &parts[3]);
    return Ip(parts[0], parts[1], parts[2], parts[3]);
}

// What the walks exercised, summed over all scenarios, so a generator that stopped reaching the hard
// cases would be noticed.
struct Coverage {
    int chainedLocal = 0;     // local text replaced more than once
    int chainedRemote = 0;    // remote text replaced more than once
    int sharedRecord = 0;     // equal local and remote texts, both replaced (by different records)
    int remoteAfterLocal = 0; // a record matched the new local text while also equal to the remote text
};

class Scenario {
public:
    explicit Scenario(uint32_t seed) : random(seed) {}

    int Pick(int count) { return std::uniform_int_distribution<int>(0, count - 1)(random); }
    bool Chance(int percent) { return Pick(100) < percent; }

    const char* Address() { return kAddresses[Pick(std::size(kAddresses))]; }

    std::string HostName() {
        switch (Pick(9)) {
        case 0:
        case 1:
            return Address(); // a name that looks like an address
        case 8:
            return kNearAddresses[Pick(std::size(kNearAddresses))];
        case 2:
            return "localhost";
        case 3:
            return std::string(Chance(50) ? 600 : 510, 'n'); // longer than a record holds
        case 4:
            return Chance(50) ? "" : "alias";
        default:
            return "host-" + std::to_string(Pick(4));
        }
    }

    void AddHostRecords(HostNameCache& cache, int count) {
        for (int i = 0; i < count; ++i) {
            // Mostly addresses; sometimes a name as an address, so that a name can lead to another name.
            std::string address = Address();
            if (Chance(15)) {
                address = Chance(50) ? "alias" : "host-1";
            } else if (Chance(8)) {
                address = kNearAddresses[Pick(std::size(kNearAddresses))];
            }
            cache.Append(address.c_str(), HostName().c_str());
        }
    }

    void AddProcessRecords(ProcessNameCache& cache, int count) {
        for (int i = 0; i < count; ++i) {
            const std::string name = Chance(20) ? std::string(80, 'p') : "proc" + std::to_string(Pick(5)) + ".exe";
            cache.Append(kPids[Pick(std::size(kPids))], Chance(10) ? "" : name.c_str());
        }
    }

    ConnectionEntry Entry(bool withPid) {
        const char* local = Address();
        const char* remote = Chance(25) ? local : Address();
        const uint32_t state = Chance(45) ? kEstablished : static_cast<uint32_t>(Pick(14));
        const uint32_t pid = static_cast<uint32_t>(std::stol(kPids[Pick(std::size(kPids))]));
        ConnectionEntry entry;
        BuildEntry(entry, state, ParseAddress(local), PortField(static_cast<uint16_t>(Pick(65536)), Pick(3)),
                   ParseAddress(remote), PortField(static_cast<uint16_t>(Pick(65536))), withPid, pid);
        if (Chance(5)) { // texts the read never writes still follow the same comparison rules
            std::strcpy(entry.localAddressText, Chance(50) ? "alias" : kNearAddresses[Pick(std::size(kNearAddresses))]);
        }
        if (Chance(20)) { // left over from an earlier refresh of the same snapshot
            std::strcpy(entry.remoteHostName, "stale-name-with-a-long-tail");
            std::strcpy(entry.processName, "stale-process-name-with-a-long-tail");
        }
        return entry;
    }

    ConnectionSnapshot Snapshot(bool withPid) {
        ConnectionSnapshot snapshot(Pick(25));
        for (ConnectionEntry& entry : snapshot) {
            entry = Entry(withPid);
        }
        return snapshot;
    }

    RefreshOptions Options(bool withProcesses) { return {withProcesses, Chance(40), Chance(75), Chance(60)}; }

private:
    std::mt19937 random;
};

void CountCoverage(const ConnectionSnapshot& snapshot, const HostNameCache& cache, Coverage& coverage) {
    for (const ConnectionEntry& entry : snapshot) {
        std::string local = entry.localAddressText;
        std::string remote = entry.remoteAddressText;
        int localHits = 0;
        int remoteHits = 0;
        for (size_t i = 0; i < cache.Size(); ++i) {
            if (local == cache.At(i).address) {
                if (remote == cache.At(i).address && localHits > 0) {
                    ++coverage.remoteAfterLocal;
                }
                local = cache.At(i).hostName;
                ++localHits;
            } else if (remote == cache.At(i).address) {
                remote = cache.At(i).hostName;
                ++remoteHits;
            }
        }
        coverage.chainedLocal += localHits > 1;
        coverage.chainedRemote += remoteHits > 1;
        if (std::strcmp(entry.localAddressText, entry.remoteAddressText) == 0 && localHits > 0 && remoteHits > 0) {
            ++coverage.sharedRecord;
        }
    }
}

void ExpectSameEntries(const std::vector<ConnectionEntry>& indexed, const std::vector<ConnectionEntry>& literal,
                       const std::string& where) {
    ASSERT_EQ(indexed.size(), literal.size()) << where;
    for (size_t i = 0; i < indexed.size(); ++i) {
        EXPECT_STREQ(indexed[i].processName, literal[i].processName) << where << " entry " << i;
        EXPECT_STREQ(indexed[i].remoteHostName, literal[i].remoteHostName) << where << " entry " << i;
        EXPECT_STREQ(indexed[i].remoteAddressText, literal[i].remoteAddressText) << where << " entry " << i;
        ASSERT_EQ(std::memcmp(&indexed[i], &literal[i], sizeof(ConnectionEntry)), 0) << where << " entry " << i;
    }
}

} // namespace

TEST(ConnectionsDifferential, IndexedReadAndRefreshMatchTheLiteralWalks) {
    constexpr uint32_t kScenarios = 1500;
    constexpr int kRounds = 4;
    Coverage coverage;
    size_t comparedCalls = 0;

    for (uint32_t seed = 1; seed <= kScenarios; ++seed) {
        Scenario scenario(seed);
        const bool withProcesses = scenario.Chance(60);
        const ColumnIndexes columns = withProcesses ? ColumnIndexes{0, 1, 2, 3, 4, 5, 6} : ColumnIndexes{};
        const int columnCount = withProcesses ? 7 : 5;

        HostNameCache hostNames;
        ProcessNameCache processNames;
        scenario.AddHostRecords(hostNames, scenario.Pick(12));
        scenario.AddProcessRecords(processNames, scenario.Pick(8));

        const int initialRows = scenario.Pick(30);
        RecordingRows indexedRows(columnCount, initialRows);
        RecordingRows literalRows(columnCount, initialRows);
        EventQueue indexedEvents;
        std::vector<ConnectionEntry> literalEvents;
        ResolveQueue indexedQueue;
        std::vector<uint32_t> literalQueue;
        for (int i = scenario.Pick(4); i > 0; --i) {
            const ConnectionEntry earlier = scenario.Entry(withProcesses);
            if (indexedEvents.AppendIfNew(earlier)) {
                literalEvents.push_back(earlier);
            }
        }

        ConnectionSnapshot indexedSnapshot = scenario.Snapshot(withProcesses);
        for (int round = 0; round < kRounds; ++round) {
            const std::string where = "seed " + std::to_string(seed) + " round " + std::to_string(round);
            if (round > 0) {
                // Between refreshes the resolver and the read add records; sometimes a new read arrives,
                // the resolver empties its queue or the log writer empties the events.
                scenario.AddHostRecords(hostNames, scenario.Pick(5));
                scenario.AddProcessRecords(processNames, scenario.Pick(3));
                if (scenario.Chance(60)) {
                    indexedSnapshot = scenario.Snapshot(withProcesses);
                }
                if (scenario.Chance(30)) {
                    indexedQueue.Clear();
                    literalQueue.clear();
                }
                if (scenario.Chance(30)) {
                    indexedEvents.Clear();
                    literalEvents.clear();
                }
            }
            ConnectionSnapshot literalSnapshot = indexedSnapshot;

            for (const ConnectionEntry& entry : indexedSnapshot) {
                QueueAddresses(entry, hostNames, indexedQueue);
                literal::QueueAddresses(entry, hostNames, literalQueue);
                if (withProcesses) {
                    ASSERT_EQ(processNames.Find(entry.pidText), literal::FindProcess(processNames, entry.pidText))
                        << where;
                }
            }
            ASSERT_EQ(indexedQueue.Size(), literalQueue.size()) << where;
            for (size_t i = 0; i < literalQueue.size(); ++i) {
                ASSERT_EQ(indexedQueue.At(i), literalQueue[i]) << where << " queue " << i;
            }

            const RefreshOptions options = scenario.Options(withProcesses);
            CountCoverage(indexedSnapshot, hostNames, coverage);
            indexedRows.log.clear();
            literalRows.log.clear();
            RefreshList(indexedRows, indexedSnapshot, hostNames, processNames, indexedEvents, columns, options);
            literal::RefreshList(literalRows, literalSnapshot, hostNames, processNames, literalEvents, columns,
                                 options);

            ASSERT_EQ(indexedRows.log, literalRows.log) << where;
            ASSERT_EQ(indexedRows.badCalls, 0) << where;
            comparedCalls += indexedRows.log.size();
            ExpectSameEntries(indexedSnapshot, literalSnapshot, where + " snapshot");
            ExpectSameEntries(indexedEvents.Entries(), literalEvents, where + " events");
            if (testing::Test::HasFailure()) {
                return;
            }
        }
    }

    RecordProperty("compared_calls", static_cast<int>(comparedCalls));
    EXPECT_GT(comparedCalls, 100000u);
    EXPECT_GT(coverage.chainedLocal, 50);
    EXPECT_GT(coverage.chainedRemote, 50);
    EXPECT_GT(coverage.sharedRecord, 50);
    EXPECT_GT(coverage.remoteAfterLocal, 20);
}
