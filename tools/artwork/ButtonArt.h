// The launcher's button images: 148 x 44 link buttons with a drawn Chinese
// label, and 33 x 33 minimise and close buttons. Each image is painted on
// the crop of the background where the launcher places that button, so that
// the plate's rounded corners blend into the artwork; the result is opaque
// RGB and holds no pure black pixel (pure black is the overlay's colour key).
#pragma once

#include "ArtworkFiles.h"

#include <string>

namespace artwork {

class ButtonArt {
public:
    enum class State { Normal, Hover, Pressed };
    enum class Glyph { Bar, Cross };

    static ArtworkFiles::Rgba linkButton(const ArtworkFiles::Rgba& background, int x, int y, const std::string& label,
                                         State state);
    static ArtworkFiles::Rgba smallButton(const ArtworkFiles::Rgba& background, int x, int y, Glyph glyph,
                                          State state);
};

} // namespace artwork
