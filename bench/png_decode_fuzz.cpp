// Fuzz target of the toolbar's PNG decoding and what the toolbar then does with a decoded strip (run by
// tools/fuzz.sh, not by CTest): the three prepared variants and the composite over a 24-bit strip. The
// input is the PNG file. Most changes to a PNG break a chunk checksum, which ends the decode at once, so
// an input whose chunks do not all check is decoded twice: as it is, and with every checksum made right,
// which lets the changes reach the decoder's later steps.
#include "controls/ToolbarImages.h"

#include <zlib.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

void Require(bool condition) {
    if (!condition)
        std::abort();
}

uint32_t Big32(const uint8_t* at) {
    return uint32_t{at[0]} << 24 | uint32_t{at[1]} << 16 | uint32_t{at[2]} << 8 | uint32_t{at[3]};
}

// The input with the checksum of every whole chunk after the signature set right; false when all were.
bool RepairChecksums(std::vector<uint8_t>& png) {
    bool changed = false;
    size_t at = 8;
    while (png.size() >= at + 12) {
        const uint32_t length = Big32(png.data() + at);
        if (length > png.size() - at - 12)
            break;
        const uint8_t* typeAndData = png.data() + at + 4;
        const uint32_t crc = static_cast<uint32_t>(crc32(0, typeAndData, length + 4));
        uint8_t* stored = png.data() + at + 8 + length;
        if (Big32(stored) != crc) {
            const uint8_t bytes[4] = {static_cast<uint8_t>(crc >> 24), static_cast<uint8_t>(crc >> 16),
                                      static_cast<uint8_t>(crc >> 8), static_cast<uint8_t>(crc)};
            std::memcpy(stored, bytes, 4);
            changed = true;
        }
        at += 12 + length;
    }
    return changed;
}

// A decoded strip is whole; its prepared variants are pre-multiplied (no channel above the picture's own
// share), the disabled one grey; composited over the strip background, a see-through pixel keeps the
// background and an opaque one is exactly the picture's colour.
void CheckDecode(const uint8_t* data, size_t size) {
    std::optional<toolbar::PngImage> decoded = toolbar::DecodePng(data, size);
    if (!decoded)
        return;
    const toolbar::PngImage& image = *decoded;
    Require(image.width >= 1 && image.width <= toolbar::kMaxPngSide && image.height >= 1 &&
            image.height <= toolbar::kMaxPngSide);
    const size_t rowBytes = static_cast<size_t>(image.width) * 4;
    Require(image.pixels.size() == rowBytes * static_cast<size_t>(image.height) &&
            image.rows.size() == static_cast<size_t>(image.height));
    for (size_t y = 0; y < image.rows.size(); ++y)
        Require(image.rows[y] == image.pixels.data() + y * rowBytes);

    toolbar::PngImage normal = image;
    toolbar::PrepareVariant(normal, toolbar::PngVariant::Normal);
    toolbar::PngImage hot = image;
    toolbar::PrepareVariant(hot, toolbar::PngVariant::HotPressed);
    toolbar::PngImage disabled = image;
    toolbar::PrepareVariant(disabled, toolbar::PngVariant::Disabled);
    const int stride = (image.width * 3 + 3) & ~3;
    std::vector<uint8_t> strip(static_cast<size_t>(stride) * static_cast<size_t>(image.height), 0x5A);
    toolbar::CompositeOnto(normal, strip.data(), image.width, image.height, stride, 3);
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) {
            const uint8_t* source = image.Pixel(x, y);
            const uint8_t* n = normal.Pixel(x, y);
            const uint8_t* h = hot.Pixel(x, y);
            const uint8_t* d = disabled.Pixel(x, y);
            Require(n[3] == 255 - source[3] && h[3] == n[3] && d[3] == n[3]);
            for (int c = 0; c < 3; ++c)
                Require(n[c] <= source[3] && h[c] <= n[c]);
            Require(d[0] == d[1] && d[1] == d[2]);
            const uint8_t* bgr = strip.data() + static_cast<size_t>(y) * static_cast<size_t>(stride) + x * 3;
            if (source[3] == 0)
                Require(bgr[0] == 0x5A && bgr[1] == 0x5A && bgr[2] == 0x5A);
            if (source[3] == 255)
                Require(bgr[0] == source[2] && bgr[1] == source[1] && bgr[2] == source[0]);
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    CheckDecode(data, size);
    std::vector<uint8_t> repaired(data, data + size);
    if (RepairChecksums(repaired))
        CheckDecode(repaired.data(), repaired.size());
    return 0;
}
