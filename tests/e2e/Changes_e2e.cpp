// The views over the rows in the real window: change highlighting on screen and its end, the status bar's counts,
// the filter box (typing, Esc, the export of what it shows, its text at the next start), copying selected rows,
// and the CSV export.
#include "Suite.h"
#include "resource.h"

#include <commctrl.h>

using namespace e2e;

namespace {

constexpr COLORREF kNew = RGB(170, 240, 170), kRemoved = RGB(255, 170, 170), kListening = RGB(255, 255, 220),
                   kWaitClose = RGB(255, 200, 200), kEstablishedColour = RGB(220, 255, 220);

class Changes : public ProgramTest {
protected:
    void SetUp() override {
        ProgramTest::SetUp();
        StorePlacement(0, 0, 900, 600);
        WriteDword(kSettingsKey, "Resolve", 0); // the cells show the scripted addresses
        for (const std::string& file : {text, csv})
            DeleteFileA(file.c_str());
    }
    std::string Line(int state, int localPort, const std::string& remote, int remotePort) const {
        return Row(state, "10.0.0.1", localPort, remote, remotePort, pid);
    }
    // The row's colour at the list's right end, past every cell text; 0xFFFFFFFF when no row shows that port.
    static COLORREF ColourOf(Program& app, const std::string& localPort) {
        const ListView list = app.List();
        for (size_t row = 0; row < list.rows.size(); ++row)
            if (list.rows[row].at(3) == localPort)
                return app.Pixel(app.Bar(Program::kListId), {list.client.cx - 8, Center(list.rects.at(row)).y});
        return CLR_INVALID;
    }
    static std::vector<std::string> Counts(Program& app) {
        std::vector<std::string> panes;
        for (int part = 1; part <= 5; ++part)
            panes.push_back(app.Status(part));
        return panes;
    }
    static void Type(const std::string& keys) {
        for (const char key : keys)
            PressKey(static_cast<WORD>(key));
    }
    // File > Save through the real dialog with file type 1 (text) or 2 (CSV).
    static void SaveAs(Program& app, const std::string& path, int type) {
        app.PostCommand(ID_FILE_SAVE);
        const HWND dialog = app.WaitForWindow("Save As");
        const auto edit = reinterpret_cast<HWND>(app.Send(app.Control(dialog, 1148).handle, CBEM_GETEDITCONTROL));
        EXPECT_TRUE(WaitUntil([&] { return app.Control(GetParent(edit), GetDlgCtrlID(edit)).text == "Events.txt"; }))
            << app.Control(GetParent(edit), GetDlgCtrlID(edit)).text;
        const HWND types = app.Control(dialog, 1136).handle; // the file-type box, cmb1
        app.Send(types, CB_SETCURSEL, static_cast<WPARAM>(type - 1));
        for (const WORD code : {CBN_SELCHANGE, CBN_SELENDOK}) // as the box sends them when the user picks a type
            app.Send(dialog, WM_COMMAND, MAKEWPARAM(1136, code), reinterpret_cast<LPARAM>(types));
        app.SendText(edit, WM_SETTEXT, 0, path);
        app.Post(dialog, WM_COMMAND, IDOK);
        EXPECT_TRUE(WaitUntil([&] { return !IsWindow(dialog); })) << "the Save As dialog stays open";
        app.Sync();
    }
    static std::string Clipboard() {
        std::string text;
        if (!OpenClipboard(nullptr))
            return text;
        if (HANDLE data = GetClipboardData(CF_TEXT)) {
            if (const char* bytes = static_cast<const char*>(GlobalLock(data))) {
                text = bytes;
                GlobalUnlock(data);
            }
        }
        CloseClipboard();
        return text;
    }
    const DWORD pid = GetCurrentProcessId();
    const std::string text = TempPath("pelloran-changes-shown.txt"), csv = TempPath("pelloran-changes-shown.csv");
    const std::string me = "pelloran_e2e.exe\t" + std::to_string(pid) + "\t10.0.0.1\t";
};

} // namespace

TEST_F(Changes, HighlightCountsFilterCopyAndExportOverOneTable) {
    WriteDword(kSettingsKey, "HighlightChanges", 1);
    const std::string listening = Line(kListen, 135, "0.0.0.0", 0), waiting = Line(kTimeWait, 40002, "10.0.0.4", 80);
    table.Write(Line(kEstablished, 40000, "10.0.0.2", 80) + listening + waiting);
    Program app(table.Options());
    ASSERT_TRUE(WaitUntil([&] { return app.Cells().size() == 3; }));
    EXPECT_EQ(Counts(app), (std::vector<std::string>{"Endpoints: 3", "Established: 1", "Listening: 1", "Time Wait: 1",
                                                     "Close Wait: 0"}));
    EXPECT_EQ(ColourOf(app, "40000"), kEstablishedColour) << "nothing is new in the first read";

    // 40000 goes, 40001 comes: each is marked for two refreshes, the gone one with its last cells.
    table.Write(listening + waiting + Line(kCloseWait, 40001, "10.0.0.3", 443));
    const struct {
        int refresh;
        size_t rows;
        COLORREF gone, came;
    } steps[] = {{1, 4, kRemoved, kNew}, {2, 4, kRemoved, kNew}, {3, 3, CLR_INVALID, kWaitClose}};
    for (const auto& step : steps) {
        SCOPED_TRACE(step.refresh);
        app.Command(ID_FILE_REFRESH);
        app.Sync();
        EXPECT_EQ(app.Cells().size(), step.rows);
        EXPECT_EQ(Hex(ColourOf(app, "40000")), Hex(step.gone));
        EXPECT_EQ(Hex(ColourOf(app, "40001")), Hex(step.came));
        EXPECT_EQ(Hex(ColourOf(app, "135")), Hex(kListening));
        // The gone connection is not counted, and nothing acts on it.
        EXPECT_EQ(Counts(app), (std::vector<std::string>{"Endpoints: 3", "Established: 0", "Listening: 1",
                                                         "Time Wait: 1", "Close Wait: 1"}));
        if (step.refresh == 1) {
            const Rows cells = app.Cells();
            int gone = 0;
            while (gone < 3 && cells.at(static_cast<size_t>(gone)).at(3) != "40000")
                ++gone;
            const Menu menu = app.RowMenu(gone);
            const MenuItem* close = FindMenuItem(menu, ID_CLOSE_CONNECTION);
            EXPECT_TRUE(close != nullptr && !close->enabled) << Describe(menu, false);
            EXPECT_NE(FindMenuItem(menu, ID_COPY_ROWS), nullptr);
            app.CloseMenus();
            // The focus leaves the list, so its selection is painted in the row colours again.
            PressKey('F', {VK_CONTROL});
        }
    }

    // Typed into the filter box: only the matching row shows, is counted and is exported, in both file types.
    Foreground(app.Frame());
    PressKey('F', {VK_CONTROL});
    Type("443");
    auto boxText = [&] { return app.Control(app.Bar(Program::kToolBarId), IDC_FILTER_BOX).text; };
    EXPECT_TRUE(WaitUntil([&] { return boxText() == "443"; })) << boxText();
    EXPECT_EQ(app.Cells().size(), 1u);
    EXPECT_EQ(app.Status(1), "Endpoints: 1");
    SaveAs(app, text, 1);
    EXPECT_EQ(ReadFile(text),
              "pelloran_e2e.exe \t" + std::to_string(pid) + " \t10.0.0.1 \t40001 \t10.0.0.3 \t443 \tWAIT_CLOSE\r\n");
    // The quoting rules checked on the bytes: a cell with a comma and quotes (written into the list as another
    // program can) is enclosed and its quotes doubled; the others stand as they are.
    app.SetCell(0, 0, "a,\"b\"");
    SaveAs(app, csv, 2);
    EXPECT_EQ(ReadFile(csv),
              "Process,PID,Local Address,Local Port,Remote Address,Remote Port,Status\r\n\"a,\"\"b\"\"\"," +
                  std::to_string(pid) + ",10.0.0.1,40001,10.0.0.3,443,WAIT_CLOSE\r\n");

    // Esc empties the box; Ctrl+C copies the selected rows (a click opens the row menu, which Esc closes; Shift+Down
    // selects the next row too), or all after Ctrl+A.
    Foreground(app.Frame());
    PressKey('F', {VK_CONTROL});
    PressKey(VK_ESCAPE);
    ASSERT_TRUE(WaitUntil([&] { return app.Cells().size() == 3; }));
    const std::string header = "Process\tPID\tLocal Address\tLocal Port\tRemote Address\tRemote Port\tStatus\r\n";
    // The table comes sorted by local port, as the system's does.
    const std::string rows[] = {me + "135\t0.0.0.0\t0\tLISTENING\r\n", me + "40001\t10.0.0.3\t443\tWAIT_CLOSE\r\n",
                                me + "40002\t10.0.0.4\t80\tTIME_WAIT\r\n"};
    for (const bool all : {false, true}) {
        SCOPED_TRACE(all);
        app.RowMenu(0, MouseButton::Left);
        app.CloseMenus();
        all ? PressKey('A', {VK_CONTROL}) : PressKey(VK_DOWN, {VK_SHIFT});
        EXPECT_TRUE(WaitUntil([&] { return app.List().selected >= 0; }));
        PressKey('C', {VK_CONTROL});
        const std::string expected = header + rows[0] + rows[1] + (all ? rows[2] : "");
        EXPECT_TRUE(WaitUntil([&] { return Clipboard() == expected; })) << Clipboard();
    }

    // The filter text is kept at close and filters the first read of the next start.
    Foreground(app.Frame());
    PressKey('F', {VK_CONTROL});
    Type("WAIT");
    EXPECT_TRUE(WaitUntil([&] { return boxText() == "wait"; })) << boxText();
    EXPECT_EQ(app.Cells().size(), 2u);
    app.Close();
    EXPECT_EQ(ReadString(kSettingsKey, "FilterText"), "wait");
    table.Write(listening + waiting + Line(kCloseWait, 40001, "10.0.0.3", 443) +
                Line(kEstablished, 40003, "10.0.0.5", 80));
    Program again(table.Options());
    EXPECT_TRUE(WaitUntil([&] { return again.Cells().size() == 2; })) << again.Cells().size();
    const Window box = again.Control(again.Bar(Program::kToolBarId), IDC_FILTER_BOX);
    EXPECT_EQ(box.text, "wait");
    // With no view left (box empty, highlighting off) the list is refreshed without the tracker, and counted as well.
    again.SendText(box.handle, WM_SETTEXT, 0, "");
    again.Command(ID_VIEW_HIGHLIGHT_CHANGES);
    EXPECT_EQ(again.Cells().size(), 4u);
    EXPECT_EQ(Counts(again), (std::vector<std::string>{"Endpoints: 4", "Established: 1", "Listening: 1", "Time Wait: 1",
                                                       "Close Wait: 1"}));
    // A closed connection's row goes at once, and the rows already read do not bring it back at a filter change,
    // through the tracker's first read (a word) or the rows it holds (the box emptied again).
    again.RowMenu(3);
    again.CloseMenus();
    again.Command(ID_CLOSE_CONNECTION);
    ASSERT_TRUE(WaitUntil([&] { return again.Cells().size() == 3; }));
    for (const char* filter : {"10.0", ""}) {
        SCOPED_TRACE(filter);
        again.SendText(box.handle, WM_SETTEXT, 0, filter);
        const Rows cells = again.Cells();
        EXPECT_EQ(cells.size(), 3u);
        for (const auto& row : cells)
            EXPECT_NE(row.at(3), "40003");
    }
}
