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

Pixels CapturePixels(const RECT& screenRect) {
    const int width = Width(screenRect);
    const int height = Height(screenRect);
    if (width <= 0 || height <= 0)
        Fail("cannot capture an empty rectangle " + Describe(screenRect));
    ScreenDc screen;
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0}; // top-down
    void* bits = nullptr;
    HBITMAP bitmap = memory ? CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0) : nullptr;
    if (!bitmap) {
        const DWORD error = GetLastError();
        if (memory)
            DeleteDC(memory);
        FailWithCode("cannot create a capture bitmap", error);
    }
    HGDIOBJ old = SelectObject(memory, bitmap);
    const BOOL copied = BitBlt(memory, 0, 0, width, height, screen, screenRect.left, screenRect.top, SRCCOPY);
    const DWORD copyError = GetLastError();
    GdiFlush();
    Pixels shot{screenRect, {}};
    for (int i = 0; i < width * height; ++i) {
        const BYTE* p = static_cast<const BYTE*>(bits) + static_cast<size_t>(i) * 4;
        shot.pixels.push_back(RGB(p[2], p[1], p[0]));
    }
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    if (!copied)
        FailWithCode("BitBlt from the screen", copyError);
    return shot;
}

void CaptureScreenRect(const RECT& screenRect, const std::string& path) {
    const Pixels shot = CapturePixels(screenRect);
    const int width = shot.Width(), height = shot.Height();
    const DWORD stride = (static_cast<DWORD>(width) * 3 + 3) & ~3u;
    std::vector<char> rows(static_cast<size_t>(stride) * height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) { // bottom-up rows of blue, green, red, as a BMP file stores them
            const COLORREF c = shot.pixels[static_cast<size_t>(y) * width + x];
            char* p = &rows[static_cast<size_t>(height - 1 - y) * stride + static_cast<size_t>(x) * 3];
            p[0] = static_cast<char>(GetBValue(c));
            p[1] = static_cast<char>(GetGValue(c));
            p[2] = static_cast<char>(GetRValue(c));
        }
    BITMAPINFOHEADER header{sizeof header, width, height, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
    BITMAPFILEHEADER file{};
    file.bfType = 0x4D42; // "BM"
    file.bfOffBits = sizeof file + sizeof header;
    file.bfSize = file.bfOffBits + static_cast<DWORD>(rows.size());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(&file), sizeof file);
    out.write(reinterpret_cast<const char*>(&header), sizeof header);
    out.write(rows.data(), static_cast<std::streamsize>(rows.size()));
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
