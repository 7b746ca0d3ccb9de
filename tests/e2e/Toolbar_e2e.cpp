// End-to-end tests of the toolbar: help texts (the status bar shows the prompt of the button under the
// mouse and "Ready" again when it leaves, the tool-tip its tip text), toggles shown on their buttons, and
// the pictures as the user sees them: button size, normal, hot, pressed and disabled pictures with and
// without visual styles, and the bitmap fallback of a program whose PNG strip is missing or damaged.
#include "E2e.h"
#include "FakeTable.h"

#include <png.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <functional>

using namespace e2e;

namespace {

class Toolbar : public ::testing::Test {
protected:
    void SetUp() override {
        ResetProgramState();
        ClearWindowsVersion();
        WriteDword(kSettingsKey, "WindowPosX", 0);
        WriteDword(kSettingsKey, "WindowPosY", 0);
        WriteDword(kSettingsKey, "WindowSizeX", 900);
        WriteDword(kSettingsKey, "WindowSizeY", 600);
    }

    // Screen point at the centre of the toolbar item with this index.
    static POINT ButtonCentre(const App& app, int index) {
        RemoteBuffer buffer(app.ProcessHandle(), sizeof(RECT));
        SendMessageA(app.ToolBarWindow(), TB_GETITEMRECT, index, buffer.Param());
        RECT rect = buffer.Get<RECT>();
        POINT centre{(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
        ClientToScreen(app.ToolBarWindow(), &centre);
        return centre;
    }

    FakeTable table;
};

} // namespace

TEST_F(Toolbar, HoveringAButtonShowsItsPromptAndItsTip) {
    App app(table.Options());
    app.Foreground();
    RECT list{};
    GetWindowRect(app.ListWindow(), &list);
    const POINT overList{(list.left + list.right) / 2, (list.top + list.bottom) / 2};
    // Start from outside the toolbar: the pointer may still rest where an earlier test left it.
    MoveMouse(overList);
    app.Sync();
    MoveMouse(ButtonCentre(app, 1)); // Refresh
    EXPECT_TRUE(WaitUntil([&] { return app.StatusText() == "Refresh TCP Table"; })) << app.StatusText();
    EXPECT_TRUE(WaitUntil([&] { return app.VisibleToolTip() == "Refresh TCP Table"; }, 5s)) << app.VisibleToolTip();

    MoveMouse(ButtonCentre(app, 4)); // Processing: prompt and tip differ
    EXPECT_TRUE(WaitUntil([&] { return app.StatusText() == "Customize Processing"; })) << app.StatusText();
    EXPECT_TRUE(WaitUntil([&] { return app.VisibleToolTip() == "Processing"; }, 5s)) << app.VisibleToolTip();

    MoveMouse(overList);
    EXPECT_TRUE(WaitUntil([&] { return app.StatusText() == "Ready"; })) << app.StatusText();
}

TEST_F(Toolbar, TogglesShowTheirStateOnTheirButtons) {
    App app(table.Options());
    auto button = [&](int id) {
        for (const ToolButton& b : app.Tools().Buttons()) {
            if (b.id == id)
                return b;
        }
        throw Error("no toolbar button " + std::to_string(id));
    };
    EXPECT_TRUE(WaitUntil([&] { return button(32800).checked; })) << "Resolve Addresses is on at a first start";
    EXPECT_FALSE(button(32798).checked);
    app.SendCommand(32798);
    EXPECT_TRUE(WaitUntil([&] { return button(32798).checked; })) << "updated when the program falls idle";
    app.SendCommand(32798);
    EXPECT_TRUE(WaitUntil([&] { return !button(32798).checked; }));
}

// --- Pictures ---------------------------------------------------------------------------------------------

namespace {

const char kThemeManager[] = "Software\\Microsoft\\Windows\\CurrentVersion\\ThemeManager";
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

class ResourceFile {
public:
    explicit ResourceFile(const std::string& path)
        : module(LoadLibraryExA(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE)) {
        if (!module)
            FailWithLastError("cannot open " + path + " for its resources");
    }
    ~ResourceFile() { FreeLibrary(module); }
    std::vector<BYTE> Bytes(const char* type, int id) const {
        HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(id), type);
        if (!found)
            Fail("no resource " + std::to_string(id));
        const auto* data = static_cast<const BYTE*>(LockResource(LoadResource(module, found)));
        return {data, data + SizeofResource(module, found)};
    }

private:
    HMODULE module;
};

// The program's PNG strip, decoded here with libpng's simplified reader, independent of the program's
// own decoder.
Strip ProgramPng(const std::string& program) {
    const std::vector<BYTE> bytes = ResourceFile(program).Bytes("PNG", 185);
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
    const std::vector<BYTE> bytes = ResourceFile(program).Bytes(MAKEINTRESOURCEA(2) /*RT_BITMAP*/, 128);
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

// The screen inside a rectangle, row by row.
struct Shot {
    int width = 0;
    int height = 0;
    std::vector<COLORREF> pixels;
    COLORREF At(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};

Shot Capture(const RECT& screenRect) {
    Shot shot{screenRect.right - screenRect.left, screenRect.bottom - screenRect.top, {}};
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), shot.width, -shot.height, 1, 32, BI_RGB};
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, shot.width, shot.height, screen, screenRect.left, screenRect.top, SRCCOPY);
    GdiFlush();
    for (int i = 0; i < shot.width * shot.height; ++i) {
        const BYTE* p = static_cast<const BYTE*>(bits) + i * 4;
        shot.pixels.push_back(RGB(p[2], p[1], p[0]));
    }
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return shot;
}

struct Match {
    bool found = false;
    int mismatches = 0; // of the best placement
    std::string detail;
};

// Looks for the picture anywhere inside the shot (the control places it, and shifts it when pressed):
// found when every pixel the expectation predicts shows exactly that colour.
Match FindPicture(const Shot& shot, const Strip& strip, int picture, const Expectation& expect) {
    Match best{false, 1 << 30, ""};
    for (int dy = 0; dy + kPicture <= shot.height; ++dy) {
        for (int dx = 0; dx + kPicture <= shot.width; ++dx) {
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

RECT ButtonOnScreen(const App& app, int index) {
    RECT rect = app.Tools().ButtonRect(index);
    MapWindowPoints(app.ToolBarWindow(), nullptr, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

// Waits until the button shows the picture as expected; the failure text names the closest placement.
::testing::AssertionResult ShowsPicture(const App& app, int index, const Strip& strip, int picture,
                                        const Expectation& expect) {
    Match match;
    WaitUntil([&] { return (match = FindPicture(Capture(ButtonOnScreen(app, index)), strip, picture, expect)).found; },
              3s);
    if (match.found)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << match.mismatches << " pixels differ, first " << match.detail;
}

void PressLeftButton(bool down) {
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dwFlags = down ? MOUSEEVENTF_LEFTDOWN : MOUSEEVENTF_LEFTUP;
    SendInput(1, &input, sizeof(input));
    Pause(50ms);
}

// One resource of a module, as UpdateResource takes it.
struct Resource {
    std::string type, name; // "#n" for numeric ids
    WORD language;
    std::vector<BYTE> data;
};

std::string ResourceKey(LPCSTR id) {
    return IS_INTRESOURCE(id) ? "#" + std::to_string(reinterpret_cast<ULONG_PTR>(id)) : std::string(id);
}
LPCSTR ResourceId(const std::string& key) {
    return key[0] == '#' ? MAKEINTRESOURCEA(std::stoi(key.substr(1))) : key.c_str();
}

struct ResourceWalk {
    HMODULE module;
    std::vector<Resource> found;
};

BOOL CALLBACK CollectLanguage(HMODULE module, LPCSTR type, LPCSTR name, WORD language, LONG_PTR param) {
    HRSRC found = FindResourceExA(module, type, name, language);
    const auto* data = static_cast<const BYTE*>(LockResource(LoadResource(module, found)));
    reinterpret_cast<ResourceWalk*>(param)->found.push_back(
        {ResourceKey(type), ResourceKey(name), language,
         std::vector<BYTE>(data, data + SizeofResource(module, found))});
    return TRUE;
}

BOOL CALLBACK CollectName(HMODULE module, LPCSTR type, LPSTR name, LONG_PTR param) {
    return EnumResourceLanguagesA(module, type, name, CollectLanguage, param);
}

BOOL CALLBACK CollectType(HMODULE module, LPSTR type, LONG_PTR param) {
    return EnumResourceNamesA(module, type, CollectName, param);
}

std::vector<Resource> AllResources(const std::string& path) {
    ResourceWalk walk{LoadLibraryExA(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE), {}};
    if (!walk.module)
        FailWithLastError("cannot open " + path + " for its resources");
    EnumResourceTypesA(walk.module, CollectType, reinterpret_cast<LONG_PTR>(&walk));
    FreeLibrary(walk.module);
    return walk.found;
}

// Copies the program into a folder of its own under the same file name, so Wine's per-program settings
// still apply, and writes its resources back without the PNG strip (replacement null) or with the
// strip replaced. (Wine's UpdateResource does not delete a single resource, so all are rewritten.)
std::string ProgramWithPng(const std::string& name, const std::vector<BYTE>* replacement) {
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    const std::string folder = std::string(temp) + "pelloran-toolbar-" + name;
    CreateDirectoryA(folder.c_str(), nullptr);
    const std::string copy = folder + "\\" + kProgramFile;
    if (!CopyFileA(DefaultProgramPath().c_str(), copy.c_str(), FALSE))
        FailWithLastError("cannot copy the program");
    const std::vector<Resource> resources = AllResources(copy);
    HANDLE update = BeginUpdateResourceA(copy.c_str(), TRUE);
    if (!update)
        FailWithLastError("BeginUpdateResource");
    for (const Resource& r : resources) {
        const bool strip = r.type == "PNG" && r.name == "#185";
        if (strip && !replacement)
            continue;
        const std::vector<BYTE>& data = strip ? *replacement : r.data;
        if (!UpdateResourceA(update, ResourceId(r.type), ResourceId(r.name), r.language, const_cast<BYTE*>(data.data()),
                             static_cast<DWORD>(data.size())))
            FailWithLastError("UpdateResource");
    }
    if (!EndUpdateResourceA(update, FALSE))
        FailWithLastError("EndUpdateResource");
    HMODULE check = LoadLibraryExA(copy.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    HRSRC left = FindResourceA(check, MAKEINTRESOURCEA(185), "PNG");
    const DWORD leftSize = left ? SizeofResource(check, left) : 0;
    const bool bitmapKept = FindResourceA(check, MAKEINTRESOURCEA(128), MAKEINTRESOURCEA(2)) != nullptr;
    FreeLibrary(check);
    if ((replacement ? leftSize != replacement->size() : left != nullptr) || !bitmapKept)
        Fail("the copy's resources were not rewritten as asked (" + std::to_string(leftSize) + " PNG bytes left)");
    return copy;
}

class ToolbarPictures : public ::testing::TestWithParam<bool> {
protected:
    void SetUp() override {
        ResetProgramState();
        ClearWindowsVersion();
        savedTheme = ReadString(kThemeManager, "ThemeActive");
        WriteString(kThemeManager, "ThemeActive", themed() ? "1" : "0");
        WriteDword(kSettingsKey, "WindowPosX", 0);
        WriteDword(kSettingsKey, "WindowPosY", 0);
        WriteDword(kSettingsKey, "WindowSizeX", 900);
        WriteDword(kSettingsKey, "WindowSizeY", 600);
    }
    void TearDown() override { WriteString(kThemeManager, "ThemeActive", savedTheme.value_or("1")); }
    bool themed() const { return GetParam(); }
    std::string Suffix() const { return themed() ? "themed" : "unthemed"; }

    static void MouseAway(const App& app) {
        RECT list{};
        GetWindowRect(app.ListWindow(), &list);
        MoveMouse({(list.left + list.right) / 2, (list.top + list.bottom) / 2});
    }
    static POINT Centre(const RECT& r) { return {(r.left + r.right) / 2, (r.top + r.bottom) / 2}; }

    std::optional<std::string> savedTheme;
    FakeTable table;
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
    const Shot normal = Capture(ButtonOnScreen(app, kRefreshIndex));
    CaptureScreenRect(WindowRect(app.ToolBarWindow()), ScreenshotPath("toolbar-normal-" + Suffix()));

    MoveMouse(Centre(ButtonOnScreen(app, kRefreshIndex)));
    EXPECT_TRUE(ShowsPicture(app, kRefreshIndex, strip, kRefreshPicture, Picture(HotOrPressed, themed()))) << "hot";
    CaptureScreenRect(WindowRect(app.ToolBarWindow()), ScreenshotPath("toolbar-hot-" + Suffix()));
    const Shot hot = Capture(ButtonOnScreen(app, kRefreshIndex));
    if (themed()) {
        EXPECT_NE(hot.pixels, normal.pixels) << "the hot button has the theme's hot background";
    }

    PressLeftButton(true);
    EXPECT_TRUE(ShowsPicture(app, kRefreshIndex, strip, kRefreshPicture, Picture(HotOrPressed, themed()))) << "pressed";
    CaptureScreenRect(WindowRect(app.ToolBarWindow()), ScreenshotPath("toolbar-pressed-" + Suffix()));
    PressLeftButton(false);
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

TEST_P(ToolbarPictures, WithoutAUsablePngTheBitmapPicturesShowAndTheProgramRuns) {
    std::vector<BYTE> corrupt = ResourceFile(DefaultProgramPath()).Bytes("PNG", 185);
    corrupt[corrupt.size() / 2] ^= 0x20; // inside the image data: its checksum no longer matches
    const std::pair<std::string, std::string> programs[] = {{"missing", ProgramWithPng("missing", nullptr)},
                                                            {"corrupt", ProgramWithPng("corrupt", &corrupt)}};
    const Strip bitmap = ProgramBitmap(DefaultProgramPath());
    for (const auto& [what, program] : programs) {
        SCOPED_TRACE(what + " PNG");
        LaunchOptions options = table.Options();
        options.program = program;
        App app(options);
        app.Foreground();
        MouseAway(app);
        EXPECT_TRUE(ShowsPicture(app, kRefreshIndex, bitmap, kRefreshPicture, Picture(Normal, themed())));
        MoveMouse(Centre(ButtonOnScreen(app, kRefreshIndex)));
        EXPECT_TRUE(ShowsPicture(app, kRefreshIndex, bitmap, kRefreshPicture, Picture(Darkened, themed())));
        CaptureScreenRect(WindowRect(app.ToolBarWindow()), ScreenshotPath("toolbar-fallback-" + what + "-" + Suffix()));
        app.SendCommand(32778); // Refresh: still answering
        EXPECT_TRUE(app.Running());
        EXPECT_EQ(app.Close(), 0u);
    }
}

INSTANTIATE_TEST_SUITE_P(Toolbar, ToolbarPictures, ::testing::Values(true, false),
                         [](const ::testing::TestParamInfo<bool>& info) { return info.param ? "Themed" : "Unthemed"; });
