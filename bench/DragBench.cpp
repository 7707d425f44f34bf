// One step of dragging the skinned window pair against moving one plain
// window. A step moves the background window by one pixel; the background
// then puts the overlay back on its rectangle. Nothing is composed: the
// memory screen composes only when asked, as a real screen would on its own
// time. The pair's step should cost about two plain moves (its own and the
// overlay's), and nothing that grows with the image.
#include <benchmark/benchmark.h>

#include "BenchBackDialog.h"
#include "host/Host.h"
#include "host/memory/MemoryBackend.h"
#include "res/resource.h"
#include "win32/Windows.h"

namespace {

bool SameRect(HWND a, HWND b)
{
    RECT ra{};
    RECT rb{};
    ::GetWindowRect(a, &ra);
    ::GetWindowRect(b, &rb);
    return ra.left == rb.left && ra.top == rb.top && ra.right == rb.right && ra.bottom == rb.bottom;
}

// Moves a window one pixel right, then back, and so on, so that every step
// is a real move and the window never leaves the screen.
class Stepper {
public:
    explicit Stepper(HWND window) : m_window(window)
    {
        RECT rc{};
        ::GetWindowRect(window, &rc);
        m_x = rc.left;
        m_y = rc.top;
    }
    void Step()
    {
        m_x += m_delta;
        m_delta = -m_delta;
        ::SetWindowPos(m_window, nullptr, m_x, m_y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }

private:
    HWND m_window;
    int m_x = 0;
    int m_y = 0;
    int m_delta = 1;
};

void BM_DragStepWindowPair(benchmark::State& state)
{
    quarrow::MemoryBackend screen;
    quarrow::Host host(screen);
    ULONG_PTR token = 0;
    Gdiplus::GdiplusStartupInput input;
    Gdiplus::GdiplusStartup(&token, &input, nullptr);
    {
        BenchBackDialog back;
        if (!back.Create(IDD_BACK_DIALOG) || !::IsWindowVisible(back.ForeWindow()) ||
            !::IsWindowVisible(back.GetSafeHwnd())) {
            state.SkipWithError("the window pair is not on screen");
        } else {
            host.pump();
            Stepper stepper(back.GetSafeHwnd());
            for (auto _ : state) stepper.Step();
            host.pump();
            if (!SameRect(back.GetSafeHwnd(), back.ForeWindow())) state.SkipWithError("the overlay fell behind");
            back.DestroyWindow();
        }
    }
    Gdiplus::GdiplusShutdown(token);
}
BENCHMARK(BM_DragStepWindowPair)->Unit(benchmark::kMicrosecond);

LRESULT CALLBACK PlainProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    return DefWindowProcW(window, message, wParam, lParam);
}

void BM_MovePlainWindow(benchmark::State& state)
{
    quarrow::MemoryBackend screen;
    quarrow::Host host(screen);
    WNDCLASSW wc{};
    wc.lpfnWndProc = &PlainProcedure;
    wc.lpszClassName = _T("BenchPlainWindow");
    RegisterClassW(&wc);
    // The same size as the launcher's background, at the same place.
    HWND window = CreateWindowExW(0, _T("BenchPlainWindow"), _T(""), WS_POPUP | WS_VISIBLE, 438, 232, 1044, 616, nullptr,
                                  nullptr, nullptr, nullptr);
    if (window == nullptr) {
        state.SkipWithError("the window could not be created");
        return;
    }
    host.pump();
    Stepper stepper(window);
    for (auto _ : state) stepper.Step();
    DestroyWindow(window);
}
BENCHMARK(BM_MovePlainWindow)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
