// Fuzzes CompareStringW with explicit lengths that may run past the text:
// the comparison must end at the text's end or its first zero.
#include <cstdint>
#include <cstring>
#include <vector>

#include "win32/WinNls.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 2) return 0;
    const DWORD flags = (data[0] & 1 ? NORM_IGNOREWIDTH : 0) | (data[0] & 2 ? NORM_IGNORECASE : 0);
    const int lengthA = (data[1] % 9) - 1;  // -1 .. 7
    size_t units = (size - 2) / 2;
    size_t half = units / 2;
    // Two zero-terminated texts in exactly sized buffers.
    std::vector<WCHAR> a(half + 1, 0), b(units - half + 1, 0);
    std::memcpy(a.data(), data + 2, half * 2);
    std::memcpy(b.data(), data + 2 + half * 2, (units - half) * 2);
    int lengthB = static_cast<int>(units - half);
    int clampedA = lengthA < 0 ? -1 : (lengthA > static_cast<int>(half) ? static_cast<int>(half) : lengthA);
    int r = CompareStringW(LOCALE_USER_DEFAULT, flags, a.data(), clampedA, b.data(), lengthB);
    if (r < CSTR_LESS_THAN || r > CSTR_GREATER_THAN) __builtin_trap();
    // Symmetry: swapping the sides swaps the answer.
    int s = CompareStringW(LOCALE_USER_DEFAULT, flags, b.data(), lengthB, a.data(), clampedA);
    if (r + s != 4) __builtin_trap();
    return 0;
}
