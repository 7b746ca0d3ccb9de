// End-to-end tests of the Process Options dialog, driven through its controls from outside: what it shows
// from a fresh and from a seeded settings key, what OK writes and Cancel keeps, and what the frame does
// after OK (refresh period measured from the test IP helper's call log, on-top state, menu toggles).
#include "Suite.h"

using namespace e2e;

namespace {

constexpr UINT kProcessingCommand = 32795;
constexpr UINT kAutoupdate = 32798;
constexpr UINT kEstablishedOnly = 32799;
constexpr UINT kResolve = 32800;

// Process Options controls.
constexpr int kUpdateCombo = 1020;
constexpr int kLoggingCombo = 1001;
constexpr int kOnTopCheck = 1021;
constexpr int kLoggingCheck = 1011;
constexpr int kLogFileEdit = 1002;
constexpr int kBrowseButton = 1003;

// The rows of a drop-down list, read by selecting each in turn (the selection is put back).
std::vector<std::string> ComboRows(HWND combo) {
    std::vector<std::string> rows;
    const LRESULT selected = Send(combo, CB_GETCURSEL);
    const int count = static_cast<int>(Send(combo, CB_GETCOUNT));
    for (int i = 0; i < count; ++i) {
        Send(combo, CB_SETCURSEL, i);
        rows.push_back(ControlText(combo));
    }
    Send(combo, CB_SETCURSEL, static_cast<WPARAM>(selected));
    return rows;
}

// A path of `length` characters.
std::string PathOfLength(size_t length) {
    std::string path = "C:\\logs\\";
    path.append(length - path.size() - 4, 'x');
    return path + ".txt";
}

class ProcessOptionsDialog : public ProgramTest {
protected:
    void SetUp() override {
        ProgramTest::SetUp();
        table.Write(Row("ESTABLISHED", "10.0.0.1", 1000, "10.0.0.2", 80));
    }

    HWND Open(App& app) {
        app.PostCommand(kProcessingCommand);
        return app.WaitForWindow("Process Options");
    }

    // Presses OK or Cancel and waits until the frame's handler has run after the dialog closed.
    void Close(App& app, HWND dialog, int button) {
        Press(dialog, button);
        WaitClosed(dialog);
        app.Sync();
    }
};

} // namespace

TEST_F(ProcessOptionsDialog, FreshProfileShowsFirstRowsAndDefaultPathAndOkStoresOneAndFive) {
    App app(table.Options());
    HWND dialog = Open(app);
    EXPECT_EQ(ComboRows(Item(dialog, kUpdateCombo)),
              (std::vector<std::string>{"1 sec", "2 sec", "3 sec", "5 sec", "7 sec"}));
    EXPECT_EQ(ComboRows(Item(dialog, kLoggingCombo)),
              (std::vector<std::string>{"5  minutes", "10 minutes", "15 minutes", "20 minutes"}));
    EXPECT_EQ(ControlText(Item(dialog, kUpdateCombo)), "1 sec");
    EXPECT_EQ(ControlText(Item(dialog, kLoggingCombo)), "5  minutes");
    EXPECT_FALSE(Checked(dialog, kOnTopCheck));
    EXPECT_FALSE(Checked(dialog, kLoggingCheck));
    EXPECT_EQ(WindowText(Item(dialog, kOnTopCheck)), "Window Always On Top");
    EXPECT_EQ(WindowText(Item(dialog, kLoggingCheck)), "Enable Logging");
    EXPECT_EQ(Style(Item(dialog, kLoggingCheck)) & (BS_TYPEMASK | BS_LEFTTEXT), BS_AUTOCHECKBOX | BS_LEFTTEXT);
    EXPECT_EQ(Style(Item(dialog, kUpdateCombo)) & (CBS_DROPDOWNLIST | CBS_SORT), CBS_DROPDOWNLIST);
    EXPECT_EQ(WindowText(Item(dialog, kBrowseButton)), "...");
    EXPECT_EQ(ControlText(Item(dialog, kLogFileEdit)), DataFolder() + "\\LogEvents.txt");
    EXPECT_EQ(Send(Item(dialog, kLogFileEdit), EM_GETLIMITTEXT), 259);
    for (int id : {kLoggingCombo, kLogFileEdit, kBrowseButton})
        EXPECT_FALSE(Enabled(dialog, id)) << id << " is greyed while logging is off";
    EXPECT_NE(GetFileAttributesA(DataFolder().c_str()), INVALID_FILE_ATTRIBUTES) << "the data folder is created";

    Close(app, dialog, IDOK);
    EXPECT_EQ(ReadDword(kSettingsKey, "UpdateInterval"), std::optional<DWORD>(1));
    EXPECT_EQ(ReadDword(kSettingsKey, "LoggingInterval"), std::optional<DWORD>(5));
    EXPECT_EQ(ReadDword(kSettingsKey, "EnableLogging"), std::optional<DWORD>(0));
    EXPECT_EQ(ReadDword(kSettingsKey, "WindowOnTop"), std::optional<DWORD>(0));
    for (const char* name : {"UpdateInterval", "LoggingInterval", "EnableLogging", "WindowOnTop"})
        EXPECT_EQ(ValueType(kSettingsKey, name), std::optional<DWORD>(REG_DWORD)) << name;
    EXPECT_EQ(ValueType(kSettingsKey, "LogFile"), std::optional<DWORD>(REG_SZ));
    const std::string path = DataFolder() + "\\LogEvents.txt";
    std::vector<BYTE> stored(path.begin(), path.end());
    stored.push_back(0);
    EXPECT_EQ(ReadBinary(kSettingsKey, "LogFile"), std::optional<std::vector<BYTE>>(stored)) << "stored with its NUL";

    // The stored 1 is the period in use now, while the running default was 3 s.
    app.SendCommand(kAutoupdate);
    ExpectRefreshPeriod(500, 1800, "one second after OK");
}

TEST_F(ProcessOptionsDialog, SeededValuesSelectTheirRowsUnlistedOnesTheFirstAndALogFileOnlyWhenItFits) {
    struct Case {
        DWORD update, logging, loggingOn, onTop;
        const char* updateRow;
        const char* loggingRow;
    } cases[] = {
        {5, 15, 1, 1, "5 sec", "15 minutes"},
        {7, 20, 0, 0, "7 sec", "20 minutes"},
        {4, 5, 1, 0, "1 sec", "5  minutes"}, // not listed; 5 formats with one space
        {0, 0xFFFFFFFF, 5, 1, "1 sec", "5  minutes"},
    };
    App app(table.Options());
    for (const Case& c : cases) {
        WriteDword(kSettingsKey, "UpdateInterval", c.update);
        WriteDword(kSettingsKey, "LoggingInterval", c.logging);
        WriteDword(kSettingsKey, "EnableLogging", c.loggingOn);
        WriteDword(kSettingsKey, "WindowOnTop", c.onTop);
        HWND dialog = Open(app);
        EXPECT_EQ(ControlText(Item(dialog, kUpdateCombo)), c.updateRow) << c.update;
        EXPECT_EQ(ControlText(Item(dialog, kLoggingCombo)), c.loggingRow) << c.logging;
        EXPECT_EQ(Checked(dialog, kLoggingCheck), c.loggingOn != 0);
        EXPECT_EQ(Checked(dialog, kOnTopCheck), c.onTop != 0);
        for (int id : {kLoggingCombo, kLogFileEdit, kBrowseButton})
            EXPECT_EQ(Enabled(dialog, id), c.loggingOn != 0) << id;
        Close(app, dialog, IDCANCEL);
    }

    // The stored log file is shown only when it fits with its NUL.
    const std::string defaultPath = DataFolder() + "\\LogEvents.txt";
    auto shown = [&] {
        HWND dialog = Open(app);
        std::string text = ControlText(Item(dialog, kLogFileEdit));
        Close(app, dialog, IDCANCEL);
        return text;
    };
    for (size_t length : {16u, 259u}) {
        WriteString(kSettingsKey, "LogFile", PathOfLength(length));
        EXPECT_EQ(shown(), PathOfLength(length)) << length;
    }
    for (size_t length : {260u, 400u}) {
        WriteString(kSettingsKey, "LogFile", PathOfLength(length));
        EXPECT_EQ(shown(), defaultPath) << length << " characters do not fit the 260-byte buffer";
    }
    // Texts stored without their terminating NUL, short or filling the buffer.
    for (size_t length : {16u, 260u}) {
        // A byte other than NUL follows, or the system would count the NUL the caller left out.
        const std::string path = PathOfLength(length) + "#";
        ASSERT_EQ(RegSetKeyValueA(HKEY_CURRENT_USER, kSettingsKey, "LogFile", REG_SZ, path.data(),
                                  static_cast<DWORD>(length)),
                  ERROR_SUCCESS);
        EXPECT_EQ(shown(), defaultPath) << length << " characters without a NUL";
    }
}

TEST_F(ProcessOptionsDialog, OkWritesTheControlsAndTheFrameTakesThemButKeepsItsToggles) {
    WriteDword(kSettingsKey, "Autoupdate", 1); // the refresh runs every 3 s from the start
    App app(table.Options());
    // The user's menu choices since the start, which the key does not hold yet.
    app.SendCommand(kEstablishedOnly);
    app.SendCommand(kResolve);
    RECT before = WindowRect(app.MainWindow());

    HWND dialog = Open(app);
    Send(Item(dialog, kUpdateCombo), CB_SETCURSEL, 1); // 2 sec
    Press(dialog, kLoggingCheck);                      // the two boxes differ here and below
    ASSERT_TRUE(WaitUntil([&] { return Enabled(dialog, kLoggingCombo); })) << "checking logging enables its controls";
    Send(Item(dialog, kLoggingCombo), CB_SETCURSEL, 2); // 15 minutes
    const std::string path = "C:\\logs\\connections.txt";
    Send(Item(dialog, kLogFileEdit), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path.c_str()));
    Close(app, dialog, IDOK);

    EXPECT_EQ(ReadDword(kSettingsKey, "UpdateInterval"), std::optional<DWORD>(2));
    EXPECT_EQ(ReadDword(kSettingsKey, "LoggingInterval"), std::optional<DWORD>(15));
    EXPECT_EQ(ReadDword(kSettingsKey, "EnableLogging"), std::optional<DWORD>(1));
    EXPECT_EQ(ReadDword(kSettingsKey, "WindowOnTop"), std::optional<DWORD>(0));
    EXPECT_EQ(ReadString(kSettingsKey, "LogFile"), std::optional<std::string>(path));
    EXPECT_FALSE(app.IsTopmost());
    EXPECT_TRUE(app.MenuCommand(kAutoupdate).checked);
    EXPECT_TRUE(app.MenuCommand(kEstablishedOnly).checked) << "the reload keeps the menu toggles";
    EXPECT_FALSE(app.MenuCommand(kResolve).checked);
    ExpectRefreshPeriod(1500, 2700, "two seconds after OK");

    // On top at once, without moving or resizing the window; the logging controls greyed by unchecking
    // logging are still written.
    dialog = Open(app);
    Send(Item(dialog, kLoggingCombo), CB_SETCURSEL, 1); // 10 minutes
    const std::string greyedPath = "C:\\logs\\greyed.txt";
    Send(Item(dialog, kLogFileEdit), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(greyedPath.c_str()));
    Press(dialog, kOnTopCheck);
    Press(dialog, kLoggingCheck);
    ASSERT_TRUE(WaitUntil([&] { return Checked(dialog, kOnTopCheck) && !Enabled(dialog, kBrowseButton); }));
    EXPECT_FALSE(Enabled(dialog, kLoggingCombo));
    EXPECT_FALSE(Enabled(dialog, kLogFileEdit));
    Close(app, dialog, IDOK);
    EXPECT_TRUE(app.IsTopmost());
    RECT after = WindowRect(app.MainWindow());
    EXPECT_TRUE(EqualRect(&before, &after)) << Describe(before) << " became " << Describe(after);
    EXPECT_EQ(ReadDword(kSettingsKey, "EnableLogging"), std::optional<DWORD>(0));
    EXPECT_EQ(ReadDword(kSettingsKey, "WindowOnTop"), std::optional<DWORD>(1));
    EXPECT_EQ(ReadDword(kSettingsKey, "LoggingInterval"), std::optional<DWORD>(10));
    EXPECT_EQ(ReadString(kSettingsKey, "LogFile"), std::optional<std::string>(greyedPath));

    // A row no user can pick, added from outside: its number is stored as it is, and the reload refuses it.
    dialog = Open(app);
    const char row[] = "0 sec";
    int index = static_cast<int>(Send(Item(dialog, kUpdateCombo), CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(row)));
    ASSERT_GE(index, 0);
    Send(Item(dialog, kUpdateCombo), CB_SETCURSEL, index);
    Close(app, dialog, IDOK);
    EXPECT_EQ(ReadDword(kSettingsKey, "UpdateInterval"), std::optional<DWORD>(0));
    ExpectRefreshPeriod(1500, 2700, "0 is out of range: the period stays 2 s");
}

TEST_F(ProcessOptionsDialog, BrowseFillsThePathAndCancelStillWritesNothing) {
    WriteDword(kSettingsKey, "EnableLogging", 1);
    WriteDword(kSettingsKey, "UpdateInterval", 5);
    App app(table.Options());
    HWND dialog = Open(app);
    Press(dialog, kBrowseButton);
    HWND save = app.WaitForWindow("Save As");
    HWND name = FindDescendant(save, 1148); // the file name box of the explorer-style dialog
    if (name == nullptr)
        name = FindDescendant(save, 1152);
    ASSERT_NE(name, nullptr) << "no file name box in the Save dialog";
    EXPECT_EQ(ControlText(name), "LogEvents.txt") << "the current path is the initial file name";
    const std::string chosen = DataFolder() + "\\chosen.txt";
    Send(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(chosen.c_str()));
    Post(save, WM_COMMAND, IDOK);
    WaitClosed(save);
    EXPECT_TRUE(WaitUntil([&] { return ControlText(Item(dialog, kLogFileEdit)) == chosen; }))
        << ControlText(Item(dialog, kLogFileEdit));
    EXPECT_EQ(GetFileAttributesA(chosen.c_str()), INVALID_FILE_ATTRIBUTES) << "browsing creates no file";

    Send(Item(dialog, kUpdateCombo), CB_SETCURSEL, 0);
    Press(dialog, kOnTopCheck);
    Close(app, dialog, IDCANCEL);
    EXPECT_EQ(ReadDword(kSettingsKey, "UpdateInterval"), std::optional<DWORD>(5));
    EXPECT_EQ(ReadDword(kSettingsKey, "EnableLogging"), std::optional<DWORD>(1));
    for (const char* name : {"LoggingInterval", "WindowOnTop", "LogFile"})
        EXPECT_FALSE(ValueExists(kSettingsKey, name)) << name;
    EXPECT_FALSE(app.IsTopmost());
}
