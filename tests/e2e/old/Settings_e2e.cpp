// End-to-end tests of the settings key: where the window opens, what the key's values do at start, what
// the program writes at close, and the values it must not take.
#include "Suite.h"

#include <functional>

using namespace e2e;

namespace {

constexpr UINT kAutoupdate = 32798;
constexpr UINT kEstablishedOnly = 32799;
constexpr UINT kResolve = 32800;

class Settings : public ProgramTest {
protected:
    void SetUp() override {
        ProgramTest::SetUp();
        table.Write(Row("ESTABLISHED", "10.0.0.1", 1000, "10.0.0.2", 80));
    }

    // The placement values the program keeps (WindowCmd, WindowPosX, WindowPosY, WindowSizeX, WindowSizeY).
    static void ExpectStored(DWORD command, DWORD left, DWORD top, DWORD right, DWORD bottom) {
        const char* names[] = {"WindowCmd", "WindowPosX", "WindowPosY", "WindowSizeX", "WindowSizeY"};
        const DWORD values[] = {command, left, top, right, bottom};
        for (int i = 0; i < 5; ++i) {
            EXPECT_EQ(ReadDword(kSettingsKey, names[i]), std::optional<DWORD>(values[i])) << names[i];
            EXPECT_EQ(ValueType(kSettingsKey, names[i]), std::optional<DWORD>(REG_DWORD)) << names[i];
        }
    }
};

} // namespace

// What the key's values do at start. Which rectangles are usable is a portable rule tested natively
// (settings_rules_test.cpp); here one that is not shows the program applies it.
TEST_F(Settings, TheKeysValuesPlaceTheWindowAtStart) {
    struct Case {
        const char* what;
        std::function<void()> store;
        RECT expected; // all zero: anywhere on the screen
        bool topmost;
    } cases[] = {
        {"a key without placement values",
         [] { WriteDword(kSettingsKey, "EnableLogging", 0); },
         {0, 0, 640, 480},
         false},
        {"stored edges, on top",
         [] {
             StorePlacement(100, 50, 900, 650);
             WriteDword(kSettingsKey, "WindowOnTop", 1);
         },
         {100, 50, 900, 650},
         true},
        {"short data zero-extended, long data ignored",
         [] {
             StorePlacement(0, 0, 900, 600);
             WriteBinary(kSettingsKey, "WindowPosX", {0x2C, 0x01});                   // 300 in two bytes
             WriteBinary(kSettingsKey, "WindowPosY", {0x64, 0x00, 0x00, 0x00, 0x00}); // five bytes: not a DWORD
         },
         {300, 0, 900, 600},
         false},
        {"a rectangle entirely off the screen", [] { StorePlacement(5000, 4000, 5800, 4600); }, {}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ResetSettings();
        c.store();
        App app(table.Options());
        const RECT rect = e2e::WindowRect(app.MainWindow());
        if (c.expected.right != 0) {
            EXPECT_EQ(Describe(rect), Describe(c.expected));
        } else {
            RECT screen{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)}, overlap{};
            EXPECT_TRUE(IntersectRect(&overlap, &rect, &screen)) << Describe(rect);
        }
        EXPECT_EQ(app.IsTopmost(), c.topmost);
    }
}

TEST_F(Settings, NoKeyLeavesTheSystemsPlacementAndNoTimer) {
    App app(table.Options());
    EXPECT_GT(Width(e2e::WindowRect(app.MainWindow())), 0);
    EXPECT_FALSE(app.IsTopmost());
    EXPECT_FALSE(app.MenuCommand(kAutoupdate).checked);
    size_t reads = table.SuccessfulReads().size();
    EXPECT_EQ(reads, 1u) << "the first read only";
    Pause(4000ms);
    EXPECT_EQ(table.SuccessfulReads().size(), reads) << "no refresh timer on a first start";
    EXPECT_FALSE(KeyExists(kSettingsKey)) << "nothing is written before the window closes";
}

TEST_F(Settings, AMaximisedWindowStoresItsRestoredRectangleAndReopensMaximised) {
    StorePlacement(100, 50, 900, 650);
    // The second start shows the restored rectangle survived a maximised start (the program's own placement,
    // saved again; another process cannot read a window's restored rectangle under Wine).
    for (bool maximise : {true, false}) {
        App app(table.Options());
        if (maximise)
            ShowWindowAsync(app.MainWindow(), SW_MAXIMIZE);
        ASSERT_TRUE(WaitUntil([&] { return IsZoomed(app.MainWindow()) != FALSE; }));
        EXPECT_EQ(app.Close(), 0u);
        ExpectStored(SW_SHOWMAXIMIZED, 100, 50, 900, 650);
    }
}

TEST_F(Settings, TheValuesWrittenAtCloseDescribeTheWindowAndTheTogglesThatSurviveARestart) {
    {
        App app(table.Options());
        SetWindowPos(app.MainWindow(), nullptr, 120, 80, 700, 500, SWP_NOZORDER | SWP_NOACTIVATE);
        app.Sync();
        app.SendCommand(kEstablishedOnly);
        app.SendCommand(kAutoupdate);
        app.SendCommand(kResolve);
        EXPECT_EQ(app.Close(), 0u);
    }
    ExpectStored(SW_SHOWNORMAL, 120, 80, 820, 580);
    for (const auto& [name, value] :
         {std::pair{"ShowEstablishedOnly", 1}, std::pair{"Autoupdate", 1}, std::pair{"Resolve", 0}}) {
        EXPECT_EQ(ReadDword(kSettingsKey, name), std::optional<DWORD>(value)) << name;
        EXPECT_EQ(ValueType(kSettingsKey, name), std::optional<DWORD>(REG_DWORD)) << name;
    }
    EXPECT_FALSE(ValueExists(kSettingsKey, "UpdateInterval")) << "only placement and toggles are written at close";
    App app(table.Options());
    EXPECT_TRUE(app.MenuCommand(kEstablishedOnly).checked);
    EXPECT_TRUE(app.MenuCommand(kAutoupdate).checked);
    EXPECT_FALSE(app.MenuCommand(kResolve).checked);
}

// (An interval in range is taken: e2e.ProcessOptionsDialog.)
TEST_F(Settings, AnUpdateIntervalOutOfRangeIsIgnored) {
    WriteDword(kSettingsKey, "Autoupdate", 1);
    WriteDword(kSettingsKey, "UpdateInterval", 10);
    App app(table.Options());
    EXPECT_TRUE(app.MenuCommand(kAutoupdate).checked);
    ExpectRefreshPeriod(2000, 4500, "10 is out of range: the period stays 3 s");
}
