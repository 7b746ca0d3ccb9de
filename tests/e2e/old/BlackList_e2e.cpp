// End-to-end tests of the black list: the closer at a refresh (SetTcpEntry rows from the test IP helper
// DLL's log), Add To Black List from the row menu, and the Black List dialog with its messages, its Save
// and a Save that fails.
#include "Suite.h"

#include <winsock2.h>

#include <algorithm>
#include <filesystem>
#include <set>

using namespace e2e;

namespace {

constexpr UINT kRefresh = 32778, kResolve = 32800, kBlackList = 32797, kAddToBlackList = 32773;
constexpr int kEdit = 1001, kAdd = 1002, kDelete = 1004, kReload = 1005, kSave = 1006, kEnable = 1011, kEntries = 9876;

const std::string kHead = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n<blacklist>\r\n"
                          "  <description>Pelloran BlackList Entries</description>\r\n";

std::string FileOf(const std::vector<std::string>& entries) {
    std::string text = kHead;
    for (const std::string& entry : entries)
        text += "  <link>" + entry + "</link>\r\n";
    return text + "</blacklist>\r\n";
}

std::string FilePath() { return DataFolder() + "\\blacklist.xml"; }

class BlackList : public ProgramTest {
protected:
    void SetUp() override {
        ProgramTest::SetUp();
        WriteDword(kSettingsKey, "Resolve", 0);
    }

    // The local ports of the connections SetTcpEntry was asked to reset, each once, and the number of calls.
    std::set<int> ResetPorts(size_t* calls = nullptr) const {
        std::set<int> ports;
        size_t count = 0;
        for (const LoggedCall& call : table.Calls()) {
            if (call.function != "SetTcpEntry")
                continue;
            ++count;
            EXPECT_NE(call.line.find("state=12 "), std::string::npos) << call.line;
            const size_t at = call.line.find("localPort=");
            ports.insert(ntohs(u_short(std::stoul(call.line.substr(at + 10)))));
        }
        if (calls)
            *calls = count;
        return ports;
    }

    // Refreshes `times` times, each after the closer of the previous one had time to run.
    static void Refresh(App& app, int times) {
        for (int i = 0; i < times; ++i) {
            app.SendCommand(kRefresh);
            Pause(300ms);
        }
    }

    // A button's click, handled before the call returns (a message box it opens waits for AnswerMessageBox).
    static void Press(App& app, HWND dialog, int id) {
        Post(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), LPARAM(Item(dialog, id)));
        app.Sync();
    }

    static void Type(HWND dialog, const std::string& text) {
        Send(Item(dialog, kEdit), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
    }

    static std::vector<std::string> Entries(App& app, HWND dialog) {
        return ListView{app.ProcessHandle(), Item(dialog, kEntries)}.ColumnTexts(0);
    }

    static HWND OpenDialog(App& app) {
        app.PostCommand(kBlackList);
        HWND dialog = app.WaitForWindow("Black List");
        app.Sync();
        Send(dialog, WM_NULL);
        return dialog;
    }
};

} // namespace

TEST_F(BlackList, EnabledListResetsMatchingConnectionsAtEveryRefresh) {
    // Two neighbours to one listed address (written in capitals where letters could differ: none in a
    // dotted address, so the entry is the address itself), a peer named docs-host.example by the hosts
    // file, and a bystander.
    WriteTextFile(FilePath(), FileOf({"192.0.2.7", "host.example", "", "192.0.2"}));
    table.Write(Row("ESTABLISHED", "10.0.0.1", 40000, "192.0.2.7", 443) +
                Row("TIME_WAIT", "10.0.0.1", 40001, "192.0.2.7", 443) +
                Row("ESTABLISHED", "10.0.0.1", 40002, "192.0.2.10", 443) +
                Row("ESTABLISHED", "10.0.0.1", 40003, "192.0.2.99", 80));
    {
        App app(table.Options());
        ASSERT_TRUE(WaitUntil([&] { return app.List().RowCount() == 4; }));
        Refresh(app, 3);
        EXPECT_TRUE(ResetPorts().empty()) << "a disabled list closes nothing";
    }

    WriteDword(kSettingsKey, "EnableBlackList", 1);
    App app(table.Options());
    ASSERT_TRUE(WaitUntil([&] { return ResetPorts() == std::set<int>{40000, 40001}; })) << ResetPorts().size();
    // The name is resolved by now, but with Resolve off the list (and the closer) see addresses only.
    Refresh(app, 3);
    size_t calls = 0;
    EXPECT_EQ(ResetPorts(&calls), (std::set<int>{40000, 40001}));
    EXPECT_GE(calls, 6u) << "the table still holds them (the DLL closes nothing): every refresh tries again";

    app.SendCommand(kResolve);
    ASSERT_TRUE(WaitUntil(
        [&] {
            app.SendCommand(kRefresh);
            return ResetPorts().count(40002) == 1;
        },
        10s, 300ms))
        << "the host-name entry matches once the list shows the name";
    EXPECT_EQ(ResetPorts().count(40003), 0u) << "neither the empty entry nor a partial address matches";
}

TEST_F(BlackList, AddToBlackListAppendsTheDisplayedTextOnce) {
    WriteDword(kSettingsKey, "Resolve", 1);
    table.Write(Row("ESTABLISHED", "10.0.0.1", 40000, "192.0.2.10", 443) +
                Row("ESTABLISHED", "10.0.0.1", 40001, "192.0.2.200", 443));
    App app(table.Options());
    ASSERT_TRUE(WaitUntil(
        [&] {
            app.SendCommand(kRefresh); // names reach the list at the refresh after the lookup
            return app.List().RowCount() == 2 && app.List().CellText(0, 4) == "docs-host.example";
        },
        10s, 200ms));
    EXPECT_EQ(GetFileAttributesA(DataFolder().c_str()), INVALID_FILE_ATTRIBUTES) << "reading creates no folder";
    auto add = [&](int row) {
        // The command works on the row copied at the click that opened the menu. A click that only
        // activated the window is given once more.
        bool opened = false;
        for (int attempt = 0; attempt < 2 && !opened; ++attempt) {
            Pause(Milliseconds(GetDoubleClickTime() + 100));
            app.Click(app.ListWindow(), Center(app.List().ItemRect(row)), MouseButton::Right);
            opened = WaitUntil([&] { return !app.OpenMenus().empty(); }, 3s);
        }
        ASSERT_TRUE(opened) << "clicking row " << row << " opened no menu";
        app.CloseMenus();
        app.SendCommand(kAddToBlackList);
    };
    const std::string address = app.List().CellText(1, 4);
    add(0);
    EXPECT_EQ(ReadTextFile(FilePath()), FileOf({"docs-host.example"}));
    add(0);
    add(1);
    EXPECT_EQ(ReadTextFile(FilePath()), FileOf({"docs-host.example", address}));
}

TEST_F(BlackList, DialogEditsItsOwnCopyAndSaveWritesFileAndSetting) {
    WriteTextFile(FilePath(), FileOf({"b-entry", "a-entry"}));
    table.Write(Row("ESTABLISHED", "10.0.0.1", 40000, "192.0.2.7", 443));
    App app(table.Options());
    ASSERT_TRUE(WaitUntil([&] { return app.List().RowCount() == 1; }));
    HWND dialog = OpenDialog(app);

    // The layout: controls, texts, no default button, the entry list beside the buttons.
    const std::vector<std::pair<int, std::string>> texts = {{kAdd, "Add"},        {kSave, "Save"},
                                                            {kReload, "Reload"},  {kDelete, "Delete"},
                                                            {IDCANCEL, "Cancel"}, {kEnable, "Enable Black List"}};
    for (const auto& [id, text] : texts) {
        EXPECT_EQ(WindowText(Item(dialog, id)), text);
        EXPECT_NE(Style(Item(dialog, id)) & 0xF, LONG_PTR(BS_DEFPUSHBUTTON)) << id;
    }
    EXPECT_EQ(Style(Item(dialog, kEnable)) & 0xF, LONG_PTR(BS_AUTOCHECKBOX));
    HWND list = Item(dialog, kEntries);
    EXPECT_EQ(DWORD(Style(list)), 0x50800409u | LVS_OWNERDATA);
    EXPECT_TRUE(ExStyle(list) & WS_EX_CLIENTEDGE);
    RECT edit = WindowRect(Item(dialog, kEdit)), listRect = WindowRect(list);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&edit), 2);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&listRect), 2);
    EXPECT_EQ(Describe(listRect), Describe({edit.left, 9, edit.right, 195}));
    ListView entries{app.ProcessHandle(), list};
    EXPECT_EQ(entries.ColumnTitles(), std::vector<std::string>{"IP Address or Host Name"});
    EXPECT_EQ(entries.ExtendedStyle() & 0x21, 0x21u);
    EXPECT_EQ(Send(Item(dialog, kEnable), BM_GETCHECK), BST_UNCHECKED) << "no setting: unchecked";
    EXPECT_EQ(Entries(app, dialog), (std::vector<std::string>{"b-entry", "a-entry"}));
    app.Screenshot("blacklist-dialog");

    // Add trims, refuses blanks and duplicates (letter case counts), and Enter does nothing.
    Type(dialog, "  192.0.2.7 ");
    Press(app, dialog, kAdd);
    app.Sync();
    EXPECT_EQ(ControlText(Item(dialog, kEdit)), "");
    Type(dialog, " \t ");
    Press(app, dialog, kAdd);
    Type(dialog, "A-entry");
    Press(app, dialog, kAdd);
    Type(dialog, "a-entry");
    Press(app, dialog, kAdd);
    AnswerMessageBox(app, "Selected entry already exists.\nPlease enter another address.", {"OK"}, IDI_EXCLAMATION,
                     IDOK);
    EXPECT_EQ(ControlText(Item(dialog, kEdit)), "a-entry");
    Post(dialog, WM_COMMAND, IDOK, 0);
    app.Sync();
    ASSERT_TRUE(IsWindow(dialog)) << "Enter closes nothing";
    EXPECT_EQ(Entries(app, dialog), (std::vector<std::string>{"b-entry", "a-entry", "192.0.2.7", "A-entry"}));

    // Delete asks for a clicked row, then asks before it deletes.
    Press(app, dialog, kDelete);
    AnswerMessageBox(app, "Please select an item to delete.", {"OK"}, IDI_EXCLAMATION, IDOK);
    Click(list, Center(entries.ItemRect(0)));
    for (int answer : {IDNO, IDYES}) {
        Press(app, dialog, kDelete);
        AnswerMessageBox(app, "Are you sure you want to delete this item?", {"&Yes", "&No"}, IDI_QUESTION, answer);
    }
    app.Sync();
    EXPECT_EQ(Entries(app, dialog), (std::vector<std::string>{"a-entry", "192.0.2.7", "A-entry"}));
    // Typing in the list selects the first entry that starts with the typed text.
    Post(list, WM_CHAR, '1', 1); // a key message with a repeat count of 1
    app.Sync();
    EXPECT_EQ(entries.SelectedRow(), 1);

    // Reload brings the file back; Save writes the rows and the box, and the window takes both at once.
    Press(app, dialog, kReload);
    app.Sync();
    EXPECT_EQ(Entries(app, dialog), (std::vector<std::string>{"b-entry", "a-entry"}));
    Type(dialog, "192.0.2.7");
    Press(app, dialog, kAdd);
    Send(Item(dialog, kEnable), BM_SETCHECK, BST_CHECKED);
    Press(app, dialog, kSave);
    WaitClosed(dialog);
    EXPECT_EQ(ReadTextFile(FilePath()), FileOf({"b-entry", "a-entry", "192.0.2.7"}));
    EXPECT_EQ(ValueType(kSettingsKey, "EnableBlackList"), std::optional<DWORD>(REG_DWORD));
    EXPECT_EQ(ReadDword(kSettingsKey, "EnableBlackList"), std::optional<DWORD>(1));
    EXPECT_TRUE(ResetPorts().empty());
    app.SendCommand(kRefresh);
    EXPECT_TRUE(WaitUntil([&] { return ResetPorts() == std::set<int>{40000}; }));

    // Cancel keeps everything as it was.
    dialog = OpenDialog(app);
    EXPECT_EQ(Send(Item(dialog, kEnable), BM_GETCHECK), BST_CHECKED);
    Type(dialog, "never");
    Press(app, dialog, kAdd);
    Post(dialog, WM_COMMAND, IDCANCEL, 0);
    WaitClosed(dialog);
    EXPECT_EQ(ReadTextFile(FilePath()), FileOf({"b-entry", "a-entry", "192.0.2.7"}));
}

TEST_F(BlackList, SaveThatCannotWriteWarnsAndKeepsTheDialogOpen) {
    App app(table.Options());
    HWND dialog = OpenDialog(app);
    // blacklist.xml becomes a folder while the dialog is open: the file cannot be replaced.
    CreateDirectoryA(DataFolder().c_str(), nullptr);
    ASSERT_TRUE(CreateDirectoryA(FilePath().c_str(), nullptr));
    Type(dialog, "192.0.2.7");
    Press(app, dialog, kAdd);
    Send(Item(dialog, kEnable), BM_SETCHECK, BST_CHECKED);
    Press(app, dialog, kSave);
    AnswerMessageBox(app, "Cannot save the black list to:\n" + FilePath(), {"OK"}, IDI_EXCLAMATION, IDOK);
    app.Sync();
    EXPECT_TRUE(IsWindow(dialog)) << "the dialog stays open with its rows";
    EXPECT_EQ(Entries(app, dialog), std::vector<std::string>{"192.0.2.7"});
    EXPECT_FALSE(ValueExists(kSettingsKey, "EnableBlackList")) << "nothing is written to the registry";
    EXPECT_NE(GetFileAttributesA(FilePath().c_str()) & FILE_ATTRIBUTE_DIRECTORY, 0u);
    EXPECT_EQ(GetFileAttributesA((FilePath() + ".tmp").c_str()), INVALID_FILE_ATTRIBUTES) << "no temporary left";

    // Once the folder is gone the same Save succeeds.
    RemoveDirectoryA(FilePath().c_str());
    Press(app, dialog, kSave);
    WaitClosed(dialog);
    EXPECT_EQ(ReadTextFile(FilePath()), FileOf({"192.0.2.7"}));
}

// blacklist.xml was there when the dialog opened but could not be read (held open without sharing): Save asks
// before it replaces what it never read. No keeps the file, Yes replaces it with the rows; both save the
// check box and close the dialog.
TEST_F(BlackList, SaveOverAFileTheDialogCouldNotReadAsksWhetherToReplaceIt) {
    WriteTextFile(FilePath(), FileOf({"on-disk"}));
    App app(table.Options());
    const std::string question = "The black list file could not be read:\n" + FilePath() +
                                 "\n\nReplace it with the list shown? (No keeps the old file.)";
    for (int answer : {IDNO, IDYES}) {
        HANDLE held = CreateFileA(FilePath().c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(held, INVALID_HANDLE_VALUE);
        HWND dialog = OpenDialog(app);
        CloseHandle(held);
        EXPECT_TRUE(Entries(app, dialog).empty());
        Type(dialog, "shown");
        Press(app, dialog, kAdd);
        Send(Item(dialog, kEnable), BM_SETCHECK, answer == IDYES ? BST_CHECKED : BST_UNCHECKED);
        Press(app, dialog, kSave);
        AnswerMessageBox(app, question, {"&Yes", "&No"}, IDI_QUESTION, answer);
        WaitClosed(dialog);
        EXPECT_EQ(ReadTextFile(FilePath()), FileOf({answer == IDYES ? "shown" : "on-disk"})) << answer;
        EXPECT_EQ(ReadDword(kSettingsKey, "EnableBlackList"), std::optional<DWORD>(answer == IDYES)) << answer;
        EXPECT_EQ(GetFileAttributesA((FilePath() + ".tmp").c_str()), INVALID_FILE_ATTRIBUTES);
    }
}

// Without an application-data folder (the prefix's Roaming folder moved away, so SHGetFolderPathA fails) no
// data file is read, written or created, least of all in "\Pelloran" at the root of the program's current
// drive (C:, its staging folder's). Process Options offers no default log path; Save says why it cannot save.
TEST_F(BlackList, WithoutAnApplicationDataFolderNoDataFileIsReadOrWritten) {
    struct PutBack {
        std::string roaming = AppDataFolder(), away = roaming + ".away";
        ~PutBack() {
            MoveFileA(away.c_str(), roaming.c_str());
            std::error_code ignored;
            std::filesystem::remove_all("C:\\Pelloran", ignored); // what a failing program made
        }
    } folder;
    WriteDword(kSettingsKey, "EnableLogging", 1);
    table.Write(Row("ESTABLISHED", "10.0.0.1", 40000, "192.0.2.7", 443));
    ASSERT_TRUE(MoveFileA(folder.roaming.c_str(), folder.away.c_str()));
    App app(table.Options());
    ASSERT_TRUE(WaitUntil([&] { return app.List().RowCount() == 1; })); // and queued for the log
    app.PostCommand(32795);
    HWND options = app.WaitForWindow("Process Options");
    EXPECT_EQ(ControlText(Item(options, 1002)), "");
    Post(options, WM_COMMAND, IDCANCEL, 0);
    WaitClosed(options);
    HWND dialog = OpenDialog(app);
    Type(dialog, "192.0.2.7");
    Press(app, dialog, kAdd);
    Press(app, dialog, kSave);
    AnswerMessageBox(app, "Cannot save the black list: the application-data folder cannot be found.", {"OK"},
                     IDI_EXCLAMATION, IDOK);
    Post(dialog, WM_COMMAND, IDCANCEL, 0);
    WaitClosed(dialog);
    EXPECT_EQ(app.Close(), 0u); // logging is on: the close flushes the queued event
    EXPECT_EQ(GetFileAttributesA("C:\\Pelloran"), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(GetFileAttributesA(folder.roaming.c_str()), INVALID_FILE_ATTRIBUTES) << "nothing made it again";
}
