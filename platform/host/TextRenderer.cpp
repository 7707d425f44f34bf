#include "host/TextRenderer.h"

#include "win32/Utf8.h"

#include <pango/pangocairo.h>

#include <algorithm>
#include <cassert>
#include <memory>

namespace quarrow {

namespace {

struct LayoutDeleter {
    void operator()(PangoLayout* p) const { g_object_unref(p); }
};
struct CairoDeleter {
    void operator()(cairo_t* p) const { cairo_destroy(p); }
};
struct SurfaceDeleter {
    void operator()(cairo_surface_t* p) const { cairo_surface_destroy(p); }
};

// A layout on `cr` with the style's font and the deterministic options.
std::unique_ptr<PangoLayout, LayoutDeleter> makeLayout(cairo_t* cr, const TextStyle& style, const std::string& text)
{
    std::unique_ptr<PangoLayout, LayoutDeleter> layout(pango_cairo_create_layout(cr));
    cairo_font_options_t* options = cairo_font_options_create();
    cairo_font_options_set_antialias(options, CAIRO_ANTIALIAS_GRAY);
    cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_NONE);
    cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_OFF);
    pango_cairo_context_set_font_options(pango_layout_get_context(layout.get()), options);
    cairo_font_options_destroy(options);
    pango_cairo_context_set_resolution(pango_layout_get_context(layout.get()), 96.0);
    pango_layout_context_changed(layout.get());

    PangoFontDescription* desc = pango_font_description_new();
    pango_font_description_set_family(desc, TextRenderer::familyFor(style.face).c_str());
    pango_font_description_set_absolute_size(desc, std::max(style.pixelHeight, 1) * PANGO_SCALE);
    pango_font_description_set_weight(desc, static_cast<PangoWeight>(std::clamp(style.weight, 100, 1000)));
    pango_font_description_set_style(desc, style.italic ? PANGO_STYLE_ITALIC : PANGO_STYLE_NORMAL);
    pango_layout_set_font_description(layout.get(), desc);
    pango_font_description_free(desc);
    if (style.underline) {
        PangoAttrList* attrs = pango_attr_list_new();
        pango_attr_list_insert(attrs, pango_attr_underline_new(PANGO_UNDERLINE_SINGLE));
        pango_layout_set_attributes(layout.get(), attrs);
        pango_attr_list_unref(attrs);
    }
    pango_layout_set_text(layout.get(), text.data(), static_cast<int>(text.size()));
    return layout;
}

// A scratch context for measuring.
cairo_t* measuringContext()
{
    static cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_A8, 1, 1);
    static cairo_t* cr = cairo_create(surface);
    return cr;
}

} // namespace

std::string TextRenderer::familyFor(const std::u16string& face)
{
    static const char16_t* const platformFaces[] = {
        u"", u"MS Shell Dlg", u"MS Shell Dlg 2", u"MS Sans Serif", u"Tahoma", u"Segoe UI", u"System",
        u"Microsoft Sans Serif", u"SimSun", u"宋体", u"NSimSun", u"新宋体", u"Microsoft YaHei", u"微软雅黑",
        u"SimHei", u"黑体", u"Arial"};
    for (const char16_t* known : platformFaces) {
        if (face == known) return "Noto Sans CJK SC";
    }
    return Utf16ToUtf8(face);
}

SIZE TextRenderer::measure(const TextStyle& style, const std::u16string& text)
{
    auto layout = makeLayout(measuringContext(), style, Utf16ToUtf8(text));
    PangoRectangle logical;
    pango_layout_get_pixel_extents(layout.get(), nullptr, &logical);
    return SIZE{logical.width, logical.height};
}

void TextRenderer::metrics(const TextStyle& style, int& ascent, int& descent)
{
    auto layout = makeLayout(measuringContext(), style, "Xg");
    PangoRectangle logical;
    pango_layout_get_pixel_extents(layout.get(), nullptr, &logical);
    ascent = PANGO_PIXELS(pango_layout_get_baseline(layout.get()));
    descent = logical.height - ascent;
}

TextRenderer::Mask TextRenderer::render(const TextStyle& style, const std::u16string& text)
{
    const std::string bytes = Utf16ToUtf8(text);
    const SIZE size = measure(style, text);
    Mask mask;
    mask.pad = std::max(2, style.pixelHeight / 4);
    mask.width = size.cx + 2 * mask.pad;
    mask.height = size.cy + 2 * mask.pad;
    std::unique_ptr<cairo_surface_t, SurfaceDeleter> surface(
        cairo_image_surface_create(CAIRO_FORMAT_A8, mask.width, mask.height));
    std::unique_ptr<cairo_t, CairoDeleter> cr(cairo_create(surface.get()));
    auto layout = makeLayout(cr.get(), style, bytes);
    PangoRectangle logical;
    pango_layout_get_pixel_extents(layout.get(), nullptr, &logical);
    cairo_set_source_rgba(cr.get(), 0, 0, 0, 1);
    cairo_move_to(cr.get(), mask.pad - logical.x, mask.pad - logical.y);
    pango_cairo_show_layout(cr.get(), layout.get());
    cairo_surface_flush(surface.get());
    mask.stride = cairo_image_surface_get_stride(surface.get());
    const BYTE* data = cairo_image_surface_get_data(surface.get());
    mask.bytes.assign(data, data + static_cast<size_t>(mask.stride) * mask.height);
    return mask;
}

} // namespace quarrow
