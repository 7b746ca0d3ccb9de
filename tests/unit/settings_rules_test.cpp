// Where the data files lie, and whether (and where) a stored window rectangle is restored. (The accepted ranges of
// the settings key show through the dialogs end to end.)
#include "app/SettingsRules.h"

#include <gtest/gtest.h>

using settings::Rect;
using settings::WindowBox;

TEST(SettingsRules, DataFilesLieInPelloranOfTheApplicationDataFolderAndNowhereWithoutIt) {
    EXPECT_EQ(settings::DataFilePath("C:\\users\\me\\AppData\\Roaming", "blacklist.xml"),
              "C:\\users\\me\\AppData\\Roaming\\Pelloran\\blacklist.xml");
    EXPECT_EQ(settings::DataFolderPath("") + settings::DataFilePath("", "LogEvents.txt"), "")
        << "not \\Pelloran at the root of the current drive";
}

// A stored rectangle is restored only with a positive size and a part inside some monitor's work area. Its edges
// are workspace coordinates (the window placement's); the window is placed in screen coordinates. With the taskbar
// at the top or left the primary work area does not start at (0, 0), and a restore without the conversion moves
// the window by the taskbar's size at every start.
TEST(SettingsRules, AStoredPlacementIsRestoredOnAVisibleWorkAreaInScreenCoordinates) {
    const Rect work{0, 0, 1280, 994}, second{1280, 0, 2560, 1024}, top{0, 30, 1280, 1024}, left{60, 0, 1280, 1024};
    const WindowBox none{-7, -7, -7, -7};
    // clang-format off
    const struct { const char* what; Rect stored, primary; std::vector<Rect> areas; WindowBox box; } cases[] = {
        {"partly off-screen", {-300, -20, 10, 300}, work, {work}, {-300, -20, 310, 320}},
        {"on a second monitor", {1500, 100, 2300, 700}, work, {work, second}, {1500, 100, 800, 600}},
        {"taskbar at the top", {100, 50, 900, 650}, top, {top}, {100, 80, 800, 600}},
        {"taskbar at the left", {0, 0, 640, 480}, left, {left}, {60, 0, 640, 480}},
        {"whole 32-bit range", {INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX}, top, {top},
         {INT32_MIN, INT32_MIN + 30, INT32_MAX, INT32_MAX}},
        {"no width", {100, 50, 100, 650}, work, {work}, none},
        {"a negative height", {100, 650, 900, 50}, work, {work}, none},
        {"entirely off-screen", {5000, 5000, 5800, 5600}, work, {work}, none},
        {"touching the edge only", {-900, 0, 0, 600}, work, {work}, none},
        {"beyond the second monitor", {2600, 100, 3000, 700}, work, {work, second}, none},
        {"off-screen once converted", {100, 1000, 900, 1500}, top, {top}, none},
        {"no monitor", {0, 0, 640, 480}, work, {}, none},
        {"extreme edges the wrong way round", {INT32_MAX, 0, INT32_MIN, 100}, work, {work}, none},
    };
    // clang-format on
    for (const auto& c : cases) {
        WindowBox box = none;
        EXPECT_EQ(settings::RestoredWindowBox(c.stored, c.primary, c.areas, box), c.box.width != none.width) << c.what;
        EXPECT_EQ(std::tuple(box.x, box.y, box.width, box.height),
                  std::tuple(c.box.x, c.box.y, c.box.width, c.box.height))
            << c.what;
    }
}
