// Pixel rules of the toolbar pictures (see ToolbarImages.h). All integer maths truncates, as the
// pictures were tuned with it; the grey and darkened fallbacks work in double precision.
#include "ToolbarImages.h"

#include <algorithm>
#include <cmath>

namespace toolbar {

namespace {

// The usual luminance weights times 1.2 (the disabled pictures are lighter than a plain grey), over 255
// because each is applied to colour x alpha.
constexpr double kDisabledRed = 0.0014078431372549019;
constexpr double kDisabledGreen = 0.00276078431372549;
constexpr double kDisabledBlue = 0.0005372549019607843;
constexpr double kOneOver255 = 0.00392156862745098;
// Hot and pressed pictures are this much darker in every channel.
constexpr unsigned kHotDarkening = 15;

bool IsMagenta(const uint8_t* bgr) { return bgr[0] == 255 && bgr[1] == 0 && bgr[2] == 255; }

template <class Rule>
void ForEachPixel(uint8_t* pixels, int width, int height, int stride, int bytesPerPixel, bool keepMagenta, Rule rule) {
    for (int y = 0; y < height; ++y) {
        uint8_t* p = pixels + static_cast<ptrdiff_t>(y) * stride;
        for (int x = 0; x < width; ++x, p += bytesPerPixel) {
            if (!keepMagenta || !IsMagenta(p))
                rule(p);
        }
    }
}

} // namespace

PngImage::PngImage(int width, int height)
    : width(width), height(height), pixels(static_cast<size_t>(width) * static_cast<size_t>(height) * 4),
      rows(static_cast<size_t>(height)) {
    for (int y = 0; y < height; ++y)
        rows[static_cast<size_t>(y)] = pixels.data() + static_cast<size_t>(y) * static_cast<size_t>(width) * 4;
}

PngImage::PngImage(const PngImage& other) : PngImage(other.width, other.height) {
    for (int y = 0; y < height; ++y)
        std::copy_n(other.rows[static_cast<size_t>(y)], static_cast<size_t>(width) * 4, rows[static_cast<size_t>(y)]);
}

PngImage& PngImage::operator=(const PngImage& other) {
    if (this != &other)
        *this = PngImage(other);
    return *this;
}

void PrepareVariant(PngImage& image, PngVariant variant) {
    for (int y = 0; y < image.height; ++y) {
        uint8_t* p = image.rows[static_cast<size_t>(y)];
        for (int x = 0; x < image.width; ++x, p += 4) {
            const unsigned a = p[3];
            switch (variant) {
            case PngVariant::Normal:
                for (int c = 0; c < 3; ++c)
                    p[c] = static_cast<uint8_t>(p[c] * a / 255u);
                break;
            case PngVariant::HotPressed:
                for (int c = 0; c < 3; ++c) {
                    const unsigned v = p[c] * a / 255u;
                    p[c] = static_cast<uint8_t>(v > kHotDarkening ? v - kHotDarkening : 0);
                }
                break;
            case PngVariant::Disabled: {
                // Each product is truncated on its own before the sum.
                const unsigned grey = static_cast<unsigned>(kDisabledRed * (p[0] * a)) +
                                      static_cast<unsigned>(kDisabledGreen * (p[1] * a)) +
                                      static_cast<unsigned>(kDisabledBlue * (p[2] * a));
                p[0] = p[1] = p[2] = static_cast<uint8_t>(std::min(grey, 255u));
                break;
            }
            }
            p[3] = static_cast<uint8_t>(255u - a);
        }
    }
}

void CompositeOnto(const PngImage& image, uint8_t* background, int width, int height, int stride, int bytesPerPixel) {
    const int w = std::min(width, image.width);
    const int h = std::min(height, image.height);
    for (int y = 0; y < h; ++y) {
        const uint8_t* s = image.rows[static_cast<size_t>(y)];
        uint8_t* d = background + static_cast<ptrdiff_t>(y) * stride;
        for (int x = 0; x < w; ++x, s += 4, d += bytesPerPixel) {
            d[0] = BlendChannel(s[2], d[0], s[3]);
            d[1] = BlendChannel(s[1], d[1], s[3]);
            d[2] = BlendChannel(s[0], d[2], s[3]);
        }
    }
}

void MakeGrey(uint8_t* pixels, int width, int height, int stride, int bytesPerPixel, bool keepMagenta) {
    ForEachPixel(pixels, width, height, stride, bytesPerPixel, keepMagenta, [](uint8_t* p) {
        const double luminance = 0.299 * p[2] + 0.114 * p[0] + 0.587 * p[1];
        const double grey = std::sqrt(luminance * kOneOver255) * 255;
        p[0] = p[1] = p[2] = static_cast<uint8_t>(std::min(grey, 255.0));
    });
}

void MakeDarkened(uint8_t* pixels, int width, int height, int stride, int bytesPerPixel, bool keepMagenta) {
    ForEachPixel(pixels, width, height, stride, bytesPerPixel, keepMagenta, [](uint8_t* p) {
        for (int c = 0; c < 3; ++c)
            p[c] = static_cast<uint8_t>(std::min(std::pow(p[c] * kOneOver255, 1.4) * 255, 255.0));
    });
}

int ToolBarLayout::PictureCount() const {
    return static_cast<int>(std::count_if(ids.begin(), ids.end(), [](unsigned id) { return id != 0; }));
}

std::optional<ToolBarLayout> ParseToolBarLayout(const uint8_t* data, size_t size) {
    auto word = [&](size_t index) { return static_cast<unsigned>(data[index * 2] | (data[index * 2 + 1] << 8)); };
    if (data == nullptr || size < 8 || word(0) != 1)
        return std::nullopt;
    const size_t count = word(3);
    if (size < (4 + count) * 2)
        return std::nullopt;
    ToolBarLayout layout;
    layout.width = static_cast<int>(word(1));
    layout.height = static_cast<int>(word(2));
    if (layout.width == 0 || layout.height == 0)
        return std::nullopt;
    for (size_t i = 0; i < count; ++i)
        layout.ids.push_back(word(4 + i));
    return layout;
}

int PictureIndexAt(const std::vector<ItemRect>& items, int x, int y) {
    if (x < 0)
        return -1;
    int picture = 0;
    for (const ItemRect& item : items) {
        if (item.right - item.left < kMinButtonWidth)
            continue;
        if (x >= item.left && x < item.right && y >= item.top && y < item.bottom)
            return picture;
        ++picture;
    }
    return -1;
}

} // namespace toolbar
