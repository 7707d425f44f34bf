// Start-up to the first composed frame of the skin on the memory screen,
// against its limit: decoding the background PNG once with Gdiplus::Image,
// putting it on one layered window with UpdateLayeredWindow and composing
// the screen once. Everything the pair does beyond that (two dialogs from
// templates, the overlay's placement, the framework's messages) is the
// difference. Tearing down after each round is not timed.
#include <benchmark/benchmark.h>

#include <cstring>
#include <memory>

#include "BenchBackDialog.h"
#include "host/Host.h"
#include "host/memory/MemoryBackend.h"
#include "res/resource.h"
#include "win32/Windows.h"

namespace {

// GDI+ for the whole run, as the application keeps it for its own.
class GdiplusSession {
public:
    GdiplusSession()
    {
        Gdiplus::GdiplusStartupInput input;
        Gdiplus::GdiplusStartup(&m_token, &input, nullptr);
    }
    ~GdiplusSession() { Gdiplus::GdiplusShutdown(m_token); }

private:
    ULONG_PTR m_token = 0;
};

void BM_StartupWindowPair(benchmark::State& state)
{
    quarrow::MemoryBackend screen;
    quarrow::Host host(screen);
    GdiplusSession gdiplus;
    for (auto _ : state) {
        auto back = std::make_unique<BenchBackDialog>();
        if (!back->Create(IDD_BACK_DIALOG) || !::IsWindowVisible(back->ForeWindow())) {
            state.SkipWithError("the window pair is not on screen");
            break;
        }
        benchmark::DoNotOptimize(screen.compose());
        state.PauseTiming();
        back->DestroyWindow();
        back.reset();
        host.pump();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_StartupWindowPair)->Unit(benchmark::kMillisecond);

LRESULT CALLBACK PlainProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    return DefWindowProcW(window, message, wParam, lParam);
}

// The limit: the background's bytes decoded, drawn once into a 32-bit
// bitmap, given to one layered window and composed.
void BM_DecodeAndComposeOnce(benchmark::State& state)
{
    quarrow::MemoryBackend screen;
    quarrow::Host host(screen);
    GdiplusSession gdiplus;
    WNDCLASSW wc{};
    wc.lpfnWndProc = &PlainProcedure;
    wc.lpszClassName = u"BenchLayeredWindow";
    RegisterClassW(&wc);

    HRSRC found = FindResourceW(nullptr, MAKEINTRESOURCEW(IDB_BACKGROUND), u"PNG");
    const DWORD size = SizeofResource(nullptr, found);
    const void* bytes = LockResource(LoadResource(nullptr, found));
    if (bytes == nullptr || size == 0) {
        state.SkipWithError("the background resource is missing");
        return;
    }

    for (auto _ : state) {
        HGLOBAL memory = GlobalAlloc(GMEM_FIXED, size);
        std::memcpy(GlobalLock(memory), bytes, size);
        GlobalUnlock(memory);
        IStream* stream = nullptr;
        CreateStreamOnHGlobal(memory, FALSE, &stream);
        Gdiplus::Image* image = Gdiplus::Image::FromStream(stream, FALSE);
        stream->Release();
        const int w = static_cast<int>(image->GetWidth());
        const int h = static_cast<int>(image->GetHeight());

        HWND window = CreateWindowExW(WS_EX_LAYERED, u"BenchLayeredWindow", u"", WS_POPUP | WS_VISIBLE, 438, 232, w,
                                      h, nullptr, nullptr, nullptr, nullptr);
        HDC windowDC = ::GetDC(window);
        HDC memoryDC = CreateCompatibleDC(windowDC);
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        info.bmiHeader.biWidth = w;
        info.bmiHeader.biHeight = h;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        void* bits = nullptr;
        HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        HGDIOBJ previous = SelectObject(memoryDC, bitmap);
        {
            Gdiplus::Graphics graphics(memoryDC);
            graphics.DrawImage(image, 0, 0, w, h);
        }
        POINT destination{438, 232};
        SIZE extent{w, h};
        POINT source{0, 0};
        BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
        if (!UpdateLayeredWindow(window, windowDC, &destination, &extent, memoryDC, &source, 0, &blend, ULW_ALPHA)) {
            state.SkipWithError("UpdateLayeredWindow failed");
        }
        benchmark::DoNotOptimize(screen.compose());

        state.PauseTiming();
        SelectObject(memoryDC, previous);
        DeleteObject(bitmap);
        DeleteDC(memoryDC);
        ::ReleaseDC(window, windowDC);
        DestroyWindow(window);
        delete image;
        GlobalFree(memory);
        host.pump();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_DecodeAndComposeOnce)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
