// What the program draws, read from the screen, one start per case: the toolbar's PNG pictures in every button state
// with and without visual styles, and the bitmap fallback of a damaged PNG; the sort header drawn hot under the mouse
// only with visual styles; the owner-drawn menus in the colour mixes of XP and of later versions, each command with
// its own picture of bitmap 138 and its whole label.
#include "Suite.h"

#include <commctrl.h>

#include <png.h>

#include <algorithm>
#include <filesystem>

using namespace e2e;

namespace {

constexpr char kThemeManager[] = "Software\\Microsoft\\Windows\\CurrentVersion\\ThemeManager";
constexpr char kColours[] = "Control Panel\\Colors";
constexpr UINT kExit = 57665, kStatistics = 32776;
// The commands of bitmap 138 in picture order.
const std::vector<UINT> kMenuPictures{57603, 32778, 32776, 57665, 32795, 32796, 32798, 32799, 32800,
                                      32797, 57664, 32774, 32773, 32771, 32772, 32775, 32805};
// The prefix's theme paints menu, menu bar and window white, which hides the picture column: the test's own.
constexpr COLORREF kHighlight = RGB(48, 150, 250), kWhite = RGB(255, 255, 255);
const std::pair<const char*, COLORREF> kScheme[] = {{"Menu", RGB(240, 240, 240)},
                                                    {"MenuBar", RGB(212, 208, 200)},
                                                    {"Window", kWhite},
                                                    {"Hilight", kHighlight},
                                                    {"ButtonHilight", kWhite}};

// Square pictures side by side; alpha 0 is see-through.
struct Strip {
    int width = 0, size = 0;
    std::vector<COLORREF> colour;
    std::vector<BYTE> alpha;
};

std::string Resource(const std::string& file, LPCSTR type, int id) {
    HMODULE module = LoadLibraryExA(file.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    HRSRC found = module ? FindResourceA(module, MAKEINTRESOURCEA(id), type) : nullptr;
    std::string bytes;
    if (found)
        bytes.assign(static_cast<const char*>(LockResource(LoadResource(module, found))),
                     SizeofResource(module, found));
    if (module)
        FreeLibrary(module);
    if (bytes.empty())
        Fail("no resource " + std::to_string(id) + " in " + file);
    return bytes;
}

// Decoded here by libpng, independent of the program's own decoder.
Strip Png(const std::string& bytes) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    std::vector<BYTE> rgba;
    if (png_image_begin_read_from_memory(&image, bytes.data(), bytes.size())) {
        image.format = PNG_FORMAT_RGBA;
        rgba.resize(PNG_IMAGE_SIZE(image));
        png_image_finish_read(&image, nullptr, rgba.data(), 0, nullptr);
    }
    Strip strip{static_cast<int>(image.width), static_cast<int>(image.height), {}, {}};
    for (size_t i = 0; i + 4 <= rgba.size(); i += 4) {
        strip.colour.push_back(RGB(rgba[i], rgba[i + 1], rgba[i + 2]));
        strip.alpha.push_back(rgba[i + 3]);
    }
    return strip;
}

// A 24-bit bitmap of the program (rows bottom-up), magenta see-through.
Strip Bitmap(const std::string& file, int id) {
    const std::string bytes = Resource(file, RT_BITMAP, id);
    const auto* header = reinterpret_cast<const BITMAPINFOHEADER*>(bytes.data());
    if (header->biBitCount != 24)
        Fail("bitmap " + std::to_string(id) + " is not 24-bit");
    Strip strip{header->biWidth, std::abs(header->biHeight), {}, {}};
    const int stride = (strip.width * 3 + 3) & ~3;
    for (int at = 0; at < strip.width * strip.size; ++at) {
        const auto* p = reinterpret_cast<const BYTE*>(bytes.data()) + header->biSize +
                        (strip.size - 1 - at / strip.width) * stride + at % strip.width * 3;
        strip.colour.push_back(RGB(p[2], p[1], p[0]));
        strip.alpha.push_back(strip.colour.back() == RGB(255, 0, 255) ? 0 : 255);
    }
    return strip;
}

// Where picture `index` shows in the shot with every opaque pixel exact (and every see-through pixel `face`, when
// given); x < 0 when nowhere.
POINT Find(const Pixels& shot, const Strip& strip, int index, std::optional<COLORREF> face = {}) {
    const int n = strip.size;
    for (int y = shot.rect.top; y + n <= shot.rect.bottom; ++y)
        for (int x = shot.rect.left; x + n <= shot.rect.right; ++x) {
            bool same = true;
            for (int at = 0; at < n * n && same; ++at) {
                const size_t i = static_cast<size_t>(at / n) * strip.width + index * n + at % n;
                const COLORREF shown = shot.At(x + at % n, y + at / n);
                same =
                    (strip.alpha[i] != 255 || shown == strip.colour[i]) && (strip.alpha[i] || !face || shown == *face);
            }
            if (same)
                return {x, y};
        }
    return {-1, -1};
}

// No picture has black pixels: black ones are see-through pixels that lost their mask.
bool Unmasked(const Pixels& shot) { return std::count(shot.pixels.begin(), shot.pixels.end(), RGB(0, 0, 0)) > 0; }

// Columns from the first to the last that hold a text-coloured pixel.
int InkSpan(const Pixels& shot, int fromX) {
    int first = -1, last = -1;
    for (int x = fromX; x < shot.rect.right; ++x)
        for (int y = shot.rect.top; y < shot.rect.bottom; ++y)
            if (GetRValue(shot.At(x, y)) + GetGValue(shot.At(x, y)) + GetBValue(shot.At(x, y)) < 3 * 96) {
                first = first < 0 ? x : first;
                last = x;
            }
    return first < 0 ? 0 : last - first + 1;
}

// The ink of a label drawn here as the menus draw it: DrawText in the menu font, black on white.
int LabelInk(const std::string& label) {
    NONCLIENTMETRICSA metrics{};
    metrics.cbSize = sizeof metrics;
    SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
    HFONT font = CreateFontIndirectA(&metrics.lfMenuFont);
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), 300, -40, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ oldBitmap = SelectObject(dc, bitmap), oldFont = SelectObject(dc, font);
    RECT rect{0, 0, 300, 40};
    FillRect(dc, &rect, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    SetBkMode(dc, TRANSPARENT);
    DrawTextA(dc, label.c_str(), -1, &rect, DT_SINGLELINE | DT_VCENTER);
    GdiFlush();
    Pixels drawn{rect, {}};
    for (int i = 0; i < 300 * 40; ++i)
        drawn.pixels.push_back(static_cast<const COLORREF*>(bits)[i] & 0xFFFFFF);
    SelectObject(dc, oldFont);
    DeleteObject(SelectObject(dc, oldBitmap));
    DeleteDC(dc);
    DeleteObject(font);
    return InkSpan(drawn, 0);
}

// A copy of the program under its own name (Wine's per-program settings still apply) whose PNG strip has a bit
// flipped inside its image data: the checksum no longer matches.
std::string ProgramWithDamagedPng() {
    const std::string program = Here() + "\\Pelloran.exe", copy = TempPath("pelloran-damaged-png\\Pelloran.exe");
    std::string png = Resource(program, "PNG", 185);
    png[png.size() / 2] ^= 0x20;
    std::filesystem::create_directories(std::filesystem::path(copy).parent_path());
    std::filesystem::copy_file(program, copy, std::filesystem::copy_options::overwrite_existing);
    HANDLE update = BeginUpdateResourceA(copy.c_str(), FALSE);
    if (!update ||
        !UpdateResourceA(update, "PNG", MAKEINTRESOURCEA(185), MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US), &png[0],
                         static_cast<DWORD>(png.size())) ||
        !EndUpdateResourceA(update, FALSE) || Resource(copy, "PNG", 185) != png)
        FailWithLastError("cannot damage the copy's PNG strip");
    return copy;
}

class Pictures : public ProgramTest {
protected:
    void SetUp() override {
        ProgramTest::SetUp();
        theme = ReadString(kThemeManager, "ThemeActive");
        for (const auto& [name, c] : kScheme) {
            colours.push_back(ReadString(kColours, name));
            WriteString(kColours, name,
                        std::to_string(GetRValue(c)) + " " + std::to_string(GetGValue(c)) + " " +
                            std::to_string(GetBValue(c)));
        }
    }
    void TearDown() override {
        WriteString(kThemeManager, "ThemeActive", theme.value_or("1"));
        for (size_t i = 0; i < colours.size(); ++i)
            if (colours[i])
                WriteString(kColours, kScheme[i].first, *colours[i]);
        ProgramTest::TearDown();
    }
    std::optional<std::string> theme;
    std::vector<std::optional<std::string>> colours;
};

} // namespace

TEST_F(Pictures, ToolbarHeaderAndMenusShowWhatTheProgramDraws) {
    const struct {
        const char* version; // and the menus' colours checked; "": Wine's default, menus not checked
        bool themed, damaged;
    } cases[] = {{"winxp", true, false}, {"win7", false, false}, {"", false, true}};
    table.Write(Row(kEstablished, "10.0.0.1", 80, "10.0.0.2", 5) + Row(kListen, "10.0.0.1", 9, "0.0.0.0", 0));
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.version) + (c.themed ? " themed" : " unthemed") + (c.damaged ? " damaged" : ""));
        SetWindowsVersion(c.version);
        StorePlacement(0, 0, 900, 600);
        WriteString(kThemeManager, "ThemeActive", c.themed ? "1" : "0");
        LaunchOptions options = table.Options();
        options.program = c.damaged ? ProgramWithDamagedPng() : "";
        Program app(options);
        ASSERT_TRUE(WaitUntil([&] { return app.Cells().size() == 2; }));
        const HWND bar = app.Bar(Program::kToolBarId);
        const Strip strip = c.damaged ? Bitmap(app.Path(), 128) : Png(Resource(app.Path(), "PNG", 185));
        ASSERT_EQ(strip.size, 28);
        const std::optional<COLORREF> face = c.themed ? std::nullopt : std::optional(GetSysColor(COLOR_BTNFACE));
        auto shot = [&](int index) {
            RECT rect = app.Tools().buttons.at(index).rect;
            MapWindowPoints(bar, nullptr, reinterpret_cast<POINT*>(&rect), 2);
            return Capture(rect);
        };
        // Normal: the picture's opaque pixels as they are (see-through ones show the plain face without a theme).
        // Hot, pressed and disabled pictures differ from it, and none may show black where it is see-through.
        auto normal = [&](int index, int picture) {
            return WaitUntil([&] { return Find(shot(index), strip, picture, face).x >= 0 && !Unmasked(shot(index)); });
        };
        auto changed = [&](int index, const Pixels& from) {
            Pixels now;
            WaitUntil([&] { return (now = shot(index)).pixels != from.pixels && !Unmasked(now); });
            return now.pixels != from.pixels && !Unmasked(now);
        };
        Foreground(app.Frame());
        MoveMouse(Center(app.List().rects.at(1)));
        EXPECT_TRUE(normal(1, 1)) << "Refresh, normal";
        EXPECT_TRUE(normal(2, 2)) << "Statistics, normal";
        const Pixels before = shot(1), statistics = shot(2);
        // Nothing in the program disables a button yet: the test does, while the program is idle (the update pass
        // enables it again after input).
        app.Send(bar, TB_ENABLEBUTTON, kStatistics, FALSE);
        EXPECT_TRUE(changed(2, statistics)) << "disabled";
        EXPECT_FALSE(app.Tools().Button(kStatistics).enabled) << "enabled again while sampled";
        const POINT refresh = ToScreen(bar, Center(app.Tools().buttons[1].rect));
        MoveMouse(refresh);
        EXPECT_TRUE(changed(1, before)) << "hot";
        const Pixels hot = shot(1);
        PressMouse(refresh);
        EXPECT_TRUE(changed(1, hot)) << "pressed";
        ReleaseMouse(refresh);
        MoveMouse(Center(app.List().rects.at(1)));
        EXPECT_TRUE(normal(1, 1)) << "normal again after the click";

        // The header, sorted so that the program draws every item: the Local Address item's background, right of
        // its text. The toolbar's prompt goes when the program has taken the mouse's move onto the header.
        const ListView list = app.List();
        app.Click(list.header, Center(list.columns.at(3).rect));
        app.Sync();
        const RECT item = app.List().columns.at(2).rect;
        auto background = [&] { return app.Pixel(list.header, {item.right - 12, (item.top + item.bottom) / 2}); };
        MoveMouse(refresh);
        EXPECT_TRUE(WaitUntil([&] { return app.Status() == "Refresh TCP Table"; })) << app.Status();
        const COLORREF plain = background();
        MoveMouse(ToScreen(list.header, Center(item)));
        EXPECT_TRUE(WaitUntil([&] { return app.Status() == "Ready"; })) << app.Status();
        if (c.themed) {
            EXPECT_TRUE(WaitUntil([&] { return background() != plain; })) << "not hot: " << Hex(plain);
        } else {
            EXPECT_EQ(Hex(plain), Hex(GetSysColor(COLOR_BTNFACE)));
            EXPECT_EQ(Hex(background()), Hex(plain)) << "no hot item without visual styles";
        }
        if (!*c.version) {
            app.Command(32778); // still answering
            EXPECT_EQ(app.Close(), 0u);
            continue;
        }

        // The File menu with Exit highlighted. XP with visual styles mixes the picture column from the menu-bar
        // colour, later versions from the menu colour (86 % of it, 14 % of the window colour); the selection is
        // filled with 70 % window and 30 % highlight, plus 25 (the blue channel tops out at 255).
        const COLORREF column = std::string(c.version) == "winxp" ? RGB(218, 215, 208) : RGB(242, 242, 242);
        const COLORREF fill = RGB(218, 249, 255);
        const Strip menuStrip = Bitmap(app.Path(), 138);
        auto ownPicture = [&](UINT id, const RECT& rect) {
            const auto index = std::find(kMenuPictures.begin(), kMenuPictures.end(), id) - kMenuPictures.begin();
            return Find(Capture({rect.left, rect.top, rect.left + 30, rect.bottom}), menuStrip,
                        static_cast<int>(index));
        };
        app.HighlightMenuItem(0, 5);
        const Menu file = app.Menus("open").at(0).items;
        const auto items = app.Ask<std::vector<ItemRect>>("menu rects");
        ASSERT_EQ(items.size(), 6u);
        const RECT exit = items.back().rect;
        EXPECT_TRUE(WaitUntil([&] {
            return ScreenPixel({exit.right - 4, exit.top + 3}) == fill;
        })) << "selection fill "
            << Hex(ScreenPixel({exit.right - 4, exit.top + 3}));
        for (size_t i = 0; i < items.size(); ++i) {
            const auto& [id, rect] = items[i];
            SCOPED_TRACE(file.at(i).text);
            const Pixels shown = Capture(rect);
            const int middle = (rect.top + rect.bottom) / 2;
            if (id == kExit) // framed in the highlight colour
                EXPECT_EQ(Hex(shown.At(rect.left, middle)), Hex(kHighlight));
            else
                EXPECT_EQ(Hex(shown.At(rect.left + 1, middle)), Hex(column));
            if (id == 0)
                continue;
            EXPECT_EQ(Hex(shown.At(rect.right - 3, rect.top + 1)), Hex(id == kExit ? fill : kWhite));
            const POINT picture = ownPicture(id, rect);
            EXPECT_GE(picture.x, 0) << "not its own picture";
            EXPECT_NEAR(InkSpan(shown, picture.x + menuStrip.size + 1), LabelInk(file[i].text), 1) << "label";
        }
        app.CloseMenus();
        // The row menu: every command shows its own picture of bitmap 138.
        app.RowMenu(0);
        for (const auto& [id, rect] : app.Ask<std::vector<ItemRect>>("menu rects"))
            EXPECT_TRUE(id == 0 || (std::find(kMenuPictures.begin(), kMenuPictures.end(), id) != kMenuPictures.end() &&
                                    WaitUntil([&] { return ownPicture(id, rect).x >= 0; })))
                << "row menu " << id;
        app.CloseMenus();
        EXPECT_EQ(app.Close(), 0u);
    }
}
