// End-to-end tests of the main window on a first start (no settings key, no data folder): title and bars, the
// menu bar with its update rules, the toolbar, the list columns of both table modes and their fitting to the
// window width, hiding and showing the bars, the Autoupdate check mark, status-bar prompts, and File > Exit.
#include "Suite.h"

#include <tlhelp32.h>

#include <numeric>
#include <sstream>

using namespace e2e;

namespace {

// Command ids, written out here rather than taken from the program's resource.h so a renumbered id fails.
constexpr UINT kFileSave = 57603, kFileRefresh = 32778, kFileStatistics = 32776, kAppExit = 57665;
constexpr UINT kOptionsProcessing = 32795, kOptionsColors = 32796, kOptionsBlackList = 32797;
constexpr UINT kOptionsAutoupdate = 32798, kOptionsEstablishedOnly = 32799, kOptionsResolve = 32800;
constexpr UINT kViewToolBar = 59392, kViewStatusBar = 59393, kAppAbout = 57664;

// The menu resource, one line per item ("*" marks a check mark on a first start, "----" a separator).
constexpr char kMenuBar[] = R"(" &File"
    "Save" 57603
    "Refresh" 32778
    ----
    "Statistics" 32776
    ----
    "E&xit" 57665
" &Options"
    "Processing" 32795
    "Colors" 32796
    ----
    "Autoupdate" 32798
    "Established Only" 32799
    "Resolve Addresses" 32800 *
    ----
    "Black List" 32797
" &View"
    "&Toolbar" 59392 *
    "&Status Bar" 59393 *
" &Help"
    "&About Pelloran ..." 57664
)";

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

// Popup ids are submenu handles and are left out; a disabled command would show as "(disabled)".
std::string Outline(const Menu& menu) {
    std::ostringstream out;
    for (const auto& popup : menu) {
        out << '"' << popup.text << "\"" << (popup.popup ? "" : " (not a popup)") << '\n';
        for (const auto& item : popup.items) {
            if (item.separator)
                out << "    ----\n";
            else
                out << "    \"" << item.text << "\" " << item.id << (item.popup ? " (popup)" : "")
                    << (item.checked ? " *" : "") << (item.enabled ? "" : " (disabled)") << '\n';
        }
    }
    return out.str();
}

int Sum(const std::vector<int>& widths) { return std::accumulate(widths.begin(), widths.end(), 0); }

// Fitted columns keep the default titles and proportions (each off its default by its share of the difference,
// give or take a pixel of rounding per fitting) and fill the width the layout had: the client width, less a
// vertical scroll bar and one pixel when there are more rows than fit on one page.
void ExpectFitted(const ListView& list, const std::vector<ExpectedColumn>& columns, const std::string& when) {
    SCOPED_TRACE(when);
    const std::vector<int> widths = list.ColumnWidths();
    ASSERT_EQ(widths.size(), columns.size());
    int total = 0;
    for (size_t i = 0; i < columns.size(); ++i) {
        EXPECT_EQ(list.Column(int(i)).title, columns[i].title);
        total += columns[i].width;
    }
    const int share = std::abs(Sum(widths) - total) / static_cast<int>(columns.size()) + 3;
    for (size_t i = 0; i < widths.size(); ++i)
        EXPECT_LE(std::abs(widths[i] - columns[i].width), share) << columns[i].title;
    int available = Width(ClientRect(list.Handle()));
    if (list.RowCount() > list.CountPerPage())
        available -= GetSystemMetrics(SM_CXVSCROLL) + 1;
    EXPECT_EQ(Sum(widths), available);
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
    for (char& c : path)
        c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
    return path;
}

class MainWindow : public ProgramTest {};

TEST_F(MainWindow, FirstStartShowsTheWindowItsMenusToolbarAndColumns) {
    App app;
    EXPECT_EQ(app.Title(), "Pelloran");
    EXPECT_TRUE(IsVisible(app.MainWindow()));
    EXPECT_FALSE(app.IsTopmost()) << "a first start has no WindowOnTop setting";
    const HWND list = app.ListWindow();
    EXPECT_EQ(ClassName(list), "SysListView32");
    EXPECT_TRUE(IsVisible(list) && IsVisible(app.ToolBarWindow()) && IsVisible(app.StatusBarWindow()));
    // The idle text appears once the program first waits for input.
    EXPECT_TRUE(WaitUntil([&] { return app.StatusText() == "Ready"; }, 3s)) << app.StatusText();

    // Toolbar on top, status bar at the bottom, the list filling the client area between them.
    const RECT client = ClientRectOnScreen(app.MainWindow());
    const RECT toolbar = WindowRect(app.ToolBarWindow());
    const RECT status = WindowRect(app.StatusBarWindow());
    const RECT listRect = WindowRect(list);
    EXPECT_TRUE(listRect.left == client.left && listRect.right == client.right && listRect.top >= toolbar.bottom &&
                listRect.bottom == status.top && status.bottom == client.bottom)
        << "list " << Describe(listRect) << ", toolbar " << Describe(toolbar) << ", status bar " << Describe(status)
        << " in " << Describe(client);

    // An owner-drawn report list with grid lines and full-row selection, on Common Controls 6: the manifest must
    // bind the assembly of the build's own architecture, loaded from the side-by-side store (5 comes from the
    // system folder).
    EXPECT_EQ(Style(list) & (LVS_TYPEMASK | LVS_OWNERDRAWFIXED | WS_BORDER),
              LVS_REPORT | LVS_OWNERDRAWFIXED | WS_BORDER);
    EXPECT_EQ(ExStyle(list), WS_EX_CLIENTEDGE);
    EXPECT_EQ(app.List().ExtendedStyle(), DWORD(LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER));
    const std::string comctl32 = LoadedModule(app.ProcessId(), "comctl32.dll");
    EXPECT_NE(comctl32.find("\\winsxs\\"), std::string::npos) << "Common Controls 6 is not loaded: " << comctl32;

    // Every command enabled, the check marks of a first start.
    EXPECT_EQ(Outline(app.MenuBar()), kMenuBar);

    std::vector<int> ids;
    for (const auto& button : app.Tools().Buttons()) {
        ids.push_back(button.separator ? 0 : button.id);
        EXPECT_TRUE(button.separator || button.enabled) << "toolbar button " << button.id << " is disabled";
    }
    EXPECT_EQ(ids, (std::vector<int>{kFileSave, kFileRefresh, kFileStatistics, 0, kOptionsProcessing, kOptionsColors,
                                     kOptionsBlackList, 0, kOptionsAutoupdate, kOptionsEstablishedOnly, kOptionsResolve,
                                     0, kAppAbout}));

    // The start-up layout may have fitted the columns before the first table read added rows.
    for (const auto& column : app.List().Columns())
        EXPECT_EQ(column.format, LVCFMT_LEFT) << column.title;
    const std::vector<int> widths = app.List().ColumnWidths();
    EXPECT_LE(std::abs(Sum(widths) - Width(ClientRect(list))), GetSystemMetrics(SM_CXVSCROLL) + 1);
    for (const auto& [width, height] : {std::pair{900, 600}, std::pair{500, 400}, std::pair{1100, 700}}) {
        ASSERT_TRUE(
            SetWindowPos(app.MainWindow(), nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE));
        app.Sync();
        ExpectFitted(app.List(), kSevenColumns, "resized to " + std::to_string(width));
    }
}

// Systems older than NT 5 (NT 4, the 9x family) get the table without owning processes: five columns, and no
// double buffering; NT 5.0 is the first with the owning-process table.
TEST_F(MainWindow, TheWindowsVersionChoosesTheTableMode) {
    for (const auto& [version, old] :
         {std::pair{"nt40", true}, std::pair{"win98", true}, std::pair{"win2k", false}, std::pair{"winxp", false}}) {
        SCOPED_TRACE(version);
        SetWindowsVersion(version);
        App app;
        ASSERT_TRUE(
            SetWindowPos(app.MainWindow(), nullptr, 0, 0, 800, 500, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE));
        app.Sync();
        ExpectFitted(app.List(), old ? kFiveColumns : kSevenColumns, "resized");
        EXPECT_EQ(app.List().ExtendedStyle(),
                  DWORD(LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT | (old ? 0 : LVS_EX_DOUBLEBUFFER)));
    }
}

TEST_F(MainWindow, HidingABarLetsTheListFillItsSpace) {
    App app;
    for (const UINT command : {kViewToolBar, kViewStatusBar}) {
        SCOPED_TRACE(command);
        const bool toolbar = command == kViewToolBar;
        const HWND bar = toolbar ? app.ToolBarWindow() : app.StatusBarWindow();
        const RECT before = WindowRect(app.ListWindow());
        const int barHeight = Height(WindowRect(bar));

        app.SendCommand(command);
        app.Sync();
        EXPECT_FALSE(IsVisible(bar));
        const RECT client = ClientRectOnScreen(app.MainWindow());
        const RECT hidden = WindowRect(app.ListWindow());
        EXPECT_EQ(toolbar ? hidden.top : hidden.bottom, toolbar ? client.top : client.bottom) << Describe(hidden);
        EXPECT_EQ(toolbar ? hidden.bottom : hidden.top, toolbar ? before.bottom : before.top);
        EXPECT_EQ(hidden.left, before.left);
        EXPECT_EQ(hidden.right, before.right);
        EXPECT_GE(Height(hidden) - Height(before), barHeight);
        EXPECT_FALSE(app.MenuCommand(command).checked);
        ExpectFitted(app.List(), kSevenColumns, "bar hidden");

        app.SendCommand(command);
        app.Sync();
        EXPECT_TRUE(IsVisible(bar));
        EXPECT_EQ(Describe(WindowRect(app.ListWindow())), Describe(before));
        EXPECT_TRUE(app.MenuCommand(command).checked);
    }
}

TEST_F(MainWindow, StatusBarPromptsAndFileExitFromTheKeyboard) {
    App app;
    ASSERT_TRUE(WaitUntil([&] { return app.StatusText() == "Ready"; }, 3s)) << app.StatusText();
    const std::tuple<int, int, const char*> prompts[] = {{0, 1, "Refresh TCP Table"},
                                                         {2, 1, "Show or hide the status bar"}};
    for (const auto& [popup, item, prompt] : prompts) {
        app.HighlightMenuItem(popup, item);
        EXPECT_TRUE(WaitUntil([&] { return app.StatusText() == prompt; }, 3s)) << app.StatusText();
        app.CloseMenus();
        EXPECT_TRUE(WaitUntil([&] { return app.StatusText() == "Ready"; }, 3s)) << app.StatusText();
    }

    app.HighlightMenuItem(0, 5); // File > Exit
    PressKey(VK_RETURN);
    const auto code = app.WaitExit(10s);
    ASSERT_TRUE(code.has_value()) << "the program still runs after choosing File > Exit";
    EXPECT_EQ(*code, 0u);
}

} // namespace
