// Load time of the toolbar pictures, natively: decoding the program's PNG strip and preparing and
// compositing the four strips the image lists are filled from (normal, hot, disabled, pressed). The
// Windows side (image lists, theme backgrounds) is timed under Wine by ToolbarLoad_winbench.cpp.
#include "controls/ToolbarImages.h"

#include <benchmark/benchmark.h>

#include <fstream>
#include <iterator>
#include <vector>

namespace {

std::vector<uint8_t> StripPng() {
    std::ifstream in(PELLORAN_SOURCE_DIR "/res/images/toolbar.png", std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void BM_DecodeStrip(benchmark::State& state) {
    const std::vector<uint8_t> png = StripPng();
    for (auto _ : state)
        benchmark::DoNotOptimize(toolbar::DecodePng(png.data(), png.size()));
}
BENCHMARK(BM_DecodeStrip)->Unit(benchmark::kMicrosecond);

// Decode once, three prepared variants, four composited 24-bit strips over a button-face background.
void BM_DecodeAndFourStrips(benchmark::State& state) {
    const std::vector<uint8_t> png = StripPng();
    for (auto _ : state) {
        auto decoded = toolbar::DecodePng(png.data(), png.size());
        const int stride = (decoded->width * 3 + 3) & ~3;
        toolbar::PngImage normal = *decoded, hot = *decoded;
        toolbar::PrepareVariant(normal, toolbar::PngVariant::Normal);
        toolbar::PrepareVariant(hot, toolbar::PngVariant::HotPressed);
        toolbar::PrepareVariant(*decoded, toolbar::PngVariant::Disabled);
        for (const toolbar::PngImage* image : {&normal, &hot, &*decoded, &hot}) {
            std::vector<uint8_t> strip(static_cast<size_t>(stride) * decoded->height, 0xF0);
            toolbar::CompositeOnto(*image, strip.data(), decoded->width, decoded->height, stride, 3);
            benchmark::DoNotOptimize(strip.data());
        }
    }
}
BENCHMARK(BM_DecodeAndFourStrips)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
