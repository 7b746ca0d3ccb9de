// End-to-end tests of the TCP statistics dialog, driven through its controls from outside: the rows from a
// scripted record of the test IP helper, a failed read, a library without GetTcpStatistics, and Wine's own
// counters.
#include "Suite.h"

using namespace e2e;

namespace {

constexpr UINT kStatisticsCommand = 32776;
constexpr int kRefreshButton = 1000;
constexpr int kStatisticsList = 1001;

class StatisticsDialog : public ProgramTest {
protected:
    static HWND Open(App& app) {
        app.PostCommand(kStatisticsCommand);
        return app.WaitForWindow("Statistics");
    }
};

// clang-format off
const std::vector<std::string> kLabels = {"Time Out Algorithm:", "Minimum Timeout (ms):", "Maximum Timeout(ms):",
    "Maximum Connections:", "Active Open Connections:", "Passive Open Connections:", "Failed Connection Attempts:",
    "Total Connections Reset:", "Current Established Connections:", "Segments Received:", "Segments Sent:",
    "Segments Retransmitted:", "Errors Received:", "Segments sent with reset flag:",
    "Cumulative Number of Connections:"};
// clang-format on

} // namespace

TEST_F(StatisticsDialog, RefreshRereadsTheRecordAndAFailedReadShowsDotsAndKeepsTheLabels) {
    table.Write("fail-stats 50\n");
    App app(table.Options());
    HWND dialog = Open(app);
    ListView list(app.ProcessHandle(), Item(dialog, kStatisticsList));
    ASSERT_EQ(list.RowCount(), 15);
    EXPECT_EQ(list.ColumnTexts(0), std::vector<std::string>(15, "")) << "no read has succeeded yet";
    EXPECT_EQ(list.ColumnTexts(1), std::vector<std::string>(15, "..."));
    EXPECT_EQ(static_cast<DWORD>(Style(list.Handle())), 0x50016901u);
    EXPECT_TRUE(list.ExtendedStyle() & LVS_EX_GRIDLINES);
    EXPECT_EQ(list.Column(0).title, "   Parameters");
    EXPECT_EQ(list.Column(0).width, 208);
    EXPECT_EQ(list.Column(1).title, "   Value");
    EXPECT_EQ(list.Column(1).width, 100);
    EXPECT_EQ(Send(list.Handle(), LVM_GETBKCOLOR), 0xFFE6C8);
    EXPECT_EQ(Send(list.Handle(), LVM_GETTEXTBKCOLOR), 0xFFE6C8);
    EXPECT_EQ(Send(list.Handle(), LVM_GETTEXTCOLOR), 0x320000);
    EXPECT_EQ(WindowText(Item(dialog, kRefreshButton)), "Refresh");

    table.Write("tcp-stats 3 300 120000 4294967295 11 12 13 14 15 16 17 18 19 20 21\n");
    Press(dialog, kRefreshButton);
    ASSERT_TRUE(WaitUntil([&] { return list.CellText(14, 1) == "21"; }));
    EXPECT_EQ(list.ColumnTexts(0), kLabels);
    EXPECT_EQ(list.ColumnTexts(1), (std::vector<std::string>{"MIL-STD-1778", "300", "120000", "4294967295", "11", "12",
                                                             "13", "14", "15", "16", "17", "18", "19", "20", "21"}));

    // The algorithm names and the value formats are unit-tested (StatisticsRows).
    table.Write("fail-stats 50\n");
    Press(dialog, kRefreshButton);
    ASSERT_TRUE(WaitUntil([&] { return list.CellText(1, 1) == "..."; }));
    EXPECT_EQ(list.ColumnTexts(0), kLabels) << "a failed read leaves the labels";
    EXPECT_EQ(list.ColumnTexts(1), std::vector<std::string>(15, "..."));
    EXPECT_TRUE(IsWindow(dialog)) << "Refresh does not close the dialog";
    Press(dialog, IDOK);
    WaitClosed(dialog);
}

TEST_F(StatisticsDialog, WithoutTheExportTheRowsStayEmptyAndRefreshCallsNothing) {
    LaunchOptions options = table.Options();
    options.fakeIpHelperDirectory = FakeIpHelperDirectory() + "\\without-stats";
    App app(options);
    HWND dialog = Open(app);
    ListView list(app.ProcessHandle(), Item(dialog, kStatisticsList));
    Press(dialog, kRefreshButton);
    app.Sync();
    ASSERT_EQ(list.RowCount(), 15);
    EXPECT_EQ(list.ColumnTexts(0), std::vector<std::string>(15, ""));
    EXPECT_EQ(list.ColumnTexts(1), std::vector<std::string>(15, ""));
    EXPECT_TRUE(IsWindow(dialog));
    Post(dialog, WM_COMMAND, IDCANCEL); // Esc
    WaitClosed(dialog);
    EXPECT_EQ(app.Close(), 0u);
}

TEST_F(StatisticsDialog, WinesOwnCountersFillEveryRow) {
    App app;
    HWND dialog = Open(app);
    ListView list(app.ProcessHandle(), Item(dialog, kStatisticsList));
    EXPECT_EQ(list.ColumnTexts(0), kLabels);
    for (int row = 1; row < 15; ++row) {
        std::string value = list.CellText(row, 1);
        EXPECT_TRUE(!value.empty() && value.find_first_not_of("0123456789") == std::string::npos)
            << row << ": " << value;
    }
}
