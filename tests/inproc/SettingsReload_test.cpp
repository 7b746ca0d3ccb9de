// The settings reload a dialog's OK triggers, on a frame without a window: the values it rereads that the
// running program does not show from outside yet, and the pending events it drops when logging is off.
#include "app/MainFrame.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

constexpr char kKey[] = "SOFTWARE\\Quintaro\\Pelloran";

void WriteDword(const char* name, DWORD value) {
    ASSERT_EQ(RegSetKeyValueA(HKEY_CURRENT_USER, kKey, name, REG_DWORD, &value, sizeof value), ERROR_SUCCESS);
}

ConnectionEntry Established(const char* remote) {
    ConnectionEntry entry;
    std::strcpy(entry.remoteAddressText, remote);
    std::strcpy(entry.stateText, "ESTABLISHED");
    return entry;
}

class SettingsReload : public ::testing::Test {
protected:
    void SetUp() override { RegDeleteTreeA(HKEY_CURRENT_USER, kKey); }
    void TearDown() override { RegDeleteTreeA(HKEY_CURRENT_USER, kKey); }

    CMainFrame frame;
};

} // namespace

// What the reload takes that no running program shows from outside yet: the logging interval (its timer
// runs for minutes and flushes nothing before the event log exists), the black-list flag and the colours.
// The toggles, the refresh interval, the on-top state and the log path are tested through the Process
// Options dialog end to end.
TEST_F(SettingsReload, AReloadRereadsTheLoggingIntervalTheBlackListFlagAndTheColours) {
    WriteDword("LoggingInterval", 6);
    WriteDword("EnableBlackList", 1);
    WriteDword("SelectColor", 0x00123456);
    frame.LoadSettings();
    EXPECT_EQ(frame.loggingInterval, 6);
    EXPECT_EQ(frame.enableBlackList, 1);

    WriteDword("LoggingInterval", 20);
    WriteDword("EnableBlackList", 0);
    WriteDword("SelectColor", 0x00654321);
    WriteDword("ListeningColor", 0x00ABCDEF);
    frame.LoadSettings();
    EXPECT_EQ(frame.loggingInterval, 20);
    EXPECT_EQ(frame.enableBlackList, 0);
    EXPECT_EQ(frame.listCtrl.SelectColor, 0x00654321u);
    EXPECT_EQ(frame.listCtrl.ListeningColor, 0x00ABCDEFu);

    WriteDword("LoggingInterval", 21); // out of range: the interval in use stays
    frame.LoadSettings();
    EXPECT_EQ(frame.loggingInterval, 20);
}

TEST_F(SettingsReload, PendingEventsAreDroppedWhenLoggingIsOffAndKeptWhenItIsOn) {
    WriteDword("EnableLogging", 1);
    frame.eventQueue.AppendIfNew(Established("10.0.0.2"));
    frame.LoadSettings();
    EXPECT_EQ(frame.eventQueue.Size(), 1u);

    WriteDword("EnableLogging", 0);
    frame.LoadSettings();
    EXPECT_TRUE(frame.eventQueue.Empty());
}
