// A picture the end-to-end tests compare: straight-alpha RGBA pixels, read
// from a PNG file (the program's artwork under res/images) or taken from
// what the X server's screen shows, and written as a PNG so that a run
// leaves its screenshots behind. The object owns its pixels.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

typedef struct _XDisplay Display;

namespace quarrow::test {

struct Rgba {
    std::uint8_t r = 0, g = 0, b = 0, a = 0;
};

class Picture {
public:
    // Empty (0 x 0) with `error` set when the file cannot be read.
    static Picture fromPng(const std::string& path, std::string& error);
    // The screen's pixels in the rectangle (root window coordinates), all
    // opaque; empty with `error` set when the server gives none.
    static Picture fromScreen(Display* display, int x, int y, int width, int height, std::string& error);

    bool empty() const { return m_width == 0 || m_height == 0; }
    int width() const { return m_width; }
    int height() const { return m_height; }
    // The pixel at (x, y); transparent black outside the picture.
    Rgba at(int x, int y) const;

    bool savePng(const std::string& path, std::string& error) const;

private:
    int m_width = 0;
    int m_height = 0;
    std::vector<Rgba> m_pixels;
};

} // namespace quarrow::test
