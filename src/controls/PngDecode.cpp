// PNG decoding for the toolbar pictures with libpng (see DecodePng in ToolbarImages.h).
//
// libpng reports errors by jumping back to a setjmp point. The jump must not skip any C++ destructor, so
// the function that sets the jump point keeps its state in a record owned by its caller and holds no
// object with a destructor itself; the read callback holds none either. Errors and warnings are silent:
// the caller falls back to the bitmap strip.
#include "ToolbarImages.h"

#include <png.h>

#include <csetjmp>
#include <cstring>
#include <new>

namespace toolbar {

namespace {

struct MemoryReader {
    const uint8_t* data;
    size_t size;
    size_t offset;
};

void ReadFromMemory(png_structp png, png_bytep out, size_t length) {
    auto* reader = static_cast<MemoryReader*>(png_get_io_ptr(png));
    // A stream that ends early is damage like any other: libpng's own error path ends the decode.
    if (reader->size - reader->offset < length)
        png_error(png, "truncated");
    std::memcpy(out, reader->data + reader->offset, length);
    reader->offset += length;
}

[[noreturn]] void JumpOnError(png_structp png, png_const_charp) { png_longjmp(png, 1); }
void IgnoreWarning(png_structp, png_const_charp) {}

struct DecodeState {
    png_structp png = nullptr;
    png_infop info = nullptr;
    MemoryReader reader{};
    std::optional<PngImage> image;
};

// Everything that can end in a libpng error happens here, between setjmp and return.
bool ReadImage(DecodeState* state) {
    png_structp png = state->png;
    png_infop info = state->info;
    if (setjmp(png_jmpbuf(png)))
        return false;
    png_set_read_fn(png, &state->reader, ReadFromMemory);
    png_set_user_limits(png, kMaxPngSide, kMaxPngSide);
    // A reader only warns about "benign" errors by default, and one of them is a chunk longer than the
    // chunk size limit: after the warning it allocates whatever length the chunk states (up to 2 GB).
    // Here every error ends the decode.
    png_set_benign_errors(png, 0);
    png_read_info(png, info);
    png_set_expand(png);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    const png_uint_32 width = png_get_image_width(png, info);
    const png_uint_32 height = png_get_image_height(png, info);
    if (png_get_bit_depth(png, info) != 8 || png_get_channels(png, info) != 4 ||
        png_get_rowbytes(png, info) != static_cast<size_t>(width) * 4)
        return false;
    // Our rows, not the info structure's: the image owns them whatever happens to the decoder.
    state->image.emplace(static_cast<int>(width), static_cast<int>(height));
    png_read_image(png, state->image->rows.data());
    png_read_end(png, nullptr);
    return true;
}

} // namespace

std::optional<PngImage> DecodePng(const uint8_t* data, size_t size) {
    if (data == nullptr || size < 8 || png_sig_cmp(data, 0, 8) != 0)
        return std::nullopt;
    DecodeState state;
    state.reader = MemoryReader{data, size, 0};
    // libpng checks that it was built for the headers it is called with: pass its own version string.
    state.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, JumpOnError, IgnoreWarning);
    if (state.png == nullptr)
        return std::nullopt;
    state.info = png_create_info_struct(state.png);
    bool read = false;
    try {
        read = state.info != nullptr && ReadImage(&state);
    } catch (const std::bad_alloc&) {
        read = false;
    }
    png_destroy_read_struct(&state.png, state.info != nullptr ? &state.info : nullptr, nullptr);
    if (!read)
        return std::nullopt;
    return std::move(state.image);
}

} // namespace toolbar
