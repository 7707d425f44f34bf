// The skinned window pair on the memory screen: the background window shows
// the PNG with its own alpha, the colour-keyed overlay lies exactly on it
// through every move, and the pair lives and dies together.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host/Host.h"
#include "host/memory/MemoryBackend.h"
#include "layered/CBackDialogBase.h"
#include "layered/CForeDialogBase.h"
#include "res/resource.h"
#include "win32/DecodedImage.h"
#include "win32/PngDecoder.h"
#include "win32/Windows.h"

namespace {

using quarrow::Host;
using quarrow::MemoryBackend;

std::vector<std::string>* g_events = nullptr;

// An overlay made from the (control-less) background template, so that the
// pair can be tested without the launcher's browser control.
class TestFore : public CForeDialogBase {
public:
    // `image` is the background window's image member: the overlay is
    // deleted while the background's base part is being destroyed, so it
    // may look at that member but not call into the derived class.
    TestFore(CWnd* parent, Gdiplus::Image* const* image) : CForeDialogBase(IDD_BACK_DIALOG, parent), m_image(image) {}
    ~TestFore() override
    {
        if (g_events) g_events->push_back(std::string("overlay deleted, image alive: ") + (*m_image ? "yes" : "no"));
    }

private:
    Gdiplus::Image* const* m_image;
};

class TestBack : public CBackDialogBase {
public:
    explicit TestBack(bool withOverlay = true) : m_withOverlay(withOverlay) {}
    CForeDialogBase* Fore() const { return m_pForeDialog; }

protected:
    CForeDialogBase* CreateForeDialog() override
    {
        return m_withOverlay ? new TestFore(this, &m_pBackImage) : nullptr;
    }
    afx_msg void OnClose()
    {
        if (g_events) {
            g_events->push_back(std::string("back WM_CLOSE, overlay visible: ") +
                                (Fore() && ::IsWindowVisible(Fore()->GetSafeHwnd()) ? "yes" : "no"));
        }
        CBackDialogBase::OnClose();
    }
    DECLARE_MESSAGE_MAP()

private:
    bool m_withOverlay;
};

BEGIN_MESSAGE_MAP(TestBack, CBackDialogBase)
    ON_WM_CLOSE()
END_MESSAGE_MAP()

RECT WindowRect(HWND hwnd)
{
    RECT rc{};
    ::GetWindowRect(hwnd, &rc);
    return rc;
}

bool Same(const RECT& a, const RECT& b)
{
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

class WindowPair : public ::testing::Test {
protected:
    WindowPair() : host(screen)
    {
        Gdiplus::GdiplusStartupInput input;
        Gdiplus::GdiplusStartup(&token, &input, nullptr);
        g_events = &events;
    }
    ~WindowPair() override
    {
        g_events = nullptr;
        Gdiplus::GdiplusShutdown(token);
    }

    // Runs the pair modally; `inside` runs once the modal loop waits, and
    // must end it.
    INT_PTR Run(TestBack& back, std::function<void()> inside)
    {
        screen.whenIdle(std::move(inside));
        return back.DoModal();
    }

    static quarrow::DecodedImage Background()
    {
        HRSRC found = FindResourceW(nullptr, MAKEINTRESOURCEW(IDB_BACKGROUND), _T("PNG"));
        auto* bytes = static_cast<const BYTE*>(LockResource(LoadResource(nullptr, found)));
        std::string error;
        return *quarrow::PngDecoder::decode(bytes, SizeofResource(nullptr, found), error);
    }

    MemoryBackend screen;
    Host host;
    ULONG_PTR token = 0;
    std::vector<std::string> events;
};

TEST_F(WindowPair, BackgroundIsTheImageSizeCentredWithTheOverlayOnIt)
{
    TestBack back;
    RECT work{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    INT_PTR result = Run(back, [&] {
        HWND bg = back.GetSafeHwnd();
        HWND fg = back.Fore()->GetSafeHwnd();
        RECT rc = WindowRect(bg);
        EXPECT_EQ(1044, rc.right - rc.left);
        EXPECT_EQ(616, rc.bottom - rc.top);
        EXPECT_EQ(work.left + (work.right - work.left - 1044) / 2, rc.left);
        EXPECT_EQ(work.top + (work.bottom - work.top - 616) / 2, rc.top);
        EXPECT_TRUE(Same(rc, WindowRect(fg)));
        EXPECT_TRUE(::IsWindowVisible(fg));
        EXPECT_EQ(bg, ::GetWindow(fg, GW_OWNER));
        EXPECT_EQ(WS_EX_LAYERED, ::GetWindowLongW(fg, GWL_EXSTYLE) & (WS_EX_LAYERED | WS_EX_APPWINDOW));
        EXPECT_TRUE(::GetWindowLongW(bg, GWL_EXSTYLE) & WS_EX_LAYERED);
        back.EndDialog(IDCANCEL);
    });
    EXPECT_EQ(IDCANCEL, result);
}

TEST_F(WindowPair, PixelsShowTheImageWithItsOwnAlphaOverTheDesktop)
{
    TestBack back;
    quarrow::DecodedImage image = Background();
    Run(back, [&] {
        RECT rc = WindowRect(back.GetSafeHwnd());
        const COLORREF desktop = screen.desktopColour();
        int transparent = 0, opaque = 0, partial = 0;
        auto mul = [](int a, int b) { return (a * b + 127) / 255; };
        for (int y = 0; y < image.height; y += 7) {
            for (int x = 0; x < image.width; x += 5) {
                const BYTE* p = image.pixel(x, y);
                const int a = p[3];
                auto channel = [&](int src, int dst) { return std::min(255, mul(src, a) + mul(dst, 255 - a)); };
                COLORREF expected = RGB(channel(p[2], GetRValue(desktop)), channel(p[1], GetGValue(desktop)),
                                        channel(p[0], GetBValue(desktop)));
                ASSERT_EQ(expected, screen.pixel(rc.left + x, rc.top + y)) << x << "," << y << " alpha " << a;
                (a == 0 ? transparent : a == 255 ? opaque : partial)++;
            }
        }
        EXPECT_GT(transparent, 0);
        EXPECT_GT(opaque, 0);
        EXPECT_GT(partial, 0);
        EXPECT_EQ(desktop, screen.pixel(rc.left, rc.top)) << "the top-left corner is transparent";
        EXPECT_EQ(RGB(0, 0, 0), screen.pixel(rc.left + 600, rc.top + 400)) << "the browser panel is opaque black";
        // The screenshot of the pair over the desktop, kept in the build tree.
        RECT area{rc.left - 40, rc.top - 40, rc.right + 40, rc.bottom + 40};
        std::string error;
        EXPECT_TRUE(screen.savePng("window-pair.png", &error, &area)) << error;
        back.EndDialog(IDCANCEL);
    });
}

TEST_F(WindowPair, OnlyTheExactKeyColourOfTheOverlayIsTransparent)
{
    TestBack back;
    Run(back, [&] {
        HWND fg = back.Fore()->GetSafeHwnd();
        RECT rc = WindowRect(fg);
        COLORREF beneath = screen.pixel(rc.left + 205, rc.top + 305);
        HDC dc = ::GetDC(fg);
        struct Patch {
            int x;
            COLORREF colour;
        };
        for (Patch p : {Patch{200, RGB(0, 0, 0)}, Patch{220, RGB(1, 0, 0)}, Patch{240, RGB(200, 30, 30)}}) {
            RECT r{p.x, 300, p.x + 10, 310};
            HBRUSH brush = CreateSolidBrush(p.colour);
            FillRect(dc, &r, brush);
            DeleteObject(brush);
        }
        ::ReleaseDC(fg, dc);
        EXPECT_EQ(beneath, screen.pixel(rc.left + 205, rc.top + 305));
        EXPECT_EQ(RGB(1, 0, 0), screen.pixel(rc.left + 225, rc.top + 305));
        EXPECT_EQ(RGB(200, 30, 30), screen.pixel(rc.left + 245, rc.top + 305));
        back.EndDialog(IDCANCEL);
    });
}

TEST_F(WindowPair, DraggingTheArtworkMovesBothTogether)
{
    TestBack back;
    int steps = 0;
    std::function<void()> step;
    RECT start{};
    step = [&] {
        HWND bg = back.GetSafeHwnd();
        RECT now = WindowRect(bg);
        ASSERT_TRUE(Same(now, WindowRect(back.Fore()->GetSafeHwnd()))) << "after step " << steps;
        if (steps == 0) {
            start = now;
            // A point on the opaque frame of the artwork, below the crest.
            screen.pressMouse(now.left + 600, now.top + 100);
        }
        if (steps < 50) {
            ++steps;
            screen.moveMouse(start.left + 600 + steps * 3, start.top + 100 + steps);
            screen.whenIdle(step);
            return;
        }
        screen.releaseMouse(start.left + 750, start.top + 150);
        screen.whenIdle([&] {
            RECT end = WindowRect(back.GetSafeHwnd());
            EXPECT_EQ(start.left + 150, end.left);
            EXPECT_EQ(start.top + 50, end.top);
            EXPECT_TRUE(Same(end, WindowRect(back.Fore()->GetSafeHwnd())));
            back.EndDialog(IDCANCEL);
        });
    };
    Run(back, step);
    EXPECT_EQ(50, steps);
}

TEST_F(WindowPair, MinimiseAndRestoreKeepThePairAligned)
{
    TestBack back;
    Run(back, [&] {
        HWND bg = back.GetSafeHwnd();
        HWND fg = back.Fore()->GetSafeHwnd();
        RECT before = WindowRect(bg);
        COLORREF panel = screen.pixel(before.left + 600, before.top + 400);
        ::CloseWindow(bg);
        EXPECT_TRUE(::IsIconic(bg));
        // The overlay follows the minimised background out of sight.
        EXPECT_TRUE(Same(WindowRect(bg), WindowRect(fg)));
        EXPECT_EQ(screen.desktopColour(), screen.pixel(before.left + 600, before.top + 400));
        ::ShowWindow(bg, SW_RESTORE);
        EXPECT_FALSE(::IsIconic(bg));
        EXPECT_TRUE(::IsWindowVisible(fg));
        EXPECT_TRUE(Same(before, WindowRect(bg)));
        EXPECT_TRUE(Same(before, WindowRect(fg)));
        EXPECT_EQ(panel, screen.pixel(before.left + 600, before.top + 400));
        back.EndDialog(IDCANCEL);
    });
}

TEST_F(WindowPair, APressOnATransparentPixelReachesTheWindowBeneath)
{
    // A plain window under the launcher's transparent top-left corner.
    static int presses = 0;
    presses = 0;
    WNDCLASSW wc{};
    wc.lpfnWndProc = [](HWND h, UINT m, WPARAM w, LPARAM l) -> LRESULT {
        if (m == WM_LBUTTONDOWN) ++presses;
        return DefWindowProcW(h, m, w, l);
    };
    wc.lpszClassName = _T("Beneath");
    RegisterClassW(&wc);
    TestBack back;
    Run(back, [&] {
        RECT rc = WindowRect(back.GetSafeHwnd());
        HWND beneath = CreateWindowExW(0, _T("Beneath"), _T(""), WS_POPUP | WS_VISIBLE, rc.left, rc.top, 40, 40, nullptr,
                                       nullptr, nullptr, nullptr);
        ::SetWindowPos(beneath, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        screen.click(rc.left + 3, rc.top + 3);
        screen.whenIdle([&, beneath] {
            EXPECT_EQ(1, presses);
            DestroyWindow(beneath);
            back.EndDialog(IDCANCEL);
        });
    });
}

TEST_F(WindowPair, WithoutAnOverlayTheBackgroundWorksAlone)
{
    TestBack back(false);
    INT_PTR result = Run(back, [&] {
        EXPECT_EQ(nullptr, back.Fore());
        RECT rc = WindowRect(back.GetSafeHwnd());
        EXPECT_EQ(1044, rc.right - rc.left);
        ::SetWindowPos(back.GetSafeHwnd(), nullptr, 10, 20, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
        ::SendMessageW(back.GetSafeHwnd(), WM_CLOSE, 0, 0);
    });
    EXPECT_EQ(IDCANCEL, result);
}

TEST_F(WindowPair, CancelOnTheOverlayClosesTheBackgroundFirstAndDestructionDeletesTheOverlayBeforeTheImage)
{
    {
        TestBack back;
        INT_PTR result = Run(back, [&] {
            ::SendMessageW(back.Fore()->GetSafeHwnd(), WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
        });
        EXPECT_EQ(IDCANCEL, result);
    }
    std::vector<std::string> expected = {"back WM_CLOSE, overlay visible: yes", "overlay deleted, image alive: yes"};
    EXPECT_EQ(expected, events);
}

}  // namespace
