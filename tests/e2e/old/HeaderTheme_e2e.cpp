// End-to-end tests of the sort header's two drawing paths: with visual styles the items are drawn with the
// theme and the item under the mouse is drawn hot; with visual styles switched off they are flat button
// face and nothing follows the mouse.
#include "Suite.h"

using namespace e2e;

namespace {

const char kThemeManager[] = "Software\\Microsoft\\Windows\\CurrentVersion\\ThemeManager";

class HeaderTheme : public ProgramTest {
protected:
    void SetUp() override {
        ProgramTest::SetUp();
        savedTheme = ReadString(kThemeManager, "ThemeActive");
        table.Write(Row("ESTABLISHED", "10.0.0.1", 80, "10.0.0.2", 5) + Row("LISTENING", "10.0.0.1", 9, "0.0.0.0", 0));
    }
    void TearDown() override { WriteString(kThemeManager, "ThemeActive", savedTheme.value_or("1")); }

    // Starts the program and sorts by the Local Port column, so every header item is drawn by the program.
    std::unique_ptr<App> StartSorted(const char* themeActive) {
        WriteString(kThemeManager, "ThemeActive", themeActive);
        auto app = std::make_unique<App>(table.Options());
        EXPECT_TRUE(WaitUntil([&] { return app->List().RowCount() == 2; }));
        app->Click(app->Header().Handle(), Center(app->Header().ItemRect(3)));
        app->Sync();
        EXPECT_NE(app->Header().ItemFormat(2) & HDF_OWNERDRAW, 0);
        return app;
    }

    // The Local Address item's centre, on the screen.
    static POINT ItemCentre(const App& app) {
        return ClientToScreenPoint(app.Header().Handle(), Center(app.Header().ItemRect(2)));
    }

    // A pixel of the Local Address item's background, right of its text and clear of its edges.
    static COLORREF ItemBackground(const App& app) {
        const RECT item = app.Header().ItemRect(2);
        return app.Pixel(app.Header().Handle(), {item.right - 12, (item.top + item.bottom) / 2});
    }

    std::optional<std::string> savedTheme;
};

} // namespace

// With visual styles the item under the mouse is drawn hot; without them the header is flat button face and
// does not track the mouse.
TEST_F(HeaderTheme, OnlyWithVisualStylesTheItemUnderTheMouseIsDrawnHot) {
    {
        const auto started = StartSorted("1");
        App& app = *started;
        const RECT list = WindowRect(app.ListWindow());
        MoveMouse({(list.left + list.right) / 2, list.bottom - 20});
        app.Sync();
        const COLORREF normal = ItemBackground(app);
        MoveMouse(ItemCentre(app));
        EXPECT_TRUE(WaitUntil([&] { return ItemBackground(app) != normal; }, 5s))
            << "hot and normal theme backgrounds are both " << DescribeColor(normal);
        MoveMouse({(list.left + list.right) / 2, list.bottom - 20});
        EXPECT_TRUE(WaitUntil([&] { return ItemBackground(app) == normal; }, 5s))
            << "the hot state ends with the mouse";
    }
    const auto started = StartSorted("0");
    App& app = *started;
    EXPECT_EQ(ItemBackground(app), GetSysColor(COLOR_BTNFACE)) << DescribeColor(ItemBackground(app));
    MoveMouse(ItemCentre(app));
    app.Sync();
    Pause(300ms);
    EXPECT_EQ(ItemBackground(app), GetSysColor(COLOR_BTNFACE)) << "no hot tracking without a theme";
    app.Screenshot("unthemed-header");
}
