// End-to-end tests of the event log and of File > Save: the log lines a flush appends (at close and on
// the log timer, which the tests fire by posting its message), what logging turned off in Process Options
// leaves unwritten and drops, a log
// that cannot be opened keeping its events, and the list saved through the real Save dialog, in the
// order shown, with the failure message for a target that cannot be written.
#include "Suite.h"

#include <sstream>

using namespace e2e;

namespace {

constexpr UINT kRefresh = 32778;
constexpr UINT kFileSave = 57603;
constexpr WPARAM kLogTimer = 2;
constexpr int kFileNameCombo = 1148; // cmb13 of the Explorer-style dialog
constexpr int kFileNameEdit = 1152;  // edt1 of the older one
constexpr int kFileTypeCombo = 1136; // cmb1
constexpr int kReadOnlyCheck = 1040; // chx1

// "dd Mon HH:MM" of the local time, as the log writes it.
std::string StampNow() {
    static const char* const months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                         "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    SYSTEMTIME now{};
    GetLocalTime(&now);
    char text[32];
    wsprintfA(text, "%02u %s %02u:%02u", now.wDay, months[now.wMonth - 1], now.wHour, now.wMinute);
    return text;
}

std::vector<std::string> SplitLines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2)
        lines.push_back(text.substr(start, end - start));
    if (start != text.size())
        lines.push_back(text.substr(start) + "<no line end>");
    return lines;
}

// A window of the program other than the main one with this title (message boxes share its title).
HWND OtherWindow(const App& app, const std::string& title) {
    for (HWND window : TopLevelWindows(app.ProcessId()))
        if (window != app.MainWindow() && WindowText(window) == title)
            return window;
    return nullptr;
}

bool FileExists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

class EventLog : public ProgramTest {
protected:
    void SetUp() override {
        ProgramTest::SetUp();
        folder = TempPath("pelloran-log-" + std::to_string(GetCurrentProcessId()));
        CreateDirectoryA(folder.c_str(), nullptr);
        logPath = folder + "\\events.log";
        DeleteFileA(logPath.c_str());
        WriteDword(kSettingsKey, "EnableLogging", 1);
        WriteDword(kSettingsKey, "LoggingInterval", 5);
        WriteString(kSettingsKey, "LogFile", logPath);
        WriteDword(kSettingsKey, "Resolve", 0);
    }
    void TearDown() override {
        DeleteFileA(logPath.c_str());
        RemoveDirectoryA(folder.c_str());
    }

    // The lines after `old`, each checked to carry one stamp taken between `before` and now; returns
    // them without the stamp.
    std::vector<std::string> LoggedAfter(const std::string& old, const std::string& before) {
        const std::string text = ReadTextFile(logPath);
        EXPECT_EQ(text.substr(0, old.size()), old) << "old contents kept";
        const std::string after = StampNow();
        std::vector<std::string> fields;
        std::string stamp;
        for (const std::string& line : SplitLines(text.substr(old.size()))) {
            const size_t tab = line.find(" \t");
            EXPECT_NE(tab, std::string::npos) << line;
            if (tab == std::string::npos)
                continue;
            if (stamp.empty())
                stamp = line.substr(0, tab);
            EXPECT_EQ(line.substr(0, tab), stamp) << "one stamp per flush";
            fields.push_back(line.substr(tab + 2));
        }
        if (!stamp.empty()) {
            EXPECT_TRUE(stamp == before || stamp == after) << stamp << " not in " << before << ".." << after;
        }
        return fields;
    }

    // Opens File > Save and returns the dialog.
    HWND OpenSaveDialog(App& app) {
        app.PostCommand(kFileSave);
        return app.WaitForWindow("Save As");
    }

    // Checks the dialog's set-up, types the path into the file-name field and presses Save.
    static void SaveTo(HWND dialog, const std::string& path) {
        HWND edit = nullptr;
        if (HWND combo = FindDescendant(dialog, kFileNameCombo))
            edit = reinterpret_cast<HWND>(Send(combo, CBEM_GETEDITCONTROL));
        if (edit == nullptr)
            edit = FindDescendant(dialog, kFileNameEdit);
        ASSERT_NE(edit, nullptr) << "no file-name field";
        // The dialog fills in the initial name after it shows; typing before that would be overwritten.
        EXPECT_TRUE(WaitUntil([&] { return ControlText(edit) == "Events.txt"; })) << ControlText(edit);
        EXPECT_EQ(ControlText(FindDescendant(dialog, kFileTypeCombo)), "Text files (*.txt)");
        HWND readOnly = FindDescendant(dialog, kReadOnlyCheck);
        EXPECT_TRUE(readOnly == nullptr || !IsWindowVisible(readOnly)) << "read-only check box hidden";
        Send(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path.c_str()));
        EXPECT_EQ(ControlText(edit), path);
        // Pressing Save: the button's notification to the dialog, as a click sends it.
        HWND save = FindDescendant(dialog, IDOK, "Button");
        ASSERT_NE(save, nullptr);
        Post(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(save));
    }

    // The file is opened without sharing, so the test reads it only once the command has ended: the
    // dialog is gone and the GUI thread takes posted messages again.
    static void WaitForSave(App& app) {
        ASSERT_TRUE(WaitUntil([&] { return OtherWindow(app, "Save As") == nullptr; }));
        app.Sync();
    }

    static std::string Expected(const std::vector<std::vector<std::string>>& rows) {
        std::string text;
        for (const auto& row : rows) {
            for (size_t column = 0; column < row.size(); ++column)
                text += row[column] + (column + 1 < row.size() ? " \t" : "");
            text += "\r\n";
        }
        return text;
    }

    void FireLogTimer(App& app) {
        Post(app.MainWindow(), WM_TIMER, kLogTimer, 0);
        app.Sync();
    }

    std::string folder;
    std::string logPath;
};

} // namespace

TEST_F(EventLog, CloseAppendsOneLinePerRemoteAddressFirstSeenEstablished) {
    const std::string old = "earlier line without a line break";
    WriteTextFile(logPath, old);
    WriteDword(kSettingsKey, "Resolve", 1); // to see when the resolver has named 192.0.2.10
    const DWORD pid = GetCurrentProcessId();
    table.Write(Row("LISTENING", "0.0.0.0", 135, "0.0.0.0", 0, pid) +
                Row("ESTABLISHED", "10.0.0.1", 40000, "192.0.2.10", 443, pid) +
                Row("SYN_SENT", "10.0.0.1", 40001, "10.0.0.20", 80, pid) +    // first sight of .20: no line
                Row("ESTABLISHED", "10.0.0.1", 40002, "10.0.0.20", 81, pid) + // .20 again: no line
                Row("ESTABLISHED", "10.0.0.1", 40003, "10.0.0.30", 22) +      // PID 0
                Row("ESTABLISHED", "10.0.0.1", 40004, "10.0.0.30", 23, pid) + // .30 again: no line
                Row("TIME_WAIT", "10.0.0.1", 40005, "10.0.0.40", 25, pid));
    App app(table.Options());
    ASSERT_TRUE(WaitUntil(
        [&] {
            app.SendCommand(kRefresh);
            return app.List().RowCount() == 7 && app.List().CellText(1, 4) == "docs-host.example";
        },
        10s, 200ms))
        << app.List().CellText(1, 4);
    const std::string process = app.List().CellText(1, 0);
    const std::string pidText = std::to_string(pid);
    const std::string idleProcess = app.List().CellText(4, 0);
    ASSERT_EQ(app.List().CellText(1, 1), pidText);
    const std::string before = StampNow();
    app.Close();

    const std::vector<std::string> expected = {
        process + " " + pidText + " 10.0.0.1 40000 192.0.2.10 [docs-host.example] 443 ",
        (idleProcess.empty() ? "" : idleProcess + " ") + "0 10.0.0.1 40003 10.0.0.30 22 ",
    };
    EXPECT_EQ(LoggedAfter(old, before), expected);
    const std::string text = ReadTextFile(logPath);
    EXPECT_EQ(text.substr(text.size() - 2), "\r\n");
}

// At logoff or shutdown Windows ends the program after WM_ENDSESSION, without a close: what a close keeps is
// kept then. A close that comes while a dialog is open (from the taskbar, say) waits until the dialog ends.
TEST_F(EventLog, TheSessionsEndKeepsWhatACloseKeepsAndACloseUnderADialogWaitsForIt) {
    table.Write(Row("ESTABLISHED", "10.0.0.1", 40000, "10.0.0.30", 22));
    {
        App app(table.Options());
        ASSERT_TRUE(WaitUntil([&] { return app.List().RowCount() == 1; }));
        const std::string process = app.List().CellText(0, 0);
        app.SendCommand(32799); // Established Only on
        const std::string before = StampNow();
        Send(app.MainWindow(), WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF);
        EXPECT_EQ(LoggedAfter("", before),
                  std::vector<std::string>{(process.empty() ? "" : process + " ") + "0 10.0.0.1 40000 10.0.0.30 22 "});
        EXPECT_EQ(ReadDword(kSettingsKey, "ShowEstablishedOnly"), std::optional<DWORD>(1));
        EXPECT_TRUE(ValueExists(kSettingsKey, "WindowPosX"));
        app.Kill(); // as Windows does after the message
    }
    App app(table.Options());
    ASSERT_TRUE(WaitUntil([&] { return app.List().RowCount() == 1; }));
    app.SendCommand(32800); // Resolve on
    app.PostCommand(32795); // Process Options
    HWND dialog = app.WaitForWindow("Process Options");
    Send(app.MainWindow(), WM_CLOSE);
    EXPECT_TRUE(IsWindowVisible(dialog) && IsWindow(app.MainWindow())) << "the window went under its dialog";
    Press(dialog, IDCANCEL);
    EXPECT_EQ(app.WaitExit(), std::optional<DWORD>(0)) << "the close did not follow the dialog's end";
    EXPECT_EQ(ReadDword(kSettingsKey, "Resolve"), std::optional<DWORD>(1));
}

TEST_F(EventLog, TheLogTimerFlushesAndEmptiesTheQueue) {
    table.Write(Row("ESTABLISHED", "127.0.0.1", 5000, "127.0.0.1", 6000));
    App app(table.Options());
    ASSERT_TRUE(WaitUntil([&] { return app.List().RowCount() == 1; }));
    app.Sync();
    std::string before = StampNow();
    FireLogTimer(app);
    const std::string process = app.List().CellText(0, 0);
    const std::string prefix = process.empty() ? "" : process + " ";
    // 127.0.0.1 is named by the hosts file; the lookup may or may not have ended before the flush.
    std::vector<std::string> lines = LoggedAfter("", before);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_TRUE(lines[0] == prefix + "0 127.0.0.1 5000 127.0.0.1 6000 " ||
                lines[0] == prefix + "0 127.0.0.1 5000 127.0.0.1 [localhost] 6000 ")
        << lines[0];

    FireLogTimer(app); // no refresh since: nothing queued
    EXPECT_EQ(SplitLines(ReadTextFile(logPath)).size(), 1u);

    app.SendCommand(kRefresh);
    FireLogTimer(app);
    EXPECT_EQ(SplitLines(ReadTextFile(logPath)).size(), 2u) << "the next interval logs the connection again";
}

TEST_F(EventLog, ALogThatCannotBeOpenedKeepsItsEventsForTheNextFlush) {
    const std::string missing = folder + "\\later";
    logPath = missing + "\\events.log";
    WriteString(kSettingsKey, "LogFile", logPath);
    table.Write(Row("ESTABLISHED", "10.0.0.1", 40000, "10.0.0.2", 80));
    App app(table.Options());
    ASSERT_TRUE(WaitUntil([&] { return app.List().RowCount() == 1; }));
    app.Sync();
    FireLogTimer(app);
    EXPECT_FALSE(FileExists(logPath)) << "nothing creates the folder";

    ASSERT_TRUE(CreateDirectoryA(missing.c_str(), nullptr));
    const std::string before = StampNow();
    FireLogTimer(app);
    std::vector<std::string> lines = LoggedAfter("", before);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_NE(lines[0].find("10.0.0.1 40000 10.0.0.2 80 "), std::string::npos) << lines[0];
    app.Close();
    DeleteFileA(logPath.c_str());
    RemoveDirectoryA(missing.c_str());
}

// A target that takes the lines but cannot be flushed (Wine's NUL device refuses FlushFileBuffers; so do
// some devices and network shares on Windows): the lines count as written and are not offered again.
TEST_F(EventLog, LinesTakenByATargetThatCannotBeFlushedAreNotWrittenAgain) {
    WriteString(kSettingsKey, "LogFile", "NUL");
    table.Write(Row("ESTABLISHED", "10.0.0.1", 40000, "10.0.0.2", 80));
    App app(table.Options());
    ASSERT_TRUE(WaitUntil([&] { return app.List().RowCount() == 1; }));
    app.Sync();
    FireLogTimer(app);
    table.Write(Row("ESTABLISHED", "10.0.0.1", 40001, "10.0.0.3", 80));
    app.SendCommand(kRefresh);
    // From now on the log is a file: Process Options' OK reloads the settings and keeps the queue.
    app.PostCommand(32795);
    HWND dialog = app.WaitForWindow("Process Options");
    Send(Item(dialog, 1002), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(logPath.c_str()));
    Press(dialog, IDOK);
    WaitClosed(dialog);
    app.Sync();
    const std::string before = StampNow();
    FireLogTimer(app);
    std::vector<std::string> lines = LoggedAfter("", before);
    ASSERT_EQ(lines.size(), 1u) << "the line NUL took was kept for the next flush";
    EXPECT_NE(lines[0].find("10.0.0.1 40001 10.0.0.3 80 "), std::string::npos) << lines[0];
}

// Process Options turns logging off: nothing is written while it is off, and the events pending then are
// dropped, so turning it on again later does not write them.
TEST_F(EventLog, LoggingTurnedOffWritesNothingAndDropsThePendingEvents) {
    table.Write(Row("ESTABLISHED", "10.0.0.1", 40000, "10.0.0.2", 80));
    App app(table.Options());
    ASSERT_TRUE(WaitUntil([&] { return app.List().RowCount() == 1; })); // queued
    auto toggleLogging = [&] {
        app.PostCommand(32795); // Process Options
        HWND dialog = app.WaitForWindow("Process Options");
        Press(dialog, 1011); // Enable Logging
        Press(dialog, IDOK);
        WaitClosed(dialog);
        app.Sync();
    };
    toggleLogging();
    ASSERT_EQ(ReadDword(kSettingsKey, "EnableLogging"), std::optional<DWORD>(0));
    app.SendCommand(kRefresh); // (no log timer here: while logging is off it drops the queue as well)
    EXPECT_FALSE(FileExists(logPath)) << "written while logging was off";

    table.Write("");
    app.SendCommand(kRefresh);
    ASSERT_TRUE(WaitUntil([&] { return app.List().RowCount() == 0; }));
    toggleLogging();
    ASSERT_EQ(ReadDword(kSettingsKey, "EnableLogging"), std::optional<DWORD>(1));
    app.Close();
    EXPECT_EQ(ReadTextFile(logPath), "") << "the events pending when logging went off were written";
}

// Save in one program: the cells in the order shown replacing an existing file; a target that cannot be
// written shows the message and leaves no file; an empty list gives an empty file.
TEST_F(EventLog, SaveWritesTheShownCellsReportsAFailedTargetAndSavesAnEmptyList) {
    const std::string path = folder + "\\snapshot.txt";
    WriteTextFile(path, "old contents that are longer than nothing");
    table.Write(Row("ESTABLISHED", "10.0.0.1", 40000, "10.0.0.2", 443) +
                Row("LISTENING", "10.0.0.1", 40001, "0.0.0.0", 0) +
                Row("TIME_WAIT", "10.0.0.1", 40002, "10.0.0.3", 8080));
    App app(table.Options());
    ASSERT_TRUE(WaitUntil([&] { return app.List().RowCount() == 3; }));
    app.Click(app.Header().Handle(), Center(app.Header().ItemRect(5))); // Remote Port
    app.Sync();
    const auto shown = app.List().Rows();
    ASSERT_EQ(shown.size(), 3u);
    ASSERT_EQ(shown[0].size(), 7u);
    ASSERT_NE(shown[0][3], "40000") << "the sort changed the order";

    SaveTo(OpenSaveDialog(app), path);
    WaitForSave(app);
    EXPECT_EQ(ReadTextFile(path), Expected(shown));
    EXPECT_EQ(OtherWindow(app, "Pelloran"), nullptr) << "no message";
    DeleteFileA(path.c_str());

    // A folder the dialog accepts but where no file can be made: /proc through Wine's Z: drive.
    const std::string unwritable = "Z:\\proc\\pelloran-snapshot.txt";
    SaveTo(OpenSaveDialog(app), unwritable);
    HWND box = app.WaitForWindow("Pelloran");
    CaptureWindow(box, ScreenshotPath("save-failure-message"));
    EXPECT_EQ(ReadMessageBox(box).texts, std::vector<std::string>{"Cannot save the data to:\r\n" + unwritable +
                                                                  "\r\nPlease select another file location."});
    EXPECT_EQ(GetWindow(box, GW_OWNER), app.MainWindow());
    Post(box, WM_COMMAND, IDOK);
    WaitClosed(box);
    EXPECT_FALSE(FileExists(unwritable));
    EXPECT_EQ(OtherWindow(app, "Save As"), nullptr) << "the dialog is not reopened";

    const std::string empty = folder + "\\empty.txt";
    table.Write("");
    app.SendCommand(kRefresh);
    ASSERT_TRUE(WaitUntil([&] { return app.List().RowCount() == 0; }));
    SaveTo(OpenSaveDialog(app), empty);
    WaitForSave(app);
    EXPECT_TRUE(FileExists(empty));
    EXPECT_EQ(ReadTextFile(empty), "");
    DeleteFileA(empty.c_str());
}
