// Pixel buffers keep what they hold through a window's resizing back and
// forth, whether the new size is arranged in the buffer's own memory or in
// new memory: the overlapping top-left part is kept and every pixel the old
// size did not cover is zero, as in a new buffer.
#include "host/PixelBuffer.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace quarrow::test {
namespace {

// A pixel that tells where it was drawn.
Bgra marked(int x, int y) { return Bgra{BYTE(x), BYTE(y), BYTE(x ^ y), BYTE(0x80 | (x + y))}; }

void drawEverywhere(PixelBuffer& p)
{
    for (int y = 0; y < p.height(); ++y) {
        for (int x = 0; x < p.width(); ++x) p.set(x, y, marked(x, y));
    }
}

// The pixels expected after resizing a buffer drawn everywhere at
// `drawn` (w, h) through `sizes`.
std::string mismatch(const PixelBuffer& p, int keptWidth, int keptHeight)
{
    const Bgra zero{};
    for (int y = 0; y < p.height(); ++y) {
        for (int x = 0; x < p.width(); ++x) {
            Bgra want = x < keptWidth && y < keptHeight ? marked(x, y) : zero;
            if (p.bitsPerPixel() == 24) want.a = 255;
            if (!(p.get(x, y) == want)) return "pixel (" + std::to_string(x) + ", " + std::to_string(y) + ")";
        }
    }
    return {};
}

struct Resizing {
    const char* what;
    int bitsPerPixel;
    bool bottomUp;
    std::pair<int, int> drawn;
    std::vector<std::pair<int, int>> sizes;
};

TEST(PixelBuffer, ResizingKeepsTheOverlapAndZeroesWhatItUncovers)
{
    const Resizing cases[] = {
        {"narrower, in place", 32, false, {300, 200}, {{200, 200}}},
        {"wider within the memory, in place", 32, false, {300, 200}, {{200, 200}, {280, 200}}},
        {"shorter then taller again", 32, false, {300, 200}, {{300, 120}, {300, 200}}},
        {"the window's setup: smaller, back, then the same", 32, false, {260, 150}, {{220, 130}, {260, 150}, {260, 150}}},
        {"24-bit rows with padding", 24, false, {301, 100}, {{297, 100}, {301, 99}}},
        {"larger than the memory", 32, false, {100, 80}, {{300, 200}}},
        {"much smaller, into new memory", 32, false, {300, 200}, {{20, 10}}},
        {"bottom-up", 32, true, {300, 200}, {{200, 150}, {300, 200}}},
        {"to nothing and back", 32, false, {50, 40}, {{0, 0}, {50, 40}}},
    };
    for (const Resizing& c : cases) {
        PixelBuffer p(c.drawn.first, c.drawn.second, c.bitsPerPixel, c.bottomUp);
        drawEverywhere(p);
        int keptWidth = c.drawn.first, keptHeight = c.drawn.second;
        for (auto [w, h] : c.sizes) {
            p.resizeKeeping(w, h);
            keptWidth = std::min(keptWidth, w);
            keptHeight = std::min(keptHeight, h);
            ASSERT_EQ(p.width(), w) << c.what;
            ASSERT_EQ(p.height(), h) << c.what;
            EXPECT_EQ(mismatch(p, keptWidth, keptHeight), "") << c.what << ", at " << w << " x " << h;
        }
    }
}

// A buffer nothing was drawn on stays zero, and so do its copies, whatever
// its size and however it is resized (its memory is never written to say so).
TEST(PixelBuffer, AnUndrawnBufferAndItsCopiesAreZero)
{
    PixelBuffer large(1044, 616);
    EXPECT_TRUE(large.allZero());
    large.resizeKeeping(900, 568);
    large.resizeKeeping(1044, 616);
    PixelBuffer copy(large);
    EXPECT_TRUE(copy.allZero());
    for (const PixelBuffer* p : {&large, &copy}) EXPECT_EQ(mismatch(*p, 0, 0), "");
    copy.set(3, 4, marked(3, 4));
    EXPECT_FALSE(copy.allZero());
    const PixelBuffer drawnCopy(copy);
    EXPECT_TRUE(drawnCopy.get(3, 4) == marked(3, 4));
}

} // namespace
} // namespace quarrow::test
