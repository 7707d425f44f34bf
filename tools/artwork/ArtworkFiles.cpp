#include "ArtworkFiles.h"

#include <png.h>

#include <cstdio>
#include <memory>
#include <stdexcept>

namespace artwork {

namespace {

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

File openForWriting(const std::string& path)
{
    File f(std::fopen(path.c_str(), "wb"));
    if (!f) throw std::runtime_error("cannot open " + path + " for writing");
    return f;
}

// libpng reports errors through longjmp; this function holds no object with
// a destructor between setjmp and the calls that may jump.
bool writePngRows(std::FILE* f, int width, int height, int colourType, png_bytepp rows)
{
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    if (!png) return false;
    png_infop info = png_create_info_struct(png);
    if (!info) {
        png_destroy_write_struct(&png, nullptr);
        return false;
    }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_init_io(png, f);
    png_set_compression_level(png, 9);
    png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8, colourType,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    png_write_image(png, rows);
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}

void writePng(const std::string& path, const ArtworkFiles::Rgba& image, bool alpha)
{
    const int channels = alpha ? 4 : 3;
    std::vector<std::uint8_t> packed(static_cast<size_t>(image.width) * image.height * channels);
    for (size_t i = 0, n = static_cast<size_t>(image.width) * image.height; i < n; ++i) {
        for (int c = 0; c < channels; ++c) packed[i * channels + c] = image.pixels[i * 4 + c];
    }
    std::vector<png_bytep> rows(image.height);
    for (int y = 0; y < image.height; ++y) rows[y] = packed.data() + static_cast<size_t>(y) * image.width * channels;
    File f = openForWriting(path);
    if (!writePngRows(f.get(), image.width, image.height, alpha ? PNG_COLOR_TYPE_RGBA : PNG_COLOR_TYPE_RGB,
                      rows.data())) {
        throw std::runtime_error("libpng failed to write " + path);
    }
    if (std::fflush(f.get()) != 0) throw std::runtime_error("cannot write " + path);
}

void put16(std::vector<std::uint8_t>& out, unsigned v)
{
    out.push_back(static_cast<std::uint8_t>(v & 0xFF));
    out.push_back(static_cast<std::uint8_t>((v >> 8) & 0xFF));
}

void put32(std::vector<std::uint8_t>& out, std::uint32_t v)
{
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}

} // namespace

ArtworkFiles::Rgba ArtworkFiles::fromSurface(cairo_surface_t* surface)
{
    cairo_surface_flush(surface);
    Rgba out;
    out.width = cairo_image_surface_get_width(surface);
    out.height = cairo_image_surface_get_height(surface);
    const int stride = cairo_image_surface_get_stride(surface);
    const unsigned char* data = cairo_image_surface_get_data(surface);
    out.pixels.resize(static_cast<size_t>(out.width) * out.height * 4);
    for (int y = 0; y < out.height; ++y) {
        const auto* row = reinterpret_cast<const std::uint32_t*>(data + static_cast<size_t>(y) * stride);
        for (int x = 0; x < out.width; ++x) {
            const std::uint32_t p = row[x];
            const unsigned a = p >> 24;
            unsigned r = (p >> 16) & 0xFF, g = (p >> 8) & 0xFF, b = p & 0xFF;
            if (a != 0 && a != 255) {
                r = (r * 255 + a / 2) / a;
                g = (g * 255 + a / 2) / a;
                b = (b * 255 + a / 2) / a;
            }
            std::uint8_t* o = &out.pixels[(static_cast<size_t>(y) * out.width + x) * 4];
            o[0] = static_cast<std::uint8_t>(r > 255 ? 255 : r);
            o[1] = static_cast<std::uint8_t>(g > 255 ? 255 : g);
            o[2] = static_cast<std::uint8_t>(b > 255 ? 255 : b);
            o[3] = static_cast<std::uint8_t>(a);
            if (a == 0) o[0] = o[1] = o[2] = 0;
        }
    }
    return out;
}

void ArtworkFiles::writeRgbaPng(const std::string& path, const Rgba& image) { writePng(path, image, true); }

void ArtworkFiles::writeRgbPng(const std::string& path, const Rgba& image) { writePng(path, image, false); }

void ArtworkFiles::writeIcon(const std::string& path, const Rgba& image)
{
    const int w = image.width, h = image.height;
    const std::uint32_t maskStride = static_cast<std::uint32_t>(((w + 31) / 32) * 4);
    const std::uint32_t xorBytes = static_cast<std::uint32_t>(w * h * 4);
    const std::uint32_t imageBytes = 40 + xorBytes + maskStride * h;

    std::vector<std::uint8_t> out;
    // ICONDIR: reserved, type 1 (icon), one entry.
    put16(out, 0);
    put16(out, 1);
    put16(out, 1);
    // ICONDIRENTRY: a width or height of 256 would be written as 0.
    out.push_back(static_cast<std::uint8_t>(w & 0xFF));
    out.push_back(static_cast<std::uint8_t>(h & 0xFF));
    out.push_back(0); // colour count: not palettised
    out.push_back(0); // reserved
    put16(out, 1);    // planes
    put16(out, 32);   // bits per pixel
    put32(out, imageBytes);
    put32(out, 6 + 16);
    // BITMAPINFOHEADER: the height counts the XOR and the AND halves.
    put32(out, 40);
    put32(out, static_cast<std::uint32_t>(w));
    put32(out, static_cast<std::uint32_t>(h * 2));
    put16(out, 1);
    put16(out, 32);
    put32(out, 0); // BI_RGB
    put32(out, xorBytes + maskStride * h);
    put32(out, 0);
    put32(out, 0);
    put32(out, 0);
    put32(out, 0);
    // XOR image: bottom-up rows of blue, green, red, alpha.
    for (int y = h - 1; y >= 0; --y) {
        for (int x = 0; x < w; ++x) {
            const std::uint8_t* p = &image.pixels[(static_cast<size_t>(y) * w + x) * 4];
            out.push_back(p[2]);
            out.push_back(p[1]);
            out.push_back(p[0]);
            out.push_back(p[3]);
        }
    }
    // AND mask: bottom-up, most significant bit first.
    for (int y = h - 1; y >= 0; --y) {
        std::vector<std::uint8_t> row(maskStride, 0);
        for (int x = 0; x < w; ++x) {
            if (image.pixels[(static_cast<size_t>(y) * w + x) * 4 + 3] == 0) row[x / 8] |= 0x80 >> (x % 8);
        }
        out.insert(out.end(), row.begin(), row.end());
    }
    File f = openForWriting(path);
    if (std::fwrite(out.data(), 1, out.size(), f.get()) != out.size() || std::fflush(f.get()) != 0) {
        throw std::runtime_error("cannot write " + path);
    }
}

} // namespace artwork
