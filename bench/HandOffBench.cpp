// The login hand-off's costs: the query parse per byte of address (it must
// scale linearly), and the loader start through CreateProcessA against a
// bare posix_spawn of the same loader.
#include <benchmark/benchmark.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "launcher/CLoginForeDialog.h"

extern char** environ;

namespace {

class Overlay : public CLoginForeDialog {
public:
    Overlay() : CLoginForeDialog(nullptr) { InitAddressTable(); }
    void SetCredentials(const CString& userId, const CString& key)
    {
        m_strUserId = userId;
        m_strKey = key;
    }
};

CString AddressOfSize(size_t bytes)
{
    CString address(_T("http://www.quarrow.example/games/vadmo/login?userid=42"));
    CString item(_T("&item=abcdefgh%41"));
    while (static_cast<size_t>(address.GetLength()) < bytes) address += item;
    return address;
}

void BM_QueryParse(benchmark::State& state)
{
    CString address = AddressOfSize(static_cast<size_t>(state.range(0)));
    Overlay overlay;
    for (auto _ : state) benchmark::DoNotOptimize(overlay.ParseLoginUrl(address));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * address.GetLength());
}
BENCHMARK(BM_QueryParse)->Arg(1 << 10)->Arg(1 << 20)->Arg(8 << 20)->Unit(benchmark::kMicrosecond);

// The loader's exit is reaped by its new parent, so each round only waits
// for the loader to have started (exec done), which is what the launcher
// waits for too.
void BM_LaunchLoader(benchmark::State& state)
{
    Overlay overlay;
    overlay.SetCredentials(_T("42"), _T("userid-42&from-abc"));
    for (auto _ : state) benchmark::DoNotOptimize(overlay.LaunchLoader());
}
BENCHMARK(BM_LaunchLoader)->Unit(benchmark::kMicrosecond);

void BM_BarePosixSpawn(benchmark::State& state)
{
    std::string loader = (std::filesystem::read_symlink("/proc/self/exe").parent_path() / "quilbyLoader.exe").string();
    std::string arg = "ID=42,Key=userid-42&from-abc,PID=ZUVO_,PROCPARA=66666";
    char* argv[] = {loader.data(), arg.data(), nullptr};
    for (auto _ : state) {
        pid_t pid = 0;
        posix_spawn(&pid, loader.c_str(), nullptr, nullptr, argv, environ);
        state.PauseTiming();
        waitpid(pid, nullptr, 0);
        state.ResumeTiming();
    }
}
BENCHMARK(BM_BarePosixSpawn)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
