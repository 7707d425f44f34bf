// Start-up to the first composed frame of the skin on the memory screen,
// against its limit: decoding the background PNG once with Gdiplus::Image,
// putting it on one layered window with UpdateLayeredWindow and composing
// the screen once. Two figures are set against it: the window pair alone
// (two dialogs from templates, the overlay's placement, the framework's
// messages), and the whole launcher from the framework's entry point, with
// the buttons' images, the browser control on the scripted engine and its
// start page. Tearing down after each round is not timed.
#include <benchmark/benchmark.h>

#include <memory>

#include "BareSkin.h"
#include "BenchBackDialog.h"
#include "app/CQRB_LancherApp.h"
#include "browser/CImpIDispatch.h"
#include "host/browser/scripted/ScriptedWeb.h"
#include "launcher/AddressTable.h"
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

// The whole launcher, run as the program runs it: AfxWinMain calls the
// application object's InitInstance, which shows the background window
// modally. The first time the modal loop waits, every window is made and
// the start page is shown; the screen is composed there and the clock
// stops. A close request to the background window then ends the run,
// untimed.
void BM_StartupLauncher(benchmark::State& state)
{
    quarrow::MemoryBackend screen;
    quarrow::Host host(screen);
    quarrow::ScriptedWeb web;
    quarrow::ScriptedPage& start = web.add(_T("http://") QUARROW_WEB_HOST_TEXT _T("/games/vadmo/dlq/"));
    start.title = _T("Quarrow login");
    start.scripts = true;
    host.setBrowserEngineFactory(web.factory());
    for (auto _ : state) {
        bool shown = false;
        bool paused = false;
        screen.whenIdle([&] {
            benchmark::DoNotOptimize(screen.compose());
            state.PauseTiming();
            paused = true;
            HWND back = AfxGetMainWnd() ? AfxGetMainWnd()->GetSafeHwnd() : nullptr;
            shown = back != nullptr && ::IsWindowVisible(::GetWindow(back, GW_ENABLEDPOPUP));
            if (back != nullptr) ::PostMessageW(back, WM_CLOSE, 0, 0);
        });
        AfxWinMain();
        // What the application's destructor does at process exit, so that
        // the next round starts as a fresh process would.
        delete theApp.m_pExternal;
        theApp.m_pExternal = nullptr;
        host.pump();
        if (paused) state.ResumeTiming();
        if (!shown) {
            state.SkipWithError("the launcher did not reach its first frame");
            break;
        }
    }
}
BENCHMARK(BM_StartupLauncher)->Unit(benchmark::kMillisecond);

// The limit: the background's bytes decoded, drawn once into a 32-bit
// bitmap, given to one layered window and composed.
void BM_DecodeAndComposeOnce(benchmark::State& state)
{
    quarrow::MemoryBackend screen;
    quarrow::Host host(screen);
    GdiplusSession gdiplus;
    for (auto _ : state) {
        auto skin = std::make_unique<BareSkin>(438, 232);
        if (!skin->Shown()) {
            state.SkipWithError("the skin is not on screen");
            break;
        }
        benchmark::DoNotOptimize(screen.compose());
        state.PauseTiming();
        skin.reset();
        host.pump();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_DecodeAndComposeOnce)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
