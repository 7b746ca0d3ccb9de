// The program's dialogs driven through their controls, one start: Process Options (what it shows from the key, what
// OK writes, and what the reload then does to the timers and the window), Statistics, Colors, About with its link,
// and the black list (Add To Black List, the dialog and its Save, the closer at the next refreshes).
#include "Suite.h"
#include "resource.h"

#include <commctrl.h>

#include <algorithm>
#include <filesystem>

using namespace e2e;

namespace {

class Dialogs : public ProgramTest {};

std::string FileOf(const std::vector<std::string>& entries) {
    std::string text = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n<blacklist>\r\n"
                       "  <description>Pelloran BlackList Entries</description>\r\n";
    for (const std::string& entry : entries)
        text += "  <link>" + entry + "</link>\r\n";
    return text + "</blacklist>\r\n";
}

const char* const kOptionValues[] = {"UpdateInterval", "LoggingInterval", "EnableLogging", "WindowOnTop"};
// The Colors rows top to bottom: swatch, value, the label beside the swatch (then only dots), and a colour stored
// for the test; the built-in colours in the same order.
const struct {
    int swatch;
    const char* value;
    std::string label;
    COLORREF seeded;
} kColorRows[] = {
    {IDC_LISTENING_COLOR, "ListeningColor", "Listening", RGB(5, 15, 25)},
    {IDC_ESTABLISHED_COLOR, "EstablishedColor", "Established", RGB(10, 20, 30)},
    {IDC_CLOSED_COLOR, "ClosedColor", "Closed", RGB(255, 200, 200)}, // stored as no DWORD: shown as built in
    {IDC_FIN_COLOR, "FINColor", "FIN", RGB(40, 50, 60)},
    {IDC_SYN_COLOR, "SYNColor", "SYN", RGB(41, 51, 61)},
    {IDC_TIME_WAIT_COLOR, "TimeWaitColor", "Time Wait", RGB(42, 52, 62)},
    {IDC_TCB_COLOR, "UnknownColor", "TCB", RGB(70, 80, 90)},
    {IDC_SELECT_COLOR, "SelectColor", "Selection Color", RGB(90, 100, 110)},
    {IDC_NEW_COLOR, "NewColor", "New", RGB(91, 101, 111)},
    {IDC_REMOVED_COLOR, "RemovedColor", "Removed", RGB(92, 102, 112)},
};
const std::vector<COLORREF> kBuiltIn = {RGB(255, 255, 220), RGB(220, 255, 220), RGB(255, 200, 200), RGB(220, 230, 220),
                                        RGB(220, 230, 220), RGB(255, 220, 220), RGB(255, 255, 240), RGB(200, 200, 255),
                                        RGB(170, 240, 170), RGB(255, 170, 170)};
constexpr char kHttpHandler[] = "http\\shell\\open\\command";

bool CmdRunning() { // the stand-in browser
    for (const ProcessEntry& process : Processes())
        if (lstrcmpiA(process.file.c_str(), "cmd.exe") == 0)
            return true;
    return false;
}

HCURSOR Cursor() {
    CURSORINFO info{};
    info.cbSize = sizeof info;
    GetCursorInfo(&info);
    return info.hCursor;
}

} // namespace

TEST_F(Dialogs, EachDialogShowsTheKeyAndWritesWhatOkTakes) {
    // Local ports whose two bytes are equal read the same in the network order SetTcpEntry's log shows.
    const std::string rows = Row(kEstablished, "10.0.0.1", 0x4141, "192.0.2.7", 443) +
                             Row(kEstablished, "10.0.0.1", 0x4242, "192.0.2.10", 443) + // docs-host.example
                             Row(kEstablished, "10.0.0.1", 0x4343, "192.0.2.99", 80);
    table.Write(rows);
    WriteDword(kSettingsKey, "Autoupdate", 0); // switched on from the menu: a reload must keep it on
    Program app(table.Options());
    app.Command(ID_OPTIONS_AUTOUPDATE);
    HWND dialog = nullptr;
    auto open = [&](UINT command, const char* title) {
        app.PostCommand(command);
        dialog = app.WaitForWindow(title);
    };
    // A click on a button of the open dialog (a posted BM_CLICK), handled with all it started when this returns.
    auto press = [&](int id) {
        app.Post(GetDlgItem(dialog, id), BM_CLICK);
        app.Sync();
    };
    // These controls of the open dialog in its order: text, or a check box's check; "~" after a disabled one.
    auto controls = [&](std::initializer_list<int> ids) {
        std::string line;
        for (const Window& c : app.Controls(dialog))
            if (std::find(ids.begin(), ids.end(), c.id) != ids.end())
                line += (c.cls == "Button" && (c.style & BS_TYPEMASK) == BS_AUTOCHECKBOX ? c.extra.at(0) : c.text) +
                        (c.enabled ? "|" : "~|");
        return line;
    };
    auto options = [&] {
        return controls({IDC_UPDATE_INTERVAL, IDC_LOGGING_INTERVAL, IDC_WINDOW_ON_TOP, IDC_ENABLE_LOGGING, IDC_LOG_FILE,
                         IDC_BROWSE_LOG_FILE});
    };
    // What the frame holds after a dialog: the options stored, the refresh (1) and log (2) timers set since the last
    // look as id:ms, and "top" when it is on top.
    size_t timersSeen = 0;
    auto after = [&] {
        std::string line;
        for (const char* name : kOptionValues)
            line += std::to_string(ReadDword(kSettingsKey, name).value_or(99)) + " ";
        line += ReadString(kSettingsKey, "LogFile").value_or("-") + " |";
        const Rows calls = app.Timers();
        for (size_t i = timersSeen; i < calls.size(); ++i)
            if (calls[i][0] == "set" && (calls[i][1] == "1" || calls[i][1] == "2"))
                line += " " + calls[i][1] + ":" + calls[i][2];
        timersSeen = calls.size();
        return line + ((GetWindowLongA(app.Frame(), GWL_EXSTYLE) & WS_EX_TOPMOST) ? " | top" : " |");
    };
    after();

    // Process Options: the first rows and the default path on a fresh key; stored values select their rows, an
    // unlisted one the first; a log path shows when it fits its 260-byte buffer with its NUL; Cancel writes nothing.
    const std::string logFile = DataFolder() + "\\LogEvents.txt", fits = "C:\\logs\\" + std::string(247, 'x') + ".txt";
    const struct {
        DWORD values[4];
        std::string path;
        bool terminated;
        std::string shown;
    } seeds[] = {
        {{}, "", true, "1 sec|5  minutes~|0|0|" + logFile + "~|...~|"}, // nothing stored yet
        {{5, 20, 1, 0}, fits, true, "5 sec|20 minutes|0|1|" + fits + "|...|"},
        {{4, 0xFFFFFFFF, 0, 1}, fits + "x", true, "1 sec|5  minutes~|1|0|" + logFile + "~|...~|"},
        {{4, 0xFFFFFFFF, 0, 1}, "C:\\logs\\unended.txt", false, "1 sec|5  minutes~|1|0|" + logFile + "~|...~|"},
    };
    for (const auto& seed : seeds) {
        for (int i = 0; i < 4 && !seed.path.empty(); ++i)
            WriteDword(kSettingsKey, kOptionValues[i], seed.values[i]);
        if (!seed.path.empty())
            WriteString(kSettingsKey, "LogFile", seed.path, seed.terminated);
        open(ID_OPTIONS_PROCESSING, "Process Options");
        EXPECT_EQ(options(), seed.shown) << seed.path.size() << (seed.terminated ? "" : " without a NUL");
        press(IDCANCEL);
    }
    EXPECT_EQ(after(), "4 4294967295 0 1 C:\\logs\\unended.txt | |");

    // OK writes every control, the two boxes set differently both ways (greyed controls too); the reload restarts the
    // timers with the stored periods (so Autoupdate stayed on), applies on top, and refuses a period of 0. Browse
    // offers the shown file's name and puts the chosen path into the box without creating the file.
    open(ID_OPTIONS_PROCESSING, "Process Options");
    app.Send(GetDlgItem(dialog, IDC_UPDATE_INTERVAL), CB_SETCURSEL, 1);
    app.Send(GetDlgItem(dialog, IDC_LOGGING_INTERVAL), CB_SETCURSEL, 2);
    press(IDC_WINDOW_ON_TOP);
    press(IDC_ENABLE_LOGGING);
    press(IDC_BROWSE_LOG_FILE);
    const HWND save = app.WaitForWindow("Save As");
    EXPECT_EQ(app.Control(save, 1148).text, "LogEvents.txt"); // the file name box
    const std::string chosen = DataFolder() + "\\chosen.txt";
    app.SendText(reinterpret_cast<HWND>(app.Send(app.Control(save, 1148).handle, CBEM_GETEDITCONTROL)), WM_SETTEXT, 0,
                 chosen);
    app.Post(save, WM_COMMAND, IDOK);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(save); }));
    EXPECT_EQ(options(), "2 sec|15 minutes|0|1|" + chosen + "|...|");
    EXPECT_FALSE(std::filesystem::exists(chosen));
    press(IDOK);
    EXPECT_EQ(after(), "2 15 1 0 " + chosen + " | 1:2000 2:900000 |");
    open(ID_OPTIONS_PROCESSING, "Process Options");
    app.Send(GetDlgItem(dialog, IDC_LOGGING_INTERVAL), CB_SETCURSEL, 1);
    app.SendText(GetDlgItem(dialog, IDC_LOG_FILE), WM_SETTEXT, 0, "C:\\logs\\greyed.txt");
    press(IDC_WINDOW_ON_TOP);
    press(IDC_ENABLE_LOGGING);
    const HWND update = GetDlgItem(dialog, IDC_UPDATE_INTERVAL); // with a row no user can pick, added from outside
    app.Send(update, CB_SETCURSEL, app.SendText(update, CB_ADDSTRING, 0, "0 sec"));
    press(IDOK);
    EXPECT_EQ(after(), "0 10 0 1 C:\\logs\\greyed.txt | 1:2000 | top");

    // Statistics: a failed read shows dots beside empty labels; Refresh reads the record again (unsigned values, in
    // the record's order); a later failure keeps the labels.
    auto statistics = [&](int column) { return app.List(GetDlgItem(dialog, IDC_STATISTICS_LIST)).ColumnTexts(column); };
    table.Write(rows + "fail-stats 50\n");
    open(ID_FILE_STATISTICS, "Statistics");
    EXPECT_EQ(statistics(0), std::vector<std::string>(15, ""));
    EXPECT_EQ(statistics(1), std::vector<std::string>(15, "..."));
    table.Write(rows + "tcp-stats 3 300 120000 4294967295 11 12 13 14 15 16 17 18 19 20 21\n");
    press(IDC_STATISTICS_REFRESH);
    const std::vector<std::string> labels = statistics(0);
    EXPECT_EQ(labels.at(3), "Maximum Connections:");
    EXPECT_EQ(statistics(1), (std::vector<std::string>{"MIL-STD-1778", "300", "120000", "4294967295", "11", "12", "13",
                                                       "14", "15", "16", "17", "18", "19", "20", "21"}));
    table.Write(rows + "fail-stats 50\n");
    press(IDC_STATISTICS_REFRESH);
    EXPECT_EQ(statistics(0), labels);
    EXPECT_EQ(statistics(1), std::vector<std::string>(15, "..."));
    press(IDOK);

    // Colors: each swatch beside its label; the built-in colours while the key holds none; stored ones, one that is
    // no DWORD shown as built in; Default resets every row; Cancel keeps the key; OK stores every row as shown, and the
    // reload repaints the list; Default and OK store the built-in colours.
    auto swatches = [&](const std::vector<COLORREF>& expected) {
        std::vector<COLORREF> shown;
        WaitUntil([&] { // a dialog shows before its controls have painted
            shown.clear();
            for (const auto& row : kColorRows)
                shown.push_back(ScreenPixel(Center(app.Control(dialog, row.swatch).rect)));
            return shown == expected;
        });
        return shown;
    };
    open(ID_OPTIONS_COLORS, "Colors");
    EXPECT_EQ(swatches(kBuiltIn), kBuiltIn);
    const std::vector<Window> shownControls = app.Controls(dialog);
    for (const auto& row : kColorRows) {
        const RECT swatch = app.Control(dialog, row.swatch).rect;
        const auto label = std::find_if(shownControls.begin(), shownControls.end(), [&](const Window& w) {
            return w.cls == "Static" && !w.text.empty() && w.rect.right <= swatch.left &&
                   w.rect.top <= Center(swatch).y && Center(swatch).y < w.rect.bottom;
        });
        ASSERT_NE(label, shownControls.end()) << row.value;
        EXPECT_TRUE(label->text.rfind(row.label, 0) == 0 &&
                    label->text.find_first_not_of(". ", row.label.size()) == std::string::npos)
            << row.value << ": " << label->text;
    }
    press(IDCANCEL);
    std::vector<COLORREF> seeded;
    for (const auto& row : kColorRows) {
        WriteDword(kSettingsKey, row.value, row.seeded);
        seeded.push_back(row.seeded);
    }
    WriteBinary(kSettingsKey, "ClosedColor", std::string("\1\2\3\0\0", 5));
    for (int button : {IDCANCEL, IDOK}) {
        open(ID_OPTIONS_COLORS, "Colors");
        EXPECT_EQ(swatches(seeded), seeded);
        if (button == IDCANCEL) {
            press(IDC_DEFAULT_COLORS);
            EXPECT_EQ(swatches(kBuiltIn), kBuiltIn);
        }
        press(button);
        EXPECT_EQ(ReadDword(kSettingsKey, "ClosedColor"), button == IDOK ? std::optional(kBuiltIn[2]) : std::nullopt);
    }
    for (const auto& row : kColorRows)
        EXPECT_EQ(ReadDword(kSettingsKey, row.value), row.seeded) << row.value;
    const HWND list = app.Bar(Program::kListId);
    auto rowPixel = [&](int row) { // right of the last column's text
        const RECT rect = app.List().rects.at(row);
        return app.Pixel(list, {rect.right - 8, Center(rect).y});
    };
    EXPECT_TRUE(WaitUntil([&] { return rowPixel(2) == seeded[1]; })) << Hex(rowPixel(2));
    EXPECT_EQ(after(), "0 10 0 1 C:\\logs\\greyed.txt | 1:2000 | top");
    open(ID_OPTIONS_COLORS, "Colors");
    press(IDC_DEFAULT_COLORS);
    press(IDOK);
    for (size_t row = 0; row < kBuiltIn.size(); ++row)
        EXPECT_EQ(ReadDword(kSettingsKey, kColorRows[row].value), kBuiltIn[row]) << kColorRows[row].value;

    // About: the link shows a hand, another while the button is down, and a click opens the home page once (the
    // stand-in browser registered for http appends the address it is given to a file).
    const std::string opened = TempPath("pelloran-opened.txt"), recorder = "cmd /c echo %1>>" + Quote(opened);
    DeleteFileA(opened.c_str());
    const std::string browser = ReadString(kHttpHandler, "", HKEY_CLASSES_ROOT).value_or("");
    WriteString(kHttpHandler, "", recorder, true, HKEY_CLASSES_ROOT);
    open(ID_APP_ABOUT, "About Pelloran");
    Foreground(dialog);
    const RECT ok = app.Control(dialog, IDOK).rect, link = app.Control(dialog, IDC_HOMEPAGE_LINK).rect;
    int nudge = 0; // a move made while the box is being activated can be lost: each poll moves by a pixel
    auto over = [&](POINT at) {
        MoveMouse({at.x + nudge++ % 2, at.y});
        return Cursor();
    };
    HCURSOR arrow = nullptr, hand = nullptr;
    WaitUntil([&] { // the button's cursor: the same on two polls
        const HCURSOR last = std::exchange(arrow, over(Center(ok)));
        return last == arrow;
    });
    EXPECT_TRUE(WaitUntil([&] { return (hand = over({link.left + 6, Center(link).y})) != arrow; }));
    INPUT down{}, up{};
    down.type = up.type = INPUT_MOUSE;
    down.mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    up.mi.dwFlags = MOUSEEVENTF_LEFTUP;
    SendInput(1, &down, sizeof down);
    EXPECT_TRUE(WaitUntil([&] { return Cursor() != hand && Cursor() != arrow; })) << "the pressed hand";
    SendInput(1, &up, sizeof up);
    // The browser's start can take the activation away (the system then reports no cursor): given back first.
    EXPECT_TRUE(WaitUntil([&] {
        Foreground(dialog);
        return over({link.left + 6, Center(link).y}) == hand;
    }));
    app.Sync(); // the click's handlers have returned, and with them every browser start they asked for
    EXPECT_TRUE(WaitUntil([&] { return !CmdRunning() && !ReadFile(opened).empty(); }, 20s));
    EXPECT_EQ(ReadFile(opened), std::string(PELLORAN_HOME_PAGE) + "\r\n");
    WriteString(kHttpHandler, "", browser, true, HKEY_CLASSES_ROOT);
    press(IDOK);

    // Add To Black List takes the text the row shows (its host name), once however often it is chosen.
    const std::string file = DataFolder() + "\\blacklist.xml";
    ASSERT_TRUE(WaitUntil([&] { return app.Cells().at(1).at(4) == "docs-host.example"; }));
    for (int time = 0; time < 2; ++time) {
        app.RowMenu(1);
        app.CloseMenus();
        app.Command(ID_ADD_TO_BLACKLIST);
    }
    EXPECT_EQ(ReadFile(file), FileOf({"docs-host.example"}));

    // The Black List dialog: the entry list keeps its border beside the sunken edge; Add trims, ignores a blank and
    // refuses a duplicate.
    open(ID_OPTIONS_BLACKLIST, "Black List");
    const HWND entries = GetDlgItem(dialog, IDC_BLACKLIST_ENTRIES);
    EXPECT_TRUE((GetWindowLongA(entries, GWL_STYLE) & WS_BORDER) &&
                (GetWindowLongA(entries, GWL_EXSTYLE) & WS_EX_CLIENTEDGE));
    auto add = [&](const std::string& entry) {
        app.SendText(GetDlgItem(dialog, IDC_BLACKLIST_ENTRY), WM_SETTEXT, 0, entry);
        press(IDC_BLACKLIST_ADD);
    };
    auto shown = [&] { // the entries, then the edit and the box
        std::string line;
        for (const std::string& entry : app.List(GetDlgItem(dialog, IDC_BLACKLIST_ENTRIES)).ColumnTexts(0))
            line += entry + ",";
        return line + "|" + controls({IDC_BLACKLIST_ENTRY, IDC_ENABLE_BLACKLIST});
    };
    add("  192.0.2.7 ");
    add(" \t ");
    add("192.0.2.7");
    app.AnswerBox("Selected entry already exists.\nPlease enter another address.", {"OK"}, "exclamation", IDOK);
    EXPECT_EQ(shown(), "docs-host.example,192.0.2.7,|192.0.2.7|0|");
    // Delete asks for a clicked row, then asks before it deletes the row last clicked. A key typed in the list
    // selects the first entry starting with it (the list's search answer travels as the dialog's message result);
    // its effect also shows that the click before it has reached the list.
    press(IDC_BLACKLIST_DELETE);
    app.AnswerBox("Please select an item to delete.", {"OK"}, "exclamation", IDOK);
    app.Click(entries, Center(app.List(entries).rects.at(0)));
    PressKey('1');
    EXPECT_TRUE(WaitUntil([&] { return app.List(entries).selected == 1; })) << "type-to-find";
    for (int answer : {IDNO, IDYES}) {
        press(IDC_BLACKLIST_DELETE);
        app.AnswerBox("Are you sure you want to delete this item?", {"&Yes", "&No"}, "question", answer);
    }
    EXPECT_EQ(shown(), "192.0.2.7,|192.0.2.7|0|");
    // Reload brings the file back. Save writes the rows and the box, and the refreshes after it close the listed
    // connections through SetTcpEntry: by address and by host name, never by part of an address.
    press(IDC_BLACKLIST_RELOAD);
    add("192.0.2.7");
    add("192.0.2");
    press(IDC_ENABLE_BLACKLIST);
    EXPECT_EQ(shown(), "docs-host.example,192.0.2.7,192.0.2,||1|");
    EXPECT_TRUE(table.Calls("SetTcpEntry").empty()) << "a disabled list closes nothing";
    press(IDC_BLACKLIST_SAVE);
    EXPECT_FALSE(IsWindow(dialog));
    const std::string saved = FileOf({"docs-host.example", "192.0.2.7", "192.0.2"});
    EXPECT_EQ(ReadFile(file), saved);
    EXPECT_EQ(ReadDword(kSettingsKey, "EnableBlackList"), 1u);
    std::string calls; // SetTcpEntry's, up to the remote address
    ASSERT_TRUE(WaitUntil([&] {
        calls.clear();
        for (const std::string& call : table.Calls("SetTcpEntry"))
            calls += call.substr(0, call.find(" remoteAddr=")) + "\n";
        return std::count(calls.begin(), calls.end(), '\n') >= 4;
    }));
    // Each pass deletes (state 12) the connection by the host name, then the one by the address, and no other.
    const std::string pass = "SetTcpEntry state=12 localAddr=16777226 localPort=16962\n"
                             "SetTcpEntry state=12 localAddr=16777226 localPort=16705\n";
    EXPECT_EQ(calls.substr(0, 2 * pass.size()), pass + pass);
    // Cancel keeps the file.
    open(ID_OPTIONS_BLACKLIST, "Black List");
    add("never");
    EXPECT_EQ(shown(), "docs-host.example,192.0.2.7,192.0.2,never,||1|");
    press(IDCANCEL);
    EXPECT_EQ(ReadFile(file), saved);
    // A file that cannot be replaced (a folder in its place) keeps the dialog, its rows and the setting; the same
    // Save succeeds once the folder is gone.
    open(ID_OPTIONS_BLACKLIST, "Black List");
    std::filesystem::remove(file);
    std::filesystem::create_directory(file);
    press(IDC_ENABLE_BLACKLIST);
    press(IDC_BLACKLIST_SAVE);
    app.AnswerBox("Cannot save the black list to:\n" + file, {"OK"}, "exclamation", IDOK);
    EXPECT_EQ(shown(), "docs-host.example,192.0.2.7,192.0.2,||0|");
    EXPECT_EQ(ReadDword(kSettingsKey, "EnableBlackList"), 1u);
    EXPECT_FALSE(std::filesystem::exists(file + ".tmp"));
    std::filesystem::remove(file);
    press(IDC_BLACKLIST_SAVE);
    EXPECT_EQ(ReadFile(file), saved);
    // A file that was there but could not be read when the dialog opened: Save asks before it replaces what it
    // never read. No keeps the file, Yes replaces it; both save the box and close.
    for (int answer : {IDNO, IDYES}) {
        const HANDLE held = CreateFileA(file.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        open(ID_OPTIONS_BLACKLIST, "Black List");
        CloseHandle(held);
        add("shown");
        if (answer == IDYES)
            press(IDC_ENABLE_BLACKLIST);
        EXPECT_EQ(shown(), answer == IDYES ? "shown,||1|" : "shown,||0|");
        press(IDC_BLACKLIST_SAVE);
        app.AnswerBox("The black list file could not be read:\n" + file +
                          "\n\nReplace it with the list shown? (No keeps the old file.)",
                      {"&Yes", "&No"}, "question", answer);
        app.Sync();
        EXPECT_FALSE(IsWindow(dialog));
        EXPECT_EQ(ReadFile(file), answer == IDYES ? FileOf({"shown"}) : saved);
        EXPECT_EQ(ReadDword(kSettingsKey, "EnableBlackList"), answer == IDYES ? 1u : 0u);
    }
    EXPECT_EQ(app.Close(), 0u);
}

// The statistics rows without the library's GetTcpStatistics stay empty; with Wine's own, every row is filled.
TEST_F(Dialogs, StatisticsWithoutTheExportOrWithWinesOwnCounters) {
    LaunchOptions withoutStatistics = table.Options();
    withoutStatistics.fakeIpHelperDirectory = Here() + "\\fakes\\without-stats";
    for (const LaunchOptions& options : {withoutStatistics, LaunchOptions{}}) {
        Program app(options);
        app.PostCommand(ID_FILE_STATISTICS);
        const HWND dialog = app.WaitForWindow("Statistics");
        app.Post(GetDlgItem(dialog, IDC_STATISTICS_REFRESH), BM_CLICK);
        app.Sync();
        const Rows cells = app.List(GetDlgItem(dialog, IDC_STATISTICS_LIST)).rows;
        ASSERT_EQ(cells.size(), 15u);
        for (size_t row = 1; row < 15; ++row) { // the values after the algorithm's name
            const std::string &label = cells[row][0], &value = cells[row][1];
            const bool number = !value.empty() && value.find_first_not_of("0123456789") == std::string::npos;
            EXPECT_TRUE(options.fakeIpHelperDirectory.empty() ? !label.empty() && number : label + value == "")
                << label << " " << value;
        }
    }
}
