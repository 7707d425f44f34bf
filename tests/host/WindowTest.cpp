// Windows, messages, geometry, Z order, focus, capture, minimising and
// painting on the memory screen.
#include "HostFixture.h"

#include <algorithm>

namespace quarrow::test {
namespace {

using WindowTest = HostTest;

TEST_F(WindowTest, CreationAndDestructionSendTheirMessagesInOrder)
{
    const HWND parent = popup({100, 100, 300, 200});
    const HWND kid = child(parent, {10, 10, 50, 30}, 7);
    ASSERT_TRUE(parent && kid);

    const std::vector<UINT> created = recorder.messagesOf(kid);
    const std::vector<UINT> expectedStart = {WM_NCCREATE, WM_NCCALCSIZE, WM_CREATE, WM_SIZE, WM_MOVE};
    ASSERT_GE(created.size(), expectedStart.size());
    EXPECT_EQ(std::vector<UINT>(created.begin(), created.begin() + 5), expectedStart);
    // WM_SIZE and WM_MOVE of creation carry the client size and the position in the parent.
    const long size = recorder.indexOf(kid, WM_SIZE);
    EXPECT_EQ(recorder.log[size].lParam, MAKELPARAM(40, 20));
    const long move = recorder.indexOf(kid, WM_MOVE);
    EXPECT_EQ(recorder.log[move].lParam, MAKELPARAM(10, 10));
    // A visible window is shown after its creation messages, not before.
    EXPECT_GT(recorder.indexOf(parent, WM_SHOWWINDOW), recorder.indexOf(parent, WM_CREATE));

    recorder.log.clear();
    ASSERT_TRUE(DestroyWindow(parent));
    const long parentDestroy = recorder.indexOf(parent, WM_DESTROY);
    const long childDestroy = recorder.indexOf(kid, WM_DESTROY);
    const long childNcDestroy = recorder.indexOf(kid, WM_NCDESTROY);
    const long parentNcDestroy = recorder.indexOf(parent, WM_NCDESTROY);
    ASSERT_TRUE(parentDestroy >= 0 && childDestroy >= 0 && childNcDestroy >= 0 && parentNcDestroy >= 0);
    EXPECT_LT(parentDestroy, childDestroy);
    EXPECT_LT(childDestroy, childNcDestroy);
    EXPECT_LT(childNcDestroy, parentNcDestroy);
    EXPECT_EQ(recorder.log.back().message, UINT(WM_NCDESTROY));
    EXPECT_FALSE(IsWindow(parent));
    EXPECT_FALSE(IsWindow(kid));
    EXPECT_FALSE(DestroyWindow(parent));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_WINDOW_HANDLE));
}

TEST_F(WindowTest, CreateFailsCleanlyWhenTheProcedureRefuses)
{
    recorder.handler = [](HWND, UINT message, WPARAM, LPARAM, LRESULT& result) {
        if (message != WM_CREATE) return false;
        result = -1;
        return true;
    };
    const HWND w = popup({0, 0, 10, 10});
    EXPECT_EQ(w, nullptr);
    ASSERT_FALSE(recorder.log.empty());
    EXPECT_EQ(recorder.log.back().message, UINT(WM_NCDESTROY));
    EXPECT_EQ(CreateWindowExW(0, _T("NoSuchClass"), _T(""), WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr),
              nullptr);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_CLASS_DOES_NOT_EXIST));
}

struct PlacementCase {
    const char* name;
    int x, y, cx, cy;
    UINT flags;
    bool expectMove;
    bool expectSize;
    RECT expectRect;
};

class PlacementTest : public HostTest, public ::testing::WithParamInterface<PlacementCase> {};

TEST_P(PlacementTest, SetWindowPosSendsMoveAndSizeOnlyForWhatChanged)
{
    const PlacementCase& c = GetParam();
    const HWND w = popup({100, 100, 300, 250});
    recorder.log.clear();
    ASSERT_TRUE(SetWindowPos(w, nullptr, c.x, c.y, c.cx, c.cy, c.flags | SWP_NOZORDER | SWP_NOACTIVATE));
    EXPECT_EQ(recorder.count(w, WM_MOVE), c.expectMove ? 1 : 0);
    EXPECT_EQ(recorder.count(w, WM_SIZE), c.expectSize ? 1 : 0);
    EXPECT_EQ(recorder.count(w, WM_WINDOWPOSCHANGING), 1);
    EXPECT_EQ(recorder.count(w, WM_WINDOWPOSCHANGED), 1);
    const RECT r = windowRect(w);
    EXPECT_EQ(r.left, c.expectRect.left);
    EXPECT_EQ(r.top, c.expectRect.top);
    EXPECT_EQ(r.right, c.expectRect.right);
    EXPECT_EQ(r.bottom, c.expectRect.bottom);
    if (c.expectMove) {
        const long at = recorder.indexOf(w, WM_MOVE);
        EXPECT_EQ(recorder.log[at].lParam, MAKELPARAM(c.expectRect.left, c.expectRect.top));
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, PlacementTest,
                         ::testing::Values(PlacementCase{"move", 10, 20, 0, 0, SWP_NOSIZE, true, false, {10, 20, 210, 170}},
                                           PlacementCase{"size", 0, 0, 50, 60, SWP_NOMOVE, false, true, {100, 100, 150, 160}},
                                           PlacementCase{"both", 5, 6, 7, 8, 0, true, true, {5, 6, 12, 14}},
                                           PlacementCase{"same place", 100, 100, 200, 150, 0, false, false, {100, 100, 300, 250}}),
                         [](const auto& info) {
                             std::string n = info.param.name;
                             std::replace(n.begin(), n.end(), ' ', '_');
                             return n;
                         });

TEST_F(WindowTest, MoveWindowMovesAChildWithinItsParent)
{
    const HWND parent = popup({100, 100, 300, 200});
    const HWND kid = child(parent, {10, 10, 50, 30}, 1);
    recorder.log.clear();
    ASSERT_TRUE(MoveWindow(kid, 20, 30, 40, 20, TRUE));
    EXPECT_EQ(recorder.count(kid, WM_MOVE), 1);
    EXPECT_EQ(recorder.count(kid, WM_SIZE), 0);
    const RECT r = windowRect(kid);
    EXPECT_EQ(r.left, 120);
    EXPECT_EQ(r.top, 130);
    POINT p{0, 0};
    ClientToScreen(kid, &p);
    EXPECT_EQ(p.x, 120);
    EXPECT_EQ(p.y, 130);
    ScreenToClient(parent, &p);
    EXPECT_EQ(p.x, 20);
    EXPECT_EQ(p.y, 30);
}

TEST_F(WindowTest, MirroredWindowsMapClientPointsFromTheRight)
{
    const HWND w = popup({100, 100, 300, 200}, WS_VISIBLE, nullptr, WS_EX_LAYOUTRTL);
    POINT corners[2] = {{0, 0}, {200, 100}};
    ClientToScreen(w, &corners[0]);
    ClientToScreen(w, &corners[1]);
    // The left edge of the client area maps to the right edge of the screen rectangle.
    EXPECT_EQ(corners[0].x, 300);
    EXPECT_EQ(corners[1].x, 100);
    POINT back = corners[0];
    ScreenToClient(w, &back);
    EXPECT_EQ(back.x, 0);
}

TEST_F(WindowTest, OwnedPopupsStayAboveTheirOwnerAndDieWithIt)
{
    const HWND owner = popup({0, 0, 100, 100});
    const HWND owned = popup({10, 10, 50, 50}, WS_VISIBLE, owner);
    const HWND other = popup({20, 20, 80, 80});
    EXPECT_EQ(GetParent(owned), owner);
    EXPECT_EQ(GetWindow(owned, GW_OWNER), owner);

    // Raising the owner raises what it owns with it, and keeps it above.
    SetWindowPos(owner, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    EXPECT_EQ(GetTopWindow(nullptr), owned);
    EXPECT_EQ(GetWindow(owned, GW_HWNDNEXT), owner);
    EXPECT_EQ(GetWindow(owner, GW_HWNDNEXT), other);
    // Putting the owner at the top never puts it above its popup.
    SetWindowPos(owner, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    EXPECT_EQ(GetTopWindow(nullptr), owned);
    // Even raising another window between them cannot split the pair.
    SetWindowPos(other, owner, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    EXPECT_EQ(GetWindow(owned, GW_HWNDNEXT), owner);

    ASSERT_TRUE(DestroyWindow(owner));
    EXPECT_FALSE(IsWindow(owned));
    EXPECT_TRUE(IsWindow(other));
}

TEST_F(WindowTest, MinimiseHidesOwnedPopupsAndRestoreBringsEverythingBack)
{
    const HWND owner = popup({100, 100, 400, 300});
    const HWND owned = popup({110, 110, 200, 200}, WS_VISIBLE, owner);
    recorder.log.clear();
    ASSERT_TRUE(CloseWindow(owner));
    EXPECT_TRUE(IsIconic(owner));
    EXPECT_FALSE(IsWindowVisible(owned));
    const long minimised = recorder.indexOf(owner, WM_SIZE);
    ASSERT_GE(minimised, 0);
    EXPECT_EQ(recorder.log[minimised].wParam, WPARAM(SIZE_MINIMIZED));
    EXPECT_EQ(recorder.count(owner, WM_MOVE), 1);

    recorder.log.clear();
    ShowWindow(owner, SW_RESTORE);
    EXPECT_FALSE(IsIconic(owner));
    EXPECT_TRUE(IsWindowVisible(owned));
    const long restored = recorder.indexOf(owner, WM_SIZE);
    ASSERT_GE(restored, 0);
    EXPECT_EQ(recorder.log[restored].wParam, WPARAM(SIZE_RESTORED));
    EXPECT_EQ(recorder.log[restored].lParam, MAKELPARAM(300, 200));
    const RECT r = windowRect(owner);
    EXPECT_EQ(r.left, 100);
    EXPECT_EQ(r.top, 100);
    EXPECT_EQ(r.right, 400);
    EXPECT_EQ(r.bottom, 300);
}

TEST_F(WindowTest, SendIsSynchronousAndPostWaitsForTheLoop)
{
    const HWND w = popup({0, 0, 10, 10});
    const UINT custom = WM_APP + 5;
    recorder.handler = [&](HWND, UINT message, WPARAM wParam, LPARAM, LRESULT& result) {
        if (message != custom) return false;
        result = static_cast<LRESULT>(wParam * 2);
        return true;
    };
    recorder.log.clear();
    EXPECT_EQ(SendMessageW(w, custom, 21, 0), 42);
    EXPECT_EQ(recorder.count(w, custom), 1);

    ASSERT_TRUE(PostMessageW(w, custom, 1, 0));
    ASSERT_TRUE(PostMessageW(w, custom, 2, 0));
    EXPECT_EQ(recorder.count(w, custom), 1);
    MSG msg;
    ASSERT_TRUE(PeekMessageW(&msg, nullptr, custom, custom, PM_REMOVE));
    EXPECT_EQ(msg.wParam, WPARAM(1));
    DispatchMessageW(&msg);
    EXPECT_EQ(recorder.count(w, custom), 2);
    host.pump();
    EXPECT_EQ(recorder.count(w, custom), 3);
    EXPECT_FALSE(PeekMessageW(&msg, nullptr, custom, custom, PM_REMOVE));

    EXPECT_FALSE(PostMessageW(reinterpret_cast<HWND>(0x1234), custom, 0, 0));
    PostQuitMessage(3);
    ASSERT_FALSE(GetMessageW(&msg, nullptr, 0, 0));
    EXPECT_EQ(msg.message, UINT(WM_QUIT));
    EXPECT_EQ(msg.wParam, WPARAM(3));
}

TEST_F(WindowTest, GetMessageThatWouldWaitForeverFailsLoudly)
{
    popup({0, 0, 10, 10});
    host.pump();
    MSG msg;
    EXPECT_THROW(GetMessageW(&msg, nullptr, 0, 0), std::logic_error);
}

TEST_F(WindowTest, FocusAndCaptureChangesNotifyBothSides)
{
    const HWND w = popup({0, 0, 200, 200});
    const HWND a = child(w, {0, 0, 50, 50}, 1);
    const HWND b = child(w, {60, 0, 110, 50}, 2);
    SetFocus(a);
    recorder.log.clear();
    EXPECT_EQ(SetFocus(b), a);
    EXPECT_EQ(GetFocus(), b);
    const long kill = recorder.indexOf(a, WM_KILLFOCUS);
    const long set = recorder.indexOf(b, WM_SETFOCUS);
    ASSERT_TRUE(kill >= 0 && set >= 0);
    EXPECT_LT(kill, set);
    EXPECT_EQ(recorder.log[kill].wParam, reinterpret_cast<WPARAM>(b));
    EXPECT_EQ(recorder.log[set].wParam, reinterpret_cast<WPARAM>(a));

    // With capture, pointer input goes to the capturing window wherever it happens.
    SetCapture(a);
    recorder.log.clear();
    screen.moveMouse(500, 500);
    host.pump();
    const long moved = recorder.indexOf(a, WM_MOUSEMOVE);
    ASSERT_GE(moved, 0);
    EXPECT_EQ(recorder.log[moved].lParam, MAKELPARAM(500, 500));
    SetCapture(b);
    EXPECT_EQ(recorder.count(a, WM_CAPTURECHANGED), 1);
    ReleaseCapture();
    EXPECT_EQ(recorder.count(b, WM_CAPTURECHANGED), 1);
    EXPECT_EQ(GetCapture(), nullptr);
}

TEST_F(WindowTest, PointerInputReachesTheWindowUnderIt)
{
    const HWND below = popup({0, 0, 300, 300});
    const HWND above = popup({100, 100, 200, 200});
    const HWND kid = child(above, {10, 10, 30, 30}, 3);
    recorder.log.clear();
    screen.click(115, 115);
    screen.click(150, 150);
    screen.click(50, 50);
    host.pump();
    EXPECT_EQ(recorder.count(kid, WM_LBUTTONDOWN), 1);
    EXPECT_EQ(recorder.count(above, WM_LBUTTONDOWN), 1);
    EXPECT_EQ(recorder.count(below, WM_LBUTTONDOWN), 1);
    const long down = recorder.indexOf(kid, WM_LBUTTONDOWN);
    EXPECT_EQ(recorder.log[down].lParam, MAKELPARAM(5, 5));
    EXPECT_EQ(recorder.log[down].wParam, WPARAM(MK_LBUTTON));
    // Clicking a window activates it.
    EXPECT_EQ(GetActiveWindow(), below);
}

TEST_F(WindowTest, TransparentLayeredPixelsLetThePointerThrough)
{
    const HWND below = popup({0, 0, 400, 400});
    // Topmost, so that clicking the window beneath (which activates and
    // raises it) keeps the layered windows above it.
    const HWND layered = popup({0, 0, 200, 100}, WS_VISIBLE, nullptr, WS_EX_LAYERED | WS_EX_TOPMOST);
    // Per-pixel content: the left half fully transparent, the right half opaque.
    BITMAPINFO bmi{};
    bmi.bmiHeader = {sizeof(BITMAPINFOHEADER), 200, -100, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HDC mem = CreateCompatibleDC(nullptr);
    HBITMAP dib = CreateDIBSection(nullptr, &bmi, DIB_RGB_COLORS, &bits, nullptr, 0);
    auto* px = static_cast<DWORD*>(bits);
    for (int y = 0; y < 100; ++y) {
        for (int x = 0; x < 200; ++x) px[y * 200 + x] = x < 100 ? 0 : 0xFF204060;
    }
    HGDIOBJ old = SelectObject(mem, dib);
    POINT origin{0, 0};
    SIZE size{200, 100};
    BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    ASSERT_TRUE(UpdateLayeredWindow(layered, nullptr, &origin, &size, mem, &origin, 0, &blend, ULW_ALPHA));
    SelectObject(mem, old);
    DeleteObject(dib);
    DeleteDC(mem);

    // A colour-keyed window over another part: key pixels let input through.
    const HWND keyed = popup({0, 200, 200, 300}, WS_VISIBLE, nullptr, WS_EX_LAYERED | WS_EX_TOPMOST);
    ASSERT_TRUE(SetLayeredWindowAttributes(keyed, RGB(0, 0, 0), 0, LWA_COLORKEY));
    recorder.handler = [&](HWND hwnd, UINT message, WPARAM wParam, LPARAM, LRESULT& result) {
        if (hwnd != keyed || message != WM_ERASEBKGND) return false;
        // Black on the left, dark grey (not the key) on the right.
        HDC dc = reinterpret_cast<HDC>(wParam);
        RECT left{0, 0, 100, 100}, right{100, 0, 200, 100};
        HBRUSH black = CreateSolidBrush(RGB(0, 0, 0)), grey = CreateSolidBrush(RGB(1, 1, 1));
        FillRect(dc, &left, black);
        FillRect(dc, &right, grey);
        DeleteObject(black);
        DeleteObject(grey);
        result = 1;
        return true;
    };
    host.pump();

    struct Case {
        POINT at;
        HWND expected;
    } cases[] = {{{50, 50}, below}, {{150, 50}, layered}, {{50, 250}, below}, {{150, 250}, keyed}};
    for (const Case& c : cases) {
        recorder.log.clear();
        screen.click(c.at.x, c.at.y);
        host.pump();
        EXPECT_EQ(recorder.count(c.expected, WM_LBUTTONDOWN), 1) << c.at.x << "," << c.at.y;
        EXPECT_EQ(WindowFromPoint(c.at), c.expected);
    }
}

TEST_F(WindowTest, CaptionDragMovesTheWindowWithThePointer)
{
    const HWND w = popup({100, 100, 300, 200});
    // The window's whole client area acts as a caption.
    recorder.handler = [&](HWND hwnd, UINT message, WPARAM, LPARAM, LRESULT& result) {
        if (hwnd != w || message != WM_NCHITTEST) return false;
        result = HTCAPTION;
        return true;
    };
    recorder.log.clear();
    screen.drag({150, 150}, {190, 120}, 4);
    host.pump();
    RECT r = windowRect(w);
    EXPECT_EQ(r.left, 140);
    EXPECT_EQ(r.top, 70);
    EXPECT_EQ(recorder.count(w, WM_ENTERSIZEMOVE), 1);
    EXPECT_EQ(recorder.count(w, WM_EXITSIZEMOVE), 1);
    EXPECT_GE(recorder.count(w, WM_MOVE), 4);
    EXPECT_EQ(GetCapture(), nullptr);
}

TEST_F(WindowTest, SysCommandMoveFromAButtonPressRunsTheSameLoop)
{
    const HWND w = popup({100, 100, 300, 200});
    recorder.handler = [&](HWND hwnd, UINT message, WPARAM, LPARAM, LRESULT& result) {
        if (hwnd != w || message != WM_LBUTTONDOWN) return false;
        SendMessageW(hwnd, WM_SYSCOMMAND, SC_MOVE | HTCAPTION, 0);
        result = 0;
        return true;
    };
    screen.drag({110, 110}, {60, 160}, 2);
    host.pump();
    const RECT r = windowRect(w);
    EXPECT_EQ(r.left, 50);
    EXPECT_EQ(r.top, 150);
    // Without a held button the command has nothing to follow.
    SendMessageW(w, WM_SYSCOMMAND, SC_MOVE | HTCAPTION, 0);
    EXPECT_EQ(windowRect(w).left, 50);
}

TEST_F(WindowTest, PaintingWaitsForAnEmptyQueueAndErasesFirst)
{
    const HWND w = popup({0, 0, 100, 100});
    host.pump();
    recorder.log.clear();
    InvalidateRect(w, nullptr, TRUE);
    PostMessageW(w, WM_APP, 0, 0);
    host.pump();
    const long posted = recorder.indexOf(w, WM_APP);
    const long paint = recorder.indexOf(w, WM_PAINT);
    const long erase = recorder.indexOf(w, WM_ERASEBKGND);
    ASSERT_TRUE(posted >= 0 && paint >= 0 && erase >= 0);
    EXPECT_LT(posted, paint);
    EXPECT_LT(paint, erase); // erased inside BeginPaint
    EXPECT_EQ(recorder.count(w, WM_PAINT), 1);
    // The class brush painted the client area.
    EXPECT_EQ(screen.pixel(50, 50), GetSysColor(COLOR_WINDOW));
}

TEST_F(WindowTest, DisabledOwnersTakeNoPointerInput)
{
    const HWND w = popup({0, 0, 100, 100});
    EnableWindow(w, FALSE);
    EXPECT_FALSE(IsWindowEnabled(w));
    recorder.log.clear();
    screen.click(50, 50);
    host.pump();
    EXPECT_EQ(recorder.count(w, WM_LBUTTONDOWN), 0);
    EXPECT_EQ(recorder.count(w, WM_MOUSEMOVE), 0);
    EXPECT_EQ(recorder.count(w, WM_LBUTTONUP), 0);
    EXPECT_GE(recorder.count(w, WM_NCHITTEST), 1);
}

// The platform refuses a hook without a module for every thread (it would
// have to load the hook into other processes); a hook for the calling
// thread needs none. The framework's creation hook relies on the second.
LRESULT CALLBACK countingCbtHook(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HCBT_CREATEWND && g_recorder) g_recorder->log.push_back(Received{nullptr, WM_NULL, 0, 0});
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

TEST_F(WindowTest, AHookWithoutAModuleMustNameTheThread)
{
    SetLastError(ERROR_SUCCESS);
    EXPECT_EQ(SetWindowsHookExW(WH_CBT, &countingCbtHook, nullptr, 0), nullptr);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_HOOK_NEEDS_HMOD));
    // Refused means not installed: creating a window calls no hook.
    popup({0, 0, 10, 10});
    EXPECT_EQ(recorder.count(nullptr, WM_NULL), 0);

    const HHOOK hook = SetWindowsHookExW(WH_CBT, &countingCbtHook, nullptr, GetCurrentThreadId());
    ASSERT_NE(hook, nullptr);
    popup({0, 0, 10, 10});
    EXPECT_EQ(recorder.count(nullptr, WM_NULL), 1);
    EXPECT_TRUE(UnhookWindowsHookEx(hook));
}

} // namespace
} // namespace quarrow::test
