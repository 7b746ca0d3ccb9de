// Accepted ranges of the settings key, where the data files lie, and whether (and where) a stored window
// rectangle is restored.
#include "app/SettingsRules.h"

#include <gtest/gtest.h>

using settings::Rect;

TEST(SettingsRules, IntervalRangesIncludeTheirEndsOnly) {
    for (uint32_t value : {0u, 1u, 9u, 10u, 0xFFFFFFFFu}) // -1 stored as a DWORD
        EXPECT_EQ(settings::UpdateIntervalAccepted(value), value == 1 || value == 9) << value;
    for (uint32_t value : {4u, 5u, 20u, 21u})
        EXPECT_EQ(settings::LoggingIntervalAccepted(value), value == 5 || value == 20) << value;
}

TEST(SettingsRules, DataFilesLieInPelloranOfTheApplicationDataFolderAndNowhereWithoutIt) {
    const std::string roaming = "C:\\users\\me\\AppData\\Roaming";
    EXPECT_EQ(settings::DataFolderPath(roaming), roaming + "\\Pelloran");
    EXPECT_EQ(settings::DataFilePath(roaming, "blacklist.xml"), roaming + "\\Pelloran\\blacklist.xml");
    EXPECT_EQ(settings::DataFolderPath(""), "") << "not \\Pelloran at the root of the current drive";
    EXPECT_EQ(settings::DataFilePath("", "LogEvents.txt"), "");
}

TEST(SettingsRules, APlacementNeedsAPositiveSizeAndAVisibleWorkArea) {
    const std::vector<Rect> one = {{0, 0, 1280, 994}}, two = {{0, 0, 1280, 994}, {1280, 0, 2560, 1024}};
    // clang-format off
    const struct { Rect stored; const std::vector<Rect>& screens; bool usable; } cases[] = {
        // Inside, partly off-screen, on a second monitor.
        {{100, 50, 900, 650}, one, true}, {{-300, -20, 10, 300}, one, true}, {{1500, 100, 2300, 700}, two, true},
        // No width, a negative height, entirely off-screen, touching the edge only, beyond the second monitor.
        {{100, 50, 100, 650}, one, false}, {{100, 650, 900, 50}, one, false}, {{5000, 5000, 5800, 5600}, one, false},
        {{-900, 0, 0, 600}, one, false}, {{2600, 100, 3000, 700}, two, false},
        // No monitor; the extreme edges, both ways round, without overflow.
        {{0, 0, 640, 480}, {}, false}, {{INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX}, one, true},
        {{INT32_MAX, 0, INT32_MIN, 100}, one, false},
    };
    // clang-format on
    for (const auto& c : cases)
        EXPECT_EQ(settings::PlacementUsable(c.stored, c.screens), c.usable) << "case " << &c - cases;
}

// The stored edges are workspace coordinates (the window placement's); the window is placed in screen
// coordinates. With the taskbar at the top or left the primary work area does not start at (0, 0), and a
// restore without the conversion moves the window by the taskbar's size at every start.
TEST(SettingsRules, StoredWorkspaceEdgesBecomeAScreenBoxWithoutOverflow) {
    using settings::WindowBox;
    // clang-format off
    const struct { const char* what; Rect stored, primaryWork; bool applied; WindowBox box; } cases[] = {
        {"work area at the origin", {100, 50, 900, 650}, {0, 0, 1280, 994}, true, {100, 50, 800, 600}},
        {"taskbar at the top", {100, 50, 900, 650}, {0, 30, 1280, 1024}, true, {100, 80, 800, 600}},
        {"taskbar at the left", {0, 0, 640, 480}, {60, 0, 1280, 1024}, true, {60, 0, 640, 480}},
        {"whole 32-bit range", {INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX}, {0, 30, 1280, 1024}, true,
         {INT32_MIN + 0, INT32_MIN + 30, INT32_MAX, INT32_MAX}},
        {"off-screen once converted", {100, 1000, 900, 1500}, {0, 30, 1280, 1024}, false, {-7, -7, -7, -7}},
        {"no width", {100, 100, 100, 500}, {0, 0, 1280, 1024}, false, {-7, -7, -7, -7}},
    };
    // clang-format on
    for (const auto& c : cases) {
        WindowBox box{-7, -7, -7, -7};
        EXPECT_EQ(settings::RestoredWindowBox(c.stored, c.primaryWork, {c.primaryWork}, box), c.applied) << c.what;
        EXPECT_EQ(std::vector<int32_t>({box.x, box.y, box.width, box.height}),
                  std::vector<int32_t>({c.box.x, c.box.y, c.box.width, c.box.height}))
            << c.what;
    }
}
