// Tells a test whether it runs under Wine rather than on Windows itself, for
// the few expectations where Wine knowingly differs from Windows (its
// message texts, say). Such a check is left out under Wine, with the
// reason; in the Linux tree this is always false.
#pragma once

#if defined(_WIN32)
#include <windows.h>
#endif

namespace quarrow::test {

inline bool RunningUnderWine()
{
#if defined(_WIN32)
    // Wine's ntdll exports its version; Windows' does not.
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version") != nullptr;
#else
    return false;
#endif
}

} // namespace quarrow::test
