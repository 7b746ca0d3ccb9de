// Image lists of the toolbar and the pressed-picture swap (see ImageToolBar.h). The pixel rules live in
// ToolbarImages.cpp; this file paints backgrounds, owns the GDI objects and feeds the lists.
#include "ImageToolBar.h"
#include "ToolbarImages.h"
#include "resource.h"

#include <shlwapi.h>
#include <uxtheme.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <optional>
#include <utility>

namespace {

constexpr COLORREF kMagenta = RGB(255, 0, 255);
constexpr int kToolbarButtonPart = 1; // TP_BUTTON
// Theme states of the toolbar button part, by list kind.
constexpr int kThemeStates[4] = {1 /*normal*/, 2 /*hot*/, 4 /*disabled*/, 3 /*pressed*/};

using OpenThemeDataFn = HANDLE(WINAPI*)(HWND, LPCWSTR);
using CloseThemeDataFn = HRESULT(WINAPI*)(HANDLE);
using DrawThemeBackgroundFn = HRESULT(WINAPI*)(HANDLE, HDC, int, int, const RECT*, const RECT*);
using DllGetVersionFn = DLLGETVERSIONPROC;

template <class Fn> Fn Entry(HMODULE module, const char* name) {
    return module != nullptr ? reinterpret_cast<Fn>(GetProcAddress(module, name)) : nullptr;
}

// The toolbar theme, opened only when the process already has the visual-styles library.
class ToolbarTheme {
public:
    ToolbarTheme() {
        module = GetModuleHandleA("uxtheme.dll");
        if (auto open = Entry<OpenThemeDataFn>(module, "OpenThemeData"))
            theme = open(nullptr, L"TOOLBAR");
    }
    ~ToolbarTheme() {
        if (theme == nullptr)
            return;
        if (auto close = Entry<CloseThemeDataFn>(module, "CloseThemeData"))
            close(theme);
    }
    ToolbarTheme(const ToolbarTheme&) = delete;
    ToolbarTheme& operator=(const ToolbarTheme&) = delete;
    bool IsOpen() const { return theme != nullptr; }
    void DrawButton(HDC dc, int state, const RECT& rect) const {
        if (auto draw = Entry<DrawThemeBackgroundFn>(module, "DrawThemeBackground"); draw && theme)
            draw(theme, dc, kToolbarButtonPart, state, &rect, nullptr);
    }

private:
    HMODULE module = nullptr;
    HANDLE theme = nullptr;
};

// Major version of the common controls the program runs with (the manifest asks for 6), 0 when unknown.
DWORD CommonControlsMajorVersion() {
    HMODULE library = LoadLibraryA("comctl32.dll");
    if (library == nullptr)
        return 0;
    DWORD major = 0;
    if (auto getVersion = Entry<DllGetVersionFn>(library, "DllGetVersion")) {
        DLLVERSIONINFO info{};
        info.cbSize = sizeof(info);
        if (SUCCEEDED(getVersion(&info)))
            major = info.dwMajorVersion;
    }
    FreeLibrary(library);
    return major;
}

// The decoded PNG strip of the program's resources, or nothing.
std::optional<toolbar::PngImage> LoadPngResource(UINT id) {
    HMODULE module = GetModuleHandleA(nullptr);
    HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(id), "PNG");
    if (found == nullptr)
        return std::nullopt;
    const DWORD size = SizeofResource(module, found);
    HGLOBAL loaded = LoadResource(module, found);
    const void* data = loaded != nullptr ? LockResource(loaded) : nullptr;
    if (data == nullptr || size == 0)
        return std::nullopt;
    return toolbar::DecodePng(static_cast<const uint8_t*>(data), size);
}

// A top-down 24-bit DIB section and its pixels; the caller owns the bitmap.
HBITMAP CreateStripBitmap(HDC reference, int width, int height, uint8_t** bits) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    void* pixels = nullptr;
    HBITMAP bitmap = CreateDIBSection(reference, &info, DIB_RGB_COLORS, &pixels, nullptr, 0);
    *bits = static_cast<uint8_t*>(pixels);
    return bitmap;
}

int Stride24(int width) { return (width * 3 + 3) & ~3; }

// One finished strip: button face, the theme's button background of the state (4 pixels larger than the
// strip on every side, so its edges stay outside the pictures), then the prepared pictures.
HBITMAP BuildStrip(HDC memory, const ToolbarTheme& theme, int state, const toolbar::PngImage& prepared) {
    uint8_t* bits = nullptr;
    HBITMAP strip = CreateStripBitmap(memory, prepared.width, prepared.height, &bits);
    if (strip == nullptr)
        return nullptr;
    HGDIOBJ old = SelectObject(memory, strip);
    RECT all{0, 0, prepared.width, prepared.height};
    FillRect(memory, &all, GetSysColorBrush(COLOR_BTNFACE));
    if (theme.IsOpen()) {
        RECT larger{-4, -4, prepared.width + 4, prepared.height + 4};
        theme.DrawButton(memory, state, larger);
    }
    GdiFlush();
    toolbar::CompositeOnto(prepared, bits, prepared.width, prepared.height, Stride24(prepared.width), 3);
    // An image list must not receive a bitmap that is still selected into a device context.
    SelectObject(memory, old);
    return strip;
}

class BitmapOwner {
public:
    explicit BitmapOwner(HBITMAP bitmap = nullptr) : bitmap(bitmap) {}
    ~BitmapOwner() {
        if (bitmap != nullptr)
            DeleteObject(bitmap);
    }
    BitmapOwner(const BitmapOwner&) = delete;
    BitmapOwner& operator=(const BitmapOwner&) = delete;
    HBITMAP get() const { return bitmap; }

private:
    HBITMAP bitmap;
};

} // namespace

// --- ToolBarImageSet -------------------------------------------------------------------------------------

void ToolBarImageSet::DeleteLists() {
    for (HIMAGELIST& list : lists) {
        if (list != nullptr)
            ImageList_Destroy(list);
        list = nullptr;
    }
}

bool ToolBarImageSet::Create(int width, int height, bool fullColor, int count) {
    DeleteLists();
    this->width = width;
    this->height = height;
    this->fullColor = fullColor;
    const bool deep = fullColor && CommonControlsMajorVersion() >= 6;
    colorFlags = (deep ? ILC_COLOR32 : ILC_COLOR24) | ILC_MASK;
    for (HIMAGELIST& list : lists) {
        list = ImageList_Create(width, height, colorFlags, count, 1);
        if (list == nullptr)
            return false;
    }
    return true;
}

void ToolBarImageSet::Swap(ToolBarImageSet& other) noexcept {
    std::swap(lists, other.lists);
    std::swap(colorFlags, other.colorFlags);
    std::swap(fullColor, other.fullColor);
    std::swap(width, other.width);
    std::swap(height, other.height);
}

HIMAGELIST ToolBarImageSet::GetImageList(int kind) const { return kind >= 0 && kind < 4 ? lists[kind] : nullptr; }

// Fills the lists: each kind's strip into its own list, then the pressed strip and a second copy of the swap
// target's own strip into the swap target, so that pressing and releasing are plain copies inside one list
// (see ImageToolBar::SetPressedPicture). Every add gets a strip built for it: ImageList_AddMasked turns the
// mask-colour pixels of the bitmap it is given black, so a strip added a second time would bring black boxes
// in place of its see-through pixels.
bool ToolBarImageSet::AddStrips(const std::function<HBITMAP(int kind)>& build, int pressedTarget, bool masked) {
    auto add = [&](int list, int kind) {
        BitmapOwner strip(build(kind));
        return strip.get() != nullptr && (masked ? ImageList_AddMasked(lists[list], strip.get(), kMagenta)
                                                 : ImageList_Add(lists[list], strip.get(), nullptr)) >= 0;
    };
    for (int kind = 0; kind < 4; ++kind) {
        if (!add(kind, kind))
            return false;
    }
    return pressedTarget < 0 || (add(pressedTarget, kPressedImages) && add(pressedTarget, pressedTarget));
}

bool ToolBarImageSet::LoadFromPng(UINT id, HWND reference, int pressedTarget) {
    std::optional<toolbar::PngImage> decoded = LoadPngResource(id);
    if (!decoded || decoded->width < width || decoded->height < height)
        return false;
    toolbar::PngImage normal = *decoded;
    toolbar::PrepareVariant(normal, toolbar::PngVariant::Normal);
    toolbar::PngImage hot = *decoded;
    toolbar::PrepareVariant(hot, toolbar::PngVariant::HotPressed);
    toolbar::PngImage& disabled = *decoded;
    toolbar::PrepareVariant(disabled, toolbar::PngVariant::Disabled);

    HDC windowDc = GetDC(reference);
    HDC memory = CreateCompatibleDC(windowDc);
    ReleaseDC(reference, windowDc);
    if (memory == nullptr)
        return false;
    bool added = false;
    {
        ToolbarTheme theme;
        const toolbar::PngImage* prepared[4] = {&normal, &hot, &disabled, &hot};
        added = AddStrips([&](int kind) { return BuildStrip(memory, theme, kThemeStates[kind], *prepared[kind]); },
                          pressedTarget, true);
    }
    DeleteDC(memory);
    return added;
}

bool ToolBarImageSet::LoadFromBitmap(UINT id, int pressedTarget) {
    BitmapOwner loaded(static_cast<HBITMAP>(
        LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
    DIBSECTION section{};
    if (loaded.get() == nullptr || GetObjectA(loaded.get(), sizeof(section), &section) != sizeof(section))
        return false;
    const int w = section.dsBm.bmWidth;
    const int h = std::abs(section.dsBm.bmHeight);
    // 32-bit work keeps the bitmap's own alpha and needs no mask; everything else is read as 24-bit with
    // magenta as the transparent colour.
    const bool alpha = (colorFlags & ILC_COLOR32) == ILC_COLOR32 && section.dsBm.bmBitsPixel == 32;
    const int bytesPerPixel = alpha ? 4 : 3;
    const int stride = (w * bytesPerPixel + 3) & ~3;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = w;
    info.bmiHeader.biHeight = -h;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = static_cast<WORD>(bytesPerPixel * 8);
    info.bmiHeader.biCompression = BI_RGB;
    std::vector<uint8_t> source(static_cast<size_t>(stride) * static_cast<size_t>(h));
    HDC screen = GetDC(nullptr);
    const int lines = GetDIBits(screen, loaded.get(), 0, static_cast<UINT>(h), source.data(), &info, DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);
    if (lines != h)
        return false;

    // kind -> how its strip is made from the loaded pixels.
    auto strip = [&](int kind) {
        void* bits = nullptr;
        HBITMAP work = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        if (work == nullptr)
            return work;
        auto* pixels = static_cast<uint8_t*>(bits);
        std::copy(source.begin(), source.end(), pixels);
        if (kind == kDisabledImages)
            toolbar::MakeGrey(pixels, w, h, stride, bytesPerPixel, !alpha);
        else if (kind != kNormalImages)
            toolbar::MakeDarkened(pixels, w, h, stride, bytesPerPixel, !alpha);
        return work;
    };
    return AddStrips(strip, pressedTarget, !alpha);
}

// --- ImageToolBar ------------------------------------------------------------------------------------------

BEGIN_MESSAGE_MAP(ImageToolBar, CToolBar)
ON_WM_LBUTTONDOWN()
ON_WM_LBUTTONUP()
ON_WM_MOUSEMOVE()
ON_WM_MOUSELEAVE()
ON_WM_SYSCOLORCHANGE()
ON_MESSAGE(WM_THEMECHANGED, OnThemeChanged)
END_MESSAGE_MAP()

ImageToolBar::ImageToolBar() {
    OSVERSIONINFOA version{};
    version.dwOSVersionInfoSize = sizeof(version);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    newShell = GetVersionExA(&version) && version.dwMajorVersion > 5;
#pragma GCC diagnostic pop
}

bool ImageToolBar::LoadToolBar(UINT resourceId, bool fullColor) {
    HMODULE module = GetModuleHandleA(nullptr);
    HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(resourceId), MAKEINTRESOURCEA(RT_TOOLBAR_TYPE));
    HGLOBAL loaded = found != nullptr ? LoadResource(module, found) : nullptr;
    const void* data = loaded != nullptr ? LockResource(loaded) : nullptr;
    if (data == nullptr)
        return false;
    const auto layout = toolbar::ParseToolBarLayout(static_cast<const uint8_t*>(data), SizeofResource(module, found));
    if (!layout || !SetButtons(std::vector<UINT>(layout->ids.begin(), layout->ids.end())))
        return false;
    imageWidth = layout->width;
    imageHeight = layout->height;
    itemCount = static_cast<int>(layout->ids.size());
    pictureCount = layout->PictureCount();
    toolBarId = resourceId;
    this->fullColor = fullColor;
    SetSizes(SIZE{imageWidth + 8, imageHeight + 7}, SIZE{imageWidth, imageHeight});
    return LoadImages();
}

// Builds a fresh image set (PNG first, then the bitmap), hands its lists to the control and only then lets
// the old set go, so the control never draws from a destroyed list.
bool ImageToolBar::LoadImages() {
    RestorePressedPicture();
    const int target = newShell ? kNormalImages : kHotImages;
    ToolBarImageSet fresh;
    bool loaded = fresh.Create(imageWidth, imageHeight, fullColor, pictureCount) &&
                  fresh.LoadFromPng(IDR_TOOLBAR_PNG, GetParent(hwnd), target);
    if (!loaded)
        loaded =
            fresh.Create(imageWidth, imageHeight, fullColor, pictureCount) && fresh.LoadFromBitmap(toolBarId, target);
    if (!loaded)
        return false;
    SendMessage(TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(fresh.GetImageList(kNormalImages)));
    SendMessage(TB_SETHOTIMAGELIST, 0, reinterpret_cast<LPARAM>(fresh.GetImageList(kHotImages)));
    SendMessage(TB_SETDISABLEDIMAGELIST, 0, reinterpret_cast<LPARAM>(fresh.GetImageList(kDisabledImages)));
    imageSet.Swap(fresh);
    if (newShell)
        EvaluateThemed();
    return true;
}

void ImageToolBar::EvaluateThemed() {
    ToolbarTheme theme;
    themed = theme.IsOpen();
}

int ImageToolBar::PictureIndexAt(CPoint point) const {
    std::vector<toolbar::ItemRect> items;
    const int count = GetButtonCount();
    for (int i = 0; i < count; ++i) {
        RECT rect{};
        SendMessage(TB_GETITEMRECT, i, reinterpret_cast<LPARAM>(&rect));
        items.push_back({rect.left, rect.top, rect.right, rect.bottom});
    }
    return toolbar::PictureIndexAt(items, point.x, point.y);
}

// The swap target holds its own pictures, then the pressed pictures, then a copy of its own pictures, so
// showing and taking back a pressed picture are copies inside one list.
void ImageToolBar::SetPressedPicture(bool pressed) {
    HIMAGELIST target = imageSet.GetImageList(newShell ? kNormalImages : kHotImages);
    if (target != nullptr && pressedIndex >= 0 && pressedIndex < pictureCount)
        ImageList_Copy(target, pressedIndex, target, pressedIndex + (pressed ? 1 : 2) * pictureCount, ILCF_MOVE);
}

void ImageToolBar::RestorePressedPicture() {
    if (pressedIndex < 0)
        return;
    SetPressedPicture(false);
    pressedIndex = -1;
    ::InvalidateRect(hwnd, nullptr, FALSE);
}

void ImageToolBar::OnLButtonDown(UINT flags, CPoint point) {
    RestorePressedPicture();
    pressedIndex = PictureIndexAt(point);
    SetPressedPicture(true);
    Default();
}

void ImageToolBar::OnLButtonUp(UINT flags, CPoint point) {
    RestorePressedPicture();
    Default();
}

void ImageToolBar::OnMouseMove(UINT flags, CPoint point) {
    // A pressed button that the pointer leaves no longer looks pressed; the control keeps its capture so
    // that coming back and releasing still clicks.
    if (newShell && themed && pressedIndex >= 0 && PictureIndexAt(point) != pressedIndex)
        RestorePressedPicture();
    Default();
}

void ImageToolBar::OnMouseLeave() {
    if (newShell && themed)
        RestorePressedPicture();
    Default();
}

void ImageToolBar::OnSysColorChange() {
    Default();
    if (imageWidth > 0)
        LoadImages();
    ::InvalidateRect(hwnd, nullptr, TRUE);
}

LRESULT ImageToolBar::OnThemeChanged(WPARAM, LPARAM) {
    const LRESULT result = Default();
    if (imageWidth > 0)
        LoadImages();
    ::InvalidateRect(hwnd, nullptr, TRUE);
    return result;
}
