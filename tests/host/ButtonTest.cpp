// The predefined push button: capture on press, pushed look, BN_CLICKED
// only when the button is let go over it, keyboard space.
#include "HostFixture.h"

namespace quarrow::test {
namespace {

class ButtonTest : public HostTest {
protected:
    ButtonTest()
    {
        parent = popup({100, 100, 400, 300});
        button = CreateWindowExW(0, _T("Button"), _T("Go"), WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON | WS_TABSTOP, 50, 50, 100, 30,
                                 parent, reinterpret_cast<HMENU>(static_cast<LONG_PTR>(1001)), nullptr, nullptr);
        host.pump();
        recorder.log.clear();
    }

    int clicks() const
    {
        int n = 0;
        for (const Received& r : recorder.log) {
            n += r.hwnd == parent && r.message == WM_COMMAND && r.wParam == MAKEWPARAM(1001, BN_CLICKED) &&
                 r.lParam == reinterpret_cast<LPARAM>(button);
        }
        return n;
    }

    HWND parent = nullptr;
    HWND button = nullptr;
};

struct PointerCase {
    const char* name;
    std::vector<std::pair<char, POINT>> steps; // 'm' move, 'd' press, 'u' release
    int expectedClicks;
};

class ButtonPointerTest : public ButtonTest, public ::testing::WithParamInterface<PointerCase> {};

TEST_P(ButtonPointerTest, ClickedOnlyWhenReleasedOverTheButton)
{
    for (const auto& [kind, p] : GetParam().steps) {
        if (kind == 'm') screen.moveMouse(p.x, p.y);
        if (kind == 'd') screen.pressMouse(p.x, p.y);
        if (kind == 'u') screen.releaseMouse(p.x, p.y);
    }
    host.pump();
    EXPECT_EQ(clicks(), GetParam().expectedClicks);
    EXPECT_EQ(GetCapture(), nullptr);
    EXPECT_EQ(SendMessageW(button, BM_GETSTATE, 0, 0) & BST_PUSHED, 0);
}

constexpr POINT kIn{200, 165};
constexpr POINT kOut{300, 250};

INSTANTIATE_TEST_SUITE_P(Cases, ButtonPointerTest,
                         ::testing::Values(PointerCase{"PressAndReleaseInside", {{'d', kIn}, {'u', kIn}}, 1},
                                           PointerCase{"ReleaseOutside", {{'d', kIn}, {'m', kOut}, {'u', kOut}}, 0},
                                           PointerCase{"OutAndBackIn", {{'d', kIn}, {'m', kOut}, {'m', kIn}, {'u', kIn}}, 1},
                                           PointerCase{"PressOutsideReleaseInside", {{'d', kOut}, {'m', kIn}, {'u', kIn}}, 0}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(ButtonTest, PressTakesFocusAndCaptureAndShowsThePushedState)
{
    screen.pressMouse(kIn.x, kIn.y);
    host.pump();
    EXPECT_EQ(GetFocus(), button);
    EXPECT_EQ(GetCapture(), button);
    EXPECT_NE(SendMessageW(button, BM_GETSTATE, 0, 0) & BST_PUSHED, 0);
    screen.moveMouse(kOut.x, kOut.y);
    host.pump();
    EXPECT_EQ(SendMessageW(button, BM_GETSTATE, 0, 0) & BST_PUSHED, 0);
    EXPECT_EQ(GetCapture(), button);
    screen.releaseMouse(kOut.x, kOut.y);
    host.pump();
    EXPECT_EQ(clicks(), 0);
}

TEST_F(ButtonTest, SpaceClicksTheFocusedButton)
{
    SetFocus(button);
    screen.keyDown(VK_SPACE);
    host.pump();
    EXPECT_NE(SendMessageW(button, BM_GETSTATE, 0, 0) & BST_PUSHED, 0);
    EXPECT_EQ(clicks(), 0);
    screen.keyUp(VK_SPACE);
    host.pump();
    EXPECT_EQ(clicks(), 1);
}

TEST_F(ButtonTest, OwnerDrawnButtonsAreDrawnByTheParentWithTheirState)
{
    SetWindowLongW(button, GWL_STYLE, GetWindowLongW(button, GWL_STYLE) | BS_OWNERDRAW);
    std::vector<DRAWITEMSTRUCT> draws;
    recorder.handler = [&](HWND hwnd, UINT message, WPARAM, LPARAM lParam, LRESULT& result) {
        if (hwnd != parent || message != WM_DRAWITEM) return false;
        const auto* dis = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
        draws.push_back(*dis);
        HBRUSH b = CreateSolidBrush((dis->itemState & ODS_SELECTED) ? RGB(255, 0, 0) : RGB(0, 255, 0));
        FillRect(dis->hDC, &dis->rcItem, b);
        DeleteObject(b);
        result = TRUE;
        return true;
    };
    InvalidateRect(button, nullptr, TRUE);
    host.pump();
    ASSERT_FALSE(draws.empty());
    EXPECT_EQ(draws.back().CtlType, UINT(ODT_BUTTON));
    EXPECT_EQ(draws.back().CtlID, 1001u);
    EXPECT_EQ(draws.back().itemAction, UINT(ODA_DRAWENTIRE));
    EXPECT_EQ(draws.back().rcItem.right, 100);
    EXPECT_EQ(screen.pixel(kIn.x, kIn.y), RGB(0, 255, 0));

    screen.pressMouse(kIn.x, kIn.y);
    host.pump();
    EXPECT_NE(draws.back().itemState & ODS_SELECTED, 0u);
    EXPECT_EQ(screen.pixel(kIn.x, kIn.y), RGB(255, 0, 0));
    screen.releaseMouse(kIn.x, kIn.y);
    host.pump();
    EXPECT_EQ(draws.back().itemState & ODS_SELECTED, 0u);
    EXPECT_EQ(screen.pixel(kIn.x, kIn.y), RGB(0, 255, 0));
    EXPECT_EQ(clicks(), 1);

    EnableWindow(button, FALSE);
    host.pump();
    EXPECT_NE(draws.back().itemState & ODS_DISABLED, 0u);
}

} // namespace
} // namespace quarrow::test
