// Screen sampling and screenshots of the end-to-end harness.
#include "Screen.h"
#include "Process.h"
#include "Wait.h"
#include "WindowInfo.h"

#include <cstdio>
#include <fstream>
#include <vector>

namespace e2e {

namespace {

class ScreenDc {
public:
    ScreenDc() : dc(GetDC(nullptr)) {
        if (!dc)
            FailWithLastError("GetDC(screen)");
    }
    ~ScreenDc() { ReleaseDC(nullptr, dc); }
    ScreenDc(const ScreenDc&) = delete;
    ScreenDc& operator=(const ScreenDc&) = delete;
    operator HDC() const { return dc; }

private:
    HDC dc;
};

} // namespace

COLORREF ScreenPixel(POINT screenPoint) {
    ScreenDc screen;
    const COLORREF color = GetPixel(screen, screenPoint.x, screenPoint.y);
    if (color == CLR_INVALID)
        Fail("GetPixel outside the screen at (" + std::to_string(screenPoint.x) + "," + std::to_string(screenPoint.y) +
             ")");
    return color;
}

COLORREF WindowPixel(HWND window, POINT clientPoint) { return ScreenPixel(ClientToScreenPoint(window, clientPoint)); }

std::string DescribeColor(COLORREF color) {
    char text[40];
    std::snprintf(text, sizeof text, "RGB(%u, %u, %u)", GetRValue(color), GetGValue(color), GetBValue(color));
    return text;
}

void CaptureScreenRect(const RECT& screenRect, const std::string& path) {
    const int width = Width(screenRect);
    const int height = Height(screenRect);
    if (width <= 0 || height <= 0)
        Fail("cannot capture an empty rectangle " + Describe(screenRect));

    ScreenDc screen;
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height; // bottom-up, as a BMP file stores it
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!memory || !bitmap) {
        const DWORD error = GetLastError();
        if (memory)
            DeleteDC(memory);
        FailWithCode("cannot create a capture bitmap", error);
    }
    HGDIOBJ old = SelectObject(memory, bitmap);
    const BOOL copied = BitBlt(memory, 0, 0, width, height, screen, screenRect.left, screenRect.top, SRCCOPY);
    const DWORD copyError = GetLastError();
    GdiFlush();
    const DWORD stride = (static_cast<DWORD>(width) * 3 + 3) & ~3u;
    const DWORD imageSize = stride * static_cast<DWORD>(height);
    std::vector<char> pixels(static_cast<const char*>(bits), static_cast<const char*>(bits) + imageSize);
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    if (!copied)
        FailWithCode("BitBlt from the screen", copyError);

    BITMAPFILEHEADER file{};
    file.bfType = 0x4D42; // "BM"
    file.bfOffBits = sizeof file + sizeof info.bmiHeader;
    file.bfSize = file.bfOffBits + imageSize;
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(&file), sizeof file);
    out.write(reinterpret_cast<const char*>(&info.bmiHeader), sizeof info.bmiHeader);
    out.write(pixels.data(), static_cast<std::streamsize>(pixels.size()));
    if (!out)
        Fail("cannot write " + path);
}

void CaptureWindow(HWND window, const std::string& path) { CaptureScreenRect(WindowRect(window), path); }

std::string ScreenshotDirectory() {
    std::string directory = GetEnv("PELLORAN_E2E_SCREENSHOTS").value_or(DriverDirectory() + "\\screenshots");
    if (!CreateDirectoryA(directory.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS)
        FailWithLastError("cannot create the screenshot folder " + directory);
    return directory;
}

std::string ScreenshotPath(const std::string& name) { return ScreenshotDirectory() + "\\" + name + ".bmp"; }

} // namespace e2e
