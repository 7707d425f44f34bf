// Fuzzes the login check's query parse on arbitrary addresses (UTF-16
// input; the first byte picks UTF-8 or GBK as the thread's code page). The
// parse either succeeds, fails with false, or raises the framework's
// invalid-argument error, and a failure leaves no credentials behind.
#include <cstdint>
#include <cstring>
#include <vector>

#include "afx/CException.h"
#include "launcher/CLoginForeDialog.h"
#include "win32/WinNls.h"

namespace {

class Overlay : public CLoginForeDialog {
public:
    Overlay() : CLoginForeDialog(nullptr) { InitAddressTable(); }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 1) return 0;
    SetThreadLocale((data[0] & 1) ? 2052 : LOCALE_USER_DEFAULT);
    size_t units = (size - 1) / 2;
    std::vector<WCHAR> text(units);
    if (units) std::memcpy(text.data(), data + 1, units * 2);
    CString address(text.data(), static_cast<int>(units));

    static Overlay overlay;
    try {
        bool ok = overlay.ParseLoginUrl(address);
        if (ok != (!overlay.UserId().IsEmpty() && !overlay.Key().IsEmpty())) __builtin_trap();
    } catch (CException* e) {
        if (!overlay.UserId().IsEmpty() || !overlay.Key().IsEmpty()) __builtin_trap();
        e->Delete();
    }
    SetThreadLocale(LOCALE_USER_DEFAULT);
    return 0;
}
