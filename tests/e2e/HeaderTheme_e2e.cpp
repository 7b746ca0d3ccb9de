// End-to-end tests of the sort header's two drawing paths: with visual styles the items are drawn with the
// theme and the item under the mouse is drawn hot; with visual styles switched off they are flat button
// face and nothing follows the mouse.
#include "E2e.h"
#include "FakeTable.h"

#include <gtest/gtest.h>

using namespace e2e;

namespace {

const char kThemeManager[] = "Software\\Microsoft\\Windows\\CurrentVersion\\ThemeManager";

class HeaderTheme : public ::testing::Test {
protected:
    void SetUp() override {
        ResetProgramState();
        ClearWindowsVersion();
        savedTheme = ReadString(kThemeManager, "ThemeActive");
        table.Write(Row("ESTABLISHED", "10.0.0.1", 80, "10.0.0.2", 5) + Row("LISTENING", "10.0.0.1", 9, "0.0.0.0", 0));
    }
    void TearDown() override { WriteString(kThemeManager, "ThemeActive", savedTheme.value_or("1")); }

    static RECT HeaderItem(const App& app, int column) {
        RemoteBuffer buffer(app.ProcessHandle(), sizeof(RECT));
        SendMessageA(app.Header().Handle(), HDM_GETITEMRECT, column, buffer.Param());
        return buffer.Get<RECT>();
    }

    // Sorts by the Local Port column, so every header item is drawn by the program.
    static void SortByPort(App& app) {
        RECT port = HeaderItem(app, 3);
        app.Click(app.Header().Handle(), {(port.left + port.right) / 2, (port.top + port.bottom) / 2});
        app.Sync();
        ASSERT_NE(app.Header().ItemFormat(2) & HDF_OWNERDRAW, 0);
    }

    // A pixel of the Local Address item's background, right of its text and clear of its edges.
    static COLORREF ItemBackground(const App& app) {
        RECT item = HeaderItem(app, 2);
        return app.Pixel(app.Header().Handle(), {item.right - 12, (item.top + item.bottom) / 2});
    }

    std::optional<std::string> savedTheme;
    FakeTable table;
};

POINT ScreenPoint(HWND window, POINT point) {
    ClientToScreen(window, &point);
    return point;
}

} // namespace

TEST_F(HeaderTheme, WithVisualStylesTheItemUnderTheMouseIsDrawnHot) {
    WriteString(kThemeManager, "ThemeActive", "1");
    App app(table.Options());
    ASSERT_TRUE(WaitUntil([&] { return app.List().RowCount() == 2; }));
    SortByPort(app);
    RECT list{};
    GetWindowRect(app.ListWindow(), &list);
    MoveMouse({(list.left + list.right) / 2, list.bottom - 20});
    app.Sync();
    COLORREF normal = ItemBackground(app);
    RECT item = HeaderItem(app, 2);
    MoveMouse(ScreenPoint(app.Header().Handle(), {(item.left + item.right) / 2, (item.top + item.bottom) / 2}));
    EXPECT_TRUE(WaitUntil([&] { return ItemBackground(app) != normal; }, 5s))
        << "hot and normal theme backgrounds are both " << DescribeColor(normal);
    MoveMouse({(list.left + list.right) / 2, list.bottom - 20});
    EXPECT_TRUE(WaitUntil([&] { return ItemBackground(app) == normal; }, 5s)) << "the hot state ends with the mouse";
}

TEST_F(HeaderTheme, WithoutVisualStylesTheHeaderIsFlatAndDoesNotTrackTheMouse) {
    WriteString(kThemeManager, "ThemeActive", "0");
    App app(table.Options());
    ASSERT_TRUE(WaitUntil([&] { return app.List().RowCount() == 2; }));
    SortByPort(app);
    EXPECT_EQ(ItemBackground(app), GetSysColor(COLOR_BTNFACE)) << DescribeColor(ItemBackground(app));
    RECT item = HeaderItem(app, 2);
    MoveMouse(ScreenPoint(app.Header().Handle(), {(item.left + item.right) / 2, (item.top + item.bottom) / 2}));
    app.Sync();
    Pause(300ms);
    EXPECT_EQ(ItemBackground(app), GetSysColor(COLOR_BTNFACE)) << "no hot tracking without a theme";
    app.Screenshot("unthemed-header");
}
