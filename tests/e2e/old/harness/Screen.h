// What the user sees: pixels sampled from the screen and screenshots written as BMP files (the CTest runner turns
// them into PNG). Screen sampling shows the painted result, overlapping windows included, so tests bring the
// window to the front first.
#ifndef PELLORAN_E2E_SCREEN_H
#define PELLORAN_E2E_SCREEN_H

#include <windows.h>

#include <string>
#include <vector>

namespace e2e {

COLORREF ScreenPixel(POINT screenPoint);
COLORREF WindowPixel(HWND window, POINT clientPoint);
std::string DescribeColor(COLORREF color);

// The pixels of a rectangle, top row first; At takes the rectangle's own coordinates (screen coordinates for
// a capture of the screen).
struct Pixels {
    RECT rect{};
    std::vector<COLORREF> pixels;
    int Width() const { return rect.right - rect.left; }
    int Height() const { return rect.bottom - rect.top; }
    COLORREF At(int x, int y) const { return pixels[static_cast<size_t>(y - rect.top) * Width() + (x - rect.left)]; }
};
Pixels CapturePixels(const RECT& screenRect);

// Writes the screen area as a 24-bit bottom-up BMP.
void CaptureScreenRect(const RECT& screenRect, const std::string& path);
void CaptureWindow(HWND window, const std::string& path);

// Where tests leave screenshots: PELLORAN_E2E_SCREENSHOTS when set (the CTest runner points it into the native
// build tree), else a "screenshots" folder next to the driver. The folder is created on demand.
std::string ScreenshotDirectory();
std::string ScreenshotPath(const std::string& name); // name without extension; ".bmp" is added

} // namespace e2e

#endif
