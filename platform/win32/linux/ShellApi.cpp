#include "win32/ShellApi.h"

#include "host/Host.h"
#include "win32/ErrHandlingApi.h"
#include "win32/WinError.h"

namespace {

std::u16string Text(LPCWSTR text) { return text ? std::u16string(text) : std::u16string(); }

HINSTANCE Result(INT_PTR code) { return reinterpret_cast<HINSTANCE>(code); }

// The shell reports its failures in its own small set of codes.
INT_PTR ShellCode(DWORD error)
{
    switch (error) {
    case ERROR_FILE_NOT_FOUND: return SE_ERR_FNF;
    case ERROR_PATH_NOT_FOUND: return SE_ERR_PNF;
    case ERROR_ACCESS_DENIED: return SE_ERR_ACCESSDENIED;
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY: return SE_ERR_OOM;
    default: return SE_ERR_NOASSOC;
    }
}

} // namespace

HINSTANCE ShellExecuteW(HWND hwnd, LPCWSTR lpOperation, LPCWSTR lpFile, LPCWSTR lpParameters,
                        LPCWSTR lpDirectory, INT nShowCmd)
{
    (void)hwnd;
    const std::u16string verb = lpOperation ? std::u16string(lpOperation) : std::u16string(u"open");
    if (verb != u"open") {
        SetLastError(ERROR_NO_ASSOCIATION);
        return Result(SE_ERR_NOASSOC);
    }
    if (!lpFile || !*lpFile) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return Result(SE_ERR_FNF);
    }
    quarrow::ShellRequest request{verb, Text(lpFile), Text(lpParameters), Text(lpDirectory), nShowCmd};
    const DWORD error = quarrow::Host::current().backend().shellOpen(request);
    if (error != ERROR_SUCCESS) {
        SetLastError(error);
        return Result(ShellCode(error));
    }
    // Any value above 32 means success.
    return Result(42);
}
