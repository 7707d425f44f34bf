// The image button on the memory window system, by behaviour: its hover and
// pressed flags, capture, focus and repaints driven by synthetic mouse
// input; clicks reaching the dialog only through the platform's BN_CLICKED;
// the screen showing the launcher's button images pixel for pixel in each
// state; state images loaded from PNG resources (premultiplied alpha only
// for the exact type "PNG", target sizes, replacement, bad arguments); and
// the centred caption with its pressed offset and disabled grey.
//
// Images of the tests' own are PNG files written here with libpng and put
// into a resource module made from bytes, which becomes the framework's
// resource handle for the test.
#include "afx/CDialog.h"
#include "afx/CImage.h"
#include "afx/CPaintDC.h"
#include "host/Host.h"
#include "host/HostFixture.h"
#include "host/memory/MemoryBackend.h"
#include "layered/CTraButton.h"
#include "res/resource.h"
#include "win32/linux/ResourceModule.h"
#include "win32/Windows.h"

#include <gtest/gtest.h>
#include <png.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<BYTE>;
using quarrow::Bgra;
using quarrow::PixelBuffer;
using quarrow::test::TemplateBuilder;

constexpr int kButtonId = 1001;
constexpr int kOtherId = 1002;
constexpr COLORREF kParentColour = RGB(40, 90, 160);
constexpr Bgra kWhite{255, 255, 255, 255};

// ---------------------------------------------------------------------------
// Test images and resource modules

struct Rgba {
    BYTE r, g, b, a;
};

// A PNG file of `width` x `height` pixels, rows top to bottom; with `alpha`
// the colour type is RGBA (straight alpha), otherwise RGB.
Bytes pngFile(int width, int height, bool alpha, const std::vector<Rgba>& pixels)
{
    Bytes raw;
    for (const Rgba& p : pixels) {
        raw.push_back(p.r);
        raw.push_back(p.g);
        raw.push_back(p.b);
        if (alpha) raw.push_back(p.a);
    }
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(width);
    image.height = static_cast<png_uint_32>(height);
    image.format = alpha ? PNG_FORMAT_RGBA : PNG_FORMAT_RGB;
    png_alloc_size_t size = 0;
    if (!png_image_write_to_memory(&image, nullptr, &size, 0, raw.data(), 0, nullptr)) return {};
    Bytes file(size);
    if (!png_image_write_to_memory(&image, file.data(), &size, 0, raw.data(), 0, nullptr)) return {};
    file.resize(size);
    return file;
}

// A picture whose every pixel differs: (x * 60, y * 80, 7).
std::vector<Rgba> gradient(int width, int height)
{
    std::vector<Rgba> out;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) out.push_back(Rgba{BYTE(x * 60), BYTE(y * 80), 7, 255});
    }
    return out;
}

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

struct Resource {
    std::u16string type;
    WORD id;
    Bytes data;
};

// A compiled resource file (.res) holding `resources` under string types
// and numeric names, after the empty entry that starts every such file.
Bytes resFile(const std::vector<Resource>& resources)
{
    auto entry = [](Bytes& out, const std::u16string& type, WORD id, const Bytes& data, bool marker) {
        Bytes names;
        if (marker) {
            put16(names, 0xFFFF);
            put16(names, 0);
            put16(names, 0xFFFF);
            put16(names, 0);
        } else {
            for (char16_t c : type) put16(names, c);
            put16(names, 0);
            put16(names, 0xFFFF);
            put16(names, id);
        }
        while ((8 + names.size()) % 4 != 0) names.push_back(0);
        put32(out, static_cast<DWORD>(data.size()));
        put32(out, static_cast<DWORD>(8 + names.size() + 16));
        out.insert(out.end(), names.begin(), names.end());
        put32(out, 0);                          // data version
        put16(out, 0x1030);                     // memory flags
        put16(out, marker ? 0 : 0x0409);        // language
        put32(out, 0);                          // version
        put32(out, 0);                          // characteristics
        out.insert(out.end(), data.begin(), data.end());
        while (out.size() % 4 != 0) out.push_back(0);
    };
    Bytes out;
    entry(out, _T(""), 0, {}, true);
    for (const Resource& r : resources) entry(out, r.type, r.id, r.data, false);
    return out;
}

// Makes a module over `resources` the framework's resource handle for as
// long as it lives.
class ResourceHandleScope {
public:
    explicit ResourceHandleScope(const std::vector<Resource>& resources) : m_module(resFile(resources))
    {
        AfxSetResourceHandle(m_module.handle());
    }
    ~ResourceHandleScope() { AfxSetResourceHandle(nullptr); }
    const quarrow::ResourceModule& module() const { return m_module; }

private:
    quarrow::ResourceModule m_module;
};

// A launcher image decoded on its own, as the reference for what the
// screen must show.
std::unique_ptr<ATL::CImage> decodeLauncherImage(WORD id)
{
    const HMODULE module = GetModuleHandleW(nullptr);
    const HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(id), _T("PNG"));
    if (!found) return nullptr;
    const DWORD size = SizeofResource(module, found);
    HGLOBAL block = GlobalAlloc(GMEM_FIXED, size);
    std::memcpy(GlobalLock(block), LockResource(LoadResource(module, found)), size);
    GlobalUnlock(block);
    IStream* stream = nullptr;
    if (FAILED(CreateStreamOnHGlobal(block, TRUE, &stream))) return nullptr;
    auto image = std::make_unique<ATL::CImage>();
    const HRESULT hr = image->Load(stream);
    stream->Release();
    if (FAILED(hr)) return nullptr;
    return image;
}

// The blue, green, red and alpha bytes of an image pixel.
Bgra imagePixel(const ATL::CImage& image, int x, int y)
{
    const auto* p = static_cast<const BYTE*>(image.GetPixelAddress(x, y));
    return Bgra{p[0], p[1], p[2], image.GetBPP() == 32 ? p[3] : BYTE(255)};
}

std::string describe(Bgra p)
{
    return "(r" + std::to_string(p.r) + " g" + std::to_string(p.g) + " b" + std::to_string(p.b) + " a" +
           std::to_string(p.a) + ")";
}

Bgra opaque(COLORREF c) { return Bgra{GetBValue(c), GetGValue(c), GetRValue(c), 255}; }

// ---------------------------------------------------------------------------
// The button in a dialog

// Counts its draws and remembers the platform's item state of the last one.
class CCountingTraButton : public CTraButton {
public:
    int draws = 0;
    UINT lastItemState = 0;

protected:
    void DrawItem(LPDRAWITEMSTRUCT dis) override
    {
        ++draws;
        lastItemState = dis->itemState;
        CTraButton::DrawItem(dis);
    }
};

// The button's parent: binds the button, paints its own background in a
// known colour, records its repaints and every command from the button.
class CButtonDialog : public CDialog {
public:
    CButtonDialog() : m_brush(CreateSolidBrush(kParentColour)) {}
    ~CButtonDialog() override { DeleteObject(m_brush); }

    CCountingTraButton m_btn;
    int clicks = 0;
    int paints = 0;
    RECT painted{};
    std::vector<WPARAM> commands;

protected:
    void DoDataExchange(CDataExchange* pDX) override { DDX_Control(pDX, kButtonId, m_btn); }
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override
    {
        if (LOWORD(wParam) == kButtonId) commands.push_back(wParam);
        return CDialog::OnCommand(wParam, lParam);
    }
    afx_msg void OnButtonClicked() { ++clicks; }
    afx_msg void OnPaint()
    {
        CPaintDC dc(this);
        ++paints;
        painted = dc.m_ps.rcPaint;
    }
    afx_msg HBRUSH OnCtlColor(CDC* pDC, CWnd* pWnd, UINT nCtlColor)
    {
        if (nCtlColor == CTLCOLOR_DLG) return m_brush;
        return CDialog::OnCtlColor(pDC, pWnd, nCtlColor);
    }
    DECLARE_MESSAGE_MAP()

private:
    HBRUSH m_brush;
};

BEGIN_MESSAGE_MAP(CButtonDialog, CDialog)
    ON_BN_CLICKED(kButtonId, &CButtonDialog::OnButtonClicked)
    ON_WM_PAINT()
    ON_WM_CTLCOLOR()
END_MESSAGE_MAP()

// A captioned dialog at (200, 100) holding the image button at `kButton`
// (client coordinates) and a second push button elsewhere.
class TraButtonTest : public ::testing::Test {
protected:
    static constexpr RECT kButton{20, 30, 20 + 148, 30 + 44};

    TraButtonTest() : host(screen) {}

    void SetUp() override
    {
        TemplateBuilder t(WS_POPUP | WS_CAPTION | WS_VISIBLE, 0, 0, 200, 120, _T("Buttons"), true);
        t.control(_T("Button"), _T(""), kButtonId, BS_PUSHBUTTON | WS_TABSTOP, 10, 10, 40, 14);
        t.control(_T("Button"), _T("Other"), kOtherId, BS_PUSHBUTTON | WS_TABSTOP, 120, 80, 40, 14);
        tmpl = std::make_unique<TemplateBuilder>(t);
        ASSERT_TRUE(dlg.CreateIndirect(tmpl->get()));
        dlg.SetWindowPos(nullptr, 200, 100, 400, 260, SWP_NOZORDER);
        placeButton(kButton);
        dlg.GetDlgItem(kOtherId)->MoveWindow(250, 150, 80, 24);
        host.pump();
    }

    void placeButton(RECT r)
    {
        dlg.m_btn.MoveWindow(r.left, r.top, r.right - r.left, r.bottom - r.top);
        host.pump();
    }

    // The button's rectangle on the screen.
    RECT buttonOnScreen() const
    {
        RECT r{};
        ::GetWindowRect(dlg.m_btn.m_hWnd, &r);
        return r;
    }
    POINT inside(int dx = 0) const
    {
        const RECT r = buttonOnScreen();
        return POINT{(r.left + r.right) / 2 + dx, (r.top + r.bottom) / 2};
    }
    // A point on the dialog's client area, away from both buttons.
    POINT outside() const
    {
        const RECT r = buttonOnScreen();
        return POINT{r.right + 30, r.bottom + 20};
    }

    void moveTo(POINT p)
    {
        screen.moveMouse(p.x, p.y);
        host.pump();
    }
    void press(POINT p)
    {
        screen.pressMouse(p.x, p.y);
        host.pump();
    }
    void release(POINT p)
    {
        screen.releaseMouse(p.x, p.y);
        host.pump();
    }

    // Loads the launcher's three images of one button, at the button's size.
    void loadLauncherStates(WORD normal, WORD hover, WORD pressed, int width, int height)
    {
        dlg.m_btn.LoadStateImage(normal, CTraButton::kStateNormal, width, height, _T("PNG"));
        dlg.m_btn.LoadStateImage(hover, CTraButton::kStateHover, width, height, _T("PNG"));
        dlg.m_btn.LoadStateImage(pressed, CTraButton::kStatePressed, width, height, _T("PNG"));
    }

    // Whether the screen shows `image` exactly, pixel for pixel, on the
    // button's rectangle.
    ::testing::AssertionResult showsImage(const ATL::CImage& image) const
    {
        const PixelBuffer shot = screen.compose();
        const RECT r = buttonOnScreen();
        if (r.right - r.left != image.GetWidth() || r.bottom - r.top != image.GetHeight()) {
            return ::testing::AssertionFailure() << "the button is not the image's size";
        }
        for (int y = 0; y < image.GetHeight(); ++y) {
            for (int x = 0; x < image.GetWidth(); ++x) {
                const Bgra seen = shot.get(r.left + x, r.top + y);
                const Bgra want = imagePixel(image, x, y);
                if (seen.r != want.r || seen.g != want.g || seen.b != want.b) {
                    return ::testing::AssertionFailure() << "at (" << x << ", " << y << ") the screen shows "
                                                         << describe(seen) << ", the image has " << describe(want);
                }
            }
        }
        return ::testing::AssertionSuccess();
    }

    quarrow::MemoryBackend screen;
    quarrow::Host host;
    std::unique_ptr<TemplateBuilder> tmpl;
    CButtonDialog dlg;
};

// ---------------------------------------------------------------------------
// Following the pointer

TEST_F(TraButtonTest, BindingMakesItOwnerDrawnWithNoImagesAndNoFlags)
{
    EXPECT_EQ(static_cast<DWORD>(BS_OWNERDRAW), dlg.m_btn.GetStyle() & BS_TYPEMASK);
    for (int s = 0; s < CTraButton::kStateCount; ++s) EXPECT_EQ(nullptr, dlg.m_btn.StateImage(s)) << s;
    EXPECT_FALSE(dlg.m_btn.IsHover());
    EXPECT_FALSE(dlg.m_btn.IsPressed());
    EXPECT_GT(dlg.m_btn.draws, 0);
}

TEST_F(TraButtonTest, StateTableUnderTheMouse)
{
    loadLauncherStates(IDB_HOME_NORMAL, IDB_HOME_HOVER, IDB_HOME_PRESSED, 148, 44);
    const auto normal = decodeLauncherImage(IDB_HOME_NORMAL);
    const auto hover = decodeLauncherImage(IDB_HOME_HOVER);
    const auto pressed = decodeLauncherImage(IDB_HOME_PRESSED);
    ASSERT_TRUE(normal && hover && pressed);
    const HWND button = dlg.m_btn.m_hWnd;
    const HWND other = dlg.GetDlgItem(kOtherId)->m_hWnd;
    ::SetFocus(other);
    dlg.Invalidate();
    host.pump();
    ASSERT_EQ(other, ::GetFocus());
    EXPECT_TRUE(showsImage(*normal));

    // On to the button: hover, capture, the focus taken from the other
    // control, the button and the parent beneath it repainted.
    const int drawsBefore = dlg.m_btn.draws;
    const int paintsBefore = dlg.paints;
    moveTo(inside());
    EXPECT_TRUE(dlg.m_btn.IsHover());
    EXPECT_FALSE(dlg.m_btn.IsPressed());
    EXPECT_EQ(button, ::GetCapture());
    EXPECT_EQ(button, ::GetFocus());
    EXPECT_GT(dlg.m_btn.draws, drawsBefore);
    EXPECT_EQ(paintsBefore + 1, dlg.paints);
    EXPECT_EQ(kButton.left, dlg.painted.left);
    EXPECT_EQ(kButton.top, dlg.painted.top);
    EXPECT_EQ(kButton.right, dlg.painted.right);
    EXPECT_EQ(kButton.bottom, dlg.painted.bottom);
    EXPECT_TRUE(showsImage(*hover));

    // Moving inside again repaints nothing.
    const int drawsHovering = dlg.m_btn.draws;
    const int paintsHovering = dlg.paints;
    moveTo(inside(5));
    EXPECT_EQ(drawsHovering, dlg.m_btn.draws);
    EXPECT_EQ(paintsHovering, dlg.paints);
    EXPECT_TRUE(dlg.m_btn.IsHover());
    EXPECT_EQ(button, ::GetCapture());

    // Press: pressed, drawn pushed.
    press(inside(5));
    EXPECT_TRUE(dlg.m_btn.IsPressed());
    EXPECT_TRUE(dlg.m_btn.IsHover());
    EXPECT_TRUE(showsImage(*pressed));

    // Out with the button held: no hover, still pressed, capture released
    // (which ends the platform's push as well); the normal image.
    moveTo(outside());
    EXPECT_FALSE(dlg.m_btn.IsHover());
    EXPECT_TRUE(dlg.m_btn.IsPressed());
    EXPECT_EQ(nullptr, ::GetCapture());
    EXPECT_TRUE(showsImage(*normal));

    // Back in, still held: hover and pressed both true. The platform no
    // longer shows the button pushed, so the button's own flags choose the
    // pressed image.
    moveTo(inside());
    EXPECT_TRUE(dlg.m_btn.IsHover());
    EXPECT_TRUE(dlg.m_btn.IsPressed());
    EXPECT_EQ(button, ::GetCapture());
    EXPECT_FALSE(dlg.m_btn.lastItemState & ODS_SELECTED);
    EXPECT_TRUE(showsImage(*pressed));

    // Let go over it: both flags clear, the normal image until the pointer
    // moves again. The platform's push had ended, so there is no click.
    release(inside());
    EXPECT_FALSE(dlg.m_btn.IsHover());
    EXPECT_FALSE(dlg.m_btn.IsPressed());
    EXPECT_TRUE(showsImage(*normal));
    EXPECT_EQ(0, dlg.clicks);

    // The next move over it hovers again; moving out releases the capture.
    moveTo(inside(3));
    EXPECT_TRUE(dlg.m_btn.IsHover());
    EXPECT_TRUE(showsImage(*hover));
    moveTo(outside());
    EXPECT_FALSE(dlg.m_btn.IsHover());
    EXPECT_EQ(nullptr, ::GetCapture());
    EXPECT_TRUE(showsImage(*normal));
    EXPECT_TRUE(dlg.commands.empty());
}

TEST_F(TraButtonTest, AMoveWithTheButtonUpClearsAStalePressedFlag)
{
    moveTo(inside());
    press(inside());
    moveTo(outside());
    // Let go outside: the button no longer holds the capture and never sees
    // the release, so its pressed flag stays set.
    release(outside());
    EXPECT_TRUE(dlg.m_btn.IsPressed());
    EXPECT_EQ(0, dlg.clicks);

    moveTo(inside());
    EXPECT_TRUE(dlg.m_btn.IsHover());
    EXPECT_FALSE(dlg.m_btn.IsPressed());
}

TEST_F(TraButtonTest, ClicksReachTheDialogOnlyAsThePlatformsBnClicked)
{
    loadLauncherStates(IDB_HOME_NORMAL, IDB_HOME_HOVER, IDB_HOME_PRESSED, 148, 44);
    const auto normal = decodeLauncherImage(IDB_HOME_NORMAL);
    ASSERT_TRUE(normal);

    // Hover and press alone send nothing.
    moveTo(inside());
    press(inside());
    EXPECT_TRUE(dlg.m_btn.lastItemState & ODS_SELECTED);
    EXPECT_TRUE(dlg.commands.empty());

    // Released over the button: exactly one BN_CLICKED with the control id.
    release(inside(4));
    EXPECT_EQ(1, dlg.clicks);
    ASSERT_EQ(1u, dlg.commands.size());
    EXPECT_EQ(MAKEWPARAM(kButtonId, BN_CLICKED), dlg.commands[0]);
    EXPECT_FALSE(dlg.m_btn.IsHover());
    EXPECT_FALSE(dlg.m_btn.IsPressed());
    EXPECT_TRUE(showsImage(*normal));

    // Pressed over it, released after moving away: no click.
    moveTo(inside());
    press(inside());
    moveTo(outside());
    release(outside());
    EXPECT_EQ(1, dlg.clicks);
    EXPECT_EQ(1u, dlg.commands.size());
}

// ---------------------------------------------------------------------------
// The launcher's images on the screen

struct LauncherButton {
    const char* name;
    WORD normal, hover, pressed;
    int width, height;
};

class LauncherImages : public TraButtonTest, public ::testing::WithParamInterface<LauncherButton> {};

TEST_P(LauncherImages, EachStateShowsItsImageExactly)
{
    const LauncherButton& b = GetParam();
    placeButton(RECT{kButton.left, kButton.top, kButton.left + b.width, kButton.top + b.height});
    loadLauncherStates(b.normal, b.hover, b.pressed, b.width, b.height);
    for (int s = 0; s < 3; ++s) {
        ASSERT_NE(nullptr, dlg.m_btn.StateImage(s));
        // The launcher's images carry no alpha: stored opaque as decoded.
        EXPECT_EQ(24, dlg.m_btn.StateImage(s)->GetBPP());
        EXPECT_FALSE(dlg.m_btn.StateImage(s)->HasAlphaChannel());
    }
    const auto normal = decodeLauncherImage(b.normal);
    const auto hover = decodeLauncherImage(b.hover);
    const auto pressed = decodeLauncherImage(b.pressed);
    ASSERT_TRUE(normal && hover && pressed);
    dlg.Invalidate();
    host.pump();
    EXPECT_TRUE(showsImage(*normal));
    moveTo(inside());
    EXPECT_TRUE(showsImage(*hover));
    press(inside());
    EXPECT_TRUE(showsImage(*pressed));
    release(inside());
    EXPECT_TRUE(showsImage(*normal));
}

INSTANTIATE_TEST_SUITE_P(
    AllSix, LauncherImages,
    ::testing::Values(LauncherButton{"home", IDB_HOME_NORMAL, IDB_HOME_HOVER, IDB_HOME_PRESSED, 148, 44},
                      LauncherButton{"guide", IDB_GUIDE_NORMAL, IDB_GUIDE_HOVER, IDB_GUIDE_PRESSED, 148, 44},
                      LauncherButton{"service", IDB_SERVICE_NORMAL, IDB_SERVICE_HOVER, IDB_SERVICE_PRESSED, 148, 44},
                      LauncherButton{"forum", IDB_FORUM_NORMAL, IDB_FORUM_HOVER, IDB_FORUM_PRESSED, 148, 44},
                      LauncherButton{"close", IDB_CLOSE_NORMAL, IDB_CLOSE_HOVER, IDB_CLOSE_PRESSED, 33, 33},
                      LauncherButton{"minimise", IDB_MIN_NORMAL, IDB_MIN_HOVER, IDB_MIN_PRESSED, 33, 33}),
    [](const ::testing::TestParamInfo<LauncherButton>& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------------------
// Loading state images from resources of the test's own

constexpr WORD kTranslucent = 1; // 4 x 1, RGBA
constexpr WORD kGradient = 2;    // 4 x 3, RGB
constexpr WORD kGarbage = 3;     // not a PNG file
constexpr WORD kTall = 4;        // 2 x 5, RGB
constexpr WORD kWhite8 = 5;      // 8 x 8 white, RGB
constexpr WORD kRed8 = 6;        // 8 x 8 red, RGB

// The translucent picture: alpha 128 (255, 0, 100), alpha 0 (10, 20, 30),
// alpha 255 (200, 150, 100), and alpha 130 (100, 1, 254), whose products
// have remainders of more than half.
const std::vector<Rgba> kTranslucentPixels{
    {255, 0, 100, 128}, {10, 20, 30, 0}, {200, 150, 100, 255}, {100, 1, 254, 130}};

std::vector<Resource> testResources()
{
    return {
        {_T("PNG"), kTranslucent, pngFile(4, 1, true, kTranslucentPixels)},
        {_T("PNG"), kGradient, pngFile(4, 3, false, gradient(4, 3))},
        {_T("PNG"), kGarbage, Bytes{'n', 'o', 't', ' ', 'a', ' ', 'p', 'n', 'g'}},
        {_T("PNG"), kTall, pngFile(2, 5, false, gradient(2, 5))},
        {_T("PNG"), kWhite8, pngFile(8, 8, false, std::vector<Rgba>(64, Rgba{255, 255, 255, 255}))},
        {_T("PNG"), kRed8, pngFile(8, 8, false, std::vector<Rgba>(64, Rgba{220, 20, 20, 255}))},
    };
}

class OwnImages : public TraButtonTest {
protected:
    void SetUp() override
    {
        TraButtonTest::SetUp();
        ASSERT_FALSE(::testing::Test::HasFatalFailure());
        resources = std::make_unique<ResourceHandleScope>(testResources());
        ASSERT_NE(nullptr, resources->module().file()) << resources->module().error();
    }
    void TearDown() override { resources.reset(); }

    CCountingTraButton& btn() { return dlg.m_btn; }

    std::unique_ptr<ResourceHandleScope> resources;
};

TEST_F(OwnImages, PngTypeStoresPremultipliedAlpha)
{
    btn().LoadStateImage(kTranslucent, CTraButton::kStateNormal, 0, 0, _T("PNG"));
    const ATL::CImage* image = btn().StateImage(CTraButton::kStateNormal);
    ASSERT_NE(nullptr, image);
    ASSERT_FALSE(image->IsNull());
    EXPECT_EQ(4, image->GetWidth());
    EXPECT_EQ(1, image->GetHeight());
    EXPECT_EQ(32, image->GetBPP());
    EXPECT_TRUE(image->HasAlphaChannel());
    // Each colour times alpha / 255, the remainder dropped; alpha kept.
    EXPECT_EQ((Bgra{50, 0, 128, 128}), imagePixel(*image, 0, 0)) << describe(imagePixel(*image, 0, 0));
    EXPECT_EQ((Bgra{0, 0, 0, 0}), imagePixel(*image, 1, 0)) << describe(imagePixel(*image, 1, 0));
    EXPECT_EQ((Bgra{100, 150, 200, 255}), imagePixel(*image, 2, 0)) << describe(imagePixel(*image, 2, 0));
    EXPECT_EQ((Bgra{129, 0, 50, 130}), imagePixel(*image, 3, 0)) << describe(imagePixel(*image, 3, 0));
}

TEST_F(OwnImages, PremultipliedImagesBlendOverTheParent)
{
    placeButton(RECT{kButton.left, kButton.top, kButton.left + 4, kButton.top + 1});
    btn().LoadStateImage(kTranslucent, CTraButton::kStateNormal, 0, 0, _T("PNG"));
    dlg.Invalidate();
    host.pump();
    const PixelBuffer shot = screen.compose();
    const RECT r = buttonOnScreen();
    const Bgra parent = opaque(kParentColour);

    // Alpha 128: premultiplied colour plus the parent times (255 - 128) / 255.
    const Bgra half = shot.get(r.left, r.top);
    auto over = [](int premultiplied, int beneath) { return premultiplied + beneath * 127 / 255; };
    EXPECT_NEAR(over(128, parent.r), half.r, 1) << describe(half);
    EXPECT_NEAR(over(0, parent.g), half.g, 1) << describe(half);
    EXPECT_NEAR(over(50, parent.b), half.b, 1) << describe(half);
    // Alpha 0 shows the parent, alpha 255 the image.
    EXPECT_EQ(parent, shot.get(r.left + 1, r.top)) << describe(shot.get(r.left + 1, r.top));
    EXPECT_EQ((Bgra{100, 150, 200, 255}), shot.get(r.left + 2, r.top)) << describe(shot.get(r.left + 2, r.top));
}

TEST_F(OwnImages, OnlyTheExactTypePngPremultiplies)
{
    // Resource types are found whatever their case, so "png" finds the
    // image; but only "PNG" itself premultiplies and keeps the alpha.
    btn().LoadStateImage(kTranslucent, CTraButton::kStateNormal, 0, 0, _T("png"));
    const ATL::CImage* image = btn().StateImage(CTraButton::kStateNormal);
    ASSERT_NE(nullptr, image);
    ASSERT_FALSE(image->IsNull());
    EXPECT_EQ(32, image->GetBPP());
    EXPECT_FALSE(image->HasAlphaChannel());
    const Bgra first = imagePixel(*image, 0, 0);
    EXPECT_EQ(255, first.r) << describe(first);
    EXPECT_EQ(0, first.g) << describe(first);
    EXPECT_EQ(100, first.b) << describe(first);
    const Bgra second = imagePixel(*image, 1, 0);
    EXPECT_EQ(10, second.r) << describe(second);
    EXPECT_EQ(20, second.g) << describe(second);
    EXPECT_EQ(30, second.b) << describe(second);

    // Without an alpha channel it is copied opaque: the alpha-0 pixel hides
    // the parent.
    placeButton(RECT{kButton.left, kButton.top, kButton.left + 4, kButton.top + 1});
    dlg.Invalidate();
    host.pump();
    const PixelBuffer shot = screen.compose();
    const RECT r = buttonOnScreen();
    EXPECT_EQ((Bgra{100, 0, 255, 255}), shot.get(r.left, r.top)) << describe(shot.get(r.left, r.top));
    EXPECT_EQ((Bgra{30, 20, 10, 255}), shot.get(r.left + 1, r.top)) << describe(shot.get(r.left + 1, r.top));
}

struct SizeCase {
    const char* what;
    int width, height;
    int expectWidth, expectHeight;
};

class TargetSize : public OwnImages, public ::testing::WithParamInterface<SizeCase> {};

TEST_P(TargetSize, IsTheTopLeftPartOfTheDecodedImageUnscaled)
{
    const SizeCase& c = GetParam();
    btn().LoadStateImage(kGradient, CTraButton::kStateHover, c.width, c.height, _T("PNG"));
    const ATL::CImage* image = btn().StateImage(CTraButton::kStateHover);
    ASSERT_NE(nullptr, image) << c.what;
    ASSERT_FALSE(image->IsNull()) << c.what;
    EXPECT_EQ(c.expectWidth, image->GetWidth()) << c.what;
    EXPECT_EQ(c.expectHeight, image->GetHeight()) << c.what;
    // An RGB picture stays 24 bits per pixel without alpha, even as "PNG".
    EXPECT_EQ(24, image->GetBPP()) << c.what;
    EXPECT_FALSE(image->HasAlphaChannel()) << c.what;
    const std::vector<Rgba> source = gradient(4, 3);
    for (int y = 0; y < image->GetHeight(); ++y) {
        for (int x = 0; x < image->GetWidth(); ++x) {
            const Rgba& want = source[static_cast<size_t>(y * 4 + x)];
            const Bgra got = imagePixel(*image, x, y);
            EXPECT_TRUE(got.r == want.r && got.g == want.g && got.b == want.b)
                << c.what << " at (" << x << ", " << y << "): " << describe(got);
        }
    }
    for (int s : {0, 2, 3}) EXPECT_EQ(nullptr, btn().StateImage(s)) << c.what;
}

INSTANTIATE_TEST_SUITE_P(Rules, TargetSize,
                         ::testing::Values(SizeCase{"both zero: the decoded size", 0, 0, 4, 3},
                                           SizeCase{"width only: the decoded height", 2, 0, 2, 3},
                                           SizeCase{"height only: the decoded width", 0, 2, 4, 2},
                                           SizeCase{"both given", 3, 2, 3, 2},
                                           SizeCase{"both given, the whole image", 4, 3, 4, 3}));

TEST_F(OwnImages, LoadingAStateAgainReplacesItsImage)
{
    btn().LoadStateImage(kGradient, CTraButton::kStatePressed, 0, 0, _T("PNG"));
    ASSERT_NE(nullptr, btn().StateImage(CTraButton::kStatePressed));
    btn().LoadStateImage(kTall, CTraButton::kStatePressed, 0, 0, _T("PNG"));
    const ATL::CImage* image = btn().StateImage(CTraButton::kStatePressed);
    ASSERT_NE(nullptr, image);
    ASSERT_FALSE(image->IsNull());
    ASSERT_EQ(2, image->GetWidth());
    ASSERT_EQ(5, image->GetHeight());
    const std::vector<Rgba> tall = gradient(2, 5);
    const Bgra last = imagePixel(*image, 1, 4);
    EXPECT_TRUE(last.r == tall[9].r && last.g == tall[9].g && last.b == tall[9].b) << describe(last);
}

struct IgnoredLoad {
    const char* what;
    UINT id;
    int state;
    const char16_t* type;
};

class IgnoredLoads : public OwnImages, public ::testing::WithParamInterface<IgnoredLoad> {};

TEST_P(IgnoredLoads, ChangeNothing)
{
    const IgnoredLoad& c = GetParam();
    for (int s = 0; s < CTraButton::kStateCount; ++s) btn().LoadStateImage(kTall, s, 0, 0, _T("PNG"));
    const ATL::CImage* before[CTraButton::kStateCount];
    for (int s = 0; s < CTraButton::kStateCount; ++s) before[s] = btn().StateImage(s);

    btn().LoadStateImage(c.id, c.state, 0, 0, c.type);
    for (int s = 0; s < CTraButton::kStateCount; ++s) {
        ASSERT_EQ(before[s], btn().StateImage(s)) << c.what << ", state " << s;
        EXPECT_EQ(2, btn().StateImage(s)->GetWidth()) << c.what << ", state " << s;
        EXPECT_EQ(5, btn().StateImage(s)->GetHeight()) << c.what << ", state " << s;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, IgnoredLoads,
    ::testing::Values(IgnoredLoad{"state -1", kGradient, -1, _T("PNG")}, IgnoredLoad{"state 4", kGradient, 4, _T("PNG")},
                      IgnoredLoad{"state INT_MIN", kGradient, INT_MIN, _T("PNG")},
                      IgnoredLoad{"state INT_MAX", kGradient, INT_MAX, _T("PNG")},
                      IgnoredLoad{"missing id", 999, 0, _T("PNG")},
                      IgnoredLoad{"id beyond 16 bits is taken as its low word, which is missing", 0x10000u + 999, 1,
                                  _T("PNG")},
                      IgnoredLoad{"other type", kGradient, 2, _T("BMP")}));

TEST_F(OwnImages, UnknownStatesLoadNothingEvenWithNoImages)
{
    btn().LoadStateImage(kGradient, 4, 0, 0, _T("PNG"));
    btn().LoadStateImage(kGradient, -1, 0, 0, _T("PNG"));
    for (int s = 0; s < CTraButton::kStateCount; ++s) EXPECT_EQ(nullptr, btn().StateImage(s)) << s;
}

TEST_F(OwnImages, AResourceThatDoesNotDecodeLeavesAnImageWithoutPixels)
{
    btn().LoadStateImage(kGradient, CTraButton::kStateNormal, 0, 0, _T("PNG"));
    EXPECT_NO_THROW(btn().LoadStateImage(kGarbage, CTraButton::kStateNormal, 0, 0, _T("PNG")));
    const ATL::CImage* image = btn().StateImage(CTraButton::kStateNormal);
    ASSERT_NE(nullptr, image);
    EXPECT_TRUE(image->IsNull());
    EXPECT_NO_THROW(btn().LoadStateImage(kGarbage, CTraButton::kStateHover, 10, 10, _T("PNG")));
    ASSERT_NE(nullptr, btn().StateImage(CTraButton::kStateHover));
    EXPECT_TRUE(btn().StateImage(CTraButton::kStateHover)->IsNull());

    // Such a state draws nothing: the parent shows through.
    dlg.Invalidate();
    host.pump();
    EXPECT_EQ(opaque(kParentColour), screen.compose().get(inside().x, inside().y));
}

// ---------------------------------------------------------------------------
// Captions

// The pixels inside `area` that are not `background`: their bounding box
// and their colours.
struct Ink {
    RECT box{INT_MAX, INT_MAX, INT_MIN, INT_MIN};
    std::vector<Bgra> colours;
    int pixels() const { return static_cast<int>(colours.size()); }
    bool has(Bgra c) const { return std::find(colours.begin(), colours.end(), c) != colours.end(); }
    // Every pixel lies, channel by channel, between `from` and `to`: what
    // text of colour `to` antialiased over `from` can give.
    bool allBetween(Bgra from, Bgra to) const
    {
        auto within = [](int v, int a, int b) { return v >= std::min(a, b) && v <= std::max(a, b); };
        return std::all_of(colours.begin(), colours.end(), [&](Bgra p) {
            return within(p.r, from.r, to.r) && within(p.g, from.g, to.g) && within(p.b, from.b, to.b);
        });
    }
};

Ink inkIn(const PixelBuffer& shot, RECT area, Bgra background)
{
    Ink ink;
    for (int y = area.top; y < area.bottom; ++y) {
        for (int x = area.left; x < area.right; ++x) {
            const Bgra p = shot.get(x, y);
            if (p.r == background.r && p.g == background.g && p.b == background.b) continue;
            ink.colours.push_back(Bgra{p.b, p.g, p.r, 255});
            ink.box.left = std::min<LONG>(ink.box.left, x);
            ink.box.top = std::min<LONG>(ink.box.top, y);
            ink.box.right = std::max<LONG>(ink.box.right, x + 1);
            ink.box.bottom = std::max<LONG>(ink.box.bottom, y + 1);
        }
    }
    return ink;
}

class Captions : public OwnImages {
protected:
    void SetUp() override
    {
        OwnImages::SetUp();
        ASSERT_FALSE(::testing::Test::HasFatalFailure());
        for (int s = 0; s < 3; ++s) btn().LoadStateImage(kWhite8, s, 0, 0, _T("PNG"));
    }

    Ink drawnInk(const char16_t* caption, Bgra background = kWhite)
    {
        dlg.m_btn.SetWindowText(caption);
        dlg.Invalidate();
        host.pump();
        return inkIn(screen.compose(), buttonOnScreen(), background);
    }
};

TEST_F(Captions, EmptyOrOnlySpacesDrawsNoText)
{
    for (const char16_t* caption : {_T(""), _T(" "), _T("      ")}) {
        const Ink ink = drawnInk(caption);
        EXPECT_EQ(0, ink.pixels()) << "caption of " << std::u16string(caption).size() << " spaces";
    }
}

TEST_F(Captions, TextIsCentredInTheTextColour)
{
    const Ink ink = drawnInk(_T("HIH"));
    ASSERT_GT(ink.pixels(), 0);
    const RECT r = buttonOnScreen();
    const int leftGap = ink.box.left - r.left;
    const int rightGap = r.right - ink.box.right;
    const int topGap = ink.box.top - r.top;
    const int bottomGap = r.bottom - ink.box.bottom;
    EXPECT_LE(std::abs(leftGap - rightGap), 2) << leftGap << " / " << rightGap;
    EXPECT_LE(std::abs(topGap - bottomGap), 6) << topGap << " / " << bottomGap;
    EXPECT_GT(leftGap, 20);
    EXPECT_GT(topGap, 5);
    // Dark grey RGB(30, 30, 30) where a stroke covers whole pixels, and
    // nothing but shades between it and the white image at the edges.
    EXPECT_TRUE(ink.has(Bgra{30, 30, 30, 255}));
    EXPECT_TRUE(ink.allBetween(kWhite, Bgra{30, 30, 30, 255}));
}

TEST_F(Captions, TheWholeTextIsDrawnSpacesIncluded)
{
    const Ink plain = drawnInk(_T("X"));
    const Ink spaced = drawnInk(_T("        X"));
    ASSERT_GT(plain.pixels(), 0);
    ASSERT_GT(spaced.pixels(), 0);
    // The leading spaces take their width in the centred line, so the
    // letter's ink moves right.
    EXPECT_GT(spaced.box.left, plain.box.left + 5);
}

TEST_F(Captions, PressedStateMovesTheTextRectangleOnePixelRightAndDown)
{
    // Moving the rectangle's left and top edges in by one pixel moves the
    // centred text by half a pixel, which lands on a whole pixel for one of
    // two sizes that differ by one: over both sizes the text moves exactly
    // one pixel each way in all.
    int movedRight = 0;
    int movedDown = 0;
    for (int grow : {0, 1}) {
        placeButton(RECT{kButton.left, kButton.top, kButton.right + grow, kButton.bottom + grow});
        const Ink normal = drawnInk(_T("HIH"));
        ASSERT_GT(normal.pixels(), 0);
        moveTo(inside());
        press(inside());
        ASSERT_TRUE(dlg.m_btn.lastItemState & ODS_SELECTED);
        const Ink pressed = inkIn(screen.compose(), buttonOnScreen(), kWhite);
        EXPECT_EQ(normal.pixels(), pressed.pixels()) << "grown by " << grow;
        EXPECT_EQ(normal.box.right - normal.box.left, pressed.box.right - pressed.box.left);
        EXPECT_EQ(normal.box.bottom - normal.box.top, pressed.box.bottom - pressed.box.top);
        const int dx = pressed.box.left - normal.box.left;
        const int dy = pressed.box.top - normal.box.top;
        EXPECT_TRUE(dx == 0 || dx == 1) << dx;
        EXPECT_TRUE(dy == 0 || dy == 1) << dy;
        movedRight += dx;
        movedDown += dy;
        release(inside());
        moveTo(outside());
    }
    EXPECT_EQ(1, movedRight);
    EXPECT_EQ(1, movedDown);
}

TEST_F(Captions, DisabledWithoutItsImageShowsNoImageAndAGreyCaption)
{
    dlg.m_btn.EnableWindow(FALSE);
    const Ink ink = drawnInk(_T("HIH"), opaque(kParentColour));
    ASSERT_GT(ink.pixels(), 0);
    const RECT r = buttonOnScreen();
    const PixelBuffer shot = screen.compose();
    // No white image anywhere: the corners show the parent.
    EXPECT_EQ(opaque(kParentColour), shot.get(r.left, r.top));
    EXPECT_EQ(opaque(kParentColour), shot.get(r.right - 1, r.bottom - 1));
    EXPECT_LT(ink.box.right - ink.box.left, r.right - r.left - 20);
    // Grey RGB(100, 100, 100) where a stroke covers whole pixels, shades
    // between it and the parent at the edges.
    EXPECT_TRUE(ink.has(Bgra{100, 100, 100, 255}));
    EXPECT_TRUE(ink.allBetween(opaque(kParentColour), Bgra{100, 100, 100, 255}));
}

TEST_F(Captions, DisabledWithItsImageShowsIt)
{
    btn().LoadStateImage(kRed8, CTraButton::kStateDisabled, 0, 0, _T("PNG"));
    dlg.m_btn.EnableWindow(FALSE);
    const Ink ink = drawnInk(_T(""), Bgra{20, 20, 220, 255});
    EXPECT_EQ(0, ink.pixels());
    // Disabled wins over hover and press.
    moveTo(inside());
    press(inside());
    EXPECT_EQ(0, inkIn(screen.compose(), buttonOnScreen(), Bgra{20, 20, 220, 255}).pixels());
    release(inside());
    EXPECT_EQ(0, dlg.clicks);
}

} // namespace
