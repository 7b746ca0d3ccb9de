// End-to-end tests of the connection table: what the list shows for scripted tables in both table modes,
// refreshes (command, toggles, timer), how rows grow and shrink, a failed read, a missing library or entry
// point, process names of real processes, and one read of Wine's real table with a real
// loopback connection.
#include "Suite.h"

#include <winsock2.h>

using namespace e2e;

namespace {

constexpr UINT kRefresh = 32778;
constexpr UINT kAutoupdate = 32798;
constexpr UINT kEstablishedOnly = 32799;

using Rows = std::vector<std::vector<std::string>>;

class ConnectionTable : public ProgramTest {
protected:
    void SetUp() override {
        ProgramTest::SetUp();
        // Numbers, not host names, unless a test wants names.
        WriteDword(kSettingsKey, "Resolve", 0);
    }

    // Waits until the list shows exactly these rows.
    static void ExpectRows(App& app, const Rows& expected) {
        bool same = WaitUntil([&] { return app.List().Rows() == expected; });
        EXPECT_TRUE(same) << Dump(app.List().Rows());
    }

    static std::string Dump(const Rows& rows) {
        std::string out;
        for (const auto& row : rows) {
            for (const auto& cell : row)
                out += "[" + cell + "]";
            out += "\n";
        }
        return out;
    }
};

const std::string kMixedTable =
    Row("ESTABLISHED", "192.168.1.10", 49152, "93.184.216.34", 443, 0) +
    Row("LISTENING", "0.0.0.0", 135, "0.0.0.0", 0, 0) + Row("TIME_WAIT", "10.0.0.2", 65535, "10.0.0.3", 80, 0) +
    "row 99 10.0.0.4 1 10.0.0.5 2 0\n" + Row("SYN_SENT", "10.0.0.4", 2, "10.0.0.9", 8080, 0);

} // namespace

TEST_F(ConnectionTable, SevenColumnsShowEveryFieldOfTheSortedTableAndEstablishedOnlyFilters) {
    table.Write(kMixedTable);
    App app(table.Options());
    ExpectRows(app, {
                        {"Idle", "0", "0.0.0.0", "135", "0.0.0.0", "0", "LISTENING"},
                        {"Idle", "0", "10.0.0.2", "65535", "10.0.0.3", "80", "TIME_WAIT"},
                        {"Idle", "0", "10.0.0.4", "1", "10.0.0.5", "2", "UNKNOWN"},
                        {"Idle", "0", "10.0.0.4", "2", "10.0.0.9", "8080", "SYN_SENT"},
                        {"Idle", "0", "192.168.1.10", "49152", "93.184.216.34", "443", "ESTABLISHED"},
                    });
    auto reads = table.SuccessfulReads();
    ASSERT_FALSE(reads.empty());
    EXPECT_EQ(reads.front().function, "GetExtendedTcpTable");
    EXPECT_NE(reads.front().line.find(" sort=1 af=2 class=5 reserved=0 "), std::string::npos) << reads.front().line;

    // Established Only filters, and its toggle refreshes at once.
    table.Write(kMixedTable + Row("ESTABLISHED", "10.9.9.9", 9999, "10.9.9.8", 22));
    app.SendCommand(kEstablishedOnly);
    ExpectRows(app, {
                        {"Idle", "0", "10.9.9.9", "9999", "10.9.9.8", "22", "ESTABLISHED"},
                        {"Idle", "0", "192.168.1.10", "49152", "93.184.216.34", "443", "ESTABLISHED"},
                    });
    EXPECT_TRUE(app.MenuCommand(kEstablishedOnly).checked);
    app.SendCommand(kEstablishedOnly);
    EXPECT_TRUE(WaitUntil([&] { return app.List().RowCount() == 6; })) << app.List().RowCount();
}

TEST_F(ConnectionTable, FiveColumnsReadTheTableWithoutOwners) {
    SetWindowsVersion("nt40");
    table.Write(kMixedTable + "row ESTABLISHED 10.1.1.1 0x12340050 10.1.1.2 0xFFFF01BB 77\n");
    App app(table.Options());
    ExpectRows(app, {
                        {"0.0.0.0", "135", "0.0.0.0", "0", "LISTENING"},
                        {"10.0.0.2", "65535", "10.0.0.3", "80", "TIME_WAIT"},
                        {"10.0.0.4", "1", "10.0.0.5", "2", "UNKNOWN"},
                        {"10.0.0.4", "2", "10.0.0.9", "8080", "SYN_SENT"},
                        {"10.1.1.1", "20480", "10.1.1.2", "47873", "ESTABLISHED"},
                        {"192.168.1.10", "49152", "93.184.216.34", "443", "ESTABLISHED"},
                    });
    for (const LoggedCall& call : table.Calls())
        EXPECT_NE(call.function, "GetExtendedTcpTable") << "the legacy mode never binds the extended read";
}

// Nothing changes before a refresh (Autoupdate is off); a refresh shows the new table; rows grow and shrink at the
// end with the selection kept at its position; a failed read keeps the rows shown. The read's own rules (sizing,
// growth, failures) are unit-tested (table_fetch_test.cpp).
TEST_F(ConnectionTable, RefreshShowsTheNewTableAtTheEndOfTheListAndAFailedReadKeepsTheRows) {
    auto rows = [](int first, int count) {
        std::string script;
        for (int i = first; i < first + count; ++i)
            script += Row("ESTABLISHED", "10.0.0.1", 1000 + i, "10.0.0.2", 80);
        return script;
    };
    table.Write(rows(1, 3));
    App app(table.Options());
    ASSERT_TRUE(WaitUntil([&] { return app.List().RowCount() == 3; }));
    app.List().SelectRow(1);
    table.Write(Row("CLOSED", "10.0.0.0", 5, "10.0.0.8", 8000) + rows(1, 4));
    app.Sync();
    EXPECT_EQ(app.List().RowCount(), 3) << "nothing changes before a refresh";
    app.SendCommand(kRefresh);
    ASSERT_TRUE(WaitUntil([&] { return app.List().RowCount() == 5; }));
    EXPECT_EQ(app.List().Row(0),
              (std::vector<std::string>{"Idle", "0", "10.0.0.0", "5", "10.0.0.8", "8000", "CLOSED"}));
    EXPECT_EQ(app.List().SelectedRow(), 1) << "the selection stays at its position, whatever it now shows";
    EXPECT_EQ(app.List().CellText(1, 3), "1001");

    table.Write(rows(7, 1) + "fail-read 31\n");
    app.SendCommand(kRefresh);
    app.Sync();
    EXPECT_EQ(app.List().RowCount(), 5) << "a failed read keeps the rows";

    table.Write(rows(7, 1));
    app.SendCommand(kRefresh);
    ExpectRows(app, {{"Idle", "0", "10.0.0.1", "1007", "10.0.0.2", "80", "ESTABLISHED"}});
    EXPECT_EQ(app.List().SelectedRow(), -1) << "the selected row was cut off at the end";
}

TEST_F(ConnectionTable, AutoupdateRefreshesOnItsPeriod) {
    table.Write(Row("ESTABLISHED", "10.0.0.1", 1000, "10.0.0.2", 80));
    App app(table.Options());
    WaitUntil([&] { return app.List().RowCount() == 1; });
    size_t before = table.SuccessfulReads().size();
    app.SendCommand(kAutoupdate);
    Pause(10500ms);
    app.SendCommand(kAutoupdate);
    auto reads = table.SuccessfulReads();
    ASSERT_GE(reads.size(), before + 3) << "the default period is 3 seconds";
    EXPECT_LE(reads.size(), before + 4);
    for (size_t i = before + 1; i < reads.size(); ++i) {
        uint64_t gap = reads[i].milliseconds - reads[i - 1].milliseconds;
        EXPECT_GT(gap, 2000u);
        EXPECT_LT(gap, 4500u);
    }
    size_t stopped = table.SuccessfulReads().size();
    Pause(3500ms);
    EXPECT_EQ(table.SuccessfulReads().size(), stopped) << "toggled off, timer 1 stops at once";
}

TEST_F(ConnectionTable, TheProcessColumnNamesRealProcesses) {
    const std::string sleeperCommand =
        QuoteArgument(DriverDirectory() + "\\pelloran_sleeper.exe") + " --timeout-ms 60000";
    Process sleeper = Process::Start(sleeperCommand);
    Process gone = Process::Start(sleeperCommand);
    DWORD gonePid = gone.Id();
    gone.Kill();
    gone.WaitExit();
    table.Write(Row("ESTABLISHED", "10.0.0.1", 1, "10.0.0.2", 80, sleeper.Id()) +
                Row("ESTABLISHED", "10.0.0.1", 2, "10.0.0.2", 80, 0) +
                Row("ESTABLISHED", "10.0.0.1", 3, "10.0.0.2", 80, gonePid));
    App app(table.Options());
    ExpectRows(app, {
                        {"pelloran_sleeper.exe", std::to_string(sleeper.Id()), "10.0.0.1", "1", "10.0.0.2", "80",
                         "ESTABLISHED"},
                        {"Idle", "0", "10.0.0.1", "2", "10.0.0.2", "80", "ESTABLISHED"},
                        {"Idle", std::to_string(gonePid), "10.0.0.1", "3", "10.0.0.2", "80", "ESTABLISHED"},
                    });
    sleeper.Kill();
}

// A missing library (Wine's empty load order) or a library without the two reads: an empty list, a live window, no
// fallback to the other read.
TEST_F(ConnectionTable, AMissingLibraryOrEntryPointLeavesAnEmptyListAndALiveWindow) {
    table.Write(Row("ESTABLISHED", "10.0.0.1", 1000, "10.0.0.2", 80));
    LaunchOptions noLibrary, noReads = table.Options();
    noLibrary.ipHelperLoadOrder = "";
    noReads.fakeIpHelperDirectory = FakeIpHelperDirectory() + "\\without-reads";
    for (const LaunchOptions* options : {&noLibrary, &noReads}) {
        App app(*options);
        app.SendCommand(kRefresh);
        app.SendCommand(kAutoupdate);
        app.Sync();
        EXPECT_EQ(app.List().RowCount(), 0);
        EXPECT_EQ(app.List().ColumnCount(), 7);
        EXPECT_EQ(app.Close(), 0u);
    }
}

TEST_F(ConnectionTable, WinesRealTableShowsARealLoopbackConnection) {
    WSADATA data{};
    ASSERT_EQ(WSAStartup(MAKEWORD(2, 2), &data), 0);
    SOCKET listener = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
    ASSERT_EQ(listen(listener, 1), 0);
    int length = sizeof(address);
    getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length);
    SOCKET client = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    ASSERT_EQ(connect(client, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
    SOCKET accepted = accept(listener, nullptr, nullptr);
    sockaddr_in clientAddress{};
    length = sizeof(clientAddress);
    getsockname(client, reinterpret_cast<sockaddr*>(&clientAddress), &length);
    std::string serverPort = std::to_string(ntohs(address.sin_port));
    std::string clientPort = std::to_string(ntohs(clientAddress.sin_port));

    App app; // no test DLL: Wine's own IP helper and the machine's real table
    bool found = WaitUntil([&] {
        for (const auto& row : app.List().Rows()) {
            if (row[2] == "127.0.0.1" && row[3] == clientPort && row[4] == "127.0.0.1" && row[5] == serverPort &&
                row[6] == "ESTABLISHED")
                return true;
        }
        app.SendCommand(kRefresh);
        return false;
    });
    EXPECT_TRUE(found) << "no row 127.0.0.1:" << clientPort << " -> 127.0.0.1:" << serverPort << "\n"
                       << Dump(app.List().Rows());
    closesocket(accepted);
    closesocket(client);
    closesocket(listener);
    WSACleanup();
}
