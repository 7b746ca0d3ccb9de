// End-to-end tests of the main window on a first start (no settings key, no data folder): title and bars, the
// menu bar with its update rules, the toolbar, the list columns of both table modes and their fitting to the
// window width, hiding and showing the bars, the Autoupdate check mark, status-bar prompts, and File > Exit.
#include "E2e.h"

#include <gtest/gtest.h>

#include <tlhelp32.h>

#include <numeric>
#include <sstream>

using namespace e2e;

namespace {

// Command ids, written out here rather than taken from the program's resource.h so a renumbered id fails.
constexpr UINT kFileSave = 57603;
constexpr UINT kFileRefresh = 32778;
constexpr UINT kFileStatistics = 32776;
constexpr UINT kAppExit = 57665;
constexpr UINT kOptionsProcessing = 32795;
constexpr UINT kOptionsColors = 32796;
constexpr UINT kOptionsBlackList = 32797;
constexpr UINT kOptionsAutoupdate = 32798;
constexpr UINT kOptionsEstablishedOnly = 32799;
constexpr UINT kOptionsResolve = 32800;
constexpr UINT kViewToolBar = 59392;
constexpr UINT kViewStatusBar = 59393;
constexpr UINT kAppAbout = 57664;

struct ExpectedItem {
    const char* text; // null for a separator
    UINT id;
};

struct ExpectedPopup {
    const char* title;
    std::vector<ExpectedItem> items;
};

const std::vector<ExpectedPopup> kMenuBar = {
    {" &File",
     {{"Save", kFileSave},
      {"Refresh", kFileRefresh},
      {nullptr, 0},
      {"Statistics", kFileStatistics},
      {nullptr, 0},
      {"E&xit", kAppExit}}},
    {" &Options",
     {{"Processing", kOptionsProcessing},
      {"Colors", kOptionsColors},
      {nullptr, 0},
      {"Autoupdate", kOptionsAutoupdate},
      {"Established Only", kOptionsEstablishedOnly},
      {"Resolve Addresses", kOptionsResolve},
      {nullptr, 0},
      {"Black List", kOptionsBlackList}}},
    {" &View", {{"&Toolbar", kViewToolBar}, {"&Status Bar", kViewStatusBar}}},
    {" &Help", {{"&About Pelloran ...", kAppAbout}}},
};

struct ExpectedColumn {
    const char* title;
    int width;
};

const std::vector<ExpectedColumn> kSevenColumns = {
    {"Process", 135},        {"PID", 50},         {"Local Address", 135}, {"Local Port", 75},
    {"Remote Address", 135}, {"Remote Port", 75}, {"Status", 110},
};

const std::vector<ExpectedColumn> kFiveColumns = {
    {"Local Address", 165}, {"Local Port", 75}, {"Remote Address", 165}, {"Remote Port", 75}, {"Status", 110},
};

// One line per item: popups with their title, separators as "----", commands as text and id. Popup ids are
// submenu handles and are left out.
std::string Outline(const Menu& menu) {
    std::ostringstream out;
    for (const auto& popup : menu) {
        out << '"' << popup.text << "\"" << (popup.popup ? "" : " (not a popup)") << '\n';
        for (const auto& item : popup.items) {
            if (item.separator)
                out << "    ----\n";
            else
                out << "    \"" << item.text << "\" " << item.id << (item.popup ? " (popup)" : "") << '\n';
        }
    }
    return out.str();
}

std::string Outline(const std::vector<ExpectedPopup>& menu) {
    std::ostringstream out;
    for (const auto& popup : menu) {
        out << '"' << popup.title << "\"\n";
        for (const auto& item : popup.items) {
            if (!item.text)
                out << "    ----\n";
            else
                out << "    \"" << item.text << "\" " << item.id << '\n';
        }
    }
    return out.str();
}

std::vector<std::string> Titles(const std::vector<ExpectedColumn>& columns) {
    std::vector<std::string> titles;
    for (const auto& column : columns)
        titles.emplace_back(column.title);
    return titles;
}

int Sum(const std::vector<int>& widths) { return std::accumulate(widths.begin(), widths.end(), 0); }

// Fitted widths keep the default proportions: each column is off its default by its share of the difference
// (give or take a pixel of rounding for each fitting since the start).
void ExpectNearDefaults(const std::vector<int>& widths, const std::vector<ExpectedColumn>& columns) {
    ASSERT_EQ(widths.size(), columns.size());
    int total = 0;
    for (const auto& column : columns)
        total += column.width;
    const int share = std::abs(Sum(widths) - total) / static_cast<int>(columns.size()) + 3;
    for (size_t i = 0; i < widths.size(); ++i)
        EXPECT_LE(std::abs(widths[i] - columns[i].width), share) << columns[i].title;
}

// The width the fitting had to fill, for a layout done with the list as it is now: the client width, less a
// vertical scroll bar and one pixel when there are more rows than fit on one page.
int FittingWidth(const ListView& list) {
    int available = Width(ClientRect(list.Handle()));
    if (list.RowCount() > list.CountPerPage())
        available -= GetSystemMetrics(SM_CXVSCROLL) + 1;
    return available;
}

// Resizes the main window from outside; the program lays out its bars and list as for a user's resize.
void ResizeWindow(HWND frame, int width, int height) {
    if (!SetWindowPos(frame, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE))
        FailWithLastError("SetWindowPos on the main window");
}

// The full path of a module another process loaded, empty when it has none of that name.
std::string LoadedModule(DWORD pid, const char* name) {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, pid);
    MODULEENTRY32 module{};
    module.dwSize = sizeof module;
    std::string path;
    for (BOOL more = Module32First(snapshot, &module); more && path.empty(); more = Module32Next(snapshot, &module)) {
        if (lstrcmpiA(module.szModule, name) == 0)
            path = module.szExePath;
    }
    CloseHandle(snapshot);
    return path;
}

std::string VersionName(const testing::TestParamInfo<const char*>& info) { return info.param; }

class MainWindow : public testing::Test {
protected:
    void SetUp() override {
        ClearWindowsVersion();
        ResetProgramState();
    }
    void TearDown() override { ClearWindowsVersion(); }
};

TEST_F(MainWindow, FirstStartShowsTitledWindowWithToolbarListAndStatusBar) {
    App app;
    EXPECT_EQ(app.Title(), "Pelloran");
    EXPECT_TRUE(IsVisible(app.MainWindow()));
    EXPECT_FALSE(app.IsTopmost()) << "a first start has no WindowOnTop setting";

    const HWND list = app.ListWindow();
    EXPECT_EQ(ClassName(list), "SysListView32");
    EXPECT_TRUE(IsVisible(list));
    EXPECT_TRUE(IsVisible(app.ToolBarWindow()));
    EXPECT_TRUE(IsVisible(app.StatusBarWindow()));
    // The idle text appears once the program first waits for input.
    EXPECT_TRUE(WaitUntil([&] { return app.StatusText() == "Ready"; }, 3s))
        << "status bar shows \"" << app.StatusText() << "\"";

    // Toolbar on top, status bar at the bottom, the list filling the client area between them.
    const RECT client = ClientRectOnScreen(app.MainWindow());
    const RECT toolbar = WindowRect(app.ToolBarWindow());
    const RECT status = WindowRect(app.StatusBarWindow());
    const RECT listRect = WindowRect(list);
    EXPECT_EQ(listRect.left, client.left) << Describe(listRect) << " in " << Describe(client);
    EXPECT_EQ(listRect.right, client.right) << Describe(listRect) << " in " << Describe(client);
    EXPECT_GE(listRect.top, toolbar.bottom) << "list " << Describe(listRect) << ", toolbar " << Describe(toolbar);
    EXPECT_EQ(listRect.bottom, status.top) << "list " << Describe(listRect) << ", status bar " << Describe(status);
    EXPECT_EQ(status.bottom, client.bottom) << Describe(status) << " in " << Describe(client);

    app.Foreground();
    app.Sync();
    Pause(300ms); // let the window finish painting before the picture is taken
    const std::string shot = app.Screenshot("main-window");
    EXPECT_NE(GetFileAttributesA(shot.c_str()), INVALID_FILE_ATTRIBUTES) << shot;
}

TEST_F(MainWindow, ListIsOwnerDrawnReportWithGridAndFullRowSelection) {
    App app;
    const HWND list = app.ListWindow();
    EXPECT_EQ(Style(list) & LVS_TYPEMASK, LVS_REPORT);
    EXPECT_TRUE(Style(list) & LVS_OWNERDRAWFIXED);
    EXPECT_TRUE(Style(list) & WS_BORDER);
    EXPECT_EQ(ExStyle(list), WS_EX_CLIENTEDGE);
    EXPECT_EQ(app.List().ExtendedStyle(), DWORD(LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER));
    // The manifest must bind the Common Controls 6 assembly of the build's own architecture: that comctl32 is
    // loaded from the side-by-side store, version 5 from the system folder.
    std::string comctl32 = LoadedModule(app.ProcessId(), "comctl32.dll");
    for (char& c : comctl32)
        c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
    EXPECT_NE(comctl32.find("\\winsxs\\"), std::string::npos) << "Common Controls 6 is not loaded: " << comctl32;
}

TEST_F(MainWindow, MenuBarHoldsEveryItemOfTheResource) {
    App app;
    const Menu menu = app.MenuBar();
    EXPECT_EQ(Outline(menu), Outline(kMenuBar));
}

TEST_F(MainWindow, MenuCommandsAreEnabledAndTogglesShowTheirFirstStartState) {
    App app;
    const Menu menu = app.MenuBar();
    for (const auto& popup : kMenuBar) {
        for (const auto& expected : popup.items) {
            if (!expected.text)
                continue;
            const MenuItem* item = FindMenuItem(menu, expected.id);
            ASSERT_NE(item, nullptr) << expected.text << " is missing:\n" << DescribeMenu(menu);
            EXPECT_TRUE(item->enabled) << expected.text << " (" << expected.id << ") is disabled";
        }
    }
    auto checked = [&](UINT id) {
        const MenuItem* item = FindMenuItem(menu, id);
        return item && item->checked;
    };
    EXPECT_FALSE(checked(kOptionsAutoupdate));
    EXPECT_FALSE(checked(kOptionsEstablishedOnly));
    EXPECT_TRUE(checked(kOptionsResolve)) << "Resolve Addresses is on by default";
    EXPECT_TRUE(checked(kViewToolBar));
    EXPECT_TRUE(checked(kViewStatusBar));
    for (UINT id : {kFileSave, kFileRefresh, kFileStatistics, kAppExit, kOptionsProcessing, kOptionsColors,
                    kOptionsBlackList, kAppAbout})
        EXPECT_FALSE(checked(id)) << "command " << id << " carries a check mark";
}

TEST_F(MainWindow, ToolbarHoldsTheCommandsInOrder) {
    App app;
    const std::vector<int> expected = {kFileSave,          kFileRefresh,
                                       kFileStatistics,    0,
                                       kOptionsProcessing, kOptionsColors,
                                       kOptionsBlackList,  0,
                                       kOptionsAutoupdate, kOptionsEstablishedOnly,
                                       kOptionsResolve,    0,
                                       kAppAbout};
    std::vector<int> ids;
    for (const auto& button : app.Tools().Buttons()) {
        ids.push_back(button.separator ? 0 : button.id);
        if (!button.separator) {
            EXPECT_TRUE(button.enabled) << "toolbar button " << button.id << " is disabled";
        }
    }
    EXPECT_EQ(ids, expected);
}

TEST_F(MainWindow, SevenColumnsTakeTheDefaultWidthsFittedToTheWindow) {
    App app;
    const ListView list = app.List();
    const auto columns = list.Columns();
    ASSERT_EQ(list.ColumnCount(), 7);
    EXPECT_EQ(list.ColumnTitles(), Titles(kSevenColumns));
    for (const auto& column : columns)
        EXPECT_EQ(column.format, LVCFMT_LEFT) << column.title;

    // The start-up layout may have fitted the columns before the first table read added rows (and a scroll bar).
    const std::vector<int> widths = list.ColumnWidths();
    ExpectNearDefaults(widths, kSevenColumns);
    const int client = Width(ClientRect(list.Handle()));
    const int scrollBar = GetSystemMetrics(SM_CXVSCROLL) + 1;
    EXPECT_LE(std::abs(Sum(widths) - client), scrollBar)
        << "columns " << Sum(widths) << " px wide in a list " << client << " px wide";
}

TEST_F(MainWindow, ColumnsAreRefittedWhenTheWindowIsResized) {
    App app;
    const ListView list = app.List();
    for (const auto& [width, height] : {std::pair{900, 600}, std::pair{500, 400}, std::pair{1100, 700}}) {
        ResizeWindow(app.MainWindow(), width, height);
        app.Sync();
        EXPECT_EQ(Sum(list.ColumnWidths()), FittingWidth(list))
            << "after resizing the window to " << width << "x" << height;
        ExpectNearDefaults(list.ColumnWidths(), kSevenColumns);
    }
}

// A system older than NT 5 (NT 4, or the 9x family) gets the table without owning processes: five columns.
class MainWindowOnOldSystem : public MainWindow, public testing::WithParamInterface<const char*> {};

TEST_P(MainWindowOnOldSystem, ShowsFiveColumnsWithoutDoubleBuffering) {
    SetWindowsVersion(GetParam());
    App app;
    const ListView list = app.List();
    ASSERT_EQ(list.ColumnCount(), 5);
    EXPECT_EQ(list.ColumnTitles(), Titles(kFiveColumns));
    ExpectNearDefaults(list.ColumnWidths(), kFiveColumns);
    EXPECT_EQ(list.ExtendedStyle(), DWORD(LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT));

    ResizeWindow(app.MainWindow(), 800, 500);
    app.Sync();
    EXPECT_EQ(Sum(list.ColumnWidths()), FittingWidth(list));
}

INSTANTIATE_TEST_SUITE_P(MainWindow, MainWindowOnOldSystem, testing::Values("nt40", "win98"), VersionName);

// NT 5.0 is the first system with the owning-process table.
class MainWindowOnNtFive : public MainWindow, public testing::WithParamInterface<const char*> {};

TEST_P(MainWindowOnNtFive, ShowsSevenColumns) {
    SetWindowsVersion(GetParam());
    App app;
    EXPECT_EQ(app.List().ColumnTitles(), Titles(kSevenColumns));
}

INSTANTIATE_TEST_SUITE_P(MainWindow, MainWindowOnNtFive, testing::Values("win2k", "winxp"), VersionName);

TEST_F(MainWindow, HidingTheToolbarLetsTheListFillItsSpace) {
    App app;
    const HWND toolbar = app.ToolBarWindow();
    const RECT before = WindowRect(app.ListWindow());
    const int toolbarHeight = Height(WindowRect(toolbar));

    app.SendCommand(kViewToolBar);
    app.Sync();
    EXPECT_FALSE(IsVisible(toolbar));
    const RECT client = ClientRectOnScreen(app.MainWindow());
    const RECT hidden = WindowRect(app.ListWindow());
    EXPECT_EQ(hidden.top, client.top) << "list " << Describe(hidden) << " in " << Describe(client);
    EXPECT_EQ(hidden.bottom, before.bottom);
    EXPECT_EQ(hidden.left, before.left);
    EXPECT_EQ(hidden.right, before.right);
    EXPECT_GE(Height(hidden) - Height(before), toolbarHeight);
    EXPECT_FALSE(app.MenuCommand(kViewToolBar).checked);
    EXPECT_EQ(Sum(app.List().ColumnWidths()), FittingWidth(app.List()));

    app.SendCommand(kViewToolBar);
    app.Sync();
    EXPECT_TRUE(IsVisible(toolbar));
    const RECT shown = WindowRect(app.ListWindow());
    EXPECT_EQ(Describe(shown), Describe(before));
    EXPECT_TRUE(app.MenuCommand(kViewToolBar).checked);
}

TEST_F(MainWindow, HidingTheStatusBarLetsTheListFillItsSpace) {
    App app;
    const HWND status = app.StatusBarWindow();
    const RECT before = WindowRect(app.ListWindow());
    const int statusHeight = Height(WindowRect(status));

    app.SendCommand(kViewStatusBar);
    app.Sync();
    EXPECT_FALSE(IsVisible(status));
    const RECT client = ClientRectOnScreen(app.MainWindow());
    const RECT hidden = WindowRect(app.ListWindow());
    EXPECT_EQ(hidden.bottom, client.bottom) << "list " << Describe(hidden) << " in " << Describe(client);
    EXPECT_EQ(hidden.top, before.top);
    EXPECT_EQ(Height(hidden) - Height(before), statusHeight);
    EXPECT_FALSE(app.MenuCommand(kViewStatusBar).checked);
    EXPECT_EQ(Sum(app.List().ColumnWidths()), FittingWidth(app.List()));

    app.SendCommand(kViewStatusBar);
    app.Sync();
    EXPECT_TRUE(IsVisible(status));
    EXPECT_EQ(Describe(WindowRect(app.ListWindow())), Describe(before));
    EXPECT_TRUE(app.MenuCommand(kViewStatusBar).checked);
}

TEST_F(MainWindow, AutoupdateCheckMarkFollowsItsToggle) {
    App app;
    ASSERT_FALSE(app.MenuCommand(kOptionsAutoupdate).checked);
    for (bool on : {true, false, true}) {
        app.SendCommand(kOptionsAutoupdate);
        EXPECT_EQ(app.MenuCommand(kOptionsAutoupdate).checked, on);
        // Toolbar buttons follow the same rule when the program is idle.
        EXPECT_TRUE(WaitUntil([&] { return app.Tools().ButtonById(kOptionsAutoupdate).checked == on; }, 3s))
            << "the Autoupdate toolbar button does not show " << (on ? "checked" : "unchecked");
    }
}

TEST_F(MainWindow, StatusBarShowsThePromptOfTheHighlightedMenuItem) {
    App app;
    ASSERT_TRUE(WaitUntil([&] { return app.StatusText() == "Ready"; }, 3s)) << app.StatusText();

    app.HighlightMenuItem(0, 1); // File > Refresh
    EXPECT_TRUE(WaitUntil([&] { return app.StatusText() == "Refresh TCP Table"; }, 3s))
        << "status bar shows \"" << app.StatusText() << "\" with File > Refresh highlighted";
    app.CloseMenus();
    EXPECT_TRUE(WaitUntil([&] { return app.StatusText() == "Ready"; }, 3s))
        << "status bar shows \"" << app.StatusText() << "\" after the menu closed";

    app.HighlightMenuItem(2, 1); // View > Status Bar
    EXPECT_TRUE(WaitUntil([&] { return app.StatusText() == "Show or hide the status bar"; }, 3s))
        << "status bar shows \"" << app.StatusText() << "\" with View > Status Bar highlighted";
    app.CloseMenus();
    EXPECT_TRUE(WaitUntil([&] { return app.StatusText() == "Ready"; }, 3s));
}

TEST_F(MainWindow, FileExitCommandEndsTheProgramWithExitCodeZero) {
    App app;
    app.PostCommand(kAppExit);
    const auto code = app.WaitExit(10s);
    ASSERT_TRUE(code.has_value()) << "the program still runs after File > Exit";
    EXPECT_EQ(*code, 0u);
}

TEST_F(MainWindow, FileExitChosenWithTheKeyboardEndsTheProgram) {
    App app;
    app.HighlightMenuItem(0, 5); // File > Exit
    PressKey(VK_RETURN);
    const auto code = app.WaitExit(10s);
    ASSERT_TRUE(code.has_value()) << "the program still runs after choosing File > Exit";
    EXPECT_EQ(*code, 0u);
}

} // namespace
