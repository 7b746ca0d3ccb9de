// End-to-end tests of the painted, sortable list: row colours by state (stored colours: e2e.AboutColors),
// the selection colour with and without the focus, sorting by header clicks (numbers and
// texts, both directions, kept after refreshes), and the sort triangle.
#include "Suite.h"

#include <map>

using namespace e2e;

namespace {

constexpr UINT kRefresh = 32778;
constexpr int kStatusColumn = 6;

class SortList : public ProgramTest {
protected:
    void SetUp() override {
        ProgramTest::SetUp();
        WriteDword(kSettingsKey, "Resolve", 0);
        StorePlacement(0, 0, 1000, 700);
    }

    // A pixel of the row's background: right of the last cell's text, left of the client edge.
    static COLORREF RowBackground(const App& app, int row) {
        return app.Pixel(app.ListWindow(),
                         {Width(ClientRect(app.ListWindow())) - 8, Center(app.List().ItemRect(row)).y});
    }

    static void ClickHeader(App& app, int column) {
        // Two clicks in a row on the header would make a double click, which is no column click.
        Pause(std::chrono::milliseconds(GetDoubleClickTime() + 100));
        app.Click(app.Header().Handle(), Center(app.Header().ItemRect(column)));
        app.Sync();
    }

    // Starts the program on one row per state and checks each row's colour (`window` stands for the system's).
    void ExpectStateColours(const std::map<std::string, COLORREF>& expected) {
        std::string script;
        for (int state = 1; state <= 13; ++state) // remote port = state number, so rows can be told apart
            script += "row " + std::to_string(state) + " 10.0.0.1 " + std::to_string(1000 + state) + " 10.0.0.2 " +
                      std::to_string(state) + " 0\n";
        table.Write(script);
        App app(table.Options());
        ASSERT_TRUE(WaitUntil([&] { return app.List().RowCount() == 13; }));
        app.Sync();
        for (int row = 0; row < 13; ++row) {
            const std::string state = app.List().CellText(row, kStatusColumn);
            ASSERT_TRUE(expected.count(state)) << state;
            const COLORREF want = expected.at(state) == kWindow ? GetSysColor(COLOR_WINDOW) : expected.at(state);
            EXPECT_EQ(RowBackground(app, row), want) << state << ": " << DescribeColor(RowBackground(app, row));
        }
        app.Screenshot("state-colours");
    }
    static constexpr COLORREF kWindow = 0xFF000000;

    static std::vector<std::string> Column(const App& app, int column) {
        std::vector<std::string> out;
        for (const auto& row : app.List().Rows())
            out.push_back(row[column]);
        return out;
    }
};

} // namespace

TEST_F(SortList, RowsArePaintedInTheColourOfTheirState) {
    ExpectStateColours({{"CLOSED", RGB(255, 200, 200)},
                        {"LISTENING", RGB(255, 255, 220)},
                        {"SYN_SENT", RGB(220, 230, 220)},
                        {"SYN_RCVD", RGB(220, 230, 220)},
                        {"ESTABLISHED", RGB(220, 255, 220)},
                        {"FIN_WAIT1", RGB(220, 230, 220)},
                        {"FIN_WAIT2", RGB(220, 230, 220)},
                        {"WAIT_CLOSE", RGB(255, 200, 200)},
                        {"CLOSING", RGB(255, 200, 200)},
                        {"LAST_ACK", kWindow},
                        {"TIME_WAIT", RGB(255, 220, 220)},
                        {"DELETE_TCB", RGB(255, 255, 240)},
                        {"UNKNOWN", kWindow}});
}

TEST_F(SortList, TheSelectedRowTakesTheSelectionColourOnlyWhileTheListHasTheFocus) {
    WriteDword(kSettingsKey, "SelectColor", RGB(200, 100, 50));
    table.Write(Row("ESTABLISHED", "10.0.0.1", 1, "10.0.0.2", 80) + Row("LISTENING", "10.0.0.1", 2, "0.0.0.0", 0));
    App app(table.Options());
    ASSERT_TRUE(WaitUntil([&] { return app.List().RowCount() == 2; }));
    app.Click(app.ListWindow(), {20, Center(app.List().ItemRect(0)).y});
    app.Sync();
    ASSERT_EQ(app.List().SelectedRow(), 0);
    EXPECT_TRUE(WaitUntil([&] { return RowBackground(app, 0) == RGB(200, 100, 50); }))
        << DescribeColor(RowBackground(app, 0));
    EXPECT_EQ(RowBackground(app, 1), RGB(255, 255, 220));

    // Another window takes the focus: the selected row shows its state colour again.
    HWND other = CreateWindowExA(WS_EX_TOPMOST, "STATIC", "focus", WS_POPUP | WS_VISIBLE | WS_BORDER, 1100, 900, 120,
                                 60, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(other, nullptr);
    BringToForeground(other);
    ClickAt({1150, 930});
    app.Sync();
    EXPECT_TRUE(WaitUntil([&] {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageA(&msg);
        return RowBackground(app, 0) == RGB(220, 255, 220);
    })) << DescribeColor(RowBackground(app, 0));
    DestroyWindow(other);
}

TEST_F(SortList, HeaderClicksSortFirstDescendingThenAscending) {
    table.Write(Row("ESTABLISHED", "10.0.0.1", 80, "10.0.0.2", 5) + Row("LISTENING", "10.0.0.1", 9, "0.0.0.0", 0) +
                Row("TIME_WAIT", "10.0.0.1", 443, "10.0.0.2", 7) + Row("CLOSED", "10.0.0.1", 10000, "10.0.0.2", 9));
    App app(table.Options());
    ASSERT_TRUE(WaitUntil([&] { return app.List().RowCount() == 4; }));
    ClickHeader(app, 3); // Local Port: numbers
    EXPECT_EQ(Column(app, 3), (std::vector<std::string>{"10000", "443", "80", "9"}));
    ClickHeader(app, 3);
    EXPECT_EQ(Column(app, 3), (std::vector<std::string>{"9", "80", "443", "10000"}));
    ClickHeader(app, kStatusColumn); // a click on another column flips the direction again: descending
    EXPECT_EQ(Column(app, kStatusColumn),
              (std::vector<std::string>{"TIME_WAIT", "LISTENING", "ESTABLISHED", "CLOSED"}));

    // The sort is applied again after every refresh.
    table.Write(Row("ESTABLISHED", "10.0.0.1", 80, "10.0.0.2", 5) + Row("SYN_SENT", "10.0.0.1", 1, "10.0.0.2", 1) +
                Row("LISTENING", "10.0.0.1", 9, "0.0.0.0", 0));
    app.SendCommand(kRefresh);
    EXPECT_EQ(Column(app, kStatusColumn), (std::vector<std::string>{"SYN_SENT", "LISTENING", "ESTABLISHED"}));
}

TEST_F(SortList, OnlyTheSortColumnShowsATriangle) {
    table.Write(Row("ESTABLISHED", "10.0.0.1", 80, "10.0.0.2", 5) + Row("LISTENING", "10.0.0.1", 9, "0.0.0.0", 0));
    App app(table.Options());
    ASSERT_TRUE(WaitUntil([&] { return app.List().RowCount() == 2; }));
    for (int i = 0; i < app.Header().ItemCount(); ++i)
        EXPECT_EQ(app.Header().ItemFormat(i) & HDF_OWNERDRAW, 0) << "the system draws the header before a sort";
    ClickHeader(app, 3);
    for (int i = 0; i < app.Header().ItemCount(); ++i)
        EXPECT_NE(app.Header().ItemFormat(i) & HDF_OWNERDRAW, 0) << "every item is owner-drawn after a sort";

    // Descending triangle: its dark top edge runs at y = d from r - 3d - 1 to r - d - 1.
    auto topEdge = [&](int column) {
        const RECT rect = app.Header().ItemRect(column);
        const int d = (rect.bottom - rect.top) / 4;
        return app.Pixel(app.Header().Handle(), {rect.right - 2 * d - 1, d});
    };
    app.Sync();
    EXPECT_EQ(topEdge(3), GetSysColor(COLOR_BTNSHADOW));
    EXPECT_NE(topEdge(2), GetSysColor(COLOR_BTNSHADOW));
    EXPECT_NE(topEdge(4), GetSysColor(COLOR_BTNSHADOW));
    app.Screenshot("sorted-header");
}

TEST_F(SortList, ASelectedRowKeepsItsPositionThroughRefreshesAtTenThousandRows) {
    // Generated row i has local port 1024 + i.
    table.Write("generate 10000 ESTABLISHED 0\n");
    App app(table.Options());
    ASSERT_TRUE(WaitUntil([&] { return app.List().RowCount() == 10000; }, 60s));
    app.List().SelectRow(5000);

    table.Write("generate 10000 TIME_WAIT 0\n");
    app.SendCommand(kRefresh, 60s);
    EXPECT_EQ(app.List().SelectedRow(), 5000);
    EXPECT_EQ(app.List().CellText(5000, 3), "6024");
    EXPECT_EQ(app.List().CellText(5000, kStatusColumn), "TIME_WAIT");

    // A header click takes the selection along with its row; a refresh of the sorted list then keeps it
    // where it is, on the same connection.
    ClickHeader(app, 3);
    EXPECT_EQ(app.List().SelectedRow(), 4999);
    EXPECT_EQ(app.List().CellText(4999, 3), "6024");
    table.Write("generate 10000 ESTABLISHED 0\n");
    app.SendCommand(kRefresh, 60s);
    EXPECT_EQ(app.List().SelectedRow(), 4999);
    EXPECT_EQ(app.List().CellText(4999, 3), "6024");
    EXPECT_EQ(app.List().CellText(4999, kStatusColumn), "ESTABLISHED");
}
