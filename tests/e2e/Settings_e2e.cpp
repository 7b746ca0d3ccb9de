// End-to-end tests of the settings key: where the window opens, what the key's values do at start, what
// the program writes at close, and the values it must not take.
#include "E2e.h"
#include "FakeTable.h"

#include <gtest/gtest.h>

using namespace e2e;

namespace {

constexpr UINT kAutoupdate = 32798;
constexpr UINT kEstablishedOnly = 32799;
constexpr UINT kResolve = 32800;

class Settings : public ::testing::Test {
protected:
    void SetUp() override {
        ResetProgramState();
        ClearWindowsVersion();
        table.Write(Row("ESTABLISHED", "10.0.0.1", 1000, "10.0.0.2", 80));
    }

    static RECT WindowRect(const App& app) {
        RECT rect{};
        GetWindowRect(app.MainWindow(), &rect);
        return rect;
    }

    static void ExpectRect(const RECT& rect, int left, int top, int right, int bottom) {
        EXPECT_EQ(rect.left, left);
        EXPECT_EQ(rect.top, top);
        EXPECT_EQ(rect.right, right);
        EXPECT_EQ(rect.bottom, bottom) << Describe(rect);
    }

    // Milliseconds between the successful table reads after `from`.
    std::vector<uint64_t> ReadGaps(size_t from) const {
        auto reads = table.SuccessfulReads();
        std::vector<uint64_t> gaps;
        for (size_t i = from + 1; i < reads.size(); ++i)
            gaps.push_back(reads[i].milliseconds - reads[i - 1].milliseconds);
        return gaps;
    }

    FakeTable table;
};

} // namespace

TEST_F(Settings, KeyWithoutPlacementValuesOpensAtTheOriginWith640By480) {
    WriteDword(kSettingsKey, "EnableLogging", 0);
    App app(table.Options());
    ExpectRect(WindowRect(app), 0, 0, 640, 480);
    EXPECT_FALSE(app.IsTopmost());
}

TEST_F(Settings, StoredEdgesGiveThePlacement) {
    WriteDword(kSettingsKey, "WindowPosX", 100);
    WriteDword(kSettingsKey, "WindowPosY", 50);
    WriteDword(kSettingsKey, "WindowSizeX", 900);
    WriteDword(kSettingsKey, "WindowSizeY", 650);
    App app(table.Options());
    ExpectRect(WindowRect(app), 100, 50, 900, 650);
}

TEST_F(Settings, NoKeyLeavesTheSystemsPlacementAndNoTimer) {
    App app(table.Options());
    RECT rect = WindowRect(app);
    EXPECT_GT(Width(rect), 0);
    EXPECT_FALSE(app.IsTopmost());
    EXPECT_FALSE(app.MenuCommand(kAutoupdate).checked);
    size_t reads = table.SuccessfulReads().size();
    EXPECT_EQ(reads, 1u) << "the first read only";
    Pause(4000ms);
    EXPECT_EQ(table.SuccessfulReads().size(), reads) << "no refresh timer on a first start";
    EXPECT_FALSE(KeyExists(kSettingsKey)) << "nothing is written before the window closes";
}

TEST_F(Settings, AMaximisedWindowStoresItsRestoredRectangleAndReopensMaximised) {
    WriteDword(kSettingsKey, "WindowPosX", 100);
    WriteDword(kSettingsKey, "WindowPosY", 50);
    WriteDword(kSettingsKey, "WindowSizeX", 900);
    WriteDword(kSettingsKey, "WindowSizeY", 650);
    {
        App app(table.Options());
        ShowWindowAsync(app.MainWindow(), SW_MAXIMIZE);
        ASSERT_TRUE(WaitUntil([&] { return IsZoomed(app.MainWindow()) != FALSE; }));
        EXPECT_EQ(app.Close(), 0u);
    }
    EXPECT_EQ(ReadDword(kSettingsKey, "WindowCmd"), std::optional<DWORD>(SW_SHOWMAXIMIZED));
    EXPECT_EQ(ReadDword(kSettingsKey, "WindowPosX"), std::optional<DWORD>(100));
    EXPECT_EQ(ReadDword(kSettingsKey, "WindowPosY"), std::optional<DWORD>(50));
    EXPECT_EQ(ReadDword(kSettingsKey, "WindowSizeX"), std::optional<DWORD>(900));
    EXPECT_EQ(ReadDword(kSettingsKey, "WindowSizeY"), std::optional<DWORD>(650));

    {
        App again(table.Options());
        ASSERT_TRUE(WaitUntil([&] { return IsZoomed(again.MainWindow()) != FALSE; }));
        EXPECT_EQ(again.Close(), 0u);
    }
    // The restored rectangle survived the maximised start (the program's own placement, saved again;
    // another process cannot read a window's restored rectangle under Wine).
    EXPECT_EQ(ReadDword(kSettingsKey, "WindowCmd"), std::optional<DWORD>(SW_SHOWMAXIMIZED));
    EXPECT_EQ(ReadDword(kSettingsKey, "WindowPosX"), std::optional<DWORD>(100));
    EXPECT_EQ(ReadDword(kSettingsKey, "WindowPosY"), std::optional<DWORD>(50));
    EXPECT_EQ(ReadDword(kSettingsKey, "WindowSizeX"), std::optional<DWORD>(900));
    EXPECT_EQ(ReadDword(kSettingsKey, "WindowSizeY"), std::optional<DWORD>(650));
}

TEST_F(Settings, TheValuesWrittenAtCloseDescribeTheWindowAndTheToggles) {
    App app(table.Options());
    SetWindowPos(app.MainWindow(), nullptr, 120, 80, 700, 500, SWP_NOZORDER | SWP_NOACTIVATE);
    app.Sync();
    app.SendCommand(kEstablishedOnly);
    app.SendCommand(kResolve);
    EXPECT_EQ(app.Close(), 0u);
    EXPECT_EQ(ReadDword(kSettingsKey, "WindowCmd"), std::optional<DWORD>(SW_SHOWNORMAL));
    EXPECT_EQ(ReadDword(kSettingsKey, "WindowPosX"), std::optional<DWORD>(120));
    EXPECT_EQ(ReadDword(kSettingsKey, "WindowPosY"), std::optional<DWORD>(80));
    EXPECT_EQ(ReadDword(kSettingsKey, "WindowSizeX"), std::optional<DWORD>(820));
    EXPECT_EQ(ReadDword(kSettingsKey, "WindowSizeY"), std::optional<DWORD>(580));
    EXPECT_EQ(ReadDword(kSettingsKey, "ShowEstablishedOnly"), std::optional<DWORD>(1));
    EXPECT_EQ(ReadDword(kSettingsKey, "Autoupdate"), std::optional<DWORD>(0));
    EXPECT_EQ(ReadDword(kSettingsKey, "Resolve"), std::optional<DWORD>(0));
    for (const char* name : {"WindowCmd", "ShowEstablishedOnly", "Autoupdate", "Resolve", "WindowPosX"})
        EXPECT_EQ(ValueType(kSettingsKey, name), std::optional<DWORD>(REG_DWORD)) << name;
    EXPECT_FALSE(ValueExists(kSettingsKey, "UpdateInterval")) << "only placement and toggles are written at close";
}

TEST_F(Settings, TheThreeTogglesSurviveARestart) {
    {
        App app(table.Options());
        app.SendCommand(kEstablishedOnly);
        app.SendCommand(kAutoupdate);
        app.SendCommand(kResolve);
        EXPECT_EQ(app.Close(), 0u);
    }
    App app(table.Options());
    EXPECT_TRUE(app.MenuCommand(kEstablishedOnly).checked);
    EXPECT_TRUE(app.MenuCommand(kAutoupdate).checked);
    EXPECT_FALSE(app.MenuCommand(kResolve).checked);
}

TEST_F(Settings, WindowOnTopMakesTheWindowTopmost) {
    WriteDword(kSettingsKey, "WindowOnTop", 1);
    App app(table.Options());
    EXPECT_TRUE(app.IsTopmost());
}

TEST_F(Settings, AnUpdateIntervalOutOfRangeIsIgnoredAndOneIsTaken) {
    WriteDword(kSettingsKey, "Autoupdate", 1);
    WriteDword(kSettingsKey, "UpdateInterval", 10);
    {
        App app(table.Options());
        EXPECT_TRUE(app.MenuCommand(kAutoupdate).checked);
        Pause(9500ms);
        auto gaps = ReadGaps(0);
        ASSERT_GE(gaps.size(), 2u);
        for (uint64_t gap : gaps) {
            EXPECT_GT(gap, 2000u) << "10 is out of range: the period stays 3 s";
            EXPECT_LT(gap, 4500u);
        }
        app.Close();
    }
    WriteDword(kSettingsKey, "UpdateInterval", 1);
    size_t from = table.SuccessfulReads().size();
    App app(table.Options());
    Pause(4500ms);
    auto gaps = ReadGaps(from);
    ASSERT_GE(gaps.size(), 3u);
    for (uint64_t gap : gaps)
        EXPECT_LT(gap, 1800u) << "1 s is in range";
}

TEST_F(Settings, ShortDataIsZeroExtendedAndLongDataIgnored) {
    WriteBinary(kSettingsKey, "WindowPosX", {0x2C, 0x01});                   // 300 in two bytes
    WriteBinary(kSettingsKey, "WindowPosY", {0x64, 0x00, 0x00, 0x00, 0x00}); // five bytes: not a DWORD
    WriteDword(kSettingsKey, "WindowSizeX", 900);
    WriteDword(kSettingsKey, "WindowSizeY", 600);
    App app(table.Options());
    ExpectRect(WindowRect(app), 300, 0, 900, 600);
}

TEST_F(Settings, ARectangleEntirelyOffScreenIsNotApplied) {
    WriteDword(kSettingsKey, "WindowPosX", 5000);
    WriteDword(kSettingsKey, "WindowPosY", 4000);
    WriteDword(kSettingsKey, "WindowSizeX", 5800);
    WriteDword(kSettingsKey, "WindowSizeY", 4600);
    App app(table.Options());
    RECT rect = WindowRect(app);
    RECT screen{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    RECT overlap{};
    EXPECT_TRUE(IntersectRect(&overlap, &rect, &screen)) << Describe(rect);

    // A rectangle with no width is not applied either.
    app.Close();
    WriteDword(kSettingsKey, "WindowPosX", 100);
    WriteDword(kSettingsKey, "WindowPosY", 100);
    WriteDword(kSettingsKey, "WindowSizeX", 100);
    WriteDword(kSettingsKey, "WindowSizeY", 500);
    App again(table.Options());
    EXPECT_GT(Width(WindowRect(again)), 0);
}
