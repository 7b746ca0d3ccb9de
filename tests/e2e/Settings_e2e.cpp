// The settings key across starts: what one close writes, the next start shows. Which stored rectangles are usable
// and how they map to the screen are portable rules (settings_rules_test.cpp); here the program applies them.
#include "Suite.h"
#include "resource.h"

#include <filesystem>

using namespace e2e;

namespace {

class Settings : public ProgramTest {};

// Stored DWORDs as one line, "-" for one that is missing or no DWORD.
std::string Values(std::initializer_list<const char*> names) {
    std::string line;
    for (const char* name : names) {
        const auto value = ReadDword(kSettingsKey, name);
        line += (value ? std::to_string(*value) : "-") + " ";
    }
    return line;
}

} // namespace

TEST_F(Settings, WhatOneCloseWritesTheNextStartShows) {
    table.Write(Row(kEstablished, "10.0.0.1", 1000, "10.0.0.2", 80));
    // One start: the window as it shows ("zoomed", its edges, or "on screen" where the system chose the place, then
    // "top" when on top), `use`, the close, and what the close stored: placement, menu toggles, and no interval.
    auto start = [&](const std::string& shown, const std::function<void(Program&)>& use = {}) {
        Program app(table.Options());
        app.Sync(); // a stored maximise is posted to come after creation
        RECT rect{}, screen{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
        GetWindowRect(app.Frame(), &rect);
        const std::string edges = IsZoomed(app.Frame()) ? "zoomed"
                                  : shown == "on screen" && IntersectRect(&screen, &screen, &rect)
                                      ? shown
                                      : std::to_string(rect.left) + " " + std::to_string(rect.top) + " " +
                                            std::to_string(rect.right) + " " + std::to_string(rect.bottom);
        EXPECT_EQ(edges + ((GetWindowLongA(app.Frame(), GWL_EXSTYLE) & WS_EX_TOPMOST) ? " top" : ""), shown);
        if (use)
            use(app);
        EXPECT_EQ(app.Close(), 0u);
        return Values({"WindowCmd", "WindowPosX", "WindowPosY", "WindowSizeX", "WindowSizeY", "ShowEstablishedOnly",
                       "Autoupdate", "Resolve", "UpdateInterval"});
    };
    // A fresh profile: nothing is written before the close. The next start takes what it wrote (and so writes the
    // same toggles again); a window the user maximised keeps its restored edges, and so does one started maximised.
    EXPECT_EQ(start("on screen",
                    [](Program& app) {
                        HKEY key = nullptr;
                        EXPECT_NE(RegOpenKeyExA(HKEY_CURRENT_USER, kSettingsKey, 0, KEY_READ, &key), ERROR_SUCCESS)
                            << "nothing is written before the close";
                        SetWindowPos(app.Frame(), nullptr, 120, 80, 700, 500, SWP_NOZORDER | SWP_NOACTIVATE);
                        for (UINT toggle : {ID_OPTIONS_ESTABLISHED_ONLY, ID_OPTIONS_AUTOUPDATE, ID_OPTIONS_RESOLVE})
                            app.Command(toggle);
                    }),
              "1 120 80 820 580 1 1 0 - ");
    WriteDword(kSettingsKey, "WindowOnTop", 1);
    EXPECT_EQ(start("120 80 820 580 top",
                    [](Program& app) {
                        ShowWindowAsync(app.Frame(), SW_MAXIMIZE);
                        EXPECT_TRUE(WaitUntil([&] { return IsZoomed(app.Frame()) != FALSE; }));
                    }),
              "3 120 80 820 580 1 1 0 - ");
    EXPECT_EQ(start("zoomed top"), "3 120 80 820 580 1 1 0 - ");
    // Short data is zero-extended, long data ignored; a rectangle off the screen leaves the place to the system; a
    // key without placement values gives the default rectangle.
    WriteDword(kSettingsKey, "WindowCmd", SW_SHOWNORMAL);
    WriteDword(kSettingsKey, "WindowOnTop", 0);
    WriteBinary(kSettingsKey, "WindowPosX", std::string("\x2C\x01", 2)); // 300
    WriteBinary(kSettingsKey, "WindowPosY", std::string("\x64\0\0\0\0", 5));
    EXPECT_EQ(start("300 0 820 580"), "1 300 0 820 580 1 1 0 - ");
    StorePlacement(5000, 4000, 5800, 4600);
    start("on screen");
    DeleteTree(kSettingsKey);
    WriteDword(kSettingsKey, "EnableLogging", 0);
    EXPECT_EQ(start("0 0 640 480"), "1 0 0 640 480 0 0 1 - ");
}

// Without an application-data folder (the prefix's Roaming folder moved away, so the system has no path for it) no
// data file is read, written or created anywhere, least of all in \Pelloran at the root of the current drive:
// Process Options offers no log path, a black-list Save says why it cannot save, the close logs nothing.
TEST_F(Settings, WithoutAnApplicationDataFolderNoDataFileIsWritten) {
    struct PutBack {
        const std::string roaming = std::filesystem::path(DataFolder()).parent_path().string(), away = roaming + "~";
        ~PutBack() {
            MoveFileA(away.c_str(), roaming.c_str());
            std::error_code ignored;
            std::filesystem::remove_all("C:\\Pelloran", ignored); // what a failing program made
        }
    } folder;
    WriteDword(kSettingsKey, "EnableLogging", 1);
    table.Write(Row(kEstablished, "10.0.0.1", 1000, "10.0.0.2", 80));
    ASSERT_TRUE(MoveFileA(folder.roaming.c_str(), folder.away.c_str()));
    Program app(table.Options());
    ASSERT_TRUE(WaitUntil([&] { return app.Cells().size() == 1; })); // and its event queued for the log
    app.PostCommand(ID_OPTIONS_PROCESSING);
    HWND dialog = app.WaitForWindow("Process Options");
    EXPECT_EQ(app.Control(dialog, IDC_LOG_FILE).text, "");
    app.Post(dialog, WM_COMMAND, IDCANCEL);
    app.PostCommand(ID_OPTIONS_BLACKLIST);
    dialog = app.WaitForWindow("Black List");
    app.Post(GetDlgItem(dialog, IDC_BLACKLIST_SAVE), BM_CLICK);
    app.AnswerBox("Cannot save the black list: the application-data folder cannot be found.", {"OK"}, "exclamation",
                  IDOK);
    app.Post(dialog, WM_COMMAND, IDCANCEL);
    EXPECT_EQ(app.Close(), 0u);
    EXPECT_FALSE(std::filesystem::exists("C:\\Pelloran"));
    EXPECT_FALSE(std::filesystem::exists(folder.roaming)) << "nothing made it again";
}
