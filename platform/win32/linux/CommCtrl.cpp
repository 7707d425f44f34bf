#include "win32/CommCtrl.h"

#include "win32/ErrHandlingApi.h"

static_assert(sizeof(INITCOMMONCONTROLSEX) == 8);

namespace {

constexpr DWORD kKnownClasses = 0x0000FFFF;

} // namespace

BOOL InitCommonControlsEx(const INITCOMMONCONTROLSEX* picce)
{
    if (!picce || picce->dwSize != sizeof(INITCOMMONCONTROLSEX) || (picce->dwICC & ~kKnownClasses)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    return TRUE;
}

void InitCommonControls() {}
