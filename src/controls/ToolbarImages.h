// The toolbar's pictures as plain pixels: decoding the PNG strip, preparing its normal, hot/pressed and
// disabled variants, compositing a prepared strip over a painted background, the grey and darkened
// variants of the bitmap fallback, the toolbar layout resource and which picture a point hits.
//
// No windows.h here: the Win32 side (ImageToolBar) paints the backgrounds and feeds the image lists; the
// rules live here so they are tested natively, under the sanitizers, with the real resource.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace toolbar {

// A decoded picture strip: `height` rows of `width` x 4 bytes (R, G, B, A). The rows are one block owned
// by the image; `rows` points into it (the decoder writes through them).
struct PngImage {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> pixels;
    std::vector<uint8_t*> rows;

    PngImage() = default;
    PngImage(int width, int height);
    PngImage(const PngImage& other);
    PngImage& operator=(const PngImage& other);
    PngImage(PngImage&&) = default;
    PngImage& operator=(PngImage&&) = default;

    uint8_t* Pixel(int x, int y) { return rows[static_cast<size_t>(y)] + static_cast<size_t>(x) * 4; }
    const uint8_t* Pixel(int x, int y) const { return rows[static_cast<size_t>(y)] + static_cast<size_t>(x) * 4; }
};

// Decodes a PNG held in memory to 8-bit RGBA. Palette, grey and low bit depths are expanded; an image
// that still does not come out at 32 bits per pixel (no alpha channel, 16-bit samples) gives nothing, as
// does any damage: a short or corrupt stream is reported by the decoder and ends here, never in the
// process; so do the errors libpng calls benign, such as a chunk longer than its chunk size limit.
// Pictures larger than kMaxPngSide on a side are refused.
inline constexpr int kMaxPngSide = 4096;
std::optional<PngImage> DecodePng(const uint8_t* data, size_t size);

// The three ways a picture is prepared for compositing. After preparing, colour channels are
// pre-multiplied by alpha and the alpha byte holds the background's share (255 - alpha).
enum class PngVariant { Normal = 0, HotPressed = 1, Disabled = 2 };
void PrepareVariant(PngImage& image, PngVariant variant);

// Composites a prepared image (top row first) over a background of `width` x `height` pixels in B, G, R
// order (`bytesPerPixel` 3 or 4, rows `stride` bytes apart, top row first). Only the area both cover is
// touched. A fully transparent pixel leaves the background as it is; every channel saturates at 255.
void CompositeOnto(const PngImage& image, uint8_t* background, int width, int height, int stride, int bytesPerPixel);

// One background channel under one prepared pixel channel (exposed for the edge tests).
inline uint8_t BlendChannel(uint8_t prepared, uint8_t background, uint8_t backgroundShare) {
    const unsigned value = prepared + background * static_cast<unsigned>(backgroundShare) / 255u;
    return static_cast<uint8_t>(value > 255u ? 255u : value);
}

// Fallback variants of the bitmap strip, computed in place over pixels in B, G, R(, A) order. With
// keepMagenta (24-bit strips) pure magenta, the transparent colour, stays magenta.
void MakeGrey(uint8_t* pixels, int width, int height, int stride, int bytesPerPixel, bool keepMagenta);
void MakeDarkened(uint8_t* pixels, int width, int height, int stride, int bytesPerPixel, bool keepMagenta);

// The toolbar layout resource: version 1, picture width and height, item count, then the command id of
// each item (0 for a separator), all 16-bit little-endian.
struct ToolBarLayout {
    int width = 0;
    int height = 0;
    std::vector<unsigned> ids;
    int PictureCount() const;
};
std::optional<ToolBarLayout> ParseToolBarLayout(const uint8_t* data, size_t size);

// Item rectangles of a toolbar, left to right, in its client coordinates.
struct ItemRect {
    int left, top, right, bottom;
};
// Separators are narrower than this; buttons are at least as wide.
inline constexpr int kMinButtonWidth = 32;
// The picture index of the first button whose rectangle holds the point, or -1. Only items at least
// kMinButtonWidth wide count as pictures; a point left of the toolbar hits nothing.
int PictureIndexAt(const std::vector<ItemRect>& items, int x, int y);

} // namespace toolbar
