// The files the program writes: the event log (flushed by its timer, at close and at the session's end; a log that
// cannot be opened yet, a target that cannot be flushed, logging turned off) and File > Save's snapshot of the list.
#include "Suite.h"
#include "resource.h"

#include <commctrl.h>

#include <filesystem>
#include <regex>

using namespace e2e;

namespace {

class Files : public ProgramTest {
protected:
    void SetUp() override {
        ProgramTest::SetUp();
        std::filesystem::remove_all(folder);
        WriteDword(kSettingsKey, "EnableLogging", 1);
        WriteDword(kSettingsKey, "LoggingInterval", 15);
        WriteString(kSettingsKey, "LogFile", log);
    }
    // The log with each line's time stamp ("07 Dec 09:05 \t") taken out.
    std::string Logged() const {
        return std::regex_replace(ReadFile(log), std::regex(R"(\d\d [A-Z][a-z]{2} \d\d:\d\d \t)"), "");
    }
    static void AwaitGone(Program& app, HWND window) {
        EXPECT_TRUE(WaitUntil([&] { return !IsWindow(window); })) << "a window of the program stays open";
        app.Sync();
    }
    // Process Options: the log path typed in (unless empty), Enable Logging pressed when asked, then OK (a reload).
    static void Options(Program& app, const std::string& logFile, bool toggleLogging = false) {
        app.PostCommand(ID_OPTIONS_PROCESSING);
        const HWND dialog = app.WaitForWindow("Process Options");
        if (!logFile.empty())
            app.SendText(app.Control(dialog, IDC_LOG_FILE).handle, WM_SETTEXT, 0, logFile);
        if (toggleLogging)
            app.Post(app.Control(dialog, IDC_ENABLE_LOGGING).handle, BM_CLICK);
        app.Post(dialog, WM_COMMAND, IDOK);
        AwaitGone(app, dialog);
    }
    // File > Save into `path` through the real dialog, until the command has ended or shows its message box (the
    // file is opened without sharing: reading it earlier could fail the program's open).
    static void SaveAs(Program& app, const std::string& path) {
        app.PostCommand(57603); // File > Save
        const HWND dialog = app.WaitForWindow("Save As");
        // The name field is in cmb13 of the Explorer-style dialog, filled in after the dialog shows (a text typed
        // before that would be overwritten).
        const auto edit = reinterpret_cast<HWND>(app.Send(app.Control(dialog, 1148).handle, CBEM_GETEDITCONTROL));
        EXPECT_TRUE(WaitUntil([&] { return app.Control(GetParent(edit), GetDlgCtrlID(edit)).text == "Events.txt"; }));
        app.SendText(edit, WM_SETTEXT, 0, path);
        app.Post(dialog, WM_COMMAND, IDOK);
        AwaitGone(app, dialog);
    }

    const std::string folder = TempPath("pelloran-files-" + std::to_string(GetCurrentProcessId()));
    const std::string log = folder + "\\later\\events.log";
    const DWORD pid = GetCurrentProcessId();
    const std::string me = "pelloran_e2e.exe " + std::to_string(pid) + " 10.0.0.1 ";
};

} // namespace

// One program: every event is written once, whatever the flushes before it met, and the session's end keeps what a
// close keeps.
TEST_F(Files, TheLogWritesEachEventOnceAcrossTargetsLoggingOffAndTheSessionsEnd) {
    WriteString(kSettingsKey, "LogFile", "NUL"); // takes the lines but cannot be flushed, as some devices and shares
    table.Write(Row(kEstablished, "10.0.0.1", 40000, "10.0.0.2", 80, pid));
    Program app(table.Options());
    ASSERT_TRUE(WaitUntil([&] { return app.Cells().size() == 1; }));
    auto flush = [&] { // the log timer's message, as the system posts it
        app.Post(app.Frame(), WM_TIMER, 2);
        app.Sync();
    };
    flush(); // the lines count as written
    const std::string second = Row(kEstablished, "10.0.0.1", 40001, "10.0.0.3", 80, pid);
    table.Write(second);
    app.Command(ID_FILE_REFRESH);
    Options(app, log);
    EXPECT_EQ(app.Timers().back(), (std::vector<std::string>{"set", "2", "900000"}));
    flush(); // the log's folder is missing, and nothing creates it: the event stays queued
    EXPECT_FALSE(std::filesystem::exists(folder));
    std::filesystem::create_directories(folder + "\\later");
    flush();
    const std::string line = me + "40001 10.0.0.3 80 \r\n";
    EXPECT_EQ(Logged(), line);

    // Logging turned off drops the pending event; a connection written before is written again by a later flush.
    table.Write(Row(kEstablished, "10.0.0.1", 40002, "10.0.0.4", 80, pid));
    app.Command(ID_FILE_REFRESH);
    Options(app, {}, true);
    EXPECT_EQ(app.Timers().back(), (std::vector<std::string>{"kill", "2"}));
    table.Write(second);
    Options(app, {}, true);
    app.Command(ID_OPTIONS_ESTABLISHED_ONLY); // refreshes too

    // At logoff the system ends the program after WM_ENDSESSION, with no close, even under a dialog.
    app.PostCommand(ID_OPTIONS_PROCESSING);
    app.WaitForWindow("Process Options");
    app.Send(app.Frame(), WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF);
    app.Kill();
    EXPECT_EQ(Logged(), line + line);
    EXPECT_EQ(ReadDword(kSettingsKey, "ShowEstablishedOnly"), std::optional<DWORD>(1));
}

// One program: File > Save writes the cells as shown over an old file, reports a target it cannot write and saves
// an empty list; a close under a dialog waits for its end, then appends to the log's old content.
TEST_F(Files, SaveWritesTheShownCellsAndACloseUnderADialogWaitsThenFlushes) {
    const std::string old = "earlier line\r\n", snapshot = folder + "\\snapshot.txt", proc = "Z:\\proc\\snapshot.txt";
    WriteFile(log, old);
    WriteFile(snapshot, std::string(500, 'x'));
    table.Write(Row(kEstablished, "10.0.0.1", 40000, "192.0.2.10", 443, pid) +
                Row(kListen, "10.0.0.1", 40001, "0.0.0.0", 0) + Row(kTimeWait, "10.0.0.1", 40002, "10.0.0.3", 8080));
    Program app(table.Options());
    ASSERT_TRUE(WaitUntil([&] {
        app.Command(ID_FILE_REFRESH); // a name reaches the list at the refresh after its lookup
        return app.Cells().size() == 3 && app.Cells()[0][4] == "docs-host.example";
    }));
    const ListView list = app.List();
    app.Click(list.header, Center(list.columns.at(5).rect)); // Remote Port, descending
    ASSERT_TRUE(WaitUntil([&] { return app.Cells()[0][5] == "8080"; }));
    std::string expected;
    for (const auto& row : app.Cells())
        for (size_t column = 0; column < row.size(); ++column)
            expected += row[column] + (column + 1 < row.size() ? " \t" : "\r\n");
    SaveAs(app, snapshot);
    EXPECT_EQ(ReadFile(snapshot), expected);

    SaveAs(app, proc); // a folder the dialog takes where no file can be made
    app.AnswerBox("Cannot save the data to:\r\n" + proc + "\r\nPlease select another file location.", {"OK"},
                  "exclamation", IDOK);
    app.Sync();
    EXPECT_EQ(FindWindowA("#32770", "Save As"), nullptr) << "the dialog opened again";
    table.Write("");
    app.Command(ID_FILE_REFRESH);
    SaveAs(app, folder + "\\empty.txt");
    EXPECT_EQ(std::filesystem::file_size(folder + "\\empty.txt"), 0u);

    app.PostCommand(ID_OPTIONS_PROCESSING);
    const HWND dialog = app.WaitForWindow("Process Options");
    app.Send(app.Frame(), WM_CLOSE);
    EXPECT_TRUE(app.Running() && IsWindowVisible(dialog)) << "the window went under its dialog";
    app.Post(dialog, WM_COMMAND, IDCANCEL);
    EXPECT_EQ(app.WaitExit(), std::optional<DWORD>(0));
    EXPECT_EQ(Logged(), old + me + "40000 192.0.2.10 [docs-host.example] 443 \r\n");
}
