// Paints every picture of the launcher's resources and writes them into the
// given resource folder (res/): the background, the twelve link-button and
// six small-button images, and the application icon. Run by hand through
// the `artwork` build target; its output is committed.
#include "ArtworkFiles.h"
#include "BackgroundArt.h"
#include "ButtonArt.h"
#include "IconArt.h"

#include <cstdio>
#include <exception>
#include <string>

using artwork::ArtworkFiles;
using artwork::ButtonArt;

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <resource folder>\n", argv[0]);
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
