// The list refresh: row count changes at the end, the cells of each row, host and process names,
// and the event queue.
#include "connections/ListRefresh.h"
#include "connections/testing/ConnectionTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

constexpr ColumnIndexes kSevenColumns{0, 1, 2, 3, 4, 5, 6};
constexpr ColumnIndexes kFiveColumns{};

std::vector<std::string> Row(const RecordingRows& rows, int index) { return rows.rows.at(index).cells; }

class RefreshTest : public ::testing::Test {
protected:
    ConnectionSnapshot snapshot;
    HostNameCache hostNames;
    ProcessNameCache processNames;
    EventQueue events;

    void Refresh(RecordingRows& rows, RefreshOptions options, ColumnIndexes columns = kFiveColumns) {
        RefreshList(rows, snapshot, hostNames, processNames, events, columns, options);
        EXPECT_EQ(rows.badCalls, 0) << "a call addressed a row or column that does not exist";
    }

    void AddConnections(int count, uint32_t state = kEstablished) {
        for (int i = 0; i < count; ++i) {
            snapshot.push_back(MakeEntry(Ip(192, 168, 0, 1), static_cast<uint16_t>(1000 + snapshot.size()),
                                         Ip(10, 0, 0, static_cast<uint32_t>(snapshot.size())), 80, state));
        }
    }

    // The log entries that change the row count, in order.
    static std::vector<std::string> RowChanges(const RecordingRows& rows) {
        std::vector<std::string> changes;
        for (const std::string& call : rows.log) {
            if (call.rfind("set", 0) != 0) {
                changes.push_back(call);
            }
        }
        return changes;
    }
};

} // namespace

// Row count: grows and shrinks one row at a time at the end; the rows that stay are never moved, texts are replaced
// in place, and a selection cut off at the end is gone, not moved up.
TEST_F(RefreshTest, RowsAreAddedAndDeletedAtTheEndOnly) {
    struct Case {
        int before, after;
        std::vector<std::string> changes;
    } cases[] = {{2, 5, {"insert 2", "insert 3", "insert 4"}},
                 {3, 3, {}},
                 {5, 2, {"delete 4", "delete 3", "delete 2"}},
                 {3, 0, {"delete 2", "delete 1", "delete 0"}}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.before);
        snapshot.clear();
        AddConnections(c.after);
        RecordingRows rows(5, c.before);
        for (auto& row : rows.rows)
            row.selected = &row - rows.rows.data() == 1 || &row - rows.rows.data() == c.before - 1;
        std::vector<int> ids;
        for (const auto& row : rows.rows)
            ids.push_back(row.id);
        Refresh(rows, {});
        EXPECT_EQ(RowChanges(rows), c.changes);
        ASSERT_EQ(rows.GetRowCount(), c.after);
        for (int i = 0; i < std::min(c.before, c.after); ++i) {
            EXPECT_EQ(rows.rows[i].id, ids[i]) << i;
            EXPECT_EQ(rows.rows[i].selected, i == 1 || (i == c.before - 1)) << i;
            EXPECT_EQ(Row(rows, i)[2], "10.0.0." + std::to_string(i));
        }
    }
}

// Cells: every shown row is overwritten by position, in column order.
TEST_F(RefreshTest, SevenColumnRowIsWrittenInCellOrder) {
    snapshot.push_back(MakeEntry(Ip(192, 168, 0, 5), 50123, Ip(1, 2, 3, 4), 443, kEstablished, true, 321));
    RecordingRows rows(7, 1);
    Refresh(rows, {true, false, false, false}, kSevenColumns);
    EXPECT_EQ(rows.log, (std::vector<std::string>{"set 0 0 321", "set 0 1 321", "set 0 2 192.168.0.5", "set 0 3 50123",
                                                  "set 0 4 1.2.3.4", "set 0 5 443", "set 0 6 ESTABLISHED"}));
}

TEST_F(RefreshTest, ColumnIndexesDecideWhereEachTextGoes) {
    snapshot.push_back(MakeEntry(Ip(192, 168, 0, 5), 50123, Ip(1, 2, 3, 4), 443, kListening, true, 9));
    RecordingRows rows(7, 0);
    Refresh(rows, {true, false, false, false}, ColumnIndexes{6, 5, 4, 3, 2, 1, 0});
    EXPECT_EQ(Row(rows, 0),
              (std::vector<std::string>{"LISTENING", "443", "1.2.3.4", "50123", "192.168.0.5", "9", "9"}));
}

TEST_F(RefreshTest, FiveColumnListNeverTouchesProcessColumns) {
    snapshot.push_back(MakeEntry(Ip(192, 168, 0, 5), 1, Ip(1, 2, 3, 4), 2, kEstablished));
    processNames.Append("", "should-not-appear.exe"); // legacy entries have an empty PID text
    RecordingRows rows(5, 0);
    Refresh(rows, {false, false, false, false}, kFiveColumns);
    EXPECT_EQ(Row(rows, 0), (std::vector<std::string>{"192.168.0.5", "1", "1.2.3.4", "2", "ESTABLISHED"}));
    EXPECT_EQ(rows.log.size(), 6u); // one insert, five cells
    EXPECT_STREQ(snapshot[0].processName, "");
}

TEST_F(RefreshTest, EstablishedOnlyShowsEstablishedEntriesInSnapshotOrder) {
    snapshot.push_back(MakeEntry(Ip(0, 0, 0, 0), 135, Ip(0, 0, 0, 0), 0, kListening));
    snapshot.push_back(MakeEntry(Ip(10, 0, 0, 1), 1, Ip(10, 0, 0, 2), 2, kEstablished));
    snapshot.push_back(MakeEntry(Ip(10, 0, 0, 1), 3, Ip(10, 0, 0, 3), 4, 11));
    snapshot.push_back(MakeEntry(Ip(10, 0, 0, 1), 5, Ip(10, 0, 0, 4), 6, kEstablished));
    RecordingRows rows(5, 4);
    Refresh(rows, {false, true, false, false});
    ASSERT_EQ(rows.GetRowCount(), 2);
    EXPECT_EQ(Row(rows, 0)[2], "10.0.0.2");
    EXPECT_EQ(Row(rows, 1)[2], "10.0.0.4");

    RecordingRows all(5, 0);
    Refresh(all, {false, false, false, false});
    EXPECT_EQ(all.GetRowCount(), 4);
    EXPECT_EQ(Row(all, 2)[4], "TIME_WAIT");
}

// Host names: shown with Resolve on only (their order rules are checked against a reference walk in
// connections_differential_test.cpp).
TEST_F(RefreshTest, ResolvedNamesReplaceAddressesOnlyWithResolveOn) {
    snapshot.push_back(MakeEntry(Ip(192, 168, 0, 5), 1, Ip(93, 184, 216, 34), 80, kEstablished));
    hostNames.Append("93.184.216.34", "example.com");
    hostNames.Append("192.168.0.5", "me");
    RecordingRows off(5);
    Refresh(off, {false, false, false, false});
    EXPECT_EQ(Row(off, 0)[2], "93.184.216.34");
    EXPECT_STREQ(snapshot[0].remoteHostName, "");
    RecordingRows rows(5);
    Refresh(rows, {false, false, true, false});
    EXPECT_EQ(Row(rows, 0)[0], "me");
    EXPECT_EQ(Row(rows, 0)[2], "example.com");
    EXPECT_STREQ(snapshot[0].remoteHostName, "example.com");
    EXPECT_STREQ(snapshot[0].remoteAddressText, "93.184.216.34") << "the address itself is kept";
}

// Process names.
// The first cached name of the PID (an empty one too), else the PID.
TEST_F(RefreshTest, ProcessCellShowsTheCachedNameOrElseThePid) {
    for (uint32_t pid : {100, 200, 4})
        snapshot.push_back(MakeEntry(Ip(10, 0, 0, 1), 1, Ip(10, 0, 0, 2), 2, kEstablished, true, pid));
    processNames.Append("100", "first.exe");
    processNames.Append("100", "second.exe");
    processNames.Append("4", "");
    RecordingRows rows(7);
    Refresh(rows, {true, false, false, false}, kSevenColumns);
    EXPECT_EQ(Row(rows, 0)[0], "first.exe");
    EXPECT_EQ(Row(rows, 0)[1], "100");
    EXPECT_STREQ(snapshot[0].processName, "first.exe");
    EXPECT_EQ(Row(rows, 1)[0], "200");
    EXPECT_EQ(Row(rows, 1)[1], "200");
    EXPECT_STREQ(snapshot[1].processName, "");
    EXPECT_EQ(Row(rows, 2)[0], "");
}

// Event queue.
TEST_F(RefreshTest, LoggingQueuesEveryDistinctRemoteAddressEvenWhenNothingIsShown) {
    snapshot.push_back(MakeEntry(Ip(0, 0, 0, 0), 135, Ip(0, 0, 0, 0), 0, kListening));
    snapshot.push_back(MakeEntry(Ip(0, 0, 0, 0), 445, Ip(0, 0, 0, 0), 0, kListening));
    snapshot.push_back(MakeEntry(Ip(10, 0, 0, 1), 1, Ip(10, 0, 0, 2), 2, 11));
    RecordingRows rows(5, 1);
    Refresh(rows, {false, true, false, false});
    EXPECT_TRUE(events.Empty()) << "logging off queues nothing";
    Refresh(rows, {false, true, false, true});
    EXPECT_EQ(rows.GetRowCount(), 0);
    ASSERT_EQ(events.Size(), 2u);
    EXPECT_STREQ(events.At(0).remoteAddressText, "0.0.0.0");
    EXPECT_STREQ(events.At(0).localPortText, "135") << "the first entry of an address is the one kept";
    EXPECT_STREQ(events.At(1).remoteAddressText, "10.0.0.2");
}

// Events carry the names this refresh wrote, and are keyed on the address, not the host name.
TEST_F(RefreshTest, QueuedEventsCarryTheNamesWrittenByThisRefresh) {
    snapshot.push_back(MakeEntry(Ip(10, 0, 0, 1), 1, Ip(8, 8, 8, 8), 53, kEstablished, true, 77));
    snapshot.push_back(MakeEntry(Ip(10, 0, 0, 1), 1, Ip(8, 8, 4, 4), 53, kEstablished, true, 77));
    hostNames.Append("8.8.8.8", "dns.google");
    hostNames.Append("8.8.4.4", "dns.google");
    processNames.Append("77", "browser.exe");
    RecordingRows rows(7);
    Refresh(rows, {true, false, true, true}, kSevenColumns);
    ASSERT_EQ(events.Size(), 2u);
    EXPECT_STREQ(events.At(0).remoteHostName, "dns.google");
    EXPECT_STREQ(events.At(0).processName, "browser.exe");
    EXPECT_STREQ(events.At(0).remoteAddressText, "8.8.8.8");
}

TEST_F(RefreshTest, AddressAlreadyQueuedByAnEarlierRefreshIsNotQueuedAgain) {
    snapshot.push_back(MakeEntry(Ip(10, 0, 0, 1), 1, Ip(10, 0, 0, 2), 2, kEstablished));
    RecordingRows rows(5);
    Refresh(rows, {false, false, false, true});
    snapshot[0] = MakeEntry(Ip(10, 0, 0, 1), 9, Ip(10, 0, 0, 2), 9, 11);
    snapshot.push_back(MakeEntry(Ip(10, 0, 0, 1), 1, Ip(10, 0, 0, 3), 2, kEstablished));
    Refresh(rows, {false, false, false, true});
    ASSERT_EQ(events.Size(), 2u);
    EXPECT_STREQ(events.At(0).stateText, "ESTABLISHED");
    EXPECT_STREQ(events.At(1).remoteAddressText, "10.0.0.3");

    events.Clear();
    Refresh(rows, {false, false, false, true});
    ASSERT_EQ(events.Size(), 2u);
    EXPECT_STREQ(events.At(0).stateText, "TIME_WAIT") << "after the log writer empties the queue";
}
