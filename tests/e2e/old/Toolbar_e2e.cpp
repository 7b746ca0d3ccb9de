// End-to-end tests of the toolbar: help texts (the status bar shows the prompt of the button under the
// mouse and "Ready" again when it leaves, the tool-tip its tip text), toggles shown on their buttons, and
// the pictures as the user sees them: button size, normal, hot, pressed and disabled pictures with and
// without visual styles, and the bitmap fallback of a program whose PNG strip is damaged (a missing strip
// takes the same fallback: the decoder's refusals are unit-tested).
#include "Suite.h"

#include <png.h>

#include <algorithm>
#include <cmath>
#include <functional>

using namespace e2e;

namespace {

const char kThemeManager[] = "Software\\Microsoft\\Windows\\CurrentVersion\\ThemeManager";

RECT ButtonOnScreen(const App& app, int index) {
    RECT rect = app.Tools().ButtonRect(index);
    MapWindowPoints(app.ToolBarWindow(), nullptr, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

void MouseAway(const App& app) { MoveMouse(Center(WindowRect(app.ListWindow()))); }

class Toolbar : public ProgramTest {
protected:
    void SetUp() override {
        ProgramTest::SetUp();
        StorePlacement(0, 0, 900, 600);
    }
};

} // namespace

TEST_F(Toolbar, HoveringAButtonShowsItsPromptAndTipAndTogglesShowTheirState) {
    App app(table.Options());
    app.Foreground();
    MouseAway(app); // the pointer may still rest where an earlier test left it
    app.Sync();
    MoveMouse(Center(ButtonOnScreen(app, 1))); // Refresh
    EXPECT_TRUE(WaitUntil([&] { return app.StatusText() == "Refresh TCP Table"; })) << app.StatusText();
    EXPECT_TRUE(WaitUntil([&] { return app.VisibleToolTip() == "Refresh TCP Table"; }, 5s)) << app.VisibleToolTip();

    MoveMouse(Center(ButtonOnScreen(app, 4))); // Processing: prompt and tip differ
    EXPECT_TRUE(WaitUntil([&] { return app.StatusText() == "Customize Processing"; })) << app.StatusText();
    EXPECT_TRUE(WaitUntil([&] { return app.VisibleToolTip() == "Processing"; }, 5s)) << app.VisibleToolTip();

    MouseAway(app);
    EXPECT_TRUE(WaitUntil([&] { return app.StatusText() == "Ready"; })) << app.StatusText();

    // Toggles show their state on their buttons and menu items.
    auto button = [&](int id) { return app.Tools().ButtonById(id); };
    EXPECT_TRUE(WaitUntil([&] { return button(32800).checked; })) << "Resolve Addresses is on at a first start";
    EXPECT_FALSE(button(32798).checked);
    app.SendCommand(32798);
    EXPECT_TRUE(app.MenuCommand(32798).checked);
    EXPECT_TRUE(WaitUntil([&] { return button(32798).checked; })) << "updated when the program falls idle";
    app.SendCommand(32798);
    EXPECT_FALSE(app.MenuCommand(32798).checked);
    EXPECT_TRUE(WaitUntil([&] { return !button(32798).checked; }));
}

// --- Pictures ---------------------------------------------------------------------------------------------

namespace {

constexpr int kPicture = 28;
constexpr int kRefreshIndex = 1, kRefreshPicture = 1;
constexpr int kStatisticsId = 32776, kStatisticsIndex = 2, kStatisticsPicture = 2;

// A picture strip in R, G, B, A order, top row first.
struct Strip {
    int width = 0;
    int height = 0;
    std::vector<BYTE> rgba;
    const BYTE* At(int x, int y) const { return rgba.data() + (static_cast<size_t>(y) * width + x) * 4; }
};

std::vector<BYTE> ResourceBytes(const std::string& path, const char* type, int id) {
    HMODULE module = LoadLibraryExA(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    HRSRC found = module ? FindResourceA(module, MAKEINTRESOURCEA(id), type) : nullptr;
    if (!found)
        Fail("no resource " + std::to_string(id) + " in " + path);
    const auto* data = static_cast<const BYTE*>(LockResource(LoadResource(module, found)));
    std::vector<BYTE> bytes(data, data + SizeofResource(module, found));
    FreeLibrary(module);
    return bytes;
}

// The program's PNG strip, decoded here with libpng's simplified reader, independent of the program's
// own decoder.
Strip ProgramPng(const std::string& program) {
    const std::vector<BYTE> bytes = ResourceBytes(program, "PNG", 185);
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&image, bytes.data(), bytes.size()))
        Fail("the test cannot decode the program's PNG strip");
    image.format = PNG_FORMAT_RGBA;
    Strip strip{static_cast<int>(image.width), static_cast<int>(image.height), {}};
    strip.rgba.resize(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, strip.rgba.data(), 0, nullptr))
        Fail("the test cannot decode the program's PNG strip");
    return strip;
}

// The program's fallback bitmap (24-bit, bottom-up), magenta as alpha 0.
Strip ProgramBitmap(const std::string& program) {
    const std::vector<BYTE> bytes = ResourceBytes(program, MAKEINTRESOURCEA(2) /*RT_BITMAP*/, 128);
    const auto* header = reinterpret_cast<const BITMAPINFOHEADER*>(bytes.data());
    if (header->biBitCount != 24)
        Fail("the fallback bitmap is not 24-bit");
    Strip strip{header->biWidth, std::abs(header->biHeight), {}};
    const int stride = (strip.width * 3 + 3) & ~3;
    for (int y = 0; y < strip.height; ++y) {
        const BYTE* row = bytes.data() + header->biSize + static_cast<size_t>(strip.height - 1 - y) * stride;
        for (int x = 0; x < strip.width; ++x) {
            const BYTE* p = row + x * 3;
            const bool magenta = p[0] == 255 && p[1] == 0 && p[2] == 255;
            strip.rgba.insert(strip.rgba.end(), {p[2], p[1], p[0], static_cast<BYTE>(magenta ? 0 : 255)});
        }
    }
    return strip;
}

// The colour a picture pixel must show on screen, or nothing where the test cannot tell.
using Expectation = std::function<std::optional<COLORREF>(const BYTE* rgba)>;

Expectation Picture(std::function<COLORREF(const BYTE*)> solid, bool themed) {
    return [solid, themed](const BYTE* p) -> std::optional<COLORREF> {
        if (p[3] == 255)
            return solid(p);
        if (p[3] == 0 && !themed)
            return GetSysColor(COLOR_BTNFACE); // see-through pixels show the plain button face
        return std::nullopt;
    };
}
COLORREF Normal(const BYTE* p) { return RGB(p[0], p[1], p[2]); }
COLORREF HotOrPressed(const BYTE* p) {
    auto darker = [](int c) { return static_cast<BYTE>(c > 15 ? c - 15 : 0); };
    return RGB(darker(p[0]), darker(p[1]), darker(p[2]));
}
COLORREF DisabledGrey(const BYTE* p) {
    // Opaque pixels: the weighted grey times 1.2, each weight's product truncated, saturated at 255.
    const int grey = static_cast<int>(0.0014078431372549019 * (p[0] * 255)) +
                     static_cast<int>(0.00276078431372549 * (p[1] * 255)) +
                     static_cast<int>(0.0005372549019607843 * (p[2] * 255));
    const BYTE g = static_cast<BYTE>(std::min(grey, 255));
    return RGB(g, g, g);
}
COLORREF Darkened(const BYTE* p) {
    auto dark = [](int c) { return static_cast<BYTE>(std::pow(c / 255.0, 1.4) * 255); };
    return RGB(dark(p[0]), dark(p[1]), dark(p[2]));
}

struct Match {
    bool found = false;
    int mismatches = 0; // of the best placement
    std::string detail;
};

// Looks for the picture anywhere inside the shot (the control places it, and shifts it when pressed):
// found when every pixel the expectation predicts shows exactly that colour.
Match FindPicture(const Pixels& shot, const Strip& strip, int picture, const Expectation& expect) {
    Match best{false, 1 << 30, ""};
    for (int dy = shot.rect.top; dy + kPicture <= shot.rect.bottom; ++dy) {
        for (int dx = shot.rect.left; dx + kPicture <= shot.rect.right; ++dx) {
            int mismatches = 0;
            std::string first;
            for (int y = 0; y < kPicture; ++y) {
                for (int x = 0; x < kPicture; ++x) {
                    const auto want = expect(strip.At(picture * kPicture + x, y));
                    if (want && shot.At(dx + x, dy + y) != *want && mismatches++ == 0)
                        first = "at (" + std::to_string(x) + "," + std::to_string(y) + ") want " +
                                DescribeColor(*want) + " got " + DescribeColor(shot.At(dx + x, dy + y));
                }
            }
            if (mismatches < best.mismatches)
                best = {mismatches == 0, mismatches, first};
        }
    }
    return best;
}

// Waits until the button shows the picture as expected; the failure text names the closest placement.
::testing::AssertionResult ShowsPicture(const App& app, int index, const Strip& strip, int picture,
                                        const Expectation& expect) {
    Match match;
    WaitUntil(
        [&] { return (match = FindPicture(CapturePixels(ButtonOnScreen(app, index)), strip, picture, expect)).found; },
        3s);
    if (match.found)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << match.mismatches << " pixels differ, first " << match.detail;
}

BOOL CALLBACK TakeLanguage(HMODULE, LPCSTR, LPCSTR, WORD language, LONG_PTR param) {
    *reinterpret_cast<WORD*>(param) = language;
    return FALSE;
}

// A copy of the program, in a folder of its own under the same file name (so Wine's per-program settings
// still apply), whose PNG strip is replaced by these bytes.
std::string ProgramWithPng(const std::vector<BYTE>& png) {
    const std::string folder = TempPath("pelloran-toolbar-png");
    CreateDirectoryA(folder.c_str(), nullptr);
    const std::string copy = folder + "\\" + kProgramFile;
    if (!CopyFileA(DefaultProgramPath().c_str(), copy.c_str(), FALSE))
        FailWithLastError("cannot copy the program");
    WORD language = 0;
    HMODULE module = LoadLibraryExA(copy.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    EnumResourceLanguagesA(module, "PNG", MAKEINTRESOURCEA(185), TakeLanguage, reinterpret_cast<LONG_PTR>(&language));
    FreeLibrary(module);
    HANDLE update = BeginUpdateResourceA(copy.c_str(), FALSE);
    if (!update ||
        !UpdateResourceA(update, "PNG", MAKEINTRESOURCEA(185), language, const_cast<BYTE*>(png.data()),
                         static_cast<DWORD>(png.size())) ||
        !EndUpdateResourceA(update, FALSE))
        FailWithLastError("cannot replace the copy's PNG strip");
    if (ResourceBytes(copy, "PNG", 185) != png)
        Fail("the copy's PNG strip was not replaced");
    return copy;
}

class ToolbarPictures : public Toolbar, public ::testing::WithParamInterface<bool> {
protected:
    void SetUp() override {
        Toolbar::SetUp();
        savedTheme = ReadString(kThemeManager, "ThemeActive");
        WriteString(kThemeManager, "ThemeActive", themed() ? "1" : "0");
    }
    void TearDown() override { WriteString(kThemeManager, "ThemeActive", savedTheme.value_or("1")); }
    bool themed() const { return GetParam(); }
    std::string Suffix() const { return themed() ? "themed" : "unthemed"; }

    std::optional<std::string> savedTheme;
};

} // namespace

TEST_P(ToolbarPictures, ButtonsShowTheirNormalHotPressedAndDisabledPictures) {
    App app(table.Options());
    app.Foreground();
    MouseAway(app);
    const Strip strip = ProgramPng(app.ProgramPath());
    ASSERT_EQ(strip.width, 280);
    ASSERT_EQ(strip.height, 28);

    const RECT button = app.Tools().ButtonRect(kRefreshIndex);
    EXPECT_EQ(button.right - button.left, 36);
    EXPECT_EQ(button.bottom - button.top, 35);

    EXPECT_TRUE(ShowsPicture(app, kRefreshIndex, strip, kRefreshPicture, Picture(Normal, themed()))) << "normal";
    const Pixels normal = CapturePixels(ButtonOnScreen(app, kRefreshIndex));
    CaptureScreenRect(WindowRect(app.ToolBarWindow()), ScreenshotPath("toolbar-normal-" + Suffix()));

    MoveMouse(Center(ButtonOnScreen(app, kRefreshIndex)));
    EXPECT_TRUE(ShowsPicture(app, kRefreshIndex, strip, kRefreshPicture, Picture(HotOrPressed, themed()))) << "hot";
    CaptureScreenRect(WindowRect(app.ToolBarWindow()), ScreenshotPath("toolbar-hot-" + Suffix()));
    const Pixels hot = CapturePixels(ButtonOnScreen(app, kRefreshIndex));
    if (themed()) {
        EXPECT_NE(hot.pixels, normal.pixels) << "the hot button has the theme's hot background";
    }

    PressMouse(Center(ButtonOnScreen(app, kRefreshIndex)));
    EXPECT_TRUE(ShowsPicture(app, kRefreshIndex, strip, kRefreshPicture, Picture(HotOrPressed, themed()))) << "pressed";
    CaptureScreenRect(WindowRect(app.ToolBarWindow()), ScreenshotPath("toolbar-pressed-" + Suffix()));
    ReleaseMouse(Center(ButtonOnScreen(app, kRefreshIndex)));
    MouseAway(app);
    EXPECT_TRUE(ShowsPicture(app, kRefreshIndex, strip, kRefreshPicture, Picture(Normal, themed())))
        << "normal again after the click";

    // Nothing in the program disables a toolbar button yet: the test does, while the program is idle (its
    // update pass would enable it again after the next input).
    SendMessageA(app.ToolBarWindow(), TB_ENABLEBUTTON, kStatisticsId, FALSE);
    EXPECT_TRUE(ShowsPicture(app, kStatisticsIndex, strip, kStatisticsPicture, Picture(DisabledGrey, themed())))
        << "disabled";
    EXPECT_FALSE(app.Tools().ButtonById(kStatisticsId).enabled) << "the button stayed disabled while sampled";
}

TEST_P(ToolbarPictures, WithADamagedPngTheBitmapPicturesShowAndTheProgramRuns) {
    std::vector<BYTE> corrupt = ResourceBytes(DefaultProgramPath(), "PNG", 185);
    corrupt[corrupt.size() / 2] ^= 0x20; // inside the image data: its checksum no longer matches
    LaunchOptions options = table.Options();
    options.program = ProgramWithPng(corrupt);
    const Strip bitmap = ProgramBitmap(DefaultProgramPath());
    App app(options);
    app.Foreground();
    MouseAway(app);
    EXPECT_TRUE(ShowsPicture(app, kRefreshIndex, bitmap, kRefreshPicture, Picture(Normal, themed())));
    MoveMouse(Center(ButtonOnScreen(app, kRefreshIndex)));
    EXPECT_TRUE(ShowsPicture(app, kRefreshIndex, bitmap, kRefreshPicture, Picture(Darkened, themed())));
    CaptureScreenRect(WindowRect(app.ToolBarWindow()), ScreenshotPath("toolbar-fallback-" + Suffix()));
    // The pressed picture and the one put back after the click come from the extra copies in the list: their
    // see-through pixels must still show the button, not black.
    PressMouse(Center(ButtonOnScreen(app, kRefreshIndex)));
    EXPECT_TRUE(ShowsPicture(app, kRefreshIndex, bitmap, kRefreshPicture, Picture(Darkened, themed()))) << "pressed";
    ReleaseMouse(Center(ButtonOnScreen(app, kRefreshIndex)));
    MouseAway(app);
    EXPECT_TRUE(ShowsPicture(app, kRefreshIndex, bitmap, kRefreshPicture, Picture(Normal, themed())))
        << "normal again after the click";
    CaptureScreenRect(WindowRect(app.ToolBarWindow()), ScreenshotPath("toolbar-fallback-clicked-" + Suffix()));
    app.SendCommand(32778); // Refresh: still answering
    EXPECT_EQ(app.Close(), 0u);
}

INSTANTIATE_TEST_SUITE_P(Toolbar, ToolbarPictures, ::testing::Values(true, false),
                         [](const ::testing::TestParamInfo<bool>& info) { return info.param ? "Themed" : "Unthemed"; });
