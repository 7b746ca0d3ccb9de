// Accepted ranges of the settings key and the decision whether a stored window rectangle is restored.
#include "app/SettingsRules.h"

#include <gtest/gtest.h>

using settings::PlacementUsable;
using settings::Rect;

TEST(SettingsRules, IntervalRangesIncludeTheirEndsOnly) {
    EXPECT_FALSE(settings::UpdateIntervalAccepted(0));
    EXPECT_TRUE(settings::UpdateIntervalAccepted(1));
    EXPECT_TRUE(settings::UpdateIntervalAccepted(9));
    EXPECT_FALSE(settings::UpdateIntervalAccepted(10));
    EXPECT_FALSE(settings::UpdateIntervalAccepted(0xFFFFFFFFu)); // -1 stored as a DWORD

    EXPECT_FALSE(settings::LoggingIntervalAccepted(4));
    EXPECT_TRUE(settings::LoggingIntervalAccepted(5));
    EXPECT_TRUE(settings::LoggingIntervalAccepted(20));
    EXPECT_FALSE(settings::LoggingIntervalAccepted(21));
}

TEST(SettingsRules, LogFileMustFitThePathBufferWithItsNul) {
    EXPECT_TRUE(settings::LogFileLengthAccepted(0));
    EXPECT_TRUE(settings::LogFileLengthAccepted(259));
    EXPECT_FALSE(settings::LogFileLengthAccepted(260));
}

TEST(SettingsRules, DataFilesLieInPelloranOfTheApplicationDataFolderAndNowhereWithoutIt) {
    const std::string roaming = "C:\\users\\me\\AppData\\Roaming";
    EXPECT_EQ(settings::DataFolderPath(roaming), roaming + "\\Pelloran");
    EXPECT_EQ(settings::DataFilePath(roaming, "blacklist.xml"), roaming + "\\Pelloran\\blacklist.xml");
    EXPECT_EQ(settings::DataFolderPath(""), "") << "not \\Pelloran at the root of the current drive";
    EXPECT_EQ(settings::DataFilePath("", "LogEvents.txt"), "");
}

TEST(SettingsRules, PlacementNeedsPositiveSizeAndAVisibleWorkArea) {
    const std::vector<Rect> oneScreen = {{0, 0, 1280, 994}};
    EXPECT_TRUE(PlacementUsable({100, 50, 900, 650}, oneScreen));
    EXPECT_TRUE(PlacementUsable({0, 0, 640, 480}, oneScreen));
    // Partly off-screen still shows part of the window.
    EXPECT_TRUE(PlacementUsable({-300, -20, 10, 300}, oneScreen));

    EXPECT_FALSE(PlacementUsable({100, 50, 100, 650}, oneScreen)) << "zero width";
    EXPECT_FALSE(PlacementUsable({100, 650, 900, 50}, oneScreen)) << "negative height";
    EXPECT_FALSE(PlacementUsable({5000, 5000, 5800, 5600}, oneScreen)) << "entirely off-screen";
    EXPECT_FALSE(PlacementUsable({-900, 0, 0, 600}, oneScreen)) << "touching the edge is not overlapping";
    EXPECT_FALSE(PlacementUsable({0, 0, 640, 480}, {})) << "no monitor";
}

TEST(SettingsRules, PlacementOnASecondMonitorIsKept) {
    const std::vector<Rect> twoScreens = {{0, 0, 1280, 994}, {1280, 0, 2560, 1024}};
    EXPECT_TRUE(PlacementUsable({1500, 100, 2300, 700}, twoScreens));
    EXPECT_FALSE(PlacementUsable({2600, 100, 3000, 700}, twoScreens));
}

TEST(SettingsRules, ExtremeStoredEdgesDoNotOverflow) {
    const std::vector<Rect> oneScreen = {{0, 0, 1280, 994}};
    EXPECT_TRUE(PlacementUsable({INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX}, oneScreen));
    EXPECT_FALSE(PlacementUsable({INT32_MAX, 0, INT32_MIN, 100}, oneScreen));
}

// The stored edges are workspace coordinates (the window placement's); the window is placed in screen
// coordinates. With the taskbar at the top or left the primary work area does not start at (0, 0), and a
// restore without the conversion moves the window by the taskbar's size at every start.
TEST(SettingsRules, StoredWorkspaceEdgesBecomeAScreenBoxWithoutOverflow) {
    using settings::WindowBox;
    struct Case {
        const char* what;
        Rect stored, primaryWork;
        bool applied;
        WindowBox box;
    };
    const Case cases[] = {
        {"work area at the origin", {100, 50, 900, 650}, {0, 0, 1280, 994}, true, {100, 50, 800, 600}},
        {"taskbar at the top", {100, 50, 900, 650}, {0, 30, 1280, 1024}, true, {100, 80, 800, 600}},
        {"taskbar at the left", {0, 0, 640, 480}, {60, 0, 1280, 1024}, true, {60, 0, 640, 480}},
        {"whole 32-bit range",
         {INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX},
         {0, 30, 1280, 1024},
         true,
         {INT32_MIN + 0, INT32_MIN + 30, INT32_MAX, INT32_MAX}},
        {"off-screen once converted", {100, 1000, 900, 1500}, {0, 30, 1280, 1024}, false, {}},
        {"no width", {100, 100, 100, 500}, {0, 0, 1280, 1024}, false, {}},
    };
    for (const Case& c : cases) {
        WindowBox box{-7, -7, -7, -7};
        ASSERT_EQ(settings::RestoredWindowBox(c.stored, c.primaryWork, {c.primaryWork}, box), c.applied) << c.what;
        if (!c.applied)
            continue;
        EXPECT_EQ(box.x, c.box.x) << c.what;
        EXPECT_EQ(box.y, c.box.y) << c.what;
        EXPECT_EQ(box.width, c.box.width) << c.what;
        EXPECT_EQ(box.height, c.box.height) << c.what;
    }
}
