#include "Painter.h"

#include <pango/pangocairo.h>

#include <cmath>

namespace artwork {

namespace {

constexpr double kPi = 3.14159265358979323846;

PangoLayout* makeLayout(cairo_t* cr, const std::string& text, const std::string& font, double letterSpacing)
{
    PangoLayout* layout = pango_cairo_create_layout(cr);
    PangoFontDescription* desc = pango_font_description_from_string(font.c_str());
    pango_layout_set_font_description(layout, desc);
    pango_font_description_free(desc);
    pango_layout_set_text(layout, text.c_str(), -1);
    if (letterSpacing != 0.0) {
        PangoAttrList* attrs = pango_attr_list_new();
        pango_attr_list_insert(attrs, pango_attr_letter_spacing_new(static_cast<int>(letterSpacing * PANGO_SCALE)));
        pango_layout_set_attributes(layout, attrs);
        pango_attr_list_unref(attrs);
    }
    return layout;
}

} // namespace

void Painter::setColour(cairo_t* cr, unsigned rgb, double alpha)
{
    cairo_set_source_rgba(cr, ((rgb >> 16) & 0xFF) / 255.0, ((rgb >> 8) & 0xFF) / 255.0, (rgb & 0xFF) / 255.0, alpha);
}

void Painter::addStop(cairo_pattern_t* p, double offset, unsigned rgb, double alpha)
{
    cairo_pattern_add_color_stop_rgba(p, offset, ((rgb >> 16) & 0xFF) / 255.0, ((rgb >> 8) & 0xFF) / 255.0,
                                      (rgb & 0xFF) / 255.0, alpha);
}

double Painter::textPath(cairo_t* cr, const std::string& text, const std::string& font, double cx, double cy,
                         double letterSpacing)
{
    PangoLayout* layout = makeLayout(cr, text, font, letterSpacing);
    PangoRectangle ink, logical;
    pango_layout_get_pixel_extents(layout, &ink, &logical);
    // Centre on the ink box vertically (glyphs, not line height) and on the
    // logical box horizontally, less the trailing letter spacing.
    const double width = logical.width - letterSpacing;
    cairo_move_to(cr, cx - width / 2.0, cy - (ink.y + ink.height / 2.0));
    pango_cairo_layout_path(cr, layout);
    g_object_unref(layout);
    return width;
}

void Painter::shadowedText(cairo_t* cr, const std::string& text, const std::string& font, double cx, double cy,
                           unsigned rgb, unsigned shadowRgb, double shadowAlpha, double letterSpacing)
{
    cairo_new_path(cr);
    textPath(cr, text, font, cx + 1, cy + 1, letterSpacing);
    setColour(cr, shadowRgb, shadowAlpha);
    cairo_fill(cr);
    textPath(cr, text, font, cx, cy, letterSpacing);
    setColour(cr, rgb);
    cairo_fill(cr);
}

void Painter::glowStroke(cairo_t* cr, unsigned rgb, double width, double alpha, int steps)
{
    cairo_save(cr);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    for (int i = steps; i >= 1; --i) {
        const double t = static_cast<double>(i) / steps;
        cairo_set_line_width(cr, width * t);
        setColour(cr, rgb, alpha / steps * 1.6);
        cairo_stroke_preserve(cr);
    }
    cairo_restore(cr);
}

void Painter::diamond(cairo_t* cr, double cx, double cy, double rx, double ry)
{
    cairo_move_to(cr, cx, cy - ry);
    cairo_line_to(cr, cx + rx, cy);
    cairo_line_to(cr, cx, cy + ry);
    cairo_line_to(cr, cx - rx, cy);
    cairo_close_path(cr);
}

void Painter::emblem(cairo_t* cr, double cx, double cy, double r)
{
    cairo_save(cr);

    // Halo behind the emblem.
    cairo_pattern_t* halo = cairo_pattern_create_radial(cx, cy, r * 0.6, cx, cy, r * 1.7);
    addStop(halo, 0.0, 0x3fd0ff, 0.45);
    addStop(halo, 0.5, 0x2060c0, 0.18);
    addStop(halo, 1.0, 0x102040, 0.0);
    cairo_set_source(cr, halo);
    cairo_arc(cr, cx, cy, r * 1.7, 0, 2 * kPi);
    cairo_fill(cr);
    cairo_pattern_destroy(halo);

    // Dark disc with a cold light from the upper left.
    cairo_pattern_t* disc = cairo_pattern_create_radial(cx - r * 0.3, cy - r * 0.35, r * 0.1, cx, cy, r);
    addStop(disc, 0.0, 0x2a5878);
    addStop(disc, 0.55, 0x13263d);
    addStop(disc, 1.0, 0x080d1a);
    cairo_set_source(cr, disc);
    cairo_arc(cr, cx, cy, r, 0, 2 * kPi);
    cairo_fill(cr);
    cairo_pattern_destroy(disc);

    // Rune ticks between the rings.
    cairo_set_line_width(cr, r * 0.02);
    for (int i = 0; i < 48; ++i) {
        const double a = i * 2 * kPi / 48;
        const double r0 = r * 0.80, r1 = r * (i % 4 == 0 ? 0.90 : 0.86);
        cairo_move_to(cr, cx + std::cos(a) * r0, cy + std::sin(a) * r0);
        cairo_line_to(cr, cx + std::cos(a) * r1, cy + std::sin(a) * r1);
    }
    setColour(cr, 0x9fd8ee, 0.55);
    cairo_stroke(cr);

    // Gold rings.
    cairo_pattern_t* gold = cairo_pattern_create_linear(cx, cy - r, cx, cy + r);
    addStop(gold, 0.0, 0xfff1c0);
    addStop(gold, 0.35, 0xd9a94e);
    addStop(gold, 0.65, 0x8a5f24);
    addStop(gold, 1.0, 0xf0c96a);
    cairo_set_source(cr, gold);
    cairo_set_line_width(cr, r * 0.09);
    cairo_arc(cr, cx, cy, r * 0.955, 0, 2 * kPi);
    cairo_stroke(cr);
    cairo_set_line_width(cr, r * 0.025);
    cairo_arc(cr, cx, cy, r * 0.76, 0, 2 * kPi);
    cairo_stroke(cr);

    // Studs on the outer ring.
    for (int i = 0; i < 8; ++i) {
        const double a = i * kPi / 4 + kPi / 8;
        Painter::diamond(cr, cx + std::cos(a) * r * 0.955, cy + std::sin(a) * r * 0.955, r * 0.07, r * 0.07);
    }
    setColour(cr, 0xfff6d8);
    cairo_fill_preserve(cr);
    setColour(cr, 0x6a4418, 0.8);
    cairo_set_line_width(cr, r * 0.012);
    cairo_stroke(cr);

    // The letter, gold with a dark rim.
    const std::string font = "Noto Serif CJK SC Black " + std::to_string(static_cast<int>(r * 1.15)) + "px";
    cairo_new_path(cr);
    textPath(cr, "Q", font, cx - r * 0.03, cy - r * 0.02);
    cairo_set_line_width(cr, r * 0.05);
    setColour(cr, 0x1a0e04, 0.9);
    cairo_stroke_preserve(cr);
    cairo_pattern_t* letter = cairo_pattern_create_linear(cx, cy - r * 0.6, cx, cy + r * 0.6);
    addStop(letter, 0.0, 0xfffbe6);
    addStop(letter, 0.45, 0xf2c766);
    addStop(letter, 0.55, 0xb27a2c);
    addStop(letter, 1.0, 0xf7d889);
    cairo_set_source(cr, letter);
    cairo_fill(cr);
    cairo_pattern_destroy(letter);

    // The arrow crossing the emblem from lower left to upper right.
    const double ax0 = cx - r * 1.05, ay0 = cy + r * 1.05;
    const double ax1 = cx + r * 1.02, ay1 = cy - r * 1.02;
    cairo_move_to(cr, ax0, ay0);
    cairo_line_to(cr, ax1, ay1);
    glowStroke(cr, 0x6fe8ff, r * 0.22, 0.5);
    cairo_set_line_width(cr, r * 0.045);
    setColour(cr, 0xe8fdff);
    cairo_stroke(cr);
    // Head.
    const double ux = std::sqrt(0.5), uy = -std::sqrt(0.5); // direction of flight
    const double px = -uy, py = ux;                         // perpendicular
    const double hx = ax1 + ux * r * 0.22, hy = ay1 + uy * r * 0.22;
    cairo_move_to(cr, hx, hy);
    cairo_line_to(cr, ax1 + px * r * 0.13 - ux * r * 0.05, ay1 + py * r * 0.13 - uy * r * 0.05);
    cairo_line_to(cr, ax1 + ux * r * 0.03, ay1 + uy * r * 0.03);
    cairo_line_to(cr, ax1 - px * r * 0.13 - ux * r * 0.05, ay1 - py * r * 0.13 - uy * r * 0.05);
    cairo_close_path(cr);
    glowStroke(cr, 0x6fe8ff, r * 0.16, 0.5);
    cairo_set_source(cr, gold);
    cairo_fill(cr);
    // Fletching.
    for (int k = 0; k < 3; ++k) {
        const double bx = ax0 + ux * r * (0.06 + k * 0.1), by = ay0 + uy * r * (0.06 + k * 0.1);
        cairo_move_to(cr, bx, by);
        cairo_line_to(cr, bx + px * r * 0.12 - ux * r * 0.1, by + py * r * 0.12 - uy * r * 0.1);
        cairo_move_to(cr, bx, by);
        cairo_line_to(cr, bx - px * r * 0.12 - ux * r * 0.1, by - py * r * 0.12 - uy * r * 0.1);
    }
    cairo_set_line_width(cr, r * 0.03);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    setColour(cr, 0xbdf4ff);
    cairo_stroke(cr);
    cairo_pattern_destroy(gold);

    cairo_restore(cr);
}

} // namespace artwork
