#include "IconArt.h"

#include "Painter.h"

#include <cairo.h>

namespace artwork {

ArtworkFiles::Rgba IconArt::paint()
{
    cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, kSize, kSize);
    cairo_t* cr = cairo_create(s);

    // A shield: flat top with rounded shoulders, pointed bottom.
    cairo_new_path(cr);
    cairo_move_to(cr, 20, 8);
    cairo_line_to(cr, 108, 8);
    cairo_curve_to(cr, 118, 8, 122, 14, 122, 24);
    cairo_curve_to(cr, 122, 70, 104, 102, 64, 122);
    cairo_curve_to(cr, 24, 102, 6, 70, 6, 24);
    cairo_curve_to(cr, 6, 14, 10, 8, 20, 8);
    cairo_close_path(cr);
    cairo_pattern_t* body = cairo_pattern_create_linear(0, 8, 0, 122);
    Painter::addStop(body, 0.0, 0x1c2c4c);
    Painter::addStop(body, 1.0, 0x0c0e22);
    cairo_set_source(cr, body);
    cairo_fill_preserve(cr);
    cairo_pattern_destroy(body);
    cairo_pattern_t* rim = cairo_pattern_create_linear(0, 8, 0, 122);
    Painter::addStop(rim, 0.0, 0xffe8a8);
    Painter::addStop(rim, 0.5, 0xa87430);
    Painter::addStop(rim, 1.0, 0xf0c060);
    cairo_set_source(cr, rim);
    cairo_set_line_width(cr, 5);
    cairo_stroke_preserve(cr);
    cairo_clip(cr);
    Painter::emblem(cr, 64, 58, 38);
    cairo_destroy(cr);

    ArtworkFiles::Rgba image = ArtworkFiles::fromSurface(s);
    cairo_surface_destroy(s);
    return image;
}

} // namespace artwork
