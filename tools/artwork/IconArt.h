// The application icon: the game's emblem on a dark rounded shield, 128 x
// 128 with a transparent surround, as straight RGBA for the icon writer.
#pragma once

#include "ArtworkFiles.h"

namespace artwork {

class IconArt {
public:
    static constexpr int kSize = 128;
    static ArtworkFiles::Rgba paint();
};

} // namespace artwork
