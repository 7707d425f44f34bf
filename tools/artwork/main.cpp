// Paints every picture of the launcher's resources and writes them into the
// given resource folder (res/): the background, the twelve link-button and
// six small-button images, and the application icon. Run by hand through
// the `artwork` build target; its output is committed. With --preview it
// instead composes the pictures already written into one picture of the
// launcher (the `artwork_preview` target writes it into the build tree).
#include "ArtworkFiles.h"
#include "BackgroundArt.h"
#include "ButtonArt.h"
#include "IconArt.h"

#include <cairo.h>

#include <cstdio>
#include <cstring>
#include <exception>
#include <stdexcept>
#include <string>

using artwork::ArtworkFiles;
using artwork::ButtonArt;

namespace {

// Composes the written pictures as the launcher shows them (background on a
// grey desktop, each button's normal image at its place) into one PNG, to
// look at the artwork as a whole.
void writePreview(const std::string& dir, const std::string& out)
{
    cairo_surface_t* canvas = cairo_image_surface_create(CAIRO_FORMAT_RGB24, 1044 + 80, 616 + 80);
    cairo_t* cr = cairo_create(canvas);
    cairo_set_source_rgb(cr, 0.45, 0.47, 0.5);
    cairo_paint(cr);
    const auto place = [&](const std::string& name, int x, int y) {
        cairo_surface_t* s = cairo_image_surface_create_from_png((dir + "/images/" + name + ".png").c_str());
        cairo_set_source_surface(cr, s, 40 + x, 40 + y);
        cairo_paint(cr);
        cairo_surface_destroy(s);
    };
    place("background", 0, 0);
    place("home_normal", 380, 162);
    place("guide_hover", 540, 162);
    place("forum_pressed", 699, 162);
    place("service_normal", 856, 162);
    place("min_normal", 950, 22);
    place("close_hover", 990, 22);
    cairo_destroy(cr);
    if (cairo_surface_write_to_png(canvas, out.c_str()) != CAIRO_STATUS_SUCCESS) {
        throw std::runtime_error("cannot write " + out);
    }
    cairo_surface_destroy(canvas);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 4 && std::strcmp(argv[2], "--preview") == 0) {
        try {
            writePreview(argv[1], argv[3]);
        } catch (const std::exception& e) {
            std::fprintf(stderr, "artwork: %s\n", e.what());
            return 1;
        }
        return 0;
    }
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <resource folder> [--preview <out.png>]\n", argv[0]);
        return 2;
    }
    const std::string dir = argv[1];
    try {
        const ArtworkFiles::Rgba background = artwork::BackgroundArt::paint();
        ArtworkFiles::writeRgbaPng(dir + "/images/background.png", background);

        // The link buttons and where the launcher places them.
        struct Link {
            const char* name;
            const char* label;
            int x, y;
        };
        const Link links[] = {
            {"home", "官网首页", 380, 162},
            {"guide", "攻略秘籍", 540, 162},
            {"forum", "游戏论坛", 699, 162},
            {"service", "官方客服", 856, 162},
        };
        struct StateName {
            ButtonArt::State state;
            const char* suffix;
        };
        const StateName states[] = {
            {ButtonArt::State::Normal, "normal"},
            {ButtonArt::State::Hover, "hover"},
            {ButtonArt::State::Pressed, "pressed"},
        };
        for (const Link& link : links) {
            for (const StateName& s : states) {
                ArtworkFiles::writeRgbPng(dir + "/images/" + link.name + "_" + s.suffix + ".png",
                                          ButtonArt::linkButton(background, link.x, link.y, link.label, s.state));
            }
        }
        struct Small {
            const char* name;
            ButtonArt::Glyph glyph;
            int x, y;
        };
        const Small smalls[] = {
            {"min", ButtonArt::Glyph::Bar, 950, 22},
            {"close", ButtonArt::Glyph::Cross, 990, 22},
        };
        for (const Small& small : smalls) {
            for (const StateName& s : states) {
                ArtworkFiles::writeRgbPng(dir + "/images/" + small.name + "_" + s.suffix + ".png",
                                          ButtonArt::smallButton(background, small.x, small.y, small.glyph, s.state));
            }
        }

        ArtworkFiles::writeIcon(dir + "/icon.ico", artwork::IconArt::paint());
    } catch (const std::exception& e) {
        std::fprintf(stderr, "artwork: %s\n", e.what());
        return 1;
    }
    return 0;
}
