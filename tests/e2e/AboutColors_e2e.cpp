// End-to-end tests of the About box and the Colors dialog, driven from outside as a user would: what they
// show, the colour picker and the Default button, what OK and Cancel leave in the settings key, the list
// repainted in a chosen colour, the link's hand cursors, and a link click that reaches the shell (a stand-in
// browser registered in the prefix records the address it was given).
#include "E2e.h"
#include "FakeTable.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

using namespace e2e;

namespace {

constexpr UINT kColors = 32796;
constexpr UINT kAbout = 57664;
constexpr UINT kAutoupdate = 32798;
constexpr UINT kEstablishedOnly = 32799;
constexpr UINT kResolve = 32800;
constexpr int kDefaultButton = 1012;
constexpr int kTitleLine = 1000;
constexpr int kLink = 1263;
constexpr char kHomePage[] = "http://www.quintaro.example";
// The colour picker's red, green and blue edit boxes.
constexpr int kPickerRed = 706;
constexpr int kPickerGreen = 707;
constexpr int kPickerBlue = 708;

struct SwatchRow {
    int id;
    const char* setting;
    const char* label;
    COLORREF builtIn;
};

// Top to bottom, as the dialog shows them.
const SwatchRow kRows[] = {
    {1032, "ListeningColor", "Listening  ....................", RGB(255, 255, 220)},
    {1031, "EstablishedColor", "Established  ................", RGB(220, 255, 220)},
    {1030, "ClosedColor", "Closed  .......................", RGB(255, 200, 200)},
    {1033, "FINColor", "FIN .............................", RGB(220, 230, 220)},
    {1034, "SYNColor", "SYN  ..........................", RGB(220, 230, 220)},
    {1037, "TimeWaitColor", "Time Wait ...................", RGB(255, 220, 220)},
    {1035, "UnknownColor", "TCB  ...........................", RGB(255, 255, 240)},
    {1036, "SelectColor", "Selection Color  ..........", RGB(200, 200, 255)},
};

class AboutColors : public ::testing::Test {
protected:
    void SetUp() override {
        ResetProgramState();
        ClearWindowsVersion();
        table.Write(Row("ESTABLISHED", "10.0.0.1", 1000, "10.0.0.2", 80) +
                    Row("LISTENING", "10.0.0.1", 1001, "0.0.0.0", 0));
    }

    static HWND Item(HWND dialog, int id) {
        HWND item = GetDlgItem(dialog, id);
        if (item == nullptr)
            Fail("the dialog has no control " + std::to_string(id));
        return item;
    }

    static COLORREF SwatchColour(HWND dialog, int id) {
        return WindowPixel(Item(dialog, id), Center(ClientRect(Item(dialog, id))));
    }

    // The swatch's colour once it has painted (a dialog paints its controls after it shows).
    static COLORREF PaintedSwatch(HWND dialog, int id, COLORREF expected) {
        WaitUntil([&] { return SwatchColour(dialog, id) == expected; }, 2s);
        return SwatchColour(dialog, id);
    }

    // An edit's text, asked of the control itself (another process's edit text is not its window caption).
    static std::string EditText(HWND edit) {
        char text[64] = "";
        Send(edit, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text));
        return text;
    }

    // A click as the user makes it, in the middle of the control.
    static void ClickItem(HWND dialog, int id) { Click(Item(dialog, id), Center(ClientRect(Item(dialog, id)))); }

    static void WaitClosed(HWND window) {
        if (!WaitUntil([&] { return !IsWindow(window); }))
            Fail("the window \"" + WindowText(window) + "\" did not close");
    }

    HWND OpenColors(App& app) {
        app.PostCommand(kColors);
        HWND dialog = app.WaitForWindow("Colors");
        // Every swatch painted before anything is sampled.
        app.Sync();
        Send(dialog, WM_NULL);
        return dialog;
    }

    // Opens the picker from a swatch; with `colour` it types the colour into the picker and confirms it,
    // without it the picker is cancelled.
    static void PickFromSwatch(App& app, HWND dialog, int id, std::optional<COLORREF> colour) {
        // Two clicks on one swatch in quick succession would make a double click, which opens nothing.
        Pause(std::chrono::milliseconds(GetDoubleClickTime() + 100));
        ClickItem(dialog, id);
        HWND picker = app.WaitForWindow("Color");
        EXPECT_FALSE(IsWindowEnabled(dialog)) << "the picker belongs to the Colors dialog";
        // No initial colour: the picker does not start at the swatch's colour.
        for (int edit : {kPickerRed, kPickerGreen, kPickerBlue})
            EXPECT_EQ(EditText(Item(picker, edit)), "0") << "edit " << edit;
        if (colour) {
            Send(Item(picker, kPickerRed), WM_SETTEXT, 0,
                 reinterpret_cast<LPARAM>(std::to_string(GetRValue(*colour)).c_str()));
            Send(Item(picker, kPickerGreen), WM_SETTEXT, 0,
                 reinterpret_cast<LPARAM>(std::to_string(GetGValue(*colour)).c_str()));
            Send(Item(picker, kPickerBlue), WM_SETTEXT, 0,
                 reinterpret_cast<LPARAM>(std::to_string(GetBValue(*colour)).c_str()));
        }
        Post(picker, WM_COMMAND, colour ? IDOK : IDCANCEL);
        WaitClosed(picker);
        Send(dialog, WM_NULL);
    }

    static void ExpectStored(const std::vector<COLORREF>& colours) {
        for (size_t i = 0; i < std::size(kRows); ++i) {
            EXPECT_EQ(ValueType(kSettingsKey, kRows[i].setting), std::optional<DWORD>(REG_DWORD)) << kRows[i].setting;
            EXPECT_EQ(ReadDword(kSettingsKey, kRows[i].setting), std::optional<DWORD>(colours[i])) << kRows[i].setting;
        }
    }

    static std::vector<COLORREF> BuiltIn() {
        std::vector<COLORREF> colours;
        for (const auto& row : kRows)
            colours.push_back(row.builtIn);
        return colours;
    }

    static RECT RowRect(const App& app, int row) {
        RemoteBuffer buffer(app.ProcessHandle(), sizeof(RECT));
        RECT rect{LVIR_BOUNDS, 0, 0, 0};
        buffer.Put(rect);
        SendMessageA(app.ListWindow(), LVM_GETITEMRECT, row, buffer.Param());
        return buffer.Get<RECT>();
    }

    FakeTable table;
};

} // namespace

TEST_F(AboutColors, ColorsShowsTheBuiltInColoursOnAFreshProfileAndStoredOnesOtherwise) {
    {
        App app(table.Options());
        HWND dialog = OpenColors(app);
        for (const auto& row : kRows) {
            HWND swatch = Item(dialog, row.id);
            HWND label = GetWindow(swatch, GW_HWNDPREV);
            EXPECT_EQ(WindowText(label), row.label);
            EXPECT_EQ(WindowRect(label).top, WindowRect(swatch).top) << row.label;
            EXPECT_NE(Style(swatch) & SS_NOTIFY, 0) << row.setting;
            EXPECT_EQ(WindowText(swatch), "") << row.setting;
            EXPECT_EQ(PaintedSwatch(dialog, row.id, row.builtIn), row.builtIn) << row.setting;
        }
        EXPECT_EQ(WindowText(Item(dialog, kDefaultButton)), "Default");
        CaptureWindow(dialog, ScreenshotPath("colors-dialog"));
        ClickItem(dialog, IDCANCEL);
        WaitClosed(dialog);
        EXPECT_FALSE(KeyExists(kSettingsKey)) << "Cancel writes nothing";
        app.Close();
    }

    // Stored values replace their rows' colours; FIN and SYN are separate; a value that is no DWORD (five
    // bytes) shows the built-in colour.
    ResetSettings();
    WriteDword(kSettingsKey, "EstablishedColor", RGB(10, 20, 30));
    WriteDword(kSettingsKey, "FINColor", RGB(40, 50, 60));
    WriteDword(kSettingsKey, "UnknownColor", RGB(70, 80, 90));
    WriteBinary(kSettingsKey, "ClosedColor", {1, 2, 3, 0, 0});
    App app(table.Options());
    HWND dialog = OpenColors(app);
    for (const auto& row : kRows) {
        COLORREF expected = row.builtIn;
        if (row.id == 1031)
            expected = RGB(10, 20, 30);
        else if (row.id == 1033)
            expected = RGB(40, 50, 60);
        else if (row.id == 1035)
            expected = RGB(70, 80, 90);
        EXPECT_EQ(PaintedSwatch(dialog, row.id, expected), expected)
            << row.setting << ": " << DescribeColor(SwatchColour(dialog, row.id));
    }
    ClickItem(dialog, IDCANCEL);
    WaitClosed(dialog);
}

TEST_F(AboutColors, OkStoresAllEightColoursAndTheListRepaintsInTheChosenOne) {
    App app(table.Options());
    // Menu toggles the user changed since the start must survive the reload that follows OK.
    app.SendCommand(kResolve);
    app.SendCommand(kAutoupdate);
    app.SendCommand(kEstablishedOnly);
    ASSERT_TRUE(WaitUntil([&] { return app.List().RowCount() == 1; }));
    const bool resolve = app.MenuCommand(kResolve).checked;
    const bool autoupdate = app.MenuCommand(kAutoupdate).checked;
    const bool establishedOnly = app.MenuCommand(kEstablishedOnly).checked;

    HWND dialog = OpenColors(app);
    PickFromSwatch(app, dialog, 1031, std::nullopt);
    EXPECT_EQ(PaintedSwatch(dialog, 1031, RGB(220, 255, 220)), RGB(220, 255, 220))
        << "a cancelled picker changes nothing";
    PickFromSwatch(app, dialog, 1031, RGB(12, 34, 56));
    EXPECT_EQ(PaintedSwatch(dialog, 1031, RGB(12, 34, 56)), RGB(12, 34, 56))
        << DescribeColor(SwatchColour(dialog, 1031));
    PickFromSwatch(app, dialog, 1035, RGB(200, 100, 0)); // the row labelled TCB
    ClickItem(dialog, IDOK);
    WaitClosed(dialog);

    std::vector<COLORREF> expected = BuiltIn();
    expected[1] = RGB(12, 34, 56);
    expected[6] = RGB(200, 100, 0);
    ExpectStored(expected);

    // The reload puts the colour into the list, and the repaint shows it.
    RECT row = RowRect(app, 0);
    RECT client = ClientRect(app.ListWindow());
    POINT inRow{client.right - 8, (row.top + row.bottom) / 2};
    EXPECT_TRUE(WaitUntil([&] { return app.Pixel(app.ListWindow(), inRow) == RGB(12, 34, 56); }))
        << DescribeColor(app.Pixel(app.ListWindow(), inRow));
    app.Screenshot("colors-applied");
    EXPECT_EQ(app.MenuCommand(kResolve).checked, resolve);
    EXPECT_EQ(app.MenuCommand(kAutoupdate).checked, autoupdate);
    EXPECT_EQ(app.MenuCommand(kEstablishedOnly).checked, establishedOnly);
}

TEST_F(AboutColors, DefaultRestoresTheBuiltInColoursButOnlyOkStoresThem) {
    std::vector<COLORREF> seeded;
    for (size_t i = 0; i < std::size(kRows); ++i) {
        seeded.push_back(RGB(10 * i, 20, 200 - 10 * i));
        WriteDword(kSettingsKey, kRows[i].setting, seeded.back());
    }
    App app(table.Options());
    HWND dialog = OpenColors(app);
    ClickItem(dialog, kDefaultButton);
    for (const auto& row : kRows)
        EXPECT_EQ(PaintedSwatch(dialog, row.id, row.builtIn), row.builtIn) << row.setting;
    ClickItem(dialog, IDCANCEL);
    WaitClosed(dialog);
    ExpectStored(seeded);

    dialog = OpenColors(app);
    for (size_t i = 0; i < std::size(kRows); ++i)
        EXPECT_EQ(PaintedSwatch(dialog, kRows[i].id, seeded[i]), seeded[i]) << "Cancel discarded the Default";
    ClickItem(dialog, kDefaultButton);
    ClickItem(dialog, IDOK);
    WaitClosed(dialog);
    ExpectStored(BuiltIn());
}

TEST_F(AboutColors, AboutShowsTheNameTheLinkAndTheNotice) {
    App app(table.Options());
    for (int round = 0; round < 2; ++round) { // a second opening builds its title font anew
        app.PostCommand(kAbout);
        HWND dialog = app.WaitForWindow("About Pelloran");
        Send(dialog, WM_NULL);
        EXPECT_EQ(WindowText(Item(dialog, kTitleLine)), "Pelloran v2.2");
        EXPECT_EQ(WindowText(Item(dialog, kLink)), kHomePage);
        EXPECT_NE(Style(Item(dialog, kLink)) & SS_NOTIFY, 0);
        EXPECT_EQ(WindowText(Item(dialog, IDOK)), "OK");
        bool notice = false;
        for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
            notice = notice || WindowText(child).find("2012") != std::string::npos;
        EXPECT_TRUE(notice) << "the notice line names the year";

        // The link: blue underlined text on the button face, which fills the rest of the label.
        HWND link = Item(dialog, kLink);
        RECT rect = ClientRect(link);
        EXPECT_EQ(WindowPixel(link, {rect.right - 2, rect.bottom - 2}), GetSysColor(COLOR_BTNFACE));
        int blue = 0;
        for (int x = 0; x < rect.right; x += 2)
            for (int y = 0; y < rect.bottom; ++y)
                blue += WindowPixel(link, {x, y}) == RGB(0, 0, 255);
        EXPECT_GT(blue, 20) << "blue text with its underline";
        if (round == 0)
            CaptureWindow(dialog, ScreenshotPath("about-box"));
        ClickItem(dialog, IDOK);
        WaitClosed(dialog);
    }
    EXPECT_TRUE(app.Running());
}

TEST_F(AboutColors, TheLinkShowsHandCursorsAndAClickOpensTheHomePageOnce) {
    // A stand-in browser: the prefix's handler of http addresses records what it is asked to open.
    const std::string classKey = "http\\shell\\open\\command";
    const std::optional<std::string> saved = ReadString(classKey, "", HKEY_CLASSES_ROOT);
    char temp[MAX_PATH] = "";
    GetTempPathA(MAX_PATH, temp);
    const std::string record = std::string(temp) + "pelloran-opened-url.txt";
    DeleteFileA(record.c_str());
    WriteString(classKey, "",
                QuoteArgument(DriverDirectory() + "\\pelloran_url_recorder.exe") + " " + QuoteArgument(record) +
                    " \"%1\"",
                HKEY_CLASSES_ROOT);
    struct Restore {
        const std::string& key;
        const std::optional<std::string>& value;
        ~Restore() {
            if (value)
                WriteString(key, "", *value, HKEY_CLASSES_ROOT);
        }
    } restore{classKey, saved};

    App app(table.Options());
    app.PostCommand(kAbout);
    HWND dialog = app.WaitForWindow("About Pelloran");
    BringToForeground(dialog);
    auto cursor = [] {
        CURSORINFO info{};
        info.cbSize = sizeof info;
        GetCursorInfo(&info);
        return info.hCursor;
    };
    // A move can be lost while the box is still being activated: the pointer is nudged by a pixel on
    // every poll, so the window under it keeps being asked for its cursor.
    int nudge = 0;
    auto cursorAt = [&](POINT point) {
        MoveMouse({point.x + nudge++ % 2, point.y});
        return cursor();
    };
    HWND link = Item(dialog, kLink);
    POINT onOk = ClientToScreenPoint(Item(dialog, IDOK), Center(ClientRect(Item(dialog, IDOK))));
    cursorAt(onOk);
    Pause(200ms);
    HCURSOR arrow = cursorAt(onOk);
    POINT onLink = ClientToScreenPoint(link, {6, ClientRect(link).bottom / 2});
    HCURSOR hover = nullptr;
    EXPECT_TRUE(WaitUntil([&] { return (hover = cursorAt(onLink)) != arrow; })) << "the hand over the link";
    ICONINFO info{};
    if (GetIconInfo(hover, &info)) { // another process's cursor can be read on some systems only
        EXPECT_FALSE(info.fIcon);
        EXPECT_EQ(info.xHotspot, 7u);
        EXPECT_EQ(info.yHotspot, 0u);
        DeleteObject(info.hbmMask);
        if (info.hbmColor)
            DeleteObject(info.hbmColor);
    }

    PressMouse(onLink);
    HCURSOR pressed = nullptr;
    EXPECT_TRUE(WaitUntil([&] { return (pressed = cursor()) != hover && pressed != arrow; }))
        << "the bent finger while the button is down";
    ReleaseMouse(onLink);
    EXPECT_TRUE(WaitUntil([&] { return cursor() == hover; })) << "the pointing hand again";

    ASSERT_TRUE(WaitUntil([&] { return GetFileAttributesA(record.c_str()) != INVALID_FILE_ATTRIBUTES; }, 20s))
        << "the shell started no handler";
    Pause(1000ms); // a second start would show up by now
    std::ifstream in(record);
    std::stringstream text;
    text << in.rdbuf();
    EXPECT_EQ(text.str(), std::string(kHomePage) + "\n") << "opened once, with the home page";
    EXPECT_TRUE(IsWindow(dialog)) << "the box stays open";
    ClickItem(dialog, IDOK);
    WaitClosed(dialog);
    DeleteFileA(record.c_str());
}

TEST_F(AboutColors, ASwatchWithoutTextKeepsTheCursor) {
    App app(table.Options());
    HWND dialog = OpenColors(app);
    BringToForeground(dialog);
    auto cursor = [] {
        CURSORINFO info{};
        info.cbSize = sizeof info;
        GetCursorInfo(&info);
        return info.hCursor;
    };
    MoveMouse(ClientToScreenPoint(dialog, {4, 4}));
    HCURSOR arrow = cursor();
    MoveMouse(ClientToScreenPoint(Item(dialog, 1032), Center(ClientRect(Item(dialog, 1032)))));
    Pause(300ms);
    EXPECT_EQ(cursor(), arrow);
    ClickItem(dialog, IDCANCEL);
    WaitClosed(dialog);
}
