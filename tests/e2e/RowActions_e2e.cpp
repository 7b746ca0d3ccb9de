// End-to-end tests of the row menu and its actions: the menu a click opens in both table modes, Copy
// Address, Close Connection through the test IP helper DLL's SetTcpEntry log, and Kill Process / Kill
// Process Tree on helper processes started under Wine, including a table reordered while the kill
// question is open.
#include "E2e.h"
#include "FakeTable.h"

#include <gtest/gtest.h>

#include <winsock2.h>
#include <tlhelp32.h>

#include <sstream>

using namespace e2e;

namespace {

constexpr UINT kCloseConnection = 32771;
constexpr UINT kKillProcess = 32772;
constexpr UINT kAddToBlackList = 32773;
constexpr UINT kCopyAddress = 32774;
constexpr UINT kKillProcessTree = 32775;
constexpr UINT kAutoupdate = 32798;

struct Entry {
    UINT id; // 0: separator
    const char* text;
};

const std::vector<Entry> kSevenColumnMenu = {
    {kCopyAddress, "Copy Address"},
    {kAddToBlackList, "Add To Black List"},
    {0, ""},
    {kCloseConnection, "Close Connection"},
    {0, ""},
    {kKillProcess, "Kill Process"},
    {kKillProcessTree, "Kill Process Tree"},
};

// A process the test can watch by its id, also when another process started it.
bool ProcessRunning(DWORD pid) {
    HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, pid);
    if (process == nullptr)
        return false;
    bool running = WaitForSingleObject(process, 0) == WAIT_TIMEOUT;
    CloseHandle(process);
    return running;
}

void KillById(DWORD pid) {
    if (HANDLE process = OpenProcess(PROCESS_TERMINATE, FALSE, pid)) {
        TerminateProcess(process, 1);
        CloseHandle(process);
    }
}

std::string SleeperCommand(const std::string& arguments = {}) {
    return QuoteArgument(DriverDirectory() + "\\pelloran_sleeper.exe") + " --timeout-ms 60000 " + arguments;
}

class RowActions : public ::testing::Test {
protected:
    void SetUp() override {
        ResetProgramState();
        ClearWindowsVersion();
        WriteDword(kSettingsKey, "Resolve", 0);
    }
    void TearDown() override {
        ClearWindowsVersion();
        for (DWORD pid : leftovers)
            KillById(pid);
    }

    // Clicks the row and returns the entries of the menu that opens (the menu stays open).
    static Menu OpenRowMenu(App& app, int row, MouseButton button = MouseButton::Right) {
        Menu open;
        // A click that only activates the window opens nothing: one more try.
        for (int attempt = 0; attempt < 2 && open.empty(); ++attempt) {
            // A second click at the same place within the double-click time would be a double click.
            Pause(Milliseconds(GetDoubleClickTime() + 100));
            app.Click(app.ListWindow(), Center(app.List().ItemRect(row)), button);
            WaitUntil([&] { return !(open = app.OpenMenus()).empty(); }, 3s);
        }
        if (open.empty())
            Fail("clicking row " + std::to_string(row) + " opened no menu");
        return open.front().items;
    }

    // Opens the row's menu and chooses the command with the keyboard, as a user would: Down moves the
    // highlight to the next entry (separators are skipped), Enter chooses. A key the menu has not taken yet
    // is pressed again, so each step checks where the highlight stands before the next key.
    static void Choose(App& app, int row, UINT id) {
        const Menu items = OpenRowMenu(app, row);
        int target = -1;
        for (size_t i = 0; i < items.size(); ++i) {
            if (items[i].id == id)
                target = static_cast<int>(i);
        }
        if (target < 0)
            Fail("the row menu has no entry " + std::to_string(id) + ":\n" + DescribeMenu(items));
        auto highlighted = [&] {
            Menu open = app.OpenMenus();
            for (size_t i = 0; !open.empty() && i < open.front().items.size(); ++i) {
                if (open.front().items[i].highlighted)
                    return static_cast<int>(i);
            }
            return -1;
        };
        for (int press = 0; press < 20; ++press) {
            int before = highlighted();
            if (before == target) {
                PressKey(VK_RETURN);
                WaitUntil([&] { return app.OpenMenus().empty(); }, 3s);
                return;
            }
            PressKey(VK_DOWN);
            WaitUntil([&] { return highlighted() != before; }, 1s);
        }
        Fail("the Down key did not reach entry " + std::to_string(target) + " of the row menu");
    }

    // The kill question, once it shows: its text and button texts, in child order.
    struct Question {
        HWND window = nullptr;
        std::vector<std::string> texts;
        std::vector<std::string> buttons;
        bool hasIcon = false;
    };
    static Question WaitForQuestion(App& app) {
        Question question;
        question.window = app.WaitForWindow(App::kTitle);
        for (HWND child = GetWindow(question.window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
            const std::string cls = ClassName(child);
            if (_stricmp(cls.c_str(), "Button") == 0 && IsVisible(child))
                question.buttons.push_back(WindowText(child));
            else if (_stricmp(cls.c_str(), "Static") == 0 && (Style(child) & SS_TYPEMASK) == SS_ICON)
                question.hasIcon = question.hasIcon || IsVisible(child);
            else if (_stricmp(cls.c_str(), "Static") == 0 && !WindowText(child).empty())
                question.texts.push_back(WindowText(child));
        }
        return question;
    }
    static void Answer(const Question& question, int buttonId) {
        Post(question.window, WM_COMMAND, buttonId, 0);
        WaitUntil([&] { return !IsWindow(question.window); });
    }

    static size_t CountCalls(const FakeTable& table, const std::string& function) {
        size_t count = 0;
        for (const LoggedCall& call : table.Calls())
            count += call.function == function;
        return count;
    }

    FakeTable table;
    std::vector<DWORD> leftovers;
};

} // namespace

TEST_F(RowActions, EitherClickOpensTheSevenEntryMenuWithPrompts) {
    table.Write(Row("ESTABLISHED", "10.0.0.1", 1000, "10.0.0.2", 80) + Row("LISTENING", "0.0.0.0", 135, "0.0.0.0", 0));
    App app(table.Options());
    ASSERT_TRUE(WaitUntil([&] { return app.List().RowCount() == 2; }));

    for (MouseButton button : {MouseButton::Right, MouseButton::Left}) {
        Menu items = OpenRowMenu(app, 1, button);
        ASSERT_EQ(items.size(), kSevenColumnMenu.size()) << DescribeMenu(items);
        for (size_t i = 0; i < items.size(); ++i) {
            EXPECT_EQ(items[i].separator, kSevenColumnMenu[i].id == 0) << i;
            EXPECT_EQ(items[i].id, kSevenColumnMenu[i].id) << i;
            EXPECT_EQ(items[i].text, kSevenColumnMenu[i].text) << i;
            EXPECT_TRUE(items[i].separator || items[i].enabled) << items[i].text;
        }
        PressKey(VK_DOWN);
        EXPECT_TRUE(WaitUntil([&] { return app.StatusText() == "Copy Address"; }, 3s)) << app.StatusText();
        app.CloseMenus();
    }

    // Below the last row nothing opens.
    RECT last = app.List().ItemRect(1);
    app.Click(app.ListWindow(), {last.left + 20, last.bottom + 3 * (last.bottom - last.top)}, MouseButton::Right);
    app.Sync();
    Pause(300ms);
    EXPECT_TRUE(app.OpenMenus().empty());
    EXPECT_FALSE(app.InMenuMode());
}

TEST_F(RowActions, FiveColumnModeHasNoKillEntries) {
    SetWindowsVersion("nt40");
    table.Write(Row("ESTABLISHED", "10.0.0.1", 1000, "10.0.0.2", 80));
    App app(table.Options());
    ASSERT_TRUE(WaitUntil([&] { return app.List().RowCount() == 1; }));
    Menu items = OpenRowMenu(app, 0);
    ASSERT_EQ(items.size(), 4u) << DescribeMenu(items);
    for (size_t i = 0; i < items.size(); ++i) {
        EXPECT_EQ(items[i].id, kSevenColumnMenu[i].id) << i;
        EXPECT_EQ(items[i].text, kSevenColumnMenu[i].text) << i;
    }
    app.CloseMenus();
}

namespace {

std::string ClipboardText() {
    std::string text;
    if (!OpenClipboard(nullptr))
        return "<clipboard busy>";
    if (HANDLE data = GetClipboardData(CF_TEXT)) {
        if (const char* bytes = static_cast<const char*>(GlobalLock(data))) {
            text = bytes;
            GlobalUnlock(data);
        }
    }
    CloseClipboard();
    return text;
}

void SetClipboardText(const std::string& text) {
    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, text.size() + 1);
    memcpy(GlobalLock(block), text.c_str(), text.size() + 1);
    GlobalUnlock(block);
    SetClipboardData(CF_TEXT, block);
    CloseClipboard();
}

// Writes a cell of the program's list, as a refresh would, so a test can show a text no table gives.
void SetCell(App& app, int row, int column, const std::string& text) {
    RemoteBuffer remote(app.ProcessHandle(), sizeof(LVITEMA) + text.size() + 1);
    remote.Write(text.c_str(), text.size() + 1, sizeof(LVITEMA));
    LVITEMA item{};
    item.iSubItem = column;
    item.pszText = remote.At<char>(sizeof(LVITEMA));
    remote.Put(item);
    Send(app.ListWindow(), LVM_SETITEMTEXTA, row, remote.Param());
}

} // namespace

TEST_F(RowActions, CopyAddressCopiesTheDisplayedRemoteText) {
    WriteDword(kSettingsKey, "Resolve", 1);
    table.Write(Row("ESTABLISHED", "10.0.0.1", 40000, "192.0.2.10", 443));
    App app(table.Options());
    ASSERT_TRUE(WaitUntil(
        [&] {
            if (app.List().RowCount() == 1 && app.List().CellText(0, 4) == "docs-host.example")
                return true;
            app.PostCommand(32778);
            return false;
        },
        10s, 200ms));
    SetClipboardText("before");
    Choose(app, 0, kCopyAddress);
    EXPECT_TRUE(WaitUntil([] { return ClipboardText() == "docs-host.example"; })) << ClipboardText();

    // A cell of white space only leaves the clipboard as it was.
    SetClipboardText("kept");
    SetCell(app, 0, 4, "   ");
    Choose(app, 0, kCopyAddress);
    app.Sync();
    EXPECT_EQ(ClipboardText(), "kept");
}

TEST_F(RowActions, CloseConnectionResetsTheClickedEstablishedConnectionOnly) {
    const std::string rows = Row("ESTABLISHED", "10.0.0.1", 40000, "192.0.2.7", 443) +
                             Row("LISTENING", "0.0.0.0", 135, "0.0.0.0", 0) +
                             Row("TIME_WAIT", "10.0.0.1", 40001, "192.0.2.7", 443);
    table.Write(rows + "set-result 5\n");
    App app(table.Options());
    ASSERT_TRUE(WaitUntil([&] { return app.List().RowCount() == 3; }));
    // Sorted by local address: LISTENING 0.0.0.0 first, then 40000, then 40001.
    ASSERT_EQ(app.List().CellText(1, 3), "40000");

    // Listening and waiting rows are never closed.
    Choose(app, 0, kCloseConnection);
    Choose(app, 2, kCloseConnection);
    app.Sync();
    Pause(500ms);
    EXPECT_EQ(CountCalls(table, "SetTcpEntry"), 0u);

    // A refused reset leaves the row.
    Choose(app, 1, kCloseConnection);
    ASSERT_TRUE(WaitUntil([&] { return CountCalls(table, "SetTcpEntry") == 1; }));
    app.Sync();
    EXPECT_EQ(app.List().RowCount(), 3);

    // A reset that succeeds takes the row out at once, without waiting for a refresh.
    table.Write(rows);
    Choose(app, 1, kCloseConnection);
    ASSERT_TRUE(WaitUntil([&] { return CountCalls(table, "SetTcpEntry") == 2; }));
    EXPECT_TRUE(WaitUntil([&] { return app.List().RowCount() == 2; }));
    EXPECT_EQ(app.List().CellText(1, 3), "40001");

    std::ostringstream expected;
    expected << "SetTcpEntry state=12 localAddr=" << inet_addr("10.0.0.1") << " localPort=" << htons(40000)
             << " remoteAddr=" << inet_addr("192.0.2.7") << " remotePort=" << htons(443) << " result=0";
    std::string last;
    for (const LoggedCall& call : table.Calls()) {
        if (call.function == "SetTcpEntry")
            last = call.line.substr(call.line.find("SetTcpEntry"));
    }
    EXPECT_EQ(last, expected.str());
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
    EXPECT_EQ(table.SuccessfulReads().size(), reads) << "the second Close must not even refresh";
    ASSERT_TRUE(WaitUntil([&] { return CountCalls(table, "SetTcpEntry") == 1; }, 10s));
    EXPECT_TRUE(WaitUntil([&] { return app.List().RowCount() == 1; }));
    Pause(500ms);
    EXPECT_EQ(CountCalls(table, "SetTcpEntry"), 1u);
    EXPECT_EQ(app.List().CellText(0, 3), "40001");
    // Closing the window does not wait for anything.
    EXPECT_EQ(app.Close(), 0u);
}

TEST_F(RowActions, KillProcessAsksThenKillsOnlyTheClickedProcess) {
    Process first = Process::Start(SleeperCommand());
    Process second = Process::Start(SleeperCommand());
    table.Write(Row("ESTABLISHED", "10.0.0.1", 1, "10.0.0.2", 80, first.Id()) +
                Row("ESTABLISHED", "10.0.0.1", 2, "10.0.0.2", 80, second.Id()));
    App app(table.Options());
    ASSERT_TRUE(WaitUntil([&] { return app.List().RowCount() == 2; }));

    // Cancel: nothing dies and the table is not read again.
    Choose(app, 0, kKillProcess);
    Question question = WaitForQuestion(app);
    EXPECT_EQ(question.texts, std::vector<std::string>{"Are you sure you want to kill this process?"});
    EXPECT_EQ(question.buttons, (std::vector<std::string>{"OK", "Cancel"}));
    EXPECT_TRUE(question.hasIcon);
    const size_t reads = table.SuccessfulReads().size();
    Answer(question, IDCANCEL);
    app.Sync();
    EXPECT_TRUE(first.Running());
    EXPECT_EQ(table.SuccessfulReads().size(), reads);

    Choose(app, 0, kKillProcess);
    Answer(WaitForQuestion(app), IDOK);
    EXPECT_EQ(first.WaitExit(), std::optional<DWORD>(0xFFFFFFFFu));
    app.Sync();
    EXPECT_TRUE(second.Running());
    EXPECT_GT(table.SuccessfulReads().size(), reads) << "the kill ends with a table read";
}

namespace {

// The process and every descendant of it, from a Toolhelp snapshot of the prefix's processes.
std::vector<DWORD> ProcessTree(DWORD root) {
    std::vector<PROCESSENTRY32> all;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32 entry{sizeof(entry)};
    for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry))
        all.push_back(entry);
    CloseHandle(snapshot);
    std::vector<DWORD> tree{root};
    for (size_t i = 0; i < tree.size(); ++i) {
        for (const PROCESSENTRY32& process : all) {
            if (process.th32ParentProcessID == tree[i] && process.th32ProcessID != tree[i])
                tree.push_back(process.th32ProcessID);
        }
    }
    return tree;
}

} // namespace

TEST_F(RowActions, KillProcessTreeKillsTheProcessAndAllItsDescendants) {
    Process root = Process::Start(SleeperCommand("--depth 2"));
    std::vector<DWORD> tree;
    ASSERT_TRUE(WaitUntil([&] { return (tree = ProcessTree(root.Id())).size() == 7; }, 20s)) << tree.size();
    leftovers = tree;
    Process bystander = Process::Start(SleeperCommand());
    table.Write(Row("ESTABLISHED", "10.0.0.1", 1, "10.0.0.2", 80, root.Id()) +
                Row("ESTABLISHED", "10.0.0.1", 2, "10.0.0.2", 80, bystander.Id()));
    App app(table.Options());
    ASSERT_TRUE(WaitUntil([&] { return app.List().RowCount() == 2; }));

    Choose(app, 0, kKillProcessTree);
    Question question = WaitForQuestion(app);
    EXPECT_EQ(question.texts, std::vector<std::string>{"Are you sure you want to kill this process tree?"});
    EXPECT_EQ(question.buttons, (std::vector<std::string>{"OK", "Cancel"}));
    Answer(question, IDOK);
    for (DWORD pid : tree)
        EXPECT_TRUE(WaitUntil([&] { return !ProcessRunning(pid); })) << "process " << pid << " survived";
    EXPECT_TRUE(bystander.Running());
}

TEST_F(RowActions, ATableReorderedUnderTheQuestionKillsTheClickedProcess) {
    Process clicked = Process::Start(SleeperCommand());
    Process other = Process::Start(SleeperCommand());
    auto tableWith = [](DWORD firstPid, DWORD secondPid) {
        return Row("ESTABLISHED", "10.0.0.1", 1, "10.0.0.2", 80, firstPid) +
               Row("ESTABLISHED", "10.0.0.1", 2, "10.0.0.2", 80, secondPid);
    };
    table.Write(tableWith(clicked.Id(), other.Id()));
    WriteDword(kSettingsKey, "UpdateInterval", 1);
    WriteDword(kSettingsKey, "Autoupdate", 1);
    App app(table.Options());
    ASSERT_TRUE(WaitUntil([&] { return app.List().RowCount() == 2; }));

    Choose(app, 0, kKillProcess);
    Question question = WaitForQuestion(app);
    // The timer keeps refreshing under the question: row 0 now belongs to the other process.
    table.Write(tableWith(other.Id(), clicked.Id()));
    ASSERT_TRUE(WaitUntil([&] { return app.List().CellText(0, 1) == std::to_string(other.Id()); }, 10s));
    Answer(question, IDOK);
    EXPECT_EQ(clicked.WaitExit(), std::optional<DWORD>(0xFFFFFFFFu));
    Pause(300ms);
    EXPECT_TRUE(other.Running());
}
