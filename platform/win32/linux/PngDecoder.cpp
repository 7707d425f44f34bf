#include "win32/PngDecoder.h"

#include <png.h>

#include <cstdio>
#include <cstring>

namespace quarrow {

namespace {

struct Reader {
    const BYTE* bytes;
    size_t size;
    size_t pos;
};

struct Failure {
    char message[256];
};

void readBytes(png_structp png, png_bytep out, png_size_t count)
{
    auto* r = static_cast<Reader*>(png_get_io_ptr(png));
    if (count > r->size - r->pos) png_error(png, "the file ends early (truncated)");
    std::memcpy(out, r->bytes + r->pos, count);
    r->pos += count;
}

void onError(png_structp png, png_const_charp message)
{
    auto* f = static_cast<Failure*>(png_get_error_ptr(png));
    std::snprintf(f->message, sizeof f->message, "%s", message);
    png_longjmp(png, 1);
}

void onWarning(png_structp, png_const_charp) {}

// Everything libpng may jump out of runs here. The objects with
// destructors (the output image and the row table) belong to the caller,
// so a jump back to the setjmp below skips no destructor.
bool run(png_structp png, png_infop info, DecodedImage& out, std::vector<png_bytep>& rows)
{
    if (setjmp(png_jmpbuf(png))) return false;

    png_set_user_limits(png, PngDecoder::kMaxDimension, PngDecoder::kMaxDimension);
    png_read_info(png, info);
    const png_uint_32 width = png_get_image_width(png, info);
    const png_uint_32 height = png_get_image_height(png, info);
    const int colourType = png_get_color_type(png, info);
    const int bitDepth = png_get_bit_depth(png, info);
    const bool transparentColour = png_get_valid(png, info, PNG_INFO_tRNS) != 0;

    out.hasAlpha = (colourType & PNG_COLOR_MASK_ALPHA) != 0 || transparentColour;
    if (colourType == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(png);
    if (colourType == PNG_COLOR_TYPE_GRAY && bitDepth < 8) png_set_expand_gray_1_2_4_to_8(png);
    if (transparentColour) png_set_tRNS_to_alpha(png);
    if (bitDepth == 16) png_set_strip_16(png);
    if (colourType == PNG_COLOR_TYPE_GRAY || colourType == PNG_COLOR_TYPE_GRAY_ALPHA) png_set_gray_to_rgb(png);
    png_set_bgr(png);
    if (!out.hasAlpha) png_set_filler(png, 0xFF, PNG_FILLER_AFTER);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    if (png_get_rowbytes(png, info) != static_cast<size_t>(width) * 4) png_error(png, "unexpected row layout");

    out.width = static_cast<int>(width);
    out.height = static_cast<int>(height);
    out.bgra.resize(static_cast<size_t>(width) * height * 4);
    rows.resize(height);
    for (png_uint_32 y = 0; y < height; ++y) rows[y] = out.bgra.data() + static_cast<size_t>(y) * width * 4;
    png_read_image(png, rows.data());
    png_read_end(png, nullptr);
    return true;
}

} // namespace

bool PngDecoder::hasSignature(const BYTE* bytes, size_t size)
{
    return bytes != nullptr && size >= 8 && png_sig_cmp(bytes, 0, 8) == 0;
}

std::optional<DecodedImage> PngDecoder::decode(const BYTE* bytes, size_t size, std::string& error)
{
    if (!hasSignature(bytes, size)) {
        error = "not a PNG file (no PNG signature)";
        return std::nullopt;
    }
    Failure failure{};
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &failure, onError, onWarning);
    if (png == nullptr) {
        error = "libpng could not start";
        return std::nullopt;
    }
    png_infop info = png_create_info_struct(png);
    if (info == nullptr) {
        png_destroy_read_struct(&png, nullptr, nullptr);
        error = "libpng could not start";
        return std::nullopt;
    }
    Reader reader{bytes, size, 0};
    png_set_read_fn(png, &reader, readBytes);

    DecodedImage out;
    std::vector<png_bytep> rows;
    const bool ok = run(png, info, out, rows);
    png_destroy_read_struct(&png, &info, nullptr);
    if (!ok) {
        error = std::string("PNG decoding failed: ") + failure.message;
        return std::nullopt;
    }
    error.clear();
    return out;
}

} // namespace quarrow
