// CString::LoadString lives apart from the string itself so that the string
// class does not pull the resource index into every user.
#include "afx/CString.h"
#include "win32/LibLoaderApi.h"

BOOL CString::LoadString(UINT id)
{
    // With a buffer size of 0, LoadStringW hands out a read-only pointer to
    // the text inside the resources and returns its length.
    const WCHAR* text = nullptr;
    // Qualified: under UNICODE the SDK's LoadString macro makes this member
    // LoadStringW too, which would hide the system's function.
    int length = ::LoadStringW(::GetModuleHandleW(nullptr), id, reinterpret_cast<LPWSTR>(&text), 0);
    if (length <= 0 || !text) {
        Empty();
        return FALSE;
    }
    *this = CString(text, length);
    return TRUE;
}
