// Toolbar pictures: the variant and blend rules at their edges, the bitmap fallback's grey and darkened
// pixels, decoding the program's real PNG strip, and damaged PNGs (every truncation, bit flips, wrong
// pixel formats) ending in "no image" so the caller falls back to the bitmap.
#include "controls/ToolbarImages.h"

#include <png.h>
#include <zlib.h>

#include <gtest/gtest.h>

#include <array>
#include <fstream>
#include <iterator>
#include <string>

using namespace toolbar;

namespace {

using Rgba = std::array<int, 4>;

std::vector<uint8_t> ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

const std::vector<uint8_t>& StripPng() {
    static const std::vector<uint8_t> bytes = ReadFile(PELLORAN_SOURCE_DIR "/res/images/toolbar.png");
    return bytes;
}

Rgba Prepared(Rgba in, PngVariant variant) {
    PngImage image(1, 1);
    for (int c = 0; c < 4; ++c)
        image.Pixel(0, 0)[c] = static_cast<uint8_t>(in[c]);
    PrepareVariant(image, variant);
    const uint8_t* p = image.Pixel(0, 0);
    return {p[0], p[1], p[2], p[3]};
}

// The B, G, R a background pixel ends as under one picture pixel of the variant.
std::array<int, 3> Composited(Rgba in, PngVariant variant, std::array<uint8_t, 3> bgr) {
    PngImage image(1, 1);
    for (int c = 0; c < 4; ++c)
        image.Pixel(0, 0)[c] = static_cast<uint8_t>(in[c]);
    PrepareVariant(image, variant);
    CompositeOnto(image, bgr.data(), 1, 1, 4, 3);
    return {bgr[0], bgr[1], bgr[2]};
}

std::vector<uint8_t> WritePng(int format, int width, int height, const std::vector<uint8_t>& pixels) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(width);
    image.height = static_cast<png_uint_32>(height);
    image.format = static_cast<png_uint_32>(format);
    png_alloc_size_t size = 0;
    EXPECT_TRUE(png_image_write_to_memory(&image, nullptr, &size, 0, pixels.data(), 0, nullptr));
    std::vector<uint8_t> out(size);
    EXPECT_TRUE(png_image_write_to_memory(&image, out.data(), &size, 0, pixels.data(), 0, nullptr));
    out.resize(size);
    return out;
}

} // namespace

TEST(ToolbarVariants, EdgesOfEachVariant) {
    struct Case {
        Rgba in;
        PngVariant variant;
        Rgba out;
    };
    const Case cases[] = {
        // Normal: pre-multiplied, alpha stored inverted.
        {{255, 255, 255, 255}, PngVariant::Normal, {255, 255, 255, 0}},
        {{255, 255, 255, 0}, PngVariant::Normal, {0, 0, 0, 255}},
        {{0, 0, 0, 255}, PngVariant::Normal, {0, 0, 0, 0}},
        {{200, 100, 50, 128}, PngVariant::Normal, {100, 50, 25, 127}},
        // Hot and pressed: 15 darker, never below 0 (16 is the first value that stays above 0).
        {{255, 255, 255, 255}, PngVariant::HotPressed, {240, 240, 240, 0}},
        {{16, 15, 0, 255}, PngVariant::HotPressed, {1, 0, 0, 0}},
        {{255, 255, 255, 0}, PngVariant::HotPressed, {0, 0, 0, 255}},
        // Disabled: weighted grey times 1.2, saturated at 255.
        {{255, 255, 255, 255}, PngVariant::Disabled, {255, 255, 255, 0}},
        {{0, 0, 0, 255}, PngVariant::Disabled, {0, 0, 0, 0}},
        {{255, 0, 0, 255}, PngVariant::Disabled, {91, 91, 91, 0}},
        {{0, 255, 0, 255}, PngVariant::Disabled, {179, 179, 179, 0}},
        {{0, 0, 255, 255}, PngVariant::Disabled, {34, 34, 34, 0}},
        {{255, 255, 255, 0}, PngVariant::Disabled, {0, 0, 0, 255}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Prepared(c.in, c.variant), c.out) << c.in[0] << "," << c.in[1] << "," << c.in[2] << "," << c.in[3]
                                                    << " variant " << static_cast<int>(c.variant);
}

TEST(ToolbarVariants, TransparentKeepsTheBackgroundOpaqueReplacesItHalfSaturates) {
    for (PngVariant variant : {PngVariant::Normal, PngVariant::HotPressed, PngVariant::Disabled}) {
        for (std::array<uint8_t, 3> background : {std::array<uint8_t, 3>{255, 255, 255}, {0, 0, 0}, {216, 233, 236}}) {
            EXPECT_EQ(Composited({255, 255, 255, 0}, variant, background),
                      (std::array<int, 3>{background[0], background[1], background[2]}))
                << "variant " << static_cast<int>(variant);
        }
    }
    EXPECT_EQ(Composited({10, 20, 30, 255}, PngVariant::Normal, {255, 255, 255}), (std::array<int, 3>{30, 20, 10}));
    EXPECT_EQ(Composited({10, 20, 30, 255}, PngVariant::HotPressed, {255, 255, 255}), (std::array<int, 3>{15, 5, 0}));
    // A bright half-transparent disabled pixel (grey above its alpha) over white: saturates, no wrap.
    EXPECT_EQ(Composited({255, 255, 255, 200}, PngVariant::Disabled, {255, 255, 255}),
              (std::array<int, 3>{255, 255, 255}));
    EXPECT_EQ(BlendChannel(0, 255, 255), 255);
    EXPECT_EQ(BlendChannel(200, 200, 128), 255);
}

TEST(ToolbarFallback, GreyAndDarkenedPixelsKeepMagentaOnlyWhenAsked) {
    struct Case {
        std::array<uint8_t, 3> bgr;
        bool keepMagenta;
        std::array<int, 3> grey, dark;
    };
    const Case cases[] = {
        {{255, 255, 255}, true, {255, 255, 255}, {255, 255, 255}},
        {{0, 0, 0}, true, {0, 0, 0}, {0, 0, 0}},
        {{255, 0, 255}, true, {255, 0, 255}, {255, 0, 255}},
        {{255, 0, 255}, false, {163, 163, 163}, {255, 0, 255}},
        {{0, 0, 255}, true, {139, 139, 139}, {0, 0, 255}},
        {{128, 128, 128}, true, {180, 180, 180}, {97, 97, 97}},
    };
    for (const Case& c : cases) {
        std::array<uint8_t, 3> grey = c.bgr, dark = c.bgr;
        MakeGrey(grey.data(), 1, 1, 4, 3, c.keepMagenta);
        MakeDarkened(dark.data(), 1, 1, 4, 3, c.keepMagenta);
        EXPECT_EQ((std::array<int, 3>{grey[0], grey[1], grey[2]}), c.grey) << int(c.bgr[0]) << "," << int(c.bgr[1]);
        EXPECT_EQ((std::array<int, 3>{dark[0], dark[1], dark[2]}), c.dark) << int(c.bgr[0]) << "," << int(c.bgr[1]);
    }
    // 32-bit strips: alpha untouched, the stride honoured (the padding byte after the row stays).
    std::array<uint8_t, 9> row{200, 100, 50, 77, 10, 20, 30, 0, 0xEE};
    MakeGrey(row.data(), 2, 1, 8, 4, false);
    EXPECT_EQ(row[3], 77);
    EXPECT_EQ(row[0], row[2]);
    EXPECT_EQ(row[8], 0xEE);
}

TEST(ToolbarPng, TheProgramsStripDecodesToTenPicturesWithRealAlpha) {
    const auto image = DecodePng(StripPng().data(), StripPng().size());
    ASSERT_TRUE(image.has_value());
    EXPECT_EQ(image->width, 280);
    EXPECT_EQ(image->height, 28);
    ASSERT_EQ(image->rows.size(), 28u);
    EXPECT_EQ(image->rows[1] - image->rows[0], 280 * 4) << "32 bits per pixel";
    // Every picture has see-through and solid pixels.
    for (int picture = 0; picture < 10; ++picture) {
        int clear = 0, solid = 0;
        for (int y = 0; y < 28; ++y) {
            for (int x = picture * 28; x < picture * 28 + 28; ++x) {
                clear += image->Pixel(x, y)[3] == 0;
                solid += image->Pixel(x, y)[3] == 255;
            }
        }
        EXPECT_GT(clear, 28) << "picture " << picture;
        EXPECT_GT(solid, 28) << "picture " << picture;
    }
    // The fallback bitmap draws the same pictures: magenta where the PNG is fully transparent, the same
    // colour where it is opaque.
    const std::vector<uint8_t> bmp = ReadFile(PELLORAN_SOURCE_DIR "/res/images/mainframe.bmp");
    ASSERT_GE(bmp.size(), 54u + 28 * 840);
    const size_t offset = bmp[10] | bmp[11] << 8;
    int mismatches = 0;
    for (int y = 0; y < 28; ++y) {
        const uint8_t* row = bmp.data() + offset + static_cast<size_t>(27 - y) * 840; // bottom-up
        for (int x = 0; x < 280; ++x) {
            const uint8_t* png = image->Pixel(x, y);
            const uint8_t* b = row + x * 3;
            if (png[3] == 0)
                mismatches += !(b[0] == 255 && b[1] == 0 && b[2] == 255);
            else if (png[3] == 255)
                mismatches += !(b[0] == png[2] && b[1] == png[1] && b[2] == png[0]);
        }
    }
    EXPECT_EQ(mismatches, 0);
}

TEST(ToolbarPng, EveryTruncationAndBitFlipGivesNoImage) {
    const std::vector<uint8_t>& good = StripPng();
    ASSERT_GT(good.size(), 100u);
    for (size_t length = 0; length < good.size(); ++length)
        EXPECT_FALSE(DecodePng(good.data(), length).has_value()) << "truncated to " << length;
    for (size_t at = 0; at < good.size(); ++at) {
        std::vector<uint8_t> damaged = good;
        damaged[at] ^= static_cast<uint8_t>(1u << (at % 8));
        EXPECT_FALSE(DecodePng(damaged.data(), damaged.size()).has_value()) << "bit flipped at byte " << at;
    }
    EXPECT_FALSE(DecodePng(nullptr, 0).has_value());
}

TEST(ToolbarPng, OnlyPicturesThatExpandTo32BitsAreTaken) {
    const std::vector<uint8_t> rgba{1, 2, 3, 4, 5, 6, 7, 8};
    const auto withAlpha =
        DecodePng(WritePng(PNG_FORMAT_RGBA, 2, 1, rgba).data(), WritePng(PNG_FORMAT_RGBA, 2, 1, rgba).size());
    ASSERT_TRUE(withAlpha.has_value());
    EXPECT_EQ((std::vector<uint8_t>(withAlpha->pixels.begin(), withAlpha->pixels.end())), rgba);
    const std::vector<uint8_t> rgb = WritePng(PNG_FORMAT_RGB, 2, 1, {1, 2, 3, 4, 5, 6});
    EXPECT_FALSE(DecodePng(rgb.data(), rgb.size()).has_value());
    const std::vector<uint8_t> greyAlpha = WritePng(PNG_FORMAT_GA, 2, 1, {1, 2, 3, 4});
    EXPECT_FALSE(DecodePng(greyAlpha.data(), greyAlpha.size()).has_value());
}

// libpng only warns about a chunk longer than its 8,000,000-byte chunk limit and then allocates whatever
// the chunk states; the decoder makes that an error. The chunk here is a private one libpng skips.
TEST(ToolbarPng, AChunkOverLibpngsChunkLimitGivesNoImage) {
    const std::vector<uint8_t> rgba{1, 2, 3, 4, 5, 6, 7, 8};
    const std::vector<uint8_t> plain = WritePng(PNG_FORMAT_RGBA, 2, 1, rgba);
    for (const auto& [length, decodes] : {std::pair<uint32_t, bool>{8000000, true}, {8000001, false}}) {
        std::vector<uint8_t> chunk{
            uint8_t(length >> 24), uint8_t(length >> 16), uint8_t(length >> 8), uint8_t(length), 'p', 'r', 'I', 'v'};
        chunk.resize(8 + length, 0x33);
        const uint32_t crc = static_cast<uint32_t>(crc32(0, chunk.data() + 4, length + 4));
        chunk.insert(chunk.end(), {uint8_t(crc >> 24), uint8_t(crc >> 16), uint8_t(crc >> 8), uint8_t(crc)});
        std::vector<uint8_t> png = plain;
        png.insert(png.begin() + 33, chunk.begin(), chunk.end()); // after the signature and IHDR
        EXPECT_EQ(DecodePng(png.data(), png.size()).has_value(), decodes) << length;
    }
}

TEST(ToolbarLayout, ParsesTheLayoutAndRefusesShortOrForeignData) {
    const std::vector<uint8_t> good{1, 0, 28, 0, 27, 0, 3, 0, 0x03, 0xE1, 0, 0, 0x40, 0xE1};
    const auto layout = ParseToolBarLayout(good.data(), good.size());
    ASSERT_TRUE(layout.has_value());
    EXPECT_EQ(layout->width, 28);
    EXPECT_EQ(layout->height, 27);
    EXPECT_EQ(layout->ids, (std::vector<unsigned>{57603, 0, 57664}));
    EXPECT_EQ(layout->PictureCount(), 2);
    std::vector<uint8_t> wrongVersion = good;
    wrongVersion[0] = 2;
    std::vector<uint8_t> noWidth = good;
    noWidth[2] = 0;
    for (const auto& bad : {wrongVersion, noWidth, std::vector<uint8_t>(good.begin(), good.end() - 1),
                            std::vector<uint8_t>(good.begin(), good.begin() + 6)})
        EXPECT_FALSE(ParseToolBarLayout(bad.data(), bad.size()).has_value()) << bad.size();
}

TEST(ToolbarLayout, PictureUnderThePointCountsButtonsOnly) {
    // Two buttons, a separator, a button: 36 wide buttons, an 8 wide separator.
    const std::vector<ItemRect> items{{0, 0, 36, 35}, {36, 0, 72, 35}, {72, 0, 80, 35}, {80, 0, 116, 35}};
    const struct {
        int x, y, picture;
    } cases[] = {{0, 0, 0},    {35, 34, 0},   {36, 10, 1},  {75, 10, -1}, {80, 10, 2},
                 {115, 10, 2}, {116, 10, -1}, {10, 35, -1}, {-1, 10, -1}};
    for (const auto& c : cases)
        EXPECT_EQ(PictureIndexAt(items, c.x, c.y), c.picture) << c.x << "," << c.y;
}
