#include "BackgroundArt.h"

#include "Painter.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace artwork {

namespace {

constexpr double kPi = 3.14159265358979323846;

// A small deterministic generator so that every run paints the same stars
// and mountains.
class Random {
public:
    explicit Random(std::uint32_t seed) : m_state(seed) {}
    double next()
    {
        m_state = m_state * 1664525u + 1013904223u;
        return (m_state >> 8) / 16777216.0;
    }

private:
    std::uint32_t m_state;
};

void outlinePath(cairo_t* cr)
{
    cairo_new_path(cr);
    cairo_move_to(cr, 18, 150);
    cairo_line_to(cr, 52, 114);
    cairo_line_to(cr, 106, 114);
    // The crest that carries the emblem.
    cairo_curve_to(cr, 128, 80, 150, 30, 186, 16);
    cairo_curve_to(cr, 222, 30, 244, 80, 266, 114);
    cairo_line_to(cr, 488, 114);
    // The rise to the title bar.
    cairo_curve_to(cr, 536, 114, 540, 14, 596, 12);
    cairo_line_to(cr, 1006, 12);
    cairo_line_to(cr, 1034, 40);
    cairo_line_to(cr, 1034, 574);
    cairo_line_to(cr, 1004, 604);
    cairo_line_to(cr, 640, 604);
    cairo_line_to(cr, 622, 596);
    cairo_line_to(cr, 380, 596);
    cairo_line_to(cr, 362, 604);
    cairo_line_to(cr, 56, 604);
    cairo_line_to(cr, 18, 566);
    // A blade on the left edge.
    cairo_line_to(cr, 18, 372);
    cairo_line_to(cr, 10, 340);
    cairo_line_to(cr, 18, 308);
    cairo_close_path(cr);
}

void paintSky(cairo_t* cr)
{
    cairo_pattern_t* sky = cairo_pattern_create_linear(0, 0, 0, BackgroundArt::kHeight);
    Painter::addStop(sky, 0.0, 0x0b1630);
    Painter::addStop(sky, 0.45, 0x111a36);
    Painter::addStop(sky, 1.0, 0x1c1030);
    cairo_set_source(cr, sky);
    cairo_paint(cr);
    cairo_pattern_destroy(sky);

    struct Cloud {
        double x, y, r;
        unsigned rgb;
        double alpha;
    };
    const Cloud clouds[] = {
        {186, 170, 300, 0x2a8fc8, 0.34}, {720, 90, 420, 0x6a3aa8, 0.26}, {980, 520, 320, 0x2c5fa0, 0.22},
        {420, 560, 260, 0x8a3070, 0.18}, {300, 330, 200, 0x1f6f90, 0.20},
    };
    for (const Cloud& c : clouds) {
        cairo_pattern_t* p = cairo_pattern_create_radial(c.x, c.y, 0, c.x, c.y, c.r);
        Painter::addStop(p, 0.0, c.rgb, c.alpha);
        Painter::addStop(p, 1.0, c.rgb, 0.0);
        cairo_set_source(cr, p);
        cairo_paint(cr);
        cairo_pattern_destroy(p);
    }

    // Stars: small soft dots, a few with a cross glint.
    Random random(20240613u);
    for (int i = 0; i < 170; ++i) {
        const double x = 20 + random.next() * 1010;
        const double y = 14 + random.next() * 420;
        const double size = 0.5 + random.next() * random.next() * 1.8;
        const double alpha = 0.35 + random.next() * 0.6;
        Painter::setColour(cr, random.next() < 0.3 ? 0xffe6b0 : 0xd8f0ff, alpha);
        cairo_arc(cr, x, y, size, 0, 2 * kPi);
        cairo_fill(cr);
        if (size > 1.6) {
            Painter::setColour(cr, 0xe8f8ff, alpha * 0.5);
            cairo_set_line_width(cr, 0.6);
            cairo_move_to(cr, x - size * 4, y);
            cairo_line_to(cr, x + size * 4, y);
            cairo_move_to(cr, x, y - size * 4);
            cairo_line_to(cr, x, y + size * 4);
            cairo_stroke(cr);
        }
    }
}

void mountainLayer(cairo_t* cr, Random& random, double base, double amplitude, unsigned top, unsigned bottom,
                   double alpha)
{
    cairo_new_path(cr);
    cairo_move_to(cr, 0, BackgroundArt::kHeight);
    double y = base;
    for (double x = 0; x <= BackgroundArt::kWidth + 20; x += 18 + random.next() * 26) {
        y = base - amplitude * (0.3 + 0.7 * random.next());
        cairo_line_to(cr, x, y);
    }
    cairo_line_to(cr, BackgroundArt::kWidth, BackgroundArt::kHeight);
    cairo_close_path(cr);
    cairo_pattern_t* p = cairo_pattern_create_linear(0, base - amplitude, 0, BackgroundArt::kHeight);
    Painter::addStop(p, 0.0, top, alpha);
    Painter::addStop(p, 1.0, bottom, alpha);
    cairo_set_source(cr, p);
    cairo_fill(cr);
    cairo_pattern_destroy(p);
}

void paintLand(cairo_t* cr)
{
    Random random(77u);
    mountainLayer(cr, random, 470, 90, 0x2a2450, 0x120c24, 0.9);
    // Mist between the ranges.
    cairo_pattern_t* mist = cairo_pattern_create_linear(0, 430, 0, 560);
    Painter::addStop(mist, 0.0, 0x6fb0d8, 0.0);
    Painter::addStop(mist, 0.6, 0x6fb0d8, 0.16);
    Painter::addStop(mist, 1.0, 0x6fb0d8, 0.0);
    cairo_set_source(cr, mist);
    cairo_rectangle(cr, 0, 430, BackgroundArt::kWidth, 130);
    cairo_fill(cr);
    mountainLayer(cr, random, 560, 70, 0x1b1634, 0x0a0816, 1.0);

    // A lone spire on the near ridge, with a lit window.
    cairo_new_path(cr);
    cairo_move_to(cr, 84, 560);
    cairo_line_to(cr, 92, 470);
    cairo_line_to(cr, 88, 470);
    cairo_line_to(cr, 98, 420);
    cairo_line_to(cr, 108, 470);
    cairo_line_to(cr, 104, 470);
    cairo_line_to(cr, 112, 560);
    cairo_close_path(cr);
    Painter::setColour(cr, 0x0c0a1a);
    cairo_fill(cr);
    Painter::setColour(cr, 0xffc870, 0.9);
    cairo_rectangle(cr, 96.5, 482, 3, 6);
    cairo_fill(cr);
}

void paintTitle(cairo_t* cr)
{
    Painter::emblem(cr, 186, 124, 60);

    // "QUARROW": gold letters with a dark rim and a warm glow.
    const std::string latin = "Noto Serif CJK SC Black 46px";
    cairo_new_path(cr);
    Painter::textPath(cr, "QUARROW", latin, 186, 250, 3);
    Painter::glowStroke(cr, 0xffb040, 16, 0.35);
    cairo_set_line_width(cr, 3);
    Painter::setColour(cr, 0x2a1606);
    cairo_stroke_preserve(cr);
    cairo_pattern_t* gold = cairo_pattern_create_linear(0, 228, 0, 272);
    Painter::addStop(gold, 0.0, 0xfff6d0);
    Painter::addStop(gold, 0.48, 0xf0c058);
    Painter::addStop(gold, 0.52, 0xa66c22);
    Painter::addStop(gold, 1.0, 0xf6d27a);
    cairo_set_source(cr, gold);
    cairo_fill(cr);
    cairo_pattern_destroy(gold);

    // The Chinese title, pale and cold.
    cairo_new_path(cr);
    Painter::textPath(cr, "夸 罗 纪 元", "Noto Serif CJK SC Bold 28px", 186, 306, 2);
    Painter::glowStroke(cr, 0x50d0ff, 10, 0.35);
    Painter::setColour(cr, 0xeaf8ff);
    cairo_fill(cr);

    // A divider with a jewel.
    cairo_pattern_t* line = cairo_pattern_create_linear(56, 0, 316, 0);
    Painter::addStop(line, 0.0, 0xd8a850, 0.0);
    Painter::addStop(line, 0.5, 0xf0c870, 0.9);
    Painter::addStop(line, 1.0, 0xd8a850, 0.0);
    cairo_set_source(cr, line);
    cairo_set_line_width(cr, 1);
    cairo_move_to(cr, 56, 336.5);
    cairo_line_to(cr, 316, 336.5);
    cairo_stroke(cr);
    cairo_pattern_destroy(line);
    Painter::diamond(cr, 186, 336.5, 7, 4.5);
    Painter::setColour(cr, 0x7fe8ff);
    cairo_fill(cr);

    Painter::shadowedText(cr, "星穹为弓 · 万界为矢", "Noto Sans CJK SC Medium 14px", 186, 360, 0xe6c98c, 0x05070e,
                          0.8, 3);
    Painter::shadowedText(cr, "THE  ARROW  THAT  SPLIT  THE  SKY", "DejaVu Serif Condensed 9px", 186, 384, 0x9fb8cc,
                          0x05070e, 0.8, 1);

    // The healthy-gaming notice that a Chinese launcher carries.
    const char* notice[] = {"抵制不良游戏，拒绝盗版游戏。", "注意自我保护，谨防受骗上当。",
                            "适度游戏益脑，沉迷游戏伤身。", "合理安排时间，享受健康生活。"};
    for (int i = 0; i < 4; ++i) {
        Painter::shadowedText(cr, notice[i], "Noto Sans CJK SC 11px", 186, 508 + i * 17, 0xc8d2e0, 0x05070e, 0.9);
    }
}

void paintConsole(cairo_t* cr)
{
    // The console that frames the link buttons and the page.
    const double x0 = 341.5, y0 = 150.5, x1 = 1014.5, y1 = 580.5;
    cairo_new_path(cr);
    cairo_move_to(cr, x0 + 12, y0);
    cairo_line_to(cr, x1 - 12, y0);
    cairo_line_to(cr, x1, y0 + 12);
    cairo_line_to(cr, x1, y1 - 12);
    cairo_line_to(cr, x1 - 12, y1);
    cairo_line_to(cr, x0 + 12, y1);
    cairo_line_to(cr, x0, y1 - 12);
    cairo_line_to(cr, x0, y0 + 12);
    cairo_close_path(cr);
    cairo_pattern_t* fill = cairo_pattern_create_linear(0, y0, 0, y1);
    Painter::addStop(fill, 0.0, 0x1a2640, 0.92);
    Painter::addStop(fill, 0.15, 0x0e1628, 0.92);
    Painter::addStop(fill, 1.0, 0x0a0f1e, 0.92);
    cairo_set_source(cr, fill);
    cairo_fill_preserve(cr);
    cairo_pattern_destroy(fill);
    cairo_pattern_t* rim = cairo_pattern_create_linear(0, y0, 0, y1);
    Painter::addStop(rim, 0.0, 0xf2cf7c);
    Painter::addStop(rim, 0.5, 0x8a6430);
    Painter::addStop(rim, 1.0, 0xd8aa58);
    cairo_set_source(cr, rim);
    cairo_set_line_width(cr, 1.5);
    cairo_stroke(cr);
    cairo_pattern_destroy(rim);

    // Corner jewels of the console.
    const double corners[][2] = {{x0 + 4, y0 + 4}, {x1 - 4, y0 + 4}, {x0 + 4, y1 - 4}, {x1 - 4, y1 - 4}};
    for (const auto& c : corners) {
        Painter::diamond(cr, c[0], c[1], 4, 4);
        Painter::setColour(cr, 0x7fe0ff);
        cairo_fill(cr);
    }

    // A bevelled seat for the page: a bronze edge just outside the panel.
    cairo_rectangle(cr, BackgroundArt::kPanelX - 2.5, BackgroundArt::kPanelY - 1.5, BackgroundArt::kPanelWidth + 5,
                    BackgroundArt::kPanelHeight + 4);
    Painter::setColour(cr, 0x6a5030);
    cairo_set_line_width(cr, 1);
    cairo_stroke(cr);
    cairo_rectangle(cr, BackgroundArt::kPanelX - 4.5, BackgroundArt::kPanelY - 2.5, BackgroundArt::kPanelWidth + 9,
                    BackgroundArt::kPanelHeight + 7);
    Painter::setColour(cr, 0xc89a50, 0.55);
    cairo_stroke(cr);

    // A faint glow line under the button row.
    cairo_pattern_t* glow = cairo_pattern_create_linear(370, 0, 1010, 0);
    Painter::addStop(glow, 0.0, 0x60d0ff, 0.0);
    Painter::addStop(glow, 0.5, 0x60d0ff, 0.5);
    Painter::addStop(glow, 1.0, 0x60d0ff, 0.0);
    cairo_set_source(cr, glow);
    cairo_rectangle(cr, 370, 156, 640, 1);
    cairo_fill(cr);
}

void paintTitleBar(cairo_t* cr)
{
    cairo_pattern_t* bar = cairo_pattern_create_linear(0, 12, 0, 66);
    Painter::addStop(bar, 0.0, 0x22304c, 0.95);
    Painter::addStop(bar, 1.0, 0x101828, 0.0);
    cairo_set_source(cr, bar);
    cairo_rectangle(cr, 560, 12, 480, 54);
    cairo_fill(cr);
    Painter::shadowedText(cr, "QUARROW  微端  ·  星穹之门", "Noto Sans CJK SC Medium 13px", 760, 39, 0xd8c08a, 0x05070e,
                          0.9, 1);
}

void paintFrame(cairo_t* cr)
{
    // The rim along the outline, seen from inside: a bronze band with a
    // bright gold edge.
    outlinePath(cr);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_MITER);
    Painter::setColour(cr, 0x3a2812);
    cairo_set_line_width(cr, 10);
    cairo_stroke_preserve(cr);
    cairo_pattern_t* gold = cairo_pattern_create_linear(0, 0, 0, BackgroundArt::kHeight);
    Painter::addStop(gold, 0.0, 0xffe8a8);
    Painter::addStop(gold, 0.3, 0xc8964a);
    Painter::addStop(gold, 0.7, 0x8a5e28);
    Painter::addStop(gold, 1.0, 0xe0b060);
    cairo_set_source(cr, gold);
    cairo_set_line_width(cr, 4);
    cairo_stroke(cr);
    cairo_pattern_destroy(gold);

    // Jewels at the outline's corners.
    const double jewels[][2] = {{186, 26}, {24, 340}, {1030, 100}, {1024, 564}, {30, 560}, {501, 600}};
    for (const auto& j : jewels) {
        Painter::diamond(cr, j[0], j[1], 6, 8);
        Painter::setColour(cr, 0x2a1a08);
        cairo_fill_preserve(cr);
        cairo_set_line_width(cr, 1);
        Painter::setColour(cr, 0xf0c870);
        cairo_stroke(cr);
        Painter::diamond(cr, j[0], j[1], 3, 4);
        Painter::setColour(cr, 0x7fe8ff);
        cairo_fill(cr);
    }
}

// Three passes of a box blur approximate a gaussian; used for the glow
// around the outline.
std::vector<float> blur(const std::vector<float>& in, int w, int h, int radius)
{
    std::vector<float> a = in, b(in.size());
    for (int pass = 0; pass < 3; ++pass) {
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x) {
                float sum = 0;
                int n = 0;
                for (int k = -radius; k <= radius; ++k) {
                    const int xx = x + k;
                    if (xx >= 0 && xx < w) sum += a[y * w + xx];
                    ++n;
                }
                b[y * w + x] = sum / n;
            }
        }
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x) {
                float sum = 0;
                int n = 0;
                for (int k = -radius; k <= radius; ++k) {
                    const int yy = y + k;
                    if (yy >= 0 && yy < h) sum += b[yy * w + x];
                    ++n;
                }
                a[y * w + x] = sum / n;
            }
        }
    }
    return a;
}

} // namespace

ArtworkFiles::Rgba BackgroundArt::paint()
{
    cairo_surface_t* art = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, kWidth, kHeight);
    cairo_t* cr = cairo_create(art);

    cairo_save(cr);
    outlinePath(cr);
    cairo_clip(cr);
    paintSky(cr);
    paintLand(cr);
    paintTitleBar(cr);
    paintConsole(cr);
    paintTitle(cr);
    paintFrame(cr);
    cairo_restore(cr);
    cairo_destroy(cr);

    // The shape's coverage, for the glow outside it.
    cairo_surface_t* maskSurface = cairo_image_surface_create(CAIRO_FORMAT_A8, kWidth, kHeight);
    cairo_t* mcr = cairo_create(maskSurface);
    outlinePath(mcr);
    cairo_set_source_rgba(mcr, 0, 0, 0, 1);
    cairo_fill(mcr);
    cairo_destroy(mcr);
    cairo_surface_flush(maskSurface);
    std::vector<float> coverage(static_cast<size_t>(kWidth) * kHeight);
    {
        const unsigned char* data = cairo_image_surface_get_data(maskSurface);
        const int stride = cairo_image_surface_get_stride(maskSurface);
        for (int y = 0; y < kHeight; ++y) {
            for (int x = 0; x < kWidth; ++x) coverage[y * kWidth + x] = data[y * stride + x] / 255.0f;
        }
    }
    cairo_surface_destroy(maskSurface);
    const std::vector<float> halo = blur(coverage, kWidth, kHeight, 3);

    ArtworkFiles::Rgba image = ArtworkFiles::fromSurface(art);
    cairo_surface_destroy(art);

    // Compose the picture over a warm glow: opaque inside, a soft fringe
    // fading to nothing outside.
    const float glowR = 230, glowG = 176, glowB = 96;
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            const size_t i = static_cast<size_t>(y) * kWidth + x;
            std::uint8_t* p = &image.pixels[i * 4];
            const float srcA = p[3] / 255.0f;
            const float glowA = std::min(1.0f, halo[i] * 0.7f);
            const float outA = srcA + glowA * (1 - srcA);
            if (outA <= 0.0f) {
                p[0] = p[1] = p[2] = p[3] = 0;
                continue;
            }
            const auto mix = [&](float src, float glow) {
                const float v = (src * srcA + glow * glowA * (1 - srcA)) / outA;
                return static_cast<std::uint8_t>(std::lround(std::clamp(v, 0.0f, 255.0f)));
            };
            p[0] = mix(p[0], glowR);
            p[1] = mix(p[1], glowG);
            p[2] = mix(p[2], glowB);
            const long a = std::lround(outA * 255.0f);
            p[3] = static_cast<std::uint8_t>(a);
            if (p[3] == 0) p[0] = p[1] = p[2] = 0;
        }
    }

    // The panel goes in last, pixel by pixel, so that nothing blends into it.
    for (int y = kPanelY; y < kPanelY + kPanelHeight; ++y) {
        for (int x = kPanelX; x < kPanelX + kPanelWidth; ++x) {
            std::uint8_t* p = &image.pixels[(static_cast<size_t>(y) * kWidth + x) * 4];
            p[0] = p[1] = p[2] = 0;
            p[3] = 255;
        }
    }
    return image;
}

} // namespace artwork
