// The settings reload a dialog's OK triggers, on a frame without a window: which values it rereads from the
// settings key and which it leaves as the user set them, and the log path it accepts.
#include "app/MainFrame.h"
#include "app/SettingsKey.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

constexpr char kKey[] = "SOFTWARE\\Quintaro\\Pelloran";

void WriteDword(const char* name, DWORD value) {
    ASSERT_EQ(RegSetKeyValueA(HKEY_CURRENT_USER, kKey, name, REG_DWORD, &value, sizeof value), ERROR_SUCCESS);
}

void WriteText(const char* name, const std::string& text) {
    ASSERT_EQ(RegSetKeyValueA(HKEY_CURRENT_USER, kKey, name, REG_SZ, text.c_str(), static_cast<DWORD>(text.size() + 1)),
              ERROR_SUCCESS);
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

// A path of `length` characters under the prefix's drive.
std::string PathOfLength(size_t length) {
    std::string path = "C:\\logs\\";
    path.append(length - path.size() - 4, 'x');
    return path + ".txt";
}

} // namespace

TEST_F(SettingsReload, LogFileUpTo259CharactersIsTakenAndLongerLeavesTheDefaultPath) {
    ASSERT_FALSE(DefaultLogFilePath().empty());
    ASSERT_NE(DefaultLogFilePath().find("\\Pelloran\\LogEvents.txt"), std::string::npos) << DefaultLogFilePath();

    WriteText("LogFile", PathOfLength(259));
    frame.LoadSettings();
    EXPECT_EQ(frame.logFile, PathOfLength(259));

    // Every load starts from the default path, so a rejected value does not keep the previous one either.
    for (size_t length : {260u, 261u, 400u}) {
        WriteText("LogFile", PathOfLength(length));
        frame.LoadSettings();
        EXPECT_EQ(frame.logFile, DefaultLogFilePath()) << length << " characters";
    }
}

TEST_F(SettingsReload, LogFileStoredWithoutItsTerminatingNulAndFillingTheBufferIsIgnored) {
    const std::string path = PathOfLength(260);
    ASSERT_EQ(RegSetKeyValueA(HKEY_CURRENT_USER, kKey, "LogFile", REG_SZ, path.data(), 260), ERROR_SUCCESS);
    frame.LoadSettings();
    EXPECT_EQ(frame.logFile, DefaultLogFilePath());
}

TEST_F(SettingsReload, AReloadKeepsTheMenuTogglesAndRereadsEverythingElse) {
    WriteDword("ShowEstablishedOnly", 1);
    WriteDword("Autoupdate", 1);
    WriteDword("Resolve", 0);
    WriteDword("UpdateInterval", 5);
    WriteDword("LoggingInterval", 15);
    WriteDword("EnableBlackList", 1);
    WriteDword("SelectColor", 0x00123456);
    frame.LoadSettings(); // the load at start-up takes the toggles from the key
    EXPECT_EQ(frame.showEstablishedOnly, 1);
    EXPECT_EQ(frame.autoupdate, 1);
    EXPECT_EQ(frame.resolve, 0);
    EXPECT_EQ(frame.updateInterval, 5);

    // The user flips all three from the menu, then a dialog stores new values and the frame reloads.
    frame.showEstablishedOnly = 0;
    frame.autoupdate = 0;
    frame.resolve = 1;
    WriteDword("UpdateInterval", 8);
    WriteDword("LoggingInterval", 20);
    WriteDword("EnableBlackList", 0);
    WriteDword("SelectColor", 0x00654321);
    WriteDword("ListeningColor", 0x00ABCDEF);
    frame.LoadSettings();

    EXPECT_EQ(frame.showEstablishedOnly, 0);
    EXPECT_EQ(frame.autoupdate, 0);
    EXPECT_EQ(frame.resolve, 1);
    EXPECT_EQ(frame.updateInterval, 8);
    EXPECT_EQ(frame.loggingInterval, 20);
    EXPECT_EQ(frame.enableBlackList, 0);
    EXPECT_EQ(frame.listCtrl.SelectColor, 0x00654321u);
    EXPECT_EQ(frame.listCtrl.ListeningColor, 0x00ABCDEFu);
}

TEST_F(SettingsReload, AReloadKeepsIntervalsInUseWhenTheStoredOnesAreOutOfRange) {
    WriteDword("UpdateInterval", 2);
    WriteDword("LoggingInterval", 6);
    frame.LoadSettings();
    WriteDword("UpdateInterval", 0);
    WriteDword("LoggingInterval", 21);
    frame.LoadSettings();
    EXPECT_EQ(frame.updateInterval, 2);
    EXPECT_EQ(frame.loggingInterval, 6);
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
