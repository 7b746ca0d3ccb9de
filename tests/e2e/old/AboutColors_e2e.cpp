// End-to-end tests of the About box and the Colors dialog, driven from outside as a user would: what they
// show, the colour picker and the Default button, what OK and Cancel leave in the settings key, the list
// repainted in a chosen colour, the link's hand cursors, and a link click that reaches the shell (a stand-in
// browser registered in the prefix records the address it was given).
#include "Suite.h"

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

HCURSOR CurrentCursor() {
    CURSORINFO info{};
    info.cbSize = sizeof info;
    GetCursorInfo(&info);
    return info.hCursor;
}

class AboutColors : public ProgramTest {
protected:
    void SetUp() override {
        ProgramTest::SetUp();
        table.Write(Row("ESTABLISHED", "10.0.0.1", 1000, "10.0.0.2", 80) +
                    Row("LISTENING", "10.0.0.1", 1001, "0.0.0.0", 0));
    }

    // The swatch's colour once it has painted (a dialog paints its controls after it shows).
    static COLORREF PaintedSwatch(HWND dialog, int id, COLORREF expected) {
        auto colour = [&] { return WindowPixel(Item(dialog, id), Center(ClientRect(Item(dialog, id)))); };
        WaitUntil([&] { return colour() == expected; }, 2s);
        return colour();
    }

    // A click as the user makes it, in the middle of the control.
    static void ClickItem(HWND dialog, int id) { Click(Item(dialog, id), Center(ClientRect(Item(dialog, id)))); }

    static void Press(HWND dialog, int id) {
        ClickItem(dialog, id);
        if (id == IDOK || id == IDCANCEL)
            WaitClosed(dialog);
    }

    HWND OpenColors(App& app) {
        app.PostCommand(kColors);
        HWND dialog = app.WaitForWindow("Colors");
        // Every swatch painted before anything is sampled.
        app.Sync();
        Send(dialog, WM_NULL);
        return dialog;
    }

    static void ExpectSwatches(HWND dialog, const std::vector<COLORREF>& colours) {
        for (size_t i = 0; i < std::size(kRows); ++i)
            EXPECT_EQ(PaintedSwatch(dialog, kRows[i].id, colours[i]), colours[i]) << kRows[i].setting;
    }

    // Opens the picker from a swatch; with `colour` it types the colour into the picker and confirms it,
    // without it the picker is cancelled.
    static void PickFromSwatch(App& app, HWND dialog, int id, std::optional<COLORREF> colour) {
        // Two clicks on one swatch in quick succession would make a double click, which opens nothing.
        Pause(std::chrono::milliseconds(GetDoubleClickTime() + 100));
        ClickItem(dialog, id);
        HWND picker = app.WaitForWindow("Color");
        EXPECT_FALSE(IsWindowEnabled(dialog)) << "the picker belongs to the Colors dialog";
        const int edits[] = {kPickerRed, kPickerGreen, kPickerBlue};
        const BYTE channels[] = {GetRValue(colour.value_or(0)), GetGValue(colour.value_or(0)),
                                 GetBValue(colour.value_or(0))};
        for (int i = 0; i < 3; ++i) {
            // No initial colour: the picker does not start at the swatch's colour.
            EXPECT_EQ(ControlText(Item(picker, edits[i])), "0") << "edit " << edits[i];
            if (colour)
                Send(Item(picker, edits[i]), WM_SETTEXT, 0,
                     reinterpret_cast<LPARAM>(std::to_string(channels[i]).c_str()));
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

    // A pixel of the ESTABLISHED row's background, right of its text.
    static COLORREF EstablishedRowPixel(const App& app) {
        int row = 0;
        while (row < app.List().RowCount() && app.List().CellText(row, 6) != "ESTABLISHED")
            ++row;
        return app.Pixel(app.ListWindow(),
                         {ClientRect(app.ListWindow()).right - 8, Center(app.List().ItemRect(row)).y});
    }
};

} // namespace

TEST_F(AboutColors, ColorsShowsTheBuiltInColoursAndTheStoredOnesAndDefaultIsStoredOnlyByOk) {
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
        }
        ExpectSwatches(dialog, BuiltIn());
        EXPECT_EQ(WindowText(Item(dialog, kDefaultButton)), "Default");
        CaptureWindow(dialog, ScreenshotPath("colors-dialog"));
        // A swatch has no text and keeps the arrow.
        BringToForeground(dialog);
        MoveMouse(ClientToScreenPoint(dialog, {4, 4}));
        HCURSOR arrow = CurrentCursor();
        MoveMouse(ClientToScreenPoint(Item(dialog, 1032), Center(ClientRect(Item(dialog, 1032)))));
        Pause(300ms);
        EXPECT_EQ(CurrentCursor(), arrow);
        Press(dialog, IDCANCEL);
        EXPECT_FALSE(KeyExists(kSettingsKey)) << "Cancel writes nothing";
        app.Close();
    }

    // Stored values replace their rows' colours, in the dialog and in the list; FIN and SYN are separate; a
    // value that is no DWORD (five bytes) shows the built-in colour. Every other row has a colour of its own, so
    // Default must reset each one.
    ResetSettings();
    std::vector<COLORREF> seeded = {RGB(5, 15, 25),  RGB(10, 20, 30), kRows[2].builtIn, RGB(40, 50, 60),
                                    RGB(41, 51, 61), RGB(42, 52, 62), RGB(70, 80, 90),  RGB(90, 100, 110)};
    for (int i : {0, 1, 3, 4, 5, 6, 7})
        WriteDword(kSettingsKey, kRows[i].setting, seeded[i]);
    WriteBinary(kSettingsKey, "ClosedColor", {1, 2, 3, 0, 0});
    App app(table.Options());
    EXPECT_TRUE(WaitUntil([&] { return EstablishedRowPixel(app) == RGB(10, 20, 30); }))
        << DescribeColor(EstablishedRowPixel(app));
    HWND dialog = OpenColors(app);
    ExpectSwatches(dialog, seeded);
    Press(dialog, kDefaultButton);
    ExpectSwatches(dialog, BuiltIn());
    Press(dialog, IDCANCEL);
    EXPECT_EQ(ReadDword(kSettingsKey, "EstablishedColor"), std::optional<DWORD>(RGB(10, 20, 30)));
    EXPECT_EQ(ValueType(kSettingsKey, "ClosedColor"), std::optional<DWORD>(REG_BINARY)) << "Cancel kept the key";

    dialog = OpenColors(app);
    ExpectSwatches(dialog, seeded); // Cancel discarded the Default
    Press(dialog, kDefaultButton);
    Press(dialog, IDOK);
    ExpectStored(BuiltIn());
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
    EXPECT_EQ(PaintedSwatch(dialog, 1031, RGB(12, 34, 56)), RGB(12, 34, 56));
    PickFromSwatch(app, dialog, 1035, RGB(200, 100, 0)); // the row labelled TCB
    Press(dialog, IDOK);

    std::vector<COLORREF> expected = BuiltIn();
    expected[1] = RGB(12, 34, 56);
    expected[6] = RGB(200, 100, 0);
    ExpectStored(expected);

    // The reload puts the colour into the list, and the repaint shows it.
    EXPECT_TRUE(WaitUntil([&] { return EstablishedRowPixel(app) == RGB(12, 34, 56); }))
        << DescribeColor(EstablishedRowPixel(app));
    app.Screenshot("colors-applied");
    EXPECT_EQ(app.MenuCommand(kResolve).checked, resolve);
    EXPECT_EQ(app.MenuCommand(kAutoupdate).checked, autoupdate);
    EXPECT_EQ(app.MenuCommand(kEstablishedOnly).checked, establishedOnly);
}

// The About box shows the name, the link and the notice; the link shows hand cursors and a click opens the
// home page once.
TEST_F(AboutColors, AboutShowsTheNameAndALinkThatOpensTheHomePageOnce) {
    // A stand-in browser: the prefix's handler of http addresses records what it is asked to open.
    const std::string classKey = "http\\shell\\open\\command";
    const std::optional<std::string> saved = ReadString(classKey, "", HKEY_CLASSES_ROOT);
    const std::string record = TempPath("pelloran-opened-url.txt");
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
        Press(dialog, IDOK);
    }
    ASSERT_TRUE(app.Running());

    app.PostCommand(kAbout);
    HWND dialog = app.WaitForWindow("About Pelloran");
    BringToForeground(dialog);
    auto cursor = CurrentCursor;
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
    EXPECT_EQ(ReadTextFile(record), std::string(kHomePage) + "\n") << "opened once, with the home page";
    EXPECT_TRUE(IsWindow(dialog)) << "the box stays open";
    Press(dialog, IDOK);
    DeleteFileA(record.c_str());
}
