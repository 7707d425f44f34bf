#include "ButtonArt.h"

#include "Painter.h"

#include <cairo.h>

#include <cstdint>

namespace artwork {

namespace {

constexpr int kLinkWidth = 148;
constexpr int kLinkHeight = 44;
constexpr int kSmallSize = 33;

// Starts a surface with the background's pixels at (x, y), flattened on to
// the console's dark blue so that it is opaque.
cairo_surface_t* surfaceFromBackground(const ArtworkFiles::Rgba& bg, int x0, int y0, int w, int h)
{
    cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h);
    cairo_surface_flush(s);
    unsigned char* data = cairo_image_surface_get_data(s);
    const int stride = cairo_image_surface_get_stride(s);
    const unsigned under[3] = {0x10, 0x18, 0x28};
    for (int y = 0; y < h; ++y) {
        auto* row = reinterpret_cast<std::uint32_t*>(data + static_cast<size_t>(y) * stride);
        for (int x = 0; x < w; ++x) {
            const int bx = x0 + x, by = y0 + y;
            unsigned c[3] = {under[0], under[1], under[2]};
            if (bx >= 0 && bx < bg.width && by >= 0 && by < bg.height) {
                const std::uint8_t* p = &bg.pixels[(static_cast<size_t>(by) * bg.width + bx) * 4];
                for (int k = 0; k < 3; ++k) c[k] = (p[k] * p[3] + under[k] * (255 - p[3])) / 255;
            }
            row[x] = 0xFF000000u | (c[0] << 16) | (c[1] << 8) | c[2];
        }
    }
    cairo_surface_mark_dirty(s);
    return s;
}

void roundedRect(cairo_t* cr, double x, double y, double w, double h, double r)
{
    cairo_new_sub_path(cr);
    cairo_arc(cr, x + w - r, y + r, r, -1.5707963, 0);
    cairo_arc(cr, x + w - r, y + h - r, r, 0, 1.5707963);
    cairo_arc(cr, x + r, y + h - r, r, 1.5707963, 3.1415926);
    cairo_arc(cr, x + r, y + r, r, 3.1415926, 4.712389);
    cairo_close_path(cr);
}

struct Plate {
    unsigned top, bottom, rim, highlight;
};

Plate plateFor(ButtonArt::State state)
{
    switch (state) {
    case ButtonArt::State::Hover:
        return {0xf6a640, 0xc8641a, 0xffd890, 0xffe6b8};
    case ButtonArt::State::Pressed:
        return {0x2c3a4c, 0x3c4e64, 0x5a7088, 0x46586e};
    case ButtonArt::State::Normal:
    default:
        return {0x5a6e86, 0x3a4a60, 0x8ea4bc, 0x98acc2};
    }
}

ArtworkFiles::Rgba finish(cairo_surface_t* s)
{
    ArtworkFiles::Rgba image = ArtworkFiles::fromSurface(s);
    cairo_surface_destroy(s);
    // Pure black is the overlay's transparent colour: lift any such pixel.
    for (size_t i = 0; i < image.pixels.size(); i += 4) {
        if (image.pixels[i] == 0 && image.pixels[i + 1] == 0 && image.pixels[i + 2] == 0) {
            image.pixels[i] = image.pixels[i + 1] = image.pixels[i + 2] = 1;
        }
        image.pixels[i + 3] = 255;
    }
    return image;
}

void paintPlate(cairo_t* cr, double w, double h, double radius, const Plate& plate, bool pressed)
{
    // Outer shadow, plate, rim and a highlight along the top.
    roundedRect(cr, 1.5, 2.5, w - 3, h - 3, radius);
    Painter::setColour(cr, 0x060a12, 0.6);
    cairo_fill(cr);
    cairo_pattern_t* body = cairo_pattern_create_linear(0, 1, 0, h - 2);
    Painter::addStop(body, 0.0, plate.top);
    Painter::addStop(body, 1.0, plate.bottom);
    roundedRect(cr, 1.5, 1.5, w - 3, h - 3.5, radius);
    cairo_set_source(cr, body);
    cairo_fill_preserve(cr);
    cairo_pattern_destroy(body);
    Painter::setColour(cr, plate.rim);
    cairo_set_line_width(cr, 1);
    cairo_stroke(cr);
    if (!pressed) {
        cairo_move_to(cr, radius + 2, 3);
        cairo_line_to(cr, w - radius - 2, 3);
        Painter::setColour(cr, plate.highlight, 0.8);
        cairo_stroke(cr);
    } else {
        // A pressed plate is shaded from above instead.
        cairo_move_to(cr, radius + 2, 3);
        cairo_line_to(cr, w - radius - 2, 3);
        Painter::setColour(cr, 0x141c28, 0.8);
        cairo_stroke(cr);
    }
}

} // namespace

ArtworkFiles::Rgba ButtonArt::linkButton(const ArtworkFiles::Rgba& background, int x, int y, const std::string& label,
                                         State state)
{
    cairo_surface_t* s = surfaceFromBackground(background, x, y, kLinkWidth, kLinkHeight);
    cairo_t* cr = cairo_create(s);
    const Plate plate = plateFor(state);
    const bool pressed = state == State::Pressed;
    paintPlate(cr, kLinkWidth, kLinkHeight, 6, plate, pressed);

    // Ornaments at both ends: small chevrons pointing at the label.
    const unsigned ornament = state == State::Hover ? 0xfff0d0 : 0xc8d8e8;
    for (int side = 0; side < 2; ++side) {
        const double cx = side == 0 ? 18 : kLinkWidth - 18;
        const double dir = side == 0 ? 1 : -1;
        cairo_move_to(cr, cx - dir * 4, 16);
        cairo_line_to(cr, cx + dir * 2, 22);
        cairo_line_to(cr, cx - dir * 4, 28);
        Painter::setColour(cr, ornament, 0.75);
        cairo_set_line_width(cr, 1.6);
        cairo_stroke(cr);
    }

    const double offset = pressed ? 1 : 0;
    const unsigned text = pressed ? 0xaaf0ff : 0xffffff;
    const unsigned shadow = state == State::Hover ? 0x7a3408 : 0x141e2c;
    Painter::shadowedText(cr, label, "Noto Sans CJK SC Bold 17px", kLinkWidth / 2.0 + offset, 22 + offset, text,
                          shadow, 0.75, 2);
    cairo_destroy(cr);
    return finish(s);
}

ArtworkFiles::Rgba ButtonArt::smallButton(const ArtworkFiles::Rgba& background, int x, int y, Glyph glyph,
                                          State state)
{
    cairo_surface_t* s = surfaceFromBackground(background, x, y, kSmallSize, kSmallSize);
    cairo_t* cr = cairo_create(s);
    Plate plate;
    unsigned glyphColour;
    switch (state) {
    case State::Hover:
        plate = {0x7e94ae, 0x5e7490, 0xb4c6da, 0xc4d4e4};
        glyphColour = 0xffffff;
        break;
    case State::Pressed:
        plate = {0x2a3646, 0x384858, 0x526478, 0x3c4a5c};
        glyphColour = 0x9aa4ae;
        break;
    case State::Normal:
    default:
        plate = {0x5a6e86, 0x3e4e64, 0x8ea4bc, 0x98acc2};
        glyphColour = 0xe8eef6;
        break;
    }
    const bool pressed = state == State::Pressed;
    paintPlate(cr, kSmallSize, kSmallSize, 3, plate, pressed);

    const double o = pressed ? 0.5 : 0;
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    cairo_new_path(cr);
    if (glyph == Glyph::Bar) {
        cairo_move_to(cr, 10.5 + o, 20.5 + o);
        cairo_line_to(cr, 22.5 + o, 20.5 + o);
    } else {
        cairo_move_to(cr, 11 + o, 10.5 + o);
        cairo_line_to(cr, 22 + o, 21.5 + o);
        cairo_move_to(cr, 22 + o, 10.5 + o);
        cairo_line_to(cr, 11 + o, 21.5 + o);
    }
    Painter::setColour(cr, 0x141c28, 0.5);
    cairo_set_line_width(cr, 4);
    cairo_stroke_preserve(cr);
    Painter::setColour(cr, glyphColour);
    cairo_set_line_width(cr, 2.4);
    cairo_stroke(cr);
    cairo_destroy(cr);
    return finish(s);
}

} // namespace artwork
