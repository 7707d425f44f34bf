// The Win32-style literal macros for wide text. Program, framework and test
// sources write every wide literal as _T("...") (or TEXT("...")), so that the
// same line makes a UTF-16 literal in both builds: here WCHAR is char16_t and
// the macros add the u prefix; the Windows SDK's headers define them with the
// L prefix, where WCHAR is wchar_t.
#pragma once

#if defined(_WIN32)
#include <tchar.h>
#include <windows.h>
#else
#define __TEXT(quote) u##quote
#define TEXT(quote) __TEXT(quote)
#define _TEXT(quote) __TEXT(quote)
#define _T(quote) __TEXT(quote)
#endif
