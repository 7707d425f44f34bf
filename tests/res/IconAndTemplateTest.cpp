// Hand-made icon images and dialog templates: the decoders take the forms
// the platform documents and refuse damaged data with a message.
#include "win32/DialogTemplate.h"
#include "win32/linux/IconImage.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using quarrow::DialogTemplate;
using quarrow::IconImage;

namespace {

using Bytes = std::vector<BYTE>;

void put16(Bytes& b, unsigned v)
{
    b.push_back(static_cast<BYTE>(v & 0xFF));
    b.push_back(static_cast<BYTE>((v >> 8) & 0xFF));
}
void put32(Bytes& b, DWORD v)
{
    put16(b, v & 0xFFFF);
    put16(b, v >> 16);
}

// A 2 x 2 icon image of the given depth: the top-left pixel is red, the
// others white; the mask makes the bottom-right pixel transparent.
Bytes iconImage(WORD bits, bool alphaBytes)
{
    Bytes b;
    put32(b, 40);
    put32(b, 2);
    put32(b, 4);
    put16(b, 1);
    put16(b, bits);
    for (int i = 0; i < 6; ++i) put32(b, 0);
    if (bits == 1) {
        put32(b, 0x00FFFFFF); // index 0 white
        put32(b, 0x00FF0000); // index 1 red
    }
    // Colour rows, bottom-up: bottom row first.
    const auto pixel = [&](bool red) {
        if (bits == 32) {
            put32(b, (red ? 0x00FF0000u : 0x00FFFFFFu) | (alphaBytes ? 0xFF000000u : 0u));
        } else if (bits == 24) {
            b.push_back(red ? 0 : 255);
            b.push_back(red ? 0 : 255);
            b.push_back(255);
        }
    };
    for (int row = 0; row < 2; ++row) {
        const bool top = row == 1;
        if (bits == 1) {
            put32(b, top ? 0x80u : 0u); // first pixel of the top row is index 1
        } else {
            pixel(top);
            pixel(false);
            while (b.size() % 4 != 0) b.push_back(0);
        }
    }
    // Mask rows, bottom-up: the bottom row's second pixel is transparent.
    put32(b, 0x40);
    put32(b, 0x00);
    return b;
}

struct IconCase {
    const char* what;
    WORD bits;
    bool alphaBytes;
};

class IconImageDecoding : public ::testing::TestWithParam<IconCase> {};

TEST_P(IconImageDecoding, ReadsColoursAndTransparency)
{
    const IconCase c = GetParam();
    const Bytes b = iconImage(c.bits, c.alphaBytes);
    std::string error;
    auto image = IconImage::decodeImageResource(b.data(), b.size(), error);
    ASSERT_TRUE(image) << c.what << ": " << error;
    ASSERT_EQ(image->width, 2);
    ASSERT_EQ(image->height, 2);
    const BYTE* red = image->pixel(0, 0);
    EXPECT_EQ(red[0], 0);
    EXPECT_EQ(red[2], 255);
    EXPECT_EQ(red[3], 255);
    EXPECT_EQ(image->pixel(1, 0)[1], 255);
    // With real alpha bytes the mask is not used; without, it decides.
    EXPECT_EQ(image->pixel(1, 1)[3], c.alphaBytes ? 255 : 0);
    EXPECT_EQ(image->pixel(0, 1)[3], 255);
}

INSTANTIATE_TEST_SUITE_P(Depths, IconImageDecoding,
                         ::testing::Values(IconCase{"32 bits with alpha", 32, true},
                                           IconCase{"32 bits without alpha", 32, false},
                                           IconCase{"24 bits", 24, false}, IconCase{"1 bit", 1, false}));

TEST(IconImageDecoding, RefusesDamagedImages)
{
    struct Case {
        const char* what;
        Bytes bytes;
        const char* message;
    };
    Bytes truncated = iconImage(32, true);
    truncated.resize(truncated.size() - 1);
    Bytes odd = iconImage(32, true);
    odd[8] = 3; // a height that does not count two halves
    Bytes depth = iconImage(32, true);
    depth[14] = 16;
    Bytes compressed = iconImage(32, true);
    compressed[16] = 1;
    const Case cases[] = {
        {"empty", {}, "too short"},
        {"truncated mask", truncated, "need"},
        {"odd height", odd, "dimensions"},
        {"16 bits", depth, "bit depth"},
        {"compressed", compressed, "compressed"},
    };
    for (const Case& c : cases) {
        std::string error;
        EXPECT_FALSE(IconImage::decodeImageResource(c.bytes.data(), c.bytes.size(), error)) << c.what;
        EXPECT_NE(error.find(c.message), std::string::npos) << c.what << ": " << error;
    }
}

TEST(IconImage, ScalesByAreaAveragingOfPremultipliedPixels)
{
    quarrow::DecodedImage source;
    source.width = source.height = 4;
    source.hasAlpha = true;
    source.bgra.assign(4 * 4 * 4, 0);
    // The left half opaque white, the right half transparent.
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 2; ++x) {
            BYTE* p = source.pixel(x, y);
            p[0] = p[1] = p[2] = p[3] = 255;
        }
    }
    IconImage icon(source, 1);
    ASSERT_EQ(icon.width(), 1);
    const BYTE* p = icon.pixels();
    EXPECT_EQ(p[3], 128);
    EXPECT_EQ(p[0], 128);
    const auto straight = icon.straight();
    EXPECT_EQ(straight.bgra[0], 255);
    EXPECT_EQ(straight.bgra[3], 128);
}

TEST(DialogTemplate, ReadsTheClassicForm)
{
    Bytes b;
    put32(b, 0x80C800C0); // WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_SETFONT | DS_MODALFRAME
    put32(b, 0);
    put16(b, 2);
    put16(b, 10);
    put16(b, 20);
    put16(b, 100);
    put16(b, 50);
    put16(b, 0);          // no menu
    put16(b, 0);          // default class
    for (char16_t c : std::u16string(_T("Hi"))) put16(b, c);
    put16(b, 0);
    put16(b, 8);
    for (char16_t c : std::u16string(_T("Tahoma"))) put16(b, c);
    put16(b, 0);
    const auto item = [&](DWORD style, WORD id, WORD atom, const std::u16string& title, Bytes extra) {
        while (b.size() % 4 != 0) b.push_back(0);
        put32(b, style);
        put32(b, 0);
        put16(b, 1);
        put16(b, 2);
        put16(b, 30);
        put16(b, 12);
        put16(b, id);
        put16(b, 0xFFFF);
        put16(b, atom);
        for (char16_t c : title) put16(b, c);
        put16(b, 0);
        put16(b, extra.empty() ? 0 : static_cast<unsigned>(extra.size() + 2));
        b.insert(b.end(), extra.begin(), extra.end());
    };
    item(0x50000000, 7, 0x0082, _T("Label"), {});
    item(0x58010000, 1, 0x0080, _T("OK"), {0xAA, 0xBB});
    std::string error;
    auto t = DialogTemplate::parse(b.data(), b.size(), error);
    ASSERT_TRUE(t) << error;
    EXPECT_FALSE(t->extended);
    EXPECT_EQ(t->style, 0x80C800C0u);
    EXPECT_EQ(t->cx, 100);
    EXPECT_EQ(t->title.text, _T("Hi"));
    EXPECT_EQ(t->pointSize, 8);
    EXPECT_EQ(t->typeface, _T("Tahoma"));
    ASSERT_EQ(t->items.size(), 2u);
    EXPECT_EQ(t->items[0].className(), _T("Static"));
    EXPECT_EQ(t->items[0].title.text, _T("Label"));
    EXPECT_EQ(t->items[1].id, 1u);
    EXPECT_EQ(t->items[1].className(), _T("Button"));
    EXPECT_EQ(t->items[1].creationData, (Bytes{0xAA, 0xBB}));
    // The OK button is disabled (WS_DISABLED), and the label has no tab stop.
    EXPECT_EQ(t->firstTabStop(), -1);
}

} // namespace
