// End-to-end tests of the owner-drawn menus: every entry of the window menu is owner-drawn and measured by
// the size rules, each command shows its own picture of bitmap 138, an open menu's picture column and
// selection take the colour mixes of the Windows version the program runs as, a command without a handler
// is disabled, and no menu window stays subclassed once it has closed. A screenshot of an open menu is
// kept with the test outputs.
#include "Suite.h"

#include <iterator>
#include <map>
#include <optional>
#include <sstream>

using namespace e2e;

namespace {

constexpr int kPicture = 18; // pictures of toolbar 138 are 18 x 18
// The commands of toolbar 138 in picture order.
const std::vector<UINT> kPictureIds{57603, 32778, 32776, 57665, 32795, 32796, 32798, 32799,
                                    32800, 32797, 57664, 32774, 32773, 32771, 32772, 32775};

std::vector<std::vector<long>> Numbers(const std::string& reply) {
    std::vector<std::vector<long>> rows;
    std::istringstream in(reply);
    for (std::string line; std::getline(in, line);) {
        std::istringstream fields(line);
        std::vector<long> row;
        for (long value; fields >> value;)
            row.push_back(value);
        rows.push_back(row);
    }
    return rows;
}

// Bitmap 138 of the program, read from its file.
Pixels MenuBitmap(const std::string& program) {
    HMODULE module = LoadLibraryExA(program.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (!module)
        FailWithLastError("cannot open " + program + " as a data file");
    auto bitmap =
        static_cast<HBITMAP>(LoadImageA(module, MAKEINTRESOURCEA(138), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    if (!bitmap)
        FailWithLastError("bitmap 138 is missing");
    BITMAP size{};
    GetObjectA(bitmap, sizeof size, &size);
    Pixels capture{{0, 0, size.bmWidth, size.bmHeight}, {}};
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), size.bmWidth, -size.bmHeight, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    std::vector<BYTE> bytes(static_cast<size_t>(size.bmWidth) * size.bmHeight * 4);
    HDC screen = GetDC(nullptr);
    GetDIBits(screen, bitmap, 0, size.bmHeight, bytes.data(), &info, DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);
    for (size_t i = 0; i < bytes.size(); i += 4)
        capture.pixels.push_back(RGB(bytes[i + 2], bytes[i + 1], bytes[i]));
    DeleteObject(bitmap);
    FreeLibrary(module);
    return capture;
}

// Pixels of picture `index` that differ from the screen at (x, y); the magenta background is not compared.
int PictureMismatches(const Pixels& screen, const Pixels& strip, int index, int x, int y) {
    int wrong = 0;
    for (int py = 0; py < kPicture; ++py)
        for (int px = 0; px < kPicture; ++px) {
            const COLORREF expected = strip.At(index * kPicture + px, py);
            if (expected != RGB(255, 0, 255) && screen.At(x + px, y + py) != expected)
                ++wrong;
        }
    return wrong;
}

// The command's own picture of toolbar 138, centred in the picture column, and no other.
void ExpectOwnPicture(const Pixels& screen, const Pixels& strip, UINT id, const RECT& rect) {
    const auto expected = std::find(kPictureIds.begin(), kPictureIds.end(), id) - kPictureIds.begin();
    ASSERT_LT(expected, static_cast<long>(kPictureIds.size())) << id << " has no picture";
    const int x = rect.left + 4, y = rect.top + (rect.bottom - rect.top - kPicture) / 2;
    EXPECT_EQ(PictureMismatches(screen, strip, static_cast<int>(expected), x, y), 0) << "picture of " << id;
    const int other = static_cast<int>((expected + 1) % kPictureIds.size());
    EXPECT_GT(PictureMismatches(screen, strip, other, x, y), 20) << "picture of " << id;
}

// Text size in the menu font, as the user's menus measure it.
SIZE MenuTextSize(const std::string& text) {
    NONCLIENTMETRICSA metrics{};
    metrics.cbSize = sizeof metrics;
    SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
    HFONT font = CreateFontIndirectA(&metrics.lfMenuFont);
    HDC dc = GetDC(nullptr);
    HGDIOBJ old = SelectObject(dc, font);
    RECT rect{0, 0, 0, 0};
    DrawTextA(dc, text.c_str(), -1, &rect, DT_SINGLELINE | DT_CALCRECT);
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
    DeleteObject(font);
    return {rect.right - rect.left, rect.bottom - rect.top};
}

class MenuSkin : public ProgramTest {
protected:
    void SetUp() override {
        ProgramTest::SetUp();
        StorePlacement(0, 0, 700, 450);
    }

    // Items of the innermost open pop-up: id and screen rectangle.
    static std::vector<std::pair<UINT, RECT>> OpenItems(App& app) {
        std::vector<std::pair<UINT, RECT>> items;
        for (const auto& row : Numbers(app.ProbeRequest(probe::kOpenMenuRects)))
            if (row.size() == 5)
                items.push_back({static_cast<UINT>(row[0]), RECT{row[1], row[2], row[3], row[4]}});
        return items;
    }
};

// One program: every entry owner-drawn and measured by the size rules; a menu window subclassed only while it
// shows; a command nobody handles disabled when its menu opens (appended last, as it changes the sizes).
TEST_F(MenuSkin, WindowMenuIsOwnerDrawnMeasuredSubclassedWhileShownAndDisablesUnhandledCommands) {
    App app;
    const Menu bar = app.MenuBar();
    std::vector<std::string> texts;
    for (const MenuItem& popup : bar) {
        EXPECT_TRUE(popup.ownerDrawn) << popup.text;
        texts.push_back(popup.text);
        for (const MenuItem& item : popup.items) {
            EXPECT_TRUE(item.ownerDrawn) << item.text << " (" << item.id << ")";
            texts.push_back(item.text);
        }
    }
    const auto sizes = Numbers(app.ProbeRequest(probe::kMenuBarSizes));
    ASSERT_EQ(sizes.size(), texts.size()) << DescribeMenu(bar);
    const int cymenu = GetSystemMetrics(SM_CYMENU);
    const int base = kPicture + 8 < cymenu ? cymenu : kPicture + 7;
    for (size_t i = 0; i < sizes.size(); ++i) {
        const long depth = sizes[i][0], width = sizes[i][2], height = sizes[i][3];
        if (texts[i].empty()) { // separator
            EXPECT_EQ(height, 3) << "separator " << i;
            continue;
        }
        const SIZE text = MenuTextSize(texts[i]);
        const long expectedWidth = depth == 0 ? text.cx - 6 : text.cx + 2 * kPicture + 2;
        EXPECT_EQ(width, expectedWidth) << texts[i];
        EXPECT_EQ(height, std::max<long>(text.cy, base)) << texts[i];
    }

    auto windows = [&] { return Numbers(app.ProbeRequest(probe::kMenuWindows)); };
    windows(); // starts watching menu windows end
    for (int round = 0; round < 2; ++round) {
        app.HighlightMenuItem(1, 0); // Options
        bool visibleSubclassed = false;
        for (const auto& w : windows())
            visibleSubclassed |= w.size() == 2 && w[0] == 1 && w[1] == 1;
        EXPECT_TRUE(visibleSubclassed) << "the open menu window is not subclassed (round " << round << ")";
        app.CloseMenus();
    }
    std::vector<long> ended;
    ASSERT_TRUE(WaitUntil(
        [&] {
            bool stillSubclassed = false;
            for (const auto& w : windows()) {
                stillSubclassed |= w.size() == 2 && w[1] == 1;
                if (w.size() == 4 && w[0] == -1)
                    ended = w;
            }
            return !stillSubclassed && !ended.empty() && ended[1] >= 2;
        },
        3s))
        << "a menu window stays subclassed after its menu closed";
    EXPECT_EQ(ended[2], 0) << "menu windows still subclassed when they ended";
    EXPECT_EQ(ended[3], 0) << "the \"OldMenuProc\" atom outlives the menus";

    app.ProbeRequest(probe::kAppendUnknownCommand);
    const Menu withProbe = app.MenuBar();
    const MenuItem* unknown = FindMenuItem(withProbe, probe::kProbeCommand);
    ASSERT_NE(unknown, nullptr) << DescribeMenu(withProbe);
    EXPECT_FALSE(unknown->enabled) << "a command nobody handles stays enabled";
    EXPECT_TRUE(unknown->ownerDrawn);
    for (UINT id : {57603u, 32778u, 32776u, 57665u})
        EXPECT_TRUE(FindMenuItem(withProbe, id)->enabled) << id;
}

// The prefix's theme paints menu, menu bar and window all white, which hides the picture column; the colour
// test gives the menu and the menu bar colours of their own (read by the program when it starts).
constexpr char kColoursKey[] = "Control Panel\\Colors";
constexpr COLORREF kMenu = RGB(240, 240, 240), kMenuBar = RGB(212, 208, 200), kWindow = RGB(255, 255, 255),
                   kHighlight = RGB(48, 150, 250), kButtonHighlight = RGB(255, 255, 255);

std::string ColourValue(COLORREF c) {
    return std::to_string(GetRValue(c)) + " " + std::to_string(GetGValue(c)) + " " + std::to_string(GetBValue(c));
}

// Writes the test's menu colours and puts the prefix's own back afterwards.
class MenuColourScheme {
public:
    MenuColourScheme() {
        const COLORREF values[] = {kMenu, kMenuBar, kWindow, kHighlight, kButtonHighlight};
        for (size_t i = 0; i < std::size(kNames); ++i) {
            saved[kNames[i]] = ReadString(kColoursKey, kNames[i]);
            WriteString(kColoursKey, kNames[i], ColourValue(values[i]));
        }
    }
    ~MenuColourScheme() {
        for (const auto& [name, value] : saved)
            if (value)
                WriteString(kColoursKey, name, *value);
    }

private:
    static constexpr const char* kNames[] = {"Menu", "MenuBar", "Window", "Hilight", "ButtonHilight"};
    std::map<std::string, std::optional<std::string>> saved;
};

// Checks the pictures and colours of the open File menu (Exit highlighted) against the mixes of the given
// Windows version, and keeps a screenshot.
void CheckOpenMenu(App& app, const std::string& version, const std::vector<std::pair<UINT, RECT>>& items) {
    ASSERT_FALSE(items.empty());
    RECT all{};
    GetWindowRect(app.MainWindow(), &all);
    RECT menu = items.front().second;
    for (const auto& item : items)
        UnionRect(&menu, &menu, &item.second);
    InflateRect(&menu, 4, 4);
    UnionRect(&all, &all, &menu);
    const Pixels screen = CapturePixels(all);
    CaptureScreenRect(all, ScreenshotPath("MenuSkin_open_file_menu_" + version));

    // XP with visual styles (the prefix's theme is on) mixes the column from the menu-bar colour, later
    // releases from the menu colour: 86 % of it plus 14 % of the window colour.
    const COLORREF column = version == "winxp" ? RGB(218, 215, 208) : RGB(242, 242, 242);
    // 70 % window + 30 % highlight, plus 25; the blue channel (254) tops out at 255.
    const COLORREF fill = RGB(218, 249, 255);

    const Pixels strip = MenuBitmap(app.ProgramPath());
    for (const auto& [id, rect] : items) {
        const int middle = (rect.top + rect.bottom) / 2;
        if (id == 57665) { // Exit, highlighted
            EXPECT_EQ(screen.At(rect.right - 4, rect.top + 3), fill)
                << version << ": selection fill " << DescribeColor(screen.At(rect.right - 4, rect.top + 3));
            EXPECT_EQ(screen.At(rect.left, middle), kHighlight) << version << ": selection frame";
            EXPECT_EQ(screen.At(rect.right - 1, middle), kHighlight) << version << ": selection frame";
            continue;
        }
        EXPECT_EQ(screen.At(rect.left + 1, middle), column)
            << version << ": column of " << id << " is " << DescribeColor(screen.At(rect.left + 1, middle))
            << ", expected " << DescribeColor(column);
        if (id == 0)
            continue; // separator
        EXPECT_EQ(screen.At(rect.right - 3, rect.top + 1), kButtonHighlight) << version << ": text area of " << id;
        ExpectOwnPicture(screen, strip, id, rect);
    }
}

TEST_F(MenuSkin, OpenMenuShowsPicturesAndTheColourMixesOfTheWindowsVersion) {
    MenuColourScheme colours;
    for (const std::string version : {"winxp", "win7"}) {
        SetWindowsVersion(version);
        App app;
        app.HighlightMenuItem(0, 5); // File > Exit
        const auto items = OpenItems(app);
        ASSERT_EQ(items.size(), 6u);
        Sleep(300); // the menu paints after it shows
        CheckOpenMenu(app, version, items);
        app.CloseMenus();
    }
}

TEST_F(MenuSkin, SystemMenuIsOwnerDrawn) {
    App app;
    app.Foreground();
    Menu open;
    for (int attempt = 0; attempt < 2 && open.empty(); ++attempt) {
        PressKey(VK_SPACE, {VK_MENU});
        WaitUntil([&] { return !(open = app.OpenMenus()).empty(); }, 3s);
    }
    ASSERT_FALSE(open.empty()) << "Alt+Space opened no system menu";
    ASSERT_FALSE(open.front().items.empty());
    for (const MenuItem& item : open.front().items)
        EXPECT_TRUE(item.ownerDrawn) << item.text;
    Pause(300ms);
    const auto items = OpenItems(app);
    ASSERT_FALSE(items.empty());
    RECT area = items.front().second;
    for (const auto& item : items)
        UnionRect(&area, &area, &item.second);
    InflateRect(&area, 4, 4);
    CaptureScreenRect(area, ScreenshotPath("MenuSkin_system_menu"));
    app.CloseMenus();
}

TEST_F(MenuSkin, RowContextMenuIsOwnerDrawnWithThePicturesOfItsCommands) {
    table.Write(Row("ESTABLISHED", "10.0.0.1", 1000, "10.0.0.2", 80));
    App app(table.Options());
    ASSERT_TRUE(WaitUntil([&] { return app.List().RowCount() == 1; }, 5s));
    Menu open;
    for (int attempt = 0; attempt < 2 && open.empty(); ++attempt) {
        Pause(Milliseconds(GetDoubleClickTime() + 100));
        app.Click(app.ListWindow(), Center(app.List().ItemRect(0)), MouseButton::Right);
        WaitUntil([&] { return !(open = app.OpenMenus()).empty(); }, 3s);
    }
    ASSERT_FALSE(open.empty()) << "the row menu did not open";
    for (const MenuItem& item : open.front().items)
        EXPECT_TRUE(item.ownerDrawn) << item.text;
    const auto items = OpenItems(app);
    ASSERT_EQ(items.size(), open.front().items.size());
    Pause(300ms);
    RECT area = items.front().second;
    for (const auto& item : items)
        UnionRect(&area, &area, &item.second);
    InflateRect(&area, 4, 4);
    const Pixels screen = CapturePixels(area);
    CaptureScreenRect(area, ScreenshotPath("MenuSkin_row_context_menu"));
    const Pixels strip = MenuBitmap(app.ProgramPath());
    for (const auto& [id, rect] : items)
        if (id != 0)
            ExpectOwnPicture(screen, strip, id, rect);
    app.CloseMenus();
}

} // namespace
