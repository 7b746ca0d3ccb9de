// Differential test of the list refresh's host-name lookup against the plain record-by-record walk of the
// host-name cache (the reference below): seeded random snapshots, caches and options, several refreshes per
// scenario with the cache growing in between. Names can chain (a record's name is another record's address),
// which is where an index can go wrong; everything else the refresh does has its own tests.
#include "connections/ListRefresh.h"
#include "connections/testing/ConnectionTestSupport.h"

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

// The reference: every record from the first, in order; a match replaces the text, so later records can
// match the name an earlier one gave. The local text is tried first; the remote one only when the local
// did not match that record.
struct Walked {
    char local[512];
    char remote[512];
    char remoteHostName[512] = {};
    int localHits = 0, remoteHits = 0;
};

Walked WalkHostNames(const ConnectionEntry& entry, const HostNameCache& hostNames) {
    Walked walked;
    CopyBounded(walked.local, entry.localAddressText);
    CopyBounded(walked.remote, entry.remoteAddressText);
    CopyBounded(walked.remoteHostName, entry.remoteHostName);
    for (size_t i = 0; i < hostNames.Size(); ++i) {
        const HostNameEntry& record = hostNames.At(i);
        if (std::strcmp(walked.local, record.address) == 0) {
            CopyBounded(walked.local, record.hostName);
            ++walked.localHits;
        } else if (std::strcmp(walked.remote, record.address) == 0) {
            CopyBounded(walked.remote, record.hostName);
            CopyBounded(walked.remoteHostName, record.hostName, kMaxAddressChars);
            ++walked.remoteHits;
        }
    }
    return walked;
}

} // namespace

TEST(ConnectionsDifferential, RefreshShowsTheNamesOfTheRecordByRecordWalk) {
    int chained = 0;
    size_t comparedRows = 0;
    for (uint32_t seed = 1; seed <= 1500; ++seed) {
        Scenario scenario(seed);
        const bool withProcesses = scenario.Chance(60);
        const ColumnIndexes columns = withProcesses ? ColumnIndexes{0, 1, 2, 3, 4, 5, 6} : ColumnIndexes{};
        HostNameCache hostNames;
        ProcessNameCache processNames;
        EventQueue events;
        RecordingRows rows(withProcesses ? 7 : 5, scenario.Pick(30));
        scenario.AddHostRecords(hostNames, scenario.Pick(12));
        for (int round = 0; round < 4; ++round) {
            scenario.AddHostRecords(hostNames, scenario.Pick(5));
            ConnectionSnapshot snapshot = scenario.Snapshot(withProcesses);
            RefreshOptions options = scenario.Options(withProcesses);
            options.showEstablishedOnly = false;
            std::vector<Walked> expected;
            for (const ConnectionEntry& entry : snapshot)
                expected.push_back(WalkHostNames(entry, hostNames));
            RefreshList(rows, snapshot, hostNames, processNames, events, columns, options);

            const std::string where = "seed " + std::to_string(seed) + " round " + std::to_string(round);
            ASSERT_EQ(rows.rows.size(), snapshot.size()) << where;
            for (size_t i = 0; i < snapshot.size(); ++i) {
                const Walked& walk = expected[i];
                const int row = static_cast<int>(i);
                if (!options.resolve) {
                    ASSERT_EQ(rows.Cell(row, columns.localAddress), snapshot[i].localAddressText) << where;
                    continue;
                }
                ASSERT_EQ(rows.Cell(row, columns.localAddress), walk.local) << where << " row " << i;
                ASSERT_EQ(rows.Cell(row, columns.remoteAddress), walk.remote) << where << " row " << i;
                ASSERT_STREQ(snapshot[i].remoteHostName, walk.remoteHostName) << where << " row " << i;
                chained += walk.localHits > 1 || walk.remoteHits > 1;
                ++comparedRows;
            }
        }
    }
    // The generator must keep reaching the hard cases.
    EXPECT_GT(comparedRows, 10000u);
    EXPECT_GT(chained, 100);
}
