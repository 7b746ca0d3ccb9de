// The scripted connection table in one program start (Resolve off): what the list shows and how it is painted,
// refreshes, the row menu and its actions on real helper processes, and the header sort, in that order (a sort
// cannot be undone, so it comes last).
#include "Suite.h"

#include <commctrl.h>
#include <winsock2.h>

#include <algorithm>
#include <cstring>
#include <memory>

using namespace e2e;

namespace {

constexpr UINT kCloseConnection = 32771, kKillProcess = 32772, kAddToBlackList = 32773, kCopyAddress = 32774,
               kKillProcessTree = 32775, kRefresh = 32778, kEstablishedOnly = 32799, kCopyRows = 32805;
constexpr COLORREF kSelect = RGB(200, 100, 50);
const char kKillOne[] = "Are you sure you want to kill this process?";
const char kKillTree[] = "Are you sure you want to kill this process tree?";

struct StateRow {
    int state;
    const char* text;
    COLORREF colour; // CLR_NONE: the system's window colour
};
const StateRow kStates[] = {{kClosed, "CLOSED", RGB(255, 200, 200)},
                            {kListen, "LISTENING", RGB(255, 255, 220)},
                            {kSynSent, "SYN_SENT", RGB(220, 230, 220)},
                            {kSynRcvd, "SYN_RCVD", RGB(220, 230, 220)},
                            {kEstablished, "ESTABLISHED", RGB(220, 255, 220)},
                            {kFinWait1, "FIN_WAIT1", RGB(220, 230, 220)},
                            {kFinWait2, "FIN_WAIT2", RGB(220, 230, 220)},
                            {kCloseWait, "WAIT_CLOSE", RGB(255, 200, 200)},
                            {kClosing, "CLOSING", RGB(255, 200, 200)},
                            {kLastAck, "LAST_ACK", CLR_NONE},
                            {kTimeWait, "TIME_WAIT", RGB(255, 220, 220)},
                            {kDeleteTcb, "DELETE_TCB", RGB(255, 255, 240)},
                            {99, "UNKNOWN", CLR_NONE}};

class Table : public ProgramTest {
protected:
    void SetUp() override {
        ProgramTest::SetUp();
        WriteDword(kSettingsKey, "Resolve", 0);
        WriteDword(kSettingsKey, "SelectColor", kSelect);
        StorePlacement(0, 0, 1000, 760);
    }

    bool ShowsRows(size_t count) {
        return WaitUntil([&] { return app->Cells().size() == count; });
    }
    COLORREF Background(int row) {
        const ListView list = app->List(nullptr, row, 1);
        return app->Pixel(app->Bar(Program::kListId), {list.client.cx - 8, Center(list.rects.at(0)).y});
    }
    // Chooses the command as a user does: Down until it is highlighted, then Enter.
    void Choose(int row, UINT id) {
        app->RowMenu(row);
        auto highlighted = [&] {
            const Menu open = app->Menus("open");
            for (const MenuItem& item : open.empty() ? Menu{} : open.front().items)
                if (item.highlighted)
                    return item.id;
            return UINT(-1);
        };
        for (int press = 0; press < 20 && highlighted() != id; ++press) {
            const UINT before = highlighted();
            PressKey(VK_DOWN);
            WaitUntil([&] { return highlighted() != before; }, 1s);
        }
        if (highlighted() != id)
            Fail("the row menu never highlighted " + std::to_string(id));
        PressKey(VK_RETURN);
        WaitUntil([&] { return app->Menus("open").empty(); }, 3s);
    }
    std::vector<std::string> Resets() const { return table.Calls("SetTcpEntry"); }
    std::string Cell(int row, int column) { return app->Cells().at(row).at(column); }

    std::unique_ptr<Program> app;
};

std::string Clipboard(const char* replace = nullptr) {
    std::string text;
    if (!OpenClipboard(nullptr))
        return "<busy>";
    if (replace) {
        EmptyClipboard();
        HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, strlen(replace) + 1);
        strcpy(static_cast<char*>(GlobalLock(block)), replace);
        GlobalUnlock(block);
        SetClipboardData(CF_TEXT, block);
    } else if (HANDLE data = GetClipboardData(CF_TEXT)) {
        text = static_cast<const char*>(GlobalLock(data));
        GlobalUnlock(data);
    }
    CloseClipboard();
    return text;
}

bool Alive(DWORD pid) {
    HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, pid);
    const bool alive = process && WaitForSingleObject(process, 0) == WAIT_TIMEOUT;
    if (process)
        CloseHandle(process);
    return alive;
}

// The process and its descendants, from the parent links of a Toolhelp snapshot.
std::vector<DWORD> Tree(DWORD root) {
    const std::vector<ProcessEntry> all = Processes();
    std::vector<DWORD> tree{root};
    for (size_t i = 0; i < tree.size(); ++i)
        for (const auto& process : all)
            if (process.parent == tree[i] && process.id != tree[i])
                tree.push_back(process.id);
    return tree;
}

} // namespace

TEST_F(Table, ShowsPaintsRefreshesActsAndSorts) {
    // Every state once (local port 1000 + state), the unknown 99, and two rows that sort by address.
    std::string states;
    Rows expected{{"Idle", "0", "0.0.0.0", "135", "0.0.0.0", "0", "LISTENING"}};
    for (const StateRow& row : kStates) {
        states += Row(row.state, "10.0.0.1", 1000 + row.state, "10.0.0.2", row.state);
        expected.push_back({"Idle", "0", "10.0.0.1", std::to_string(1000 + row.state), "10.0.0.2",
                            std::to_string(row.state), row.text});
    }
    expected.push_back({"Idle", "0", "192.168.1.10", "49152", "93.184.216.34", "443", "ESTABLISHED"});
    const std::string mixed = Row(kEstablished, "192.168.1.10", 49152, "93.184.216.34", 443) + states +
                              Row(kListen, "0.0.0.0", 135, "0.0.0.0", 0);
    table.Write(mixed);
    app = std::make_unique<Program>(table.Options());
    EXPECT_TRUE(WaitUntil([&] { return app->Cells() == expected; })) << "the sorted table, every field";
    const auto reads = table.Calls("GetExtendedTcpTable");
    ASSERT_FALSE(reads.empty());
    EXPECT_NE(reads[0].find(" sort=1 af=2 class=5 reserved=0 "), std::string::npos) << reads[0];

    Foreground(app->Frame());
    app->Sync();
    for (size_t i = 0; i < std::size(kStates); ++i) {
        const COLORREF want = kStates[i].colour == CLR_NONE ? GetSysColor(COLOR_WINDOW) : kStates[i].colour;
        EXPECT_TRUE(WaitUntil([&] { return Background(static_cast<int>(i) + 1) == want; }, 2s))
            << kStates[i].text << ": " << Hex(Background(static_cast<int>(i) + 1));
    }

    // Established Only filters at once, and its menu entry shows the check.
    app->Command(kEstablishedOnly);
    EXPECT_EQ(app->List().ColumnTexts(3), (std::vector<std::string>{"1005", "49152"}));
    EXPECT_TRUE(app->MenuCommand(kEstablishedOnly).checked);
    app->Command(kEstablishedOnly);
    EXPECT_TRUE(ShowsRows(expected.size()));

    // The selected row takes the selection colour while the list has the focus, its state colour without.
    app->Click(app->Bar(Program::kListId), {20, Center(app->List().rects[5]).y});
    EXPECT_TRUE(WaitUntil([&] { return app->List().selected == 5 && Background(5) == kSelect; })) << Hex(Background(5));
    app->CloseMenus(); // a left click opens the row menu too
    HWND other = CreateWindowExA(WS_EX_TOPMOST, "STATIC", "focus", WS_POPUP | WS_VISIBLE, 1100, 900, 120, 60, nullptr,
                                 nullptr, nullptr, nullptr);
    Foreground(other);
    EXPECT_TRUE(WaitUntil([&] {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageA(&msg);
        return Background(5) == RGB(220, 255, 220);
    })) << Hex(Background(5));
    DestroyWindow(other);

    // Nothing changes before a refresh; the new rows come at the end, the selection stays at its position; a
    // failed read keeps the rows; a shorter table cuts the selected row off.
    table.Write(mixed + Row(kSynSent, "192.168.1.11", 1, "10.0.0.9", 8080));
    app->Sync();
    EXPECT_EQ(app->Cells().size(), expected.size());
    app->Command(kRefresh);
    EXPECT_EQ(app->Cells().back(),
              (std::vector<std::string>{"Idle", "0", "192.168.1.11", "1", "10.0.0.9", "8080", "SYN_SENT"}));
    EXPECT_EQ(app->List().selected, 5);
    table.Write("fail-read 31\n");
    app->Command(kRefresh);
    EXPECT_EQ(app->Cells().size(), expected.size() + 1) << "a failed read keeps the rows";

    // Process names of real processes; a process that is gone, and PID 0, are "Idle".
    Process clicked = StartSleeper(), other2 = StartSleeper(), root = StartSleeper(2);
    DWORD gone = 0;
    {
        Process ended = StartSleeper();
        gone = ended.Id();
    }
    std::vector<DWORD> tree;
    ASSERT_TRUE(WaitUntil([&] { return (tree = Tree(root.Id())).size() == 7; })) << "a tree of 7 helpers";
    auto pids = [&](DWORD first, DWORD second) {
        return Row(kEstablished, "10.0.0.1", 1, "192.0.2.7", 443, first) +
               Row(kEstablished, "10.0.0.1", 2, "10.0.0.2", 80, second) +
               Row(kEstablished, "10.0.0.1", 3, "10.0.0.2", 80, root.Id()) +
               Row(kEstablished, "10.0.0.1", 4, "10.0.0.2", 80, gone) +
               Row(kEstablished, "10.0.0.1", 5, "10.0.0.2", 80) + Row(kListen, "10.0.0.1", 6, "0.0.0.0", 0) +
               Row(kTimeWait, "10.0.0.1", 7, "192.0.2.7", 443);
    };
    table.Write(pids(clicked.Id(), other2.Id()) + "set-result 5\n");
    app->Select(10);
    app->Command(kRefresh);
    ASSERT_TRUE(ShowsRows(7));
    EXPECT_EQ(app->List().ColumnTexts(0)[0], "pelloran_e2e.exe");
    EXPECT_EQ(app->Cells()[3], (std::vector<std::string>{"Idle", std::to_string(gone), "10.0.0.1", "4", "10.0.0.2",
                                                         "80", "ESTABLISHED"}));
    EXPECT_EQ(app->List().selected, -1) << "the selected row was cut off at the end";

    // The row menu, from either button; Down shows its prompt; below the last row no menu opens.
    const std::vector<std::pair<UINT, std::string>> items = {
        {kCopyAddress, "Copy Address"},         {kCopyRows, "Copy Rows"},
        {kAddToBlackList, "Add To Black List"}, {0, ""},
        {kCloseConnection, "Close Connection"}, {0, ""},
        {kKillProcess, "Kill Process"},         {kKillProcessTree, "Kill Process Tree"}};
    for (MouseButton button : {MouseButton::Right, MouseButton::Left}) {
        const Menu menu = app->RowMenu(1, button);
        std::vector<std::pair<UINT, std::string>> shown;
        for (const MenuItem& item : menu)
            shown.emplace_back(item.id, item.separator || !item.enabled ? "" : item.text);
        EXPECT_EQ(shown, items) << Describe(menu);
        PressKey(VK_DOWN);
        EXPECT_TRUE(WaitUntil([&] { return app->Status() == "Copy Address"; }, 3s)) << app->Status();
        app->CloseMenus();
    }
    const RECT last = app->List().rects.back();
    app->Click(app->Bar(Program::kListId), {last.left + 20, last.bottom + 3 * (last.bottom - last.top)},
               MouseButton::Right);
    EXPECT_FALSE(WaitUntil([&] { return app->InMenuMode(); }, 1s)) << "a click below the last row opens nothing";

    // Copy Address takes the remote text shown; a cell of white space leaves the clipboard alone.
    Clipboard("before");
    Choose(0, kCopyAddress);
    EXPECT_TRUE(WaitUntil([] { return Clipboard() == "192.0.2.7"; })) << Clipboard();
    app->SetCell(0, 4, "   ");
    Choose(0, kCopyAddress);
    app->Sync();
    EXPECT_EQ(Clipboard(), "192.0.2.7");
    app->Command(kRefresh);

    // Close Connection: never a listening or waiting row; a refused reset keeps the row; a reset row goes at once
    // with the exact entry; a Close while another runs does nothing.
    Choose(5, kCloseConnection);
    Choose(6, kCloseConnection);
    app->Sync();
    EXPECT_TRUE(Resets().empty()) << "listening and waiting rows are never closed";
    Choose(0, kCloseConnection);
    ASSERT_TRUE(WaitUntil([&] { return Resets().size() == 1; }));
    app->Sync();
    EXPECT_EQ(app->Cells().size(), 7u) << "a refused reset leaves the row";
    table.Write(pids(clicked.Id(), other2.Id()) + "set-delay 4000\n");
    Choose(0, kCloseConnection);
    Choose(4, kCloseConnection);
    ASSERT_TRUE(WaitUntil([&] { return app->Cells().size() == 6; }));
    EXPECT_EQ(Resets().size(), 2u) << "the second Close ran while the first was running";
    EXPECT_EQ(Resets().back(), "SetTcpEntry state=12 localAddr=" + std::to_string(inet_addr("10.0.0.1")) +
                                   " localPort=" + std::to_string(htons(1)) +
                                   " remoteAddr=" + std::to_string(inet_addr("192.0.2.7")) +
                                   " remotePort=" + std::to_string(htons(443)) + " result=0");
    table.Write(pids(clicked.Id(), other2.Id()));
    app->Command(kRefresh);

    // Kill Process: Cancel kills nothing; OK kills the clicked row's process even when a refresh under the question
    // put another process in that row. Kill Process Tree takes the whole tree.
    Choose(0, kKillProcess);
    app->AnswerBox(kKillOne, {"OK", "Cancel"}, "question", IDCANCEL);
    Choose(0, kKillProcess);
    table.Write(pids(other2.Id(), clicked.Id()));
    app->PostCommand(kRefresh);
    ASSERT_TRUE(WaitUntil([&] { return Cell(0, 1) == std::to_string(other2.Id()); }));
    app->AnswerBox(kKillOne, {"OK", "Cancel"}, "question", IDOK);
    EXPECT_EQ(clicked.WaitExit(), std::optional<DWORD>(0xFFFFFFFFu));
    Choose(2, kKillProcessTree);
    app->AnswerBox(kKillTree, {"OK", "Cancel"}, "question", IDOK);
    for (DWORD pid : tree)
        EXPECT_TRUE(WaitUntil([&] { return !Alive(pid); })) << "process " << pid << " survived";
    EXPECT_TRUE(other2.Running()) << "neither command touches another row's process";

    // A program given the PID of a process that ended after the read the row shows is spared by both commands
    // (Wine hands a PID out again only after hundreds of others, so the newcomer's PID is written into the row).
    for (auto [command, question] : {std::pair{kKillProcess, kKillOne}, {kKillProcessTree, kKillTree}}) {
        app->Command(kRefresh);
        Process newcomer = StartSleeper();
        app->SetCell(1, 1, std::to_string(newcomer.Id()));
        Choose(1, command);
        app->AnswerBox(question, {"OK", "Cancel"}, "question", IDOK);
        app->AnswerBox("The process has ended; its process id now belongs to another program.", {"OK"}, "exclamation",
                       IDOK);
        EXPECT_TRUE(newcomer.Running()) << "command " << command;
    }

    // Header clicks sort: first descending, then ascending; another column starts descending again; the sort holds
    // through a refresh, the selection travels with its row, only the sort column draws a triangle, and cells read
    // from outside follow.
    std::string ports;
    for (auto [port, remote] : {std::pair{80, 5}, {9, 7}, {443, 9}, {10000, 6}})
        ports += Row(port == 9 ? kListen : kEstablished, "10.0.0.1", port, "10.0.0.2", remote);
    table.Write(ports);
    app->Command(kRefresh);
    ASSERT_TRUE(ShowsRows(4));
    for (const Column& column : app->List().columns)
        EXPECT_EQ(column.headerFormat & HDF_OWNERDRAW, 0) << "the system draws the header before a sort";
    app->Select(1); // local port 80
    auto clickHeader = [&](int column) {
        Pause(Milliseconds(GetDoubleClickTime() + 100)); // two quick clicks would be a double click
        const ListView list = app->List();
        app->Click(list.header, Center(list.columns.at(column).rect));
        app->Sync();
    };
    const std::pair<int, std::vector<std::string>> clicks[] = {
        {3, {"10000", "443", "80", "9"}}, {3, {"9", "80", "443", "10000"}}, {5, {"443", "9", "10000", "80"}}};
    for (const auto& [column, order] : clicks) {
        clickHeader(column);
        EXPECT_TRUE(WaitUntil([&] { return app->List().ColumnTexts(3) == order; }, 3s)) << "a click on " << column;
        EXPECT_EQ(Cell(app->List().selected, 3), "80");
    }
    table.Write(ports + Row(kSynSent, "10.0.0.1", 1, "10.0.0.2", 30000));
    app->Command(kRefresh);
    EXPECT_EQ(app->List().ColumnTexts(3), (std::vector<std::string>{"1", "443", "9", "10000", "80"}));
    const ListView sorted = app->List();
    for (const Column& column : sorted.columns)
        EXPECT_NE(column.headerFormat & HDF_OWNERDRAW, 0) << "every item is owner-drawn after a sort";
    // Descending triangle: its dark top edge runs at y = d, d a quarter of the header's height.
    auto topEdge = [&](int column) {
        const RECT rect = sorted.columns[column].rect;
        const int d = (rect.bottom - rect.top) / 4;
        return app->Pixel(sorted.header, {rect.right - 2 * d - 1, d});
    };
    EXPECT_EQ(topEdge(5), GetSysColor(COLOR_BTNSHADOW));
    EXPECT_NE(topEdge(4), GetSysColor(COLOR_BTNSHADOW));
    EXPECT_NE(topEdge(6), GetSysColor(COLOR_BTNSHADOW));
    EXPECT_EQ(app->Close(), 0u);
}
