// Text into 8-bit coverage masks through pango and cairo, for DrawTextW and
// the text measuring functions. The font faces of the platform's dialogs
// ("MS Shell Dlg", "Tahoma", "SimSun", ...) all map to one installed face
// with Chinese glyphs, so that rendering is the same on every machine with
// the project's packages; other face names go to fontconfig as they are.
// Rendering is grey-scale antialiased without hinting, which keeps it
// deterministic for a given font file.
#pragma once

#include "win32/WinDef.h"

#include <string>
#include <vector>

namespace quarrow {

struct TextStyle {
    std::u16string face;
    int pixelHeight = 12; // the em size in pixels
    int weight = 400;
    bool italic = false;
    bool underline = false;
};

class TextRenderer {
public:
    // A coverage mask; its (0, 0) lies at the top-left of the text's
    // logical box (ink may reach outside by `pad` pixels on every side).
    struct Mask {
        int width = 0;
        int height = 0;
        int stride = 0;
        int pad = 0;
        std::vector<BYTE> bytes;
    };

    // The logical size of one line of text.
    static SIZE measure(const TextStyle& style, const std::u16string& text);
    static Mask render(const TextStyle& style, const std::u16string& text);
    // Ascent and descent of the style's font in pixels.
    static void metrics(const TextStyle& style, int& ascent, int& descent);
    // The face actually asked of fontconfig for a platform face name.
    static std::string familyFor(const std::u16string& face);
};

} // namespace quarrow
