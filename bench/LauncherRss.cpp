// Peak resident memory of the whole launcher on the memory screen with the
// scripted browser engine, at its first frame, against the bare skin (the
// background decoded and composed once, see BareSkin.h). A benchmark tool,
// not the program, so it takes its mode as its one argument:
//   launcher_rss launcher   runs the program's application object to its
//                           first frame, then ends it with a close request
//   launcher_rss bare       shows the bare skin and composes once
// Either prints "VmHWM <kB>", the process's peak resident size read from
// /proc/self/status at the first frame, and exits 0; 1 when the frame was
// never reached, 2 for a bad argument.
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>

#include "BareSkin.h"
#include "afx/CWnd.h"
#include "app/CQRB_LancherApp.h"
#include "host/Host.h"
#include "host/browser/scripted/ScriptedWeb.h"
#include "host/memory/MemoryBackend.h"
#include "launcher/AddressTable.h"

namespace {

long PeakResidentKilobytes()
{
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("VmHWM:", 0) == 0) return std::stol(line.substr(6));
    }
    return -1;
}

long RunLauncher()
{
    // Naming the application object links it in from its library.
    if (AfxGetApp() != &theApp) return -1;
    quarrow::MemoryBackend screen;
    quarrow::Host host(screen);
    quarrow::ScriptedWeb web;
    quarrow::ScriptedPage& start = web.add(_T("http://") QUARROW_WEB_HOST_TEXT _T("/games/vadmo/dlq/"));
    start.title = _T("Quarrow login");
    start.scripts = true;
    host.setBrowserEngineFactory(web.factory());
    long peak = -1;
    screen.whenIdle([&] {
        HWND back = AfxGetMainWnd() ? AfxGetMainWnd()->GetSafeHwnd() : nullptr;
        if (back == nullptr) return;
        const quarrow::PixelBuffer frame = screen.compose();
        if (::IsWindowVisible(::GetWindow(back, GW_ENABLEDPOPUP))) peak = PeakResidentKilobytes();
        ::PostMessageW(back, WM_CLOSE, 0, 0);
    });
    AfxWinMain();
    return peak;
}

long RunBare()
{
    quarrow::MemoryBackend screen;
    quarrow::Host host(screen);
    Gdiplus::GdiplusStartupInput input;
    ULONG_PTR token = 0;
    Gdiplus::GdiplusStartup(&token, &input, nullptr);
    long peak = -1;
    {
        BareSkin skin(438, 232);
        const quarrow::PixelBuffer frame = screen.compose();
        if (skin.Shown()) peak = PeakResidentKilobytes();
    }
    Gdiplus::GdiplusShutdown(token);
    return peak;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2 || (std::strcmp(argv[1], "launcher") != 0 && std::strcmp(argv[1], "bare") != 0)) {
        std::fprintf(stderr, "usage: launcher_rss launcher|bare\n");
        return 2;
    }
    const long peak = std::strcmp(argv[1], "launcher") == 0 ? RunLauncher() : RunBare();
    if (peak < 0) {
        std::fprintf(stderr, "launcher_rss: the first frame was never reached\n");
        return 1;
    }
    std::printf("VmHWM %ld\n", peak);
    return 0;
}
