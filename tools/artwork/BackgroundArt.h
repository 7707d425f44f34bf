// The launcher's background: a 1044 x 616 RGBA picture with an irregular
// outline (a crest over the emblem at the upper left, a raised title bar at
// the upper right), a soft translucent glow around its edge, fully
// transparent pixels outside it (the whole top-left corner included), the
// game's logo and title in the left column, a console frame for the link
// buttons, and the opaque pure-black panel where the browser sits.
#pragma once

#include "ArtworkFiles.h"

namespace artwork {

class BackgroundArt {
public:
    static constexpr int kWidth = 1044;
    static constexpr int kHeight = 616;
    // The browser's panel: every pixel in it is exactly (0, 0, 0, 255).
    static constexpr int kPanelX = 353;
    static constexpr int kPanelY = 209;
    static constexpr int kPanelWidth = 650;
    static constexpr int kPanelHeight = 360;

    // Paints the picture and returns it with straight alpha.
    static ArtworkFiles::Rgba paint();
};

} // namespace artwork
