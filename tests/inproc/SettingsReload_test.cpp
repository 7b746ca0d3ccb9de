// The settings reload a dialog's OK triggers, on a frame without a window: the values it rereads that the
// running program does not show from outside yet (colours, toggles, intervals and the pending events it
// drops are shown end to end through the dialogs).
#include "app/MainFrame.h"

#include <gtest/gtest.h>

namespace {

constexpr char kKey[] = "SOFTWARE\\Quintaro\\Pelloran";

void WriteDword(const char* name, DWORD value) {
    ASSERT_EQ(RegSetKeyValueA(HKEY_CURRENT_USER, kKey, name, REG_DWORD, &value, sizeof value), ERROR_SUCCESS);
}

class SettingsReload : public ::testing::Test {
protected:
    void SetUp() override { RegDeleteTreeA(HKEY_CURRENT_USER, kKey); }
    void TearDown() override { RegDeleteTreeA(HKEY_CURRENT_USER, kKey); }

    CMainFrame frame;
};

} // namespace

// The logging interval's timer runs for minutes, so its reread is checked here.
TEST_F(SettingsReload, AReloadRereadsTheLoggingIntervalAndTheBlackListFlag) {
    WriteDword("LoggingInterval", 6);
    WriteDword("EnableBlackList", 1);
    frame.LoadSettings();
    EXPECT_EQ(frame.loggingInterval, 6);
    EXPECT_EQ(frame.enableBlackList, 1);

    WriteDword("LoggingInterval", 20);
    WriteDword("EnableBlackList", 0);
    frame.LoadSettings();
    EXPECT_EQ(frame.loggingInterval, 20);
    EXPECT_EQ(frame.enableBlackList, 0);

    WriteDword("LoggingInterval", 21); // out of range: the interval in use stays
    frame.LoadSettings();
    EXPECT_EQ(frame.loggingInterval, 20);
}
