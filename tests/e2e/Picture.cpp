#include "Picture.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <png.h>

namespace quarrow::test {

namespace {

// A server error (a rectangle off the screen) must fail the grab, not end
// the test program.
int ignoreErrors(Display*, XErrorEvent*) { return 0; }

} // namespace

Picture Picture::fromPng(const std::string& path, std::string& error)
{
    Picture picture;
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str())) {
        error = "cannot read " + path + ": " + image.message;
        return picture;
    }
    image.format = PNG_FORMAT_RGBA;
    std::vector<Rgba> pixels(static_cast<size_t>(image.width) * image.height);
    if (!png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr)) {
        error = "cannot decode " + path + ": " + image.message;
        png_image_free(&image);
        return picture;
    }
    picture.m_width = static_cast<int>(image.width);
    picture.m_height = static_cast<int>(image.height);
    picture.m_pixels = std::move(pixels);
    return picture;
}

Picture Picture::fromScreen(Display* display, int x, int y, int width, int height, std::string& error)
{
    Picture picture;
    XErrorHandler old = XSetErrorHandler(ignoreErrors);
    XImage* image = XGetImage(display, DefaultRootWindow(display), x, y, static_cast<unsigned>(width),
                              static_cast<unsigned>(height), AllPlanes, ZPixmap);
    XSync(display, False);
    XSetErrorHandler(old);
    if (image == nullptr) {
        error = "the X server gave no pixels for " + std::to_string(width) + " x " + std::to_string(height) + " at (" +
                std::to_string(x) + ", " + std::to_string(y) + ")";
        return picture;
    }
    picture.m_width = width;
    picture.m_height = height;
    picture.m_pixels.resize(static_cast<size_t>(width) * height);
    for (int row = 0; row < height; ++row) {
        for (int column = 0; column < width; ++column) {
            const unsigned long p = XGetPixel(image, column, row);
            picture.m_pixels[static_cast<size_t>(row) * width + column] =
                Rgba{static_cast<std::uint8_t>(p >> 16), static_cast<std::uint8_t>(p >> 8), static_cast<std::uint8_t>(p),
                     255};
        }
    }
    XDestroyImage(image);
    return picture;
}

Rgba Picture::at(int x, int y) const
{
    if (x < 0 || y < 0 || x >= m_width || y >= m_height) return Rgba{};
    return m_pixels[static_cast<size_t>(y) * m_width + x];
}

bool Picture::savePng(const std::string& path, std::string& error) const
{
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(m_width);
    image.height = static_cast<png_uint_32>(m_height);
    image.format = PNG_FORMAT_RGBA;
    if (!png_image_write_to_file(&image, path.c_str(), 0, m_pixels.data(), 0, nullptr)) {
        error = "cannot write " + path + ": " + image.message;
        return false;
    }
    return true;
}

} // namespace quarrow::test
