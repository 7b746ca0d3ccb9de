// The fixture the end-to-end suites derive from: each test starts from a fresh settings key, data folder and
// Windows version, with its own scripted connection table.
#ifndef PELLORAN_E2E_SUITE_H
#define PELLORAN_E2E_SUITE_H

#include "E2e.h"
#include "FakeTable.h"

#include <gtest/gtest.h>

namespace e2e {

class ProgramTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetProgramState();
        ClearWindowsVersion();
    }
    void TearDown() override { ClearWindowsVersion(); }

    // The window's stored placement (edges, as the program keeps them), so pictures and clicks land where the
    // test expects them.
    static void StorePlacement(DWORD left, DWORD top, DWORD right, DWORD bottom) {
        WriteDword(kSettingsKey, "WindowPosX", left);
        WriteDword(kSettingsKey, "WindowPosY", top);
        WriteDword(kSettingsKey, "WindowSizeX", right);
        WriteDword(kSettingsKey, "WindowSizeY", bottom);
    }

    // Waits for the program's message box, checks its text, buttons and icon (IDI_EXCLAMATION...), and
    // presses `button`.
    static void AnswerMessageBox(const App& app, const std::string& text, const std::vector<std::string>& buttons,
                                 LPCSTR icon, int button) {
        HWND box = app.WaitForWindow(App::kTitle);
        const MessageBoxView view = ReadMessageBox(box);
        EXPECT_EQ(view.texts, std::vector<std::string>{text});
        EXPECT_EQ(view.buttons, buttons);
        ASSERT_NE(view.icon, nullptr) << text;
        BringToForeground(box);
        LPCSTR shown = nullptr;
        WaitUntil([&] { return (shown = ShownIcon(view.icon)) == icon; }, 3s);
        EXPECT_EQ(shown, icon) << text;
        Post(box, WM_COMMAND, button, 0);
        WaitClosed(box);
    }

    // Every gap between the table reads that start after this call, over about three periods.
    void ExpectRefreshPeriod(uint64_t lowMs, uint64_t highMs, const char* why) const {
        const size_t from = table.SuccessfulReads().size();
        Pause(Milliseconds(highMs * 3 + 500));
        const auto reads = table.SuccessfulReads();
        ASSERT_GE(reads.size(), from + 3) << why;
        for (size_t i = from + 1; i < reads.size(); ++i) {
            EXPECT_GT(reads[i].milliseconds - reads[i - 1].milliseconds, lowMs) << why;
            EXPECT_LT(reads[i].milliseconds - reads[i - 1].milliseconds, highMs) << why;
        }
    }

    FakeTable table;
};

} // namespace e2e

#endif
