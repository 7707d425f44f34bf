// Images as the launcher loads them: resource bytes copied into a global
// memory block, a stream over it, then GDI+ (the background) or CImage (the
// button states). Checks the artwork's contract too: sizes, alpha, the
// black browser panel, the transparent corner and no pure black in any
// button.
#include "afx/CImage.h"
#include "resource.h"
#include "win32/GdiPlus.h"
#include "win32/linux/GpImageData.h"
#include "win32/LibLoaderApi.h"
#include "win32/ObjIdl.h"
#include "win32/WinBase.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <vector>

namespace {

constexpr DWORD kBiRgb = 0;

std::vector<BYTE> resourceBytes(WORD id)
{
    const HMODULE module = GetModuleHandleW(nullptr);
    const HRSRC r = FindResourceW(module, MAKEINTRESOURCEW(id), _T("PNG"));
    if (r == nullptr) return {};
    const auto* data = static_cast<const BYTE*>(LockResource(LoadResource(module, r)));
    return {data, data + SizeofResource(module, r)};
}

// A stream over a fixed block holding `bytes`, as the launcher makes it;
// the block is freed with the stream.
IStream* streamOver(const std::vector<BYTE>& bytes)
{
    HGLOBAL block = GlobalAlloc(GMEM_FIXED, bytes.size());
    if (block == nullptr) return nullptr;
    if (!bytes.empty()) std::memcpy(GlobalLock(block), bytes.data(), bytes.size());
    GlobalUnlock(block);
    IStream* stream = nullptr;
    if (FAILED(CreateStreamOnHGlobal(block, TRUE, &stream))) return nullptr;
    return stream;
}

class GdiplusSession : public ::testing::Test {
protected:
    void SetUp() override
    {
        Gdiplus::GdiplusStartupInput input;
        ASSERT_EQ(Gdiplus::GdiplusStartup(&m_token, &input, nullptr), Gdiplus::Ok);
    }
    void TearDown() override { Gdiplus::GdiplusShutdown(m_token); }

private:
    ULONG_PTR m_token = 0;
};

std::unique_ptr<ATL::CImage> loadCImage(const std::vector<BYTE>& bytes, HRESULT* result = nullptr)
{
    auto image = std::make_unique<ATL::CImage>();
    IStream* stream = streamOver(bytes);
    const HRESULT hr = image->Load(stream);
    if (stream) stream->Release();
    if (result) *result = hr;
    return image;
}

using BackgroundImage = GdiplusSession;

TEST_F(BackgroundImage, DecodesTo1044By616WithAlpha)
{
    IStream* stream = streamOver(resourceBytes(IDB_BACKGROUND));
    ASSERT_NE(stream, nullptr);
    Gdiplus::Image image(stream, FALSE);
    stream->Release();
    ASSERT_EQ(image.GetLastStatus(), Gdiplus::Ok);
    EXPECT_EQ(image.GetWidth(), 1044u);
    EXPECT_EQ(image.GetHeight(), 616u);
    EXPECT_EQ(image.GetPixelFormat(), PixelFormat32bppARGB);
}

// Reads the pixels of the decoded background through the platform's view
// of a GDI+ image.
class BackgroundPixels : public GdiplusSession {
protected:
    void SetUp() override
    {
        GdiplusSession::SetUp();
        IStream* stream = streamOver(resourceBytes(IDB_BACKGROUND));
        ASSERT_NE(stream, nullptr);
        ASSERT_EQ(Gdiplus::DllExports::GdipLoadImageFromStream(stream, &m_image), Gdiplus::Ok);
        stream->Release();
    }
    void TearDown() override
    {
        Gdiplus::DllExports::GdipDisposeImage(m_image);
        GdiplusSession::TearDown();
    }
    const quarrow::DecodedImage& pixels() const { return m_image->pixels; }

private:
    Gdiplus::GpImage* m_image = nullptr;
};

TEST_F(BackgroundPixels, BrowserPanelIsExactlyOpaqueBlack)
{
    const auto& p = pixels();
    ASSERT_EQ(p.width, 1044);
    for (int y = 209; y < 209 + 360; ++y) {
        for (int x = 353; x < 353 + 650; ++x) {
            const BYTE* px = p.pixel(x, y);
            ASSERT_TRUE(px[0] == 0 && px[1] == 0 && px[2] == 0 && px[3] == 255) << x << "," << y;
        }
    }
}

TEST_F(BackgroundPixels, OutlineIsIrregularAndTranslucentAtItsEdge)
{
    const auto& p = pixels();
    // The whole top-left corner is fully transparent.
    for (int y = 0; y < 60; ++y) {
        for (int x = 0; x < 90; ++x) ASSERT_EQ(p.pixel(x, y)[3], 0) << x << "," << y;
    }
    // So is every image corner, and the outline leaves the frame's border
    // rows empty.
    EXPECT_EQ(p.pixel(1043, 0)[3], 0);
    EXPECT_EQ(p.pixel(0, 615)[3], 0);
    EXPECT_EQ(p.pixel(1043, 615)[3], 0);
    // The title bar behind the minimise and close buttons is opaque.
    for (int x = 950; x < 1023; ++x) EXPECT_EQ(p.pixel(x, 30)[3], 255) << x;
    // Somewhere there are soft, translucent pixels.
    int translucent = 0;
    for (int y = 0; y < p.height; ++y) {
        for (int x = 0; x < p.width; ++x) {
            const BYTE a = p.pixel(x, y)[3];
            if (a > 0 && a < 255) ++translucent;
        }
    }
    EXPECT_GT(translucent, 1000);
}

TEST(GdiplusImage, NeedsGdiplusStarted)
{
    IStream* stream = streamOver(resourceBytes(IDB_BACKGROUND));
    ASSERT_NE(stream, nullptr);
    Gdiplus::Image image(stream);
    stream->Release();
    EXPECT_EQ(image.GetLastStatus(), Gdiplus::GdiplusNotInitialized);
    EXPECT_EQ(image.GetWidth(), 0u);
    EXPECT_EQ(image.GetHeight(), 0u);
}

TEST(GdiplusStartup, ChecksItsArguments)
{
    ULONG_PTR token = 0;
    Gdiplus::GdiplusStartupInput input;
    input.GdiplusVersion = 4;
    EXPECT_EQ(Gdiplus::GdiplusStartup(&token, &input, nullptr), Gdiplus::UnsupportedGdiplusVersion);
    Gdiplus::GdiplusStartupInput quiet(nullptr, TRUE);
    EXPECT_EQ(Gdiplus::GdiplusStartup(&token, &quiet, nullptr), Gdiplus::InvalidParameter);
    Gdiplus::GdiplusStartupOutput output{};
    ASSERT_EQ(Gdiplus::GdiplusStartup(&token, &quiet, &output), Gdiplus::Ok);
    EXPECT_NE(output.NotificationHook, nullptr);
    Gdiplus::GdiplusShutdown(token);
}

using BrokenImages = GdiplusSession;

TEST_F(BrokenImages, TruncatedOrLyingFilesGiveAFailedImage)
{
    const std::vector<BYTE> whole = resourceBytes(IDB_HOME_NORMAL);
    ASSERT_FALSE(whole.empty());
    std::vector<std::vector<BYTE>> broken;
    for (size_t n : {size_t{0}, size_t{7}, size_t{8}, size_t{33}, whole.size() / 2, whole.size() - 13}) {
        broken.emplace_back(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(n));
    }
    // A header that claims a picture far larger than the data.
    std::vector<BYTE> lying = whole;
    lying[16] = 0x00;
    lying[17] = 0x00;
    lying[18] = 0x7F;
    lying[19] = 0xFF;
    broken.push_back(lying);
    // Damaged pixel data (the CRC no longer matches).
    std::vector<BYTE> damaged = whole;
    for (size_t i = 60; i < 90 && i < damaged.size(); ++i) damaged[i] ^= 0x5A;
    broken.push_back(damaged);
    broken.push_back({'G', 'I', 'F', '8', '9', 'a'});

    for (size_t i = 0; i < broken.size(); ++i) {
        SCOPED_TRACE("case " + std::to_string(i));
        IStream* stream = streamOver(broken[i].empty() ? std::vector<BYTE>{} : broken[i]);
        ASSERT_NE(stream, nullptr);
        Gdiplus::Image image(stream);
        stream->Release();
        EXPECT_NE(image.GetLastStatus(), Gdiplus::Ok);
        EXPECT_EQ(image.GetWidth(), 0u);

        HRESULT hr = S_OK;
        auto cimage = loadCImage(broken[i], &hr);
        EXPECT_EQ(hr, E_FAIL);
        EXPECT_TRUE(cimage->IsNull());
        EXPECT_EQ(cimage->GetWidth(), 0);
    }
}

struct ButtonCase {
    WORD id;
    int width;
    int height;
};

class ButtonImage : public ::testing::TestWithParam<ButtonCase> {};

TEST_P(ButtonImage, IsOpaqueRgbOfItsSizeWithoutPureBlack)
{
    const ButtonCase c = GetParam();
    const std::vector<BYTE> bytes = resourceBytes(c.id);
    ASSERT_FALSE(bytes.empty());
    EXPECT_EQ(bytes[25], 2) << "PNG colour type";
    HRESULT hr = E_FAIL;
    auto image = loadCImage(bytes, &hr);
    ASSERT_EQ(hr, S_OK);
    EXPECT_EQ(image->GetWidth(), c.width);
    EXPECT_EQ(image->GetHeight(), c.height);
    EXPECT_EQ(image->GetBPP(), 24);
    EXPECT_FALSE(image->HasAlphaChannel());
    // Bottom-up, as GDI+ decoding gives it: rows run upwards in memory.
    const int stride = ((c.width * 24 + 31) / 32) * 4;
    EXPECT_EQ(image->GetPitch(), -stride);
    EXPECT_EQ(static_cast<const BYTE*>(image->GetPixelAddress(0, 1)),
              static_cast<const BYTE*>(image->GetBits()) - stride);
    for (int y = 0; y < c.height; ++y) {
        for (int x = 0; x < c.width; ++x) {
            const BYTE* p = static_cast<const BYTE*>(image->GetPixelAddress(x, y));
            ASSERT_FALSE(p[0] == 0 && p[1] == 0 && p[2] == 0) << "pure black at " << x << "," << y;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    LinkButtons, ButtonImage,
    ::testing::Values(ButtonCase{IDB_HOME_NORMAL, 148, 44}, ButtonCase{IDB_HOME_HOVER, 148, 44},
                      ButtonCase{IDB_HOME_PRESSED, 148, 44}, ButtonCase{IDB_GUIDE_NORMAL, 148, 44},
                      ButtonCase{IDB_GUIDE_HOVER, 148, 44}, ButtonCase{IDB_GUIDE_PRESSED, 148, 44},
                      ButtonCase{IDB_FORUM_NORMAL, 148, 44}, ButtonCase{IDB_FORUM_HOVER, 148, 44},
                      ButtonCase{IDB_FORUM_PRESSED, 148, 44}, ButtonCase{IDB_SERVICE_NORMAL, 148, 44},
                      ButtonCase{IDB_SERVICE_HOVER, 148, 44}, ButtonCase{IDB_SERVICE_PRESSED, 148, 44}));
INSTANTIATE_TEST_SUITE_P(SmallButtons, ButtonImage,
                         ::testing::Values(ButtonCase{IDB_MIN_NORMAL, 33, 33}, ButtonCase{IDB_MIN_HOVER, 33, 33},
                                           ButtonCase{IDB_MIN_PRESSED, 33, 33}, ButtonCase{IDB_CLOSE_NORMAL, 33, 33},
                                           ButtonCase{IDB_CLOSE_HOVER, 33, 33},
                                           ButtonCase{IDB_CLOSE_PRESSED, 33, 33}));

TEST(CImage, ThirtyTwoBitPngGivesThirtyTwoBitsWithStraightAlpha)
{
    HRESULT hr = E_FAIL;
    auto image = loadCImage(resourceBytes(IDB_BACKGROUND), &hr);
    ASSERT_EQ(hr, S_OK);
    EXPECT_EQ(image->GetBPP(), 32);
    EXPECT_TRUE(image->HasAlphaChannel());
    EXPECT_EQ(image->GetWidth(), 1044);
    EXPECT_EQ(image->GetHeight(), 616);
    EXPECT_EQ(image->GetPitch(), -1044 * 4);
    const BYTE* corner = static_cast<const BYTE*>(image->GetPixelAddress(0, 0));
    EXPECT_EQ(corner[3], 0);
    const BYTE* panel = static_cast<const BYTE*>(image->GetPixelAddress(353, 209));
    EXPECT_EQ(panel[0] | panel[1] | panel[2], 0);
    EXPECT_EQ(panel[3], 255);
    // Straight alpha: a translucent pixel keeps colour values above its
    // alpha somewhere along the soft edge.
    bool straight = false;
    for (int y = 0; y < 616 && !straight; ++y) {
        for (int x = 0; x < 1044 && !straight; ++x) {
            const BYTE* p = static_cast<const BYTE*>(image->GetPixelAddress(x, y));
            straight = p[3] > 0 && p[3] < 128 && p[2] > p[3];
        }
    }
    EXPECT_TRUE(straight);
}

TEST(CImage, CreateExMakesZeroedBitmapsOfTheAskedLayout)
{
    struct Case {
        int width, height, bpp;
        DWORD flags;
        int pitch;
        bool alpha;
    };
    const Case cases[] = {
        {148, 44, 32, ATL::CImage::createAlphaChannel, -148 * 4, true},
        {33, 33, 24, 0, -100, false},
        {33, -33, 24, 0, 100, false},
        {10, 5, 32, 0, -40, false},
        {3, 2, 24, ATL::CImage::createAlphaChannel, -12, false},
    };
    for (const Case& c : cases) {
        ATL::CImage image;
        ASSERT_TRUE(image.CreateEx(c.width, c.height, c.bpp, kBiRgb, nullptr, c.flags)) << c.width;
        EXPECT_FALSE(image.IsNull());
        EXPECT_EQ(image.GetPitch(), c.pitch);
        EXPECT_EQ(image.GetBPP(), c.bpp);
        EXPECT_EQ(image.HasAlphaChannel(), c.alpha);
        EXPECT_EQ(image.GetHeight(), c.height < 0 ? -c.height : c.height);
        const BYTE* last = static_cast<const BYTE*>(image.GetPixelAddress(image.GetWidth() - 1, image.GetHeight() - 1));
        EXPECT_EQ(last[0], 0);
        // A second CreateEx on a live image is refused; Destroy empties it.
        EXPECT_FALSE(image.CreateEx(4, 4, 32, kBiRgb));
        image.Destroy();
        EXPECT_TRUE(image.IsNull());
        EXPECT_EQ(image.GetWidth(), 0);
    }
    ATL::CImage refused;
    EXPECT_FALSE(refused.CreateEx(0, 44, 32, kBiRgb));
    EXPECT_FALSE(refused.CreateEx(10, 10, 8, kBiRgb));
    EXPECT_FALSE(refused.CreateEx(10, 10, 32, 3 /* BI_BITFIELDS */));
    EXPECT_TRUE(refused.IsNull());
}

TEST(CImage, LoadReplacesThePreviousPicture)
{
    ATL::CImage image;
    ASSERT_TRUE(image.CreateEx(5, 5, 32, kBiRgb));
    IStream* stream = streamOver(resourceBytes(IDB_CLOSE_NORMAL));
    ASSERT_EQ(image.Load(stream), S_OK);
    stream->Release();
    EXPECT_EQ(image.GetWidth(), 33);
    EXPECT_EQ(image.GetBPP(), 24);
    EXPECT_EQ(image.Load(nullptr), E_INVALIDARG);
}

} // namespace
