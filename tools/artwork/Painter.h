// Small drawing helpers shared by the artwork painters: colours given as
// 0xRRGGBB, gradient stops, centred text through pango, and the game's
// emblem (a ringed "Q" pierced by an arrow), which appears on the launcher
// background and on the application icon.
#pragma once

#include <cairo.h>

#include <string>

namespace artwork {

class Painter {
public:
    static void setColour(cairo_t* cr, unsigned rgb, double alpha = 1.0);
    static void addStop(cairo_pattern_t* p, double offset, unsigned rgb, double alpha = 1.0);

    // Adds the outline of `text` to the current path, centred on (cx, cy).
    // `font` is a pango font description such as "Noto Sans CJK SC Bold 16px".
    // `letterSpacing` is in pixels. Returns the text's width in pixels.
    static double textPath(cairo_t* cr, const std::string& text, const std::string& font, double cx, double cy,
                           double letterSpacing = 0.0);

    // Draws text centred on (cx, cy) in a flat colour with a soft shadow.
    static void shadowedText(cairo_t* cr, const std::string& text, const std::string& font, double cx, double cy,
                             unsigned rgb, unsigned shadowRgb, double shadowAlpha, double letterSpacing = 0.0);

    // A glow: the current path stroked several times, wide and faint to
    // narrow and stronger. Keeps the path.
    static void glowStroke(cairo_t* cr, unsigned rgb, double width, double alpha, int steps = 6);

    // The game's emblem, centred on (cx, cy), ring radius r.
    static void emblem(cairo_t* cr, double cx, double cy, double r);

    // A four-pointed star or ornament diamond, centred on (cx, cy).
    static void diamond(cairo_t* cr, double cx, double cy, double rx, double ry);
};

} // namespace artwork
