// End-to-end tests of the row menu and its actions: the menu a click opens in
// both table modes, Copy Address, Close Connection through the test IP helper
// DLL's SetTcpEntry log, and the kills on helper processes started under Wine,
// also with the table reordered while the question is open.
#include "Suite.h"

#include <tlhelp32.h>
#include <algorithm>
#include <array>
#include <winsock2.h>

using namespace e2e;

namespace {

constexpr UINT kCloseConnection = 32771, kKillProcess = 32772, kCopyAddress = 32774, kKillProcessTree = 32775;

const std::vector<std::pair<UINT, std::string>> kMenu = {{kCopyAddress, "Copy Address"},
                                                         {32773, "Add To Black List"},
                                                         {0, ""},
                                                         {kCloseConnection, "Close Connection"},
                                                         {0, ""},
                                                         {kKillProcess, "Kill Process"},
                                                         {kKillProcessTree, "Kill Process Tree"}};

std::string Sleeper(const std::string& arguments = {}) {
    return QuoteArgument(DriverDirectory() + "\\pelloran_sleeper.exe") + " --timeout-ms 60000 " + arguments;
}

bool Running(DWORD pid) {
    HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, pid);
    bool running = process != nullptr && WaitForSingleObject(process, 0) == WAIT_TIMEOUT;
    if (process != nullptr)
        CloseHandle(process);
    return running;
}

std::string Clipboard(const std::string* replace = nullptr) {
    std::string text;
    if (!OpenClipboard(nullptr))
        return "<busy>";
    if (replace != nullptr) {
        EmptyClipboard();
        HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, replace->size() + 1);
        memcpy(GlobalLock(block), replace->c_str(), replace->size() + 1);
        GlobalUnlock(block);
        SetClipboardData(CF_TEXT, block);
    } else if (HANDLE data = GetClipboardData(CF_TEXT)) {
        text = static_cast<const char*>(GlobalLock(data));
        GlobalUnlock(data);
    }
    CloseClipboard();
    return text;
}

// Writes a cell into the program's list as a refresh would, without a table read.
void WriteCell(const App& app, int row, int column, const std::string& text) {
    RemoteBuffer remote(app.ProcessHandle(), sizeof(LVITEMA) + text.size() + 1);
    remote.Write(text.c_str(), text.size() + 1, sizeof(LVITEMA));
    LVITEMA item{};
    item.iSubItem = column;
    item.pszText = remote.At<char>(sizeof(LVITEMA));
    remote.Put(item);
    Send(app.ListWindow(), LVM_SETITEMTEXTA, static_cast<WPARAM>(row), remote.Param());
}

class RowActions : public ProgramTest {
protected:
    void SetUp() override {
        ProgramTest::SetUp();
        WriteDword(kSettingsKey, "Resolve", 0);
    }

    // Clicks the row and returns the entries of the menu that opens (it stays
    // open). Clicks are spaced by the double-click time, and a click that only
    // activated the window is given once more.
    static Menu OpenRowMenu(App& app, int row, MouseButton button = MouseButton::Right) {
        Menu open;
        for (int attempt = 0; attempt < 2 && open.empty(); ++attempt) {
            Pause(Milliseconds(GetDoubleClickTime() + 100));
            app.Click(app.ListWindow(), Center(app.List().ItemRect(row)), button);
            WaitUntil([&] { return !(open = app.OpenMenus()).empty(); }, 3s);
        }
        if (open.empty())
            Fail("clicking row " + std::to_string(row) + " opened no menu");
        return open.front().items;
    }

    // Chooses the command as a user would: Down until it is highlighted (a key
    // the menu has not taken yet is pressed again), then Enter.
    static void Choose(App& app, int row, UINT id) {
        const Menu items = OpenRowMenu(app, row);
        auto highlighted = [&] {
            Menu open = app.OpenMenus();
            for (const MenuItem& item : open.empty() ? Menu{} : open.front().items)
                if (item.highlighted)
                    return item.id;
            return UINT(-1);
        };
        for (int press = 0; press < 20; ++press) {
            UINT before = highlighted();
            if (before == id) {
                PressKey(VK_RETURN);
                WaitUntil([&] { return app.OpenMenus().empty(); }, 3s);
                return;
            }
            PressKey(VK_DOWN);
            WaitUntil([&] { return highlighted() != before; }, 1s);
        }
        Fail("the row menu never highlighted " + std::to_string(id) + ":\n" + DescribeMenu(items));
    }

    // Waits for the kill question, checks it and answers it.
    static void Answer(App& app, const std::string& text, int button) {
        AnswerMessageBox(app, text, {"OK", "Cancel"}, IDI_QUESTION, button);
    }

    std::vector<std::string> SetTcpEntryCalls() const {
        std::vector<std::string> lines;
        for (const LoggedCall& call : table.Calls())
            if (call.function == "SetTcpEntry")
                lines.push_back(call.line.substr(call.line.find("SetTcpEntry")));
        return lines;
    }
};

} // namespace

TEST_F(RowActions, EitherClickOpensTheMenuOfTheTableMode) {
    table.Write(Row("ESTABLISHED", "10.0.0.1", 1000, "10.0.0.2", 80) + Row("LISTENING", "0.0.0.0", 135, "0.0.0.0", 0));
    {
        App app(table.Options());
        ASSERT_TRUE(WaitUntil([&] { return app.List().RowCount() == 2; }));
        for (MouseButton button : {MouseButton::Right, MouseButton::Left}) {
            Menu items = OpenRowMenu(app, 1, button);
            ASSERT_EQ(items.size(), kMenu.size()) << DescribeMenu(items);
            for (size_t i = 0; i < items.size(); ++i) {
                EXPECT_EQ(std::make_pair(items[i].id, items[i].text), kMenu[i]);
                EXPECT_TRUE(items[i].separator == (kMenu[i].first == 0) && (items[i].separator || items[i].enabled));
            }
            PressKey(VK_DOWN);
            EXPECT_TRUE(WaitUntil([&] { return app.StatusText() == "Copy Address"; }, 3s)) << app.StatusText();
            app.CloseMenus();
        }
        RECT last = app.List().ItemRect(1);
        app.Click(app.ListWindow(), {last.left + 20, last.bottom + 3 * (last.bottom - last.top)}, MouseButton::Right);
        Pause(500ms);
        EXPECT_FALSE(app.InMenuMode()) << "a click below the last row opens nothing";
    }

    SetWindowsVersion("nt40");
    App app(table.Options());
    ASSERT_TRUE(WaitUntil([&] { return app.List().RowCount() == 2; }));
    Menu items = OpenRowMenu(app, 0);
    ASSERT_EQ(items.size(), 4u) << DescribeMenu(items);
    for (size_t i = 0; i < items.size(); ++i)
        EXPECT_EQ(std::make_pair(items[i].id, items[i].text), kMenu[i]);
    app.CloseMenus();
    // Without owners the kill command stops after its question, and reads
    // nothing.
    const size_t reads = table.SuccessfulReads().size();
    app.PostCommand(kKillProcess);
    Answer(app, "Are you sure you want to kill this process?", IDOK);
    app.Sync();
    EXPECT_EQ(table.SuccessfulReads().size(), reads);
}

TEST_F(RowActions, CopyAddressCopiesTheDisplayedRemoteText) {
    WriteDword(kSettingsKey, "Resolve", 1);
    table.Write(Row("ESTABLISHED", "10.0.0.1", 40000, "192.0.2.10", 443));
    App app(table.Options());
    ASSERT_TRUE(WaitUntil(
        [&] {
            app.PostCommand(32778); // names reach the list at the refresh after the lookup
            return app.List().RowCount() == 1 && app.List().CellText(0, 4) == "docs-host.example";
        },
        10s, 200ms));
    const std::string before = "before", kept = "kept";
    Clipboard(&before);
    Choose(app, 0, kCopyAddress);
    EXPECT_TRUE(WaitUntil([] { return Clipboard() == "docs-host.example"; })) << Clipboard();

    // A cell of white space only (written into the list as a refresh would)
    // leaves the clipboard alone.
    Clipboard(&kept);
    WriteCell(app, 0, 4, "   ");
    Choose(app, 0, kCopyAddress);
    app.Sync();
    EXPECT_EQ(Clipboard(), "kept");
}

TEST_F(RowActions, CloseConnectionResetsTheClickedEstablishedConnectionOnly) {
    const std::string rows = Row("ESTABLISHED", "10.0.0.1", 40000, "192.0.2.7", 443) +
                             Row("LISTENING", "0.0.0.0", 135, "0.0.0.0", 0) +
                             Row("TIME_WAIT", "10.0.0.1", 40001, "192.0.2.7", 443);
    table.Write(rows + "set-result 5\n");
    App app(table.Options());
    ASSERT_TRUE(WaitUntil([&] { return app.List().RowCount() == 3; }));
    ASSERT_EQ(app.List().CellText(1, 3), "40000"); // sorted: the listener first

    Choose(app, 0, kCloseConnection);
    Choose(app, 2, kCloseConnection);
    Pause(500ms);
    EXPECT_TRUE(SetTcpEntryCalls().empty()) << "listening and waiting rows are never closed";

    Choose(app, 1, kCloseConnection);
    ASSERT_TRUE(WaitUntil([&] { return SetTcpEntryCalls().size() == 1; }));
    app.Sync();
    EXPECT_EQ(app.List().RowCount(), 3) << "a refused reset leaves the row";

    table.Write(rows);
    Choose(app, 1, kCloseConnection);
    ASSERT_TRUE(WaitUntil([&] { return SetTcpEntryCalls().size() == 2; }));
    EXPECT_TRUE(WaitUntil([&] { return app.List().RowCount() == 2; })) << "a reset row goes at once";
    EXPECT_EQ(app.List().CellText(1, 3), "40001");
    EXPECT_EQ(SetTcpEntryCalls().back(), "SetTcpEntry state=12 localAddr=" + std::to_string(inet_addr("10.0.0.1")) +
                                             " localPort=" + std::to_string(htons(40000)) +
                                             " remoteAddr=" + std::to_string(inet_addr("192.0.2.7")) +
                                             " remotePort=" + std::to_string(htons(443)) + " result=0");
}

TEST_F(RowActions, CloseWhileAnotherCloseRunsDoesNothing) {
    table.Write(Row("ESTABLISHED", "10.0.0.1", 40000, "192.0.2.7", 443) +
                Row("ESTABLISHED", "10.0.0.1", 40001, "192.0.2.7", 443) + "set-delay 4000\n");
    App app(table.Options());
    ASSERT_TRUE(WaitUntil([&] { return app.List().RowCount() == 2; }));
    Choose(app, 0, kCloseConnection);
    app.Sync();
    const size_t reads = table.SuccessfulReads().size();
    Choose(app, 1, kCloseConnection);
    app.Sync();
    EXPECT_EQ(table.SuccessfulReads().size(), reads) << "the second Close does not even refresh";
    ASSERT_TRUE(WaitUntil([&] { return app.List().RowCount() == 1; }, 10s));
    Pause(500ms);
    EXPECT_EQ(SetTcpEntryCalls().size(), 1u);
    EXPECT_EQ(app.List().CellText(0, 3), "40001");
    EXPECT_EQ(app.Close(), 0u);
}

// Both kill commands in one program: Kill Process takes the process of the clicked row even when the table
// changed under its question; Kill Process Tree takes the process and all its descendants; neither touches a
// program that was given the PID of a process that ended after the read the row shows.
TEST_F(RowActions, KillCommandsKillTheClickedProcessOrItsWholeTree) {
    Process clicked = Process::Start(Sleeper()), other = Process::Start(Sleeper());
    Process root = Process::Start(Sleeper("--depth 2"));
    // The tree, found through the parent links of a Toolhelp snapshot of the prefix.
    std::vector<DWORD> tree;
    ASSERT_TRUE(WaitUntil([&] {
        tree = {root.Id()};
        HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
        PROCESSENTRY32 blank{};
        blank.dwSize = sizeof(blank);
        std::vector<PROCESSENTRY32> all(1, blank);
        for (BOOL more = Process32First(snapshot, &all.back()); more; more = Process32Next(snapshot, &all.back()))
            all.push_back(blank);
        CloseHandle(snapshot);
        for (size_t i = 0; i < tree.size(); ++i)
            for (size_t k = 0; k + 1 < all.size(); ++k)
                if (all[k].th32ParentProcessID == tree[i] && all[k].th32ProcessID != tree[i])
                    tree.push_back(all[k].th32ProcessID);
        return tree.size() == 7;
    }));
    auto rows = [&](DWORD first, DWORD second) {
        return Row("ESTABLISHED", "10.0.0.1", 1, "10.0.0.2", 80, first) +
               Row("ESTABLISHED", "10.0.0.1", 2, "10.0.0.2", 80, second) +
               Row("ESTABLISHED", "10.0.0.1", 3, "10.0.0.2", 80, root.Id());
    };
    table.Write(rows(clicked.Id(), other.Id()));
    WriteDword(kSettingsKey, "UpdateInterval", 1);
    WriteDword(kSettingsKey, "Autoupdate", 1);
    App app(table.Options());
    ASSERT_TRUE(WaitUntil([&] { return app.List().RowCount() == 3; }));

    Choose(app, 0, kKillProcess);
    Answer(app, "Are you sure you want to kill this process?", IDCANCEL);
    Pause(300ms);
    EXPECT_TRUE(clicked.Running()) << "Cancel kills nothing";

    Choose(app, 0, kKillProcess);
    table.Write(rows(other.Id(), clicked.Id())); // the timer refreshes under the question
    ASSERT_TRUE(WaitUntil([&] { return app.List().CellText(0, 1) == std::to_string(other.Id()); }));
    Answer(app, "Are you sure you want to kill this process?", IDOK);
    EXPECT_EQ(clicked.WaitExit(), std::optional<DWORD>(0xFFFFFFFFu));

    ASSERT_EQ(app.List().CellText(2, 1), std::to_string(root.Id()));
    Choose(app, 2, kKillProcessTree);
    Answer(app, "Are you sure you want to kill this process tree?", IDOK);
    for (DWORD pid : tree)
        EXPECT_TRUE(WaitUntil([&] { return !Running(pid); })) << "process " << pid << " survived";
    EXPECT_TRUE(other.Running()) << "neither command touches the other row's process";

    // Row 1 still shows the PID of the helper killed above. Wine hands out a PID again only after hundreds
    // of others, so the reuse is shown by writing a newer program's PID into the row, as if that program
    // had been given the ended helper's PID since the read.
    app.SendCommand(32798); // Autoupdate off: no read after the newcomer's start
    const std::string warning = "The process has ended; its process id now belongs to another program.";
    for (UINT command : {kKillProcess, kKillProcessTree}) {
        app.SendCommand(32778);
        ASSERT_EQ(app.List().CellText(1, 1), std::to_string(clicked.Id()));
        Process newcomer = Process::Start(Sleeper());
        WriteCell(app, 1, 1, std::to_string(newcomer.Id()));
        Choose(app, 1, command);
        Answer(app,
               command == kKillProcess ? "Are you sure you want to kill this process?"
                                       : "Are you sure you want to kill this process tree?",
               IDOK);
        AnswerMessageBox(app, warning, {"OK"}, IDI_EXCLAMATION, IDOK);
        EXPECT_TRUE(newcomer.Running()) << "command " << command << " killed a program started after the read";
    }
}

// The list keeps its rows itself; what another program reads through the list-view messages must follow
// them through a refresh, a header click and a closed connection's row going away.
TEST_F(RowActions, CellsReadFromOutsideFollowRefreshSortAndDelete) {
    auto script = [](int count, int shift) {
        std::string rows;
        for (int i = 0; i < count; ++i)
            rows += Row(i % 3 == 0 ? "LISTENING" : "ESTABLISHED", "10.0.0.1", 2000 + (i * 7 + shift) % 50, "192.0.2.7",
                        443 + i);
        return rows;
    };
    // Local port, remote port and state of every row, as read from outside.
    auto shown = [](const App& app) {
        std::vector<std::string> rows;
        for (const auto& row : app.List().Rows())
            rows.push_back(row[3] + " " + row[5] + " " + row[6]);
        return rows;
    };
    // The table comes in local-port order (the program asks for a sorted table); the ports are distinct.
    auto expected = [](int count, int shift) {
        std::vector<std::string> rows;
        for (int i = 0; i < count; ++i)
            rows.push_back(std::to_string(2000 + (i * 7 + shift) % 50) + " " + std::to_string(443 + i) +
                           (i % 3 == 0 ? " LISTENING" : " ESTABLISHED"));
        std::sort(rows.begin(), rows.end());
        return rows;
    };
    table.Write(script(12, 0));
    App app(table.Options());
    ASSERT_TRUE(WaitUntil([&] { return app.List().RowCount() == 12; }));
    EXPECT_EQ(shown(app), expected(12, 0));

    table.Write(script(10, 3));
    app.SendCommand(32778);
    std::vector<std::string> rows = expected(10, 3);
    EXPECT_EQ(shown(app), rows);

    Pause(Milliseconds(GetDoubleClickTime() + 100));
    app.Click(app.Header().Handle(), Center(app.Header().ItemRect(5))); // Remote Port, descending
    app.Sync();
    std::sort(rows.begin(), rows.end(),
              [](const std::string& a, const std::string& b) { return a.substr(5, 3) > b.substr(5, 3); });
    EXPECT_EQ(shown(app), rows);

    // The same cell through the wide message.
    RemoteBuffer remote(app.ProcessHandle(), sizeof(LVITEMW) + 64);
    LVITEMW item{};
    item.iSubItem = 5;
    item.pszText = remote.At<wchar_t>(sizeof item);
    item.cchTextMax = 32;
    remote.Put(item);
    Send(app.ListWindow(), LVM_GETITEMTEXTW, 0, remote.Param());
    const auto text = remote.Get<std::array<wchar_t, 4>>(sizeof item);
    EXPECT_EQ(std::wstring(text.data(), 3), L"452");
    EXPECT_EQ(text[3], L'\0');

    // Row 1 (remote port 451) is an established connection; once it is reset its row goes, and the
    // selection with it.
    ASSERT_EQ(rows[1].substr(5), "451 ESTABLISHED");
    Choose(app, 1, kCloseConnection);
    ASSERT_TRUE(WaitUntil([&] { return app.List().RowCount() == 9; }));
    rows.erase(rows.begin() + 1);
    EXPECT_EQ(shown(app), rows);
    EXPECT_EQ(app.List().SelectedRow(), -1);
}
