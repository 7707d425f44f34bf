// National-language support: code pages, the thread locale, the narrow <->
// wide conversions and locale-aware string comparison.
//
// Narrow text is bytes in a code page. CP_ACP and CP_THREAD_ACP resolve to
// the ANSI code page of the calling thread's locale: the one chosen with
// SetThreadLocale (2052 gives 936, 1033 gives 1252, ...) or, while none is
// chosen, the code page of the process locale's codeset (UTF-8 gives 65001).
#pragma once

#if defined(_WIN32)
// The Windows build takes these declarations from the SDK: <windows.h>.
#include "win32/TChar.h"
#else

#include "win32/WinDef.h"

#define CP_ACP 0
#define CP_OEMCP 1
#define CP_MACCP 2
#define CP_THREAD_ACP 3
#define CP_UTF7 65000
#define CP_UTF8 65001

#define MB_PRECOMPOSED 0x00000001
#define MB_ERR_INVALID_CHARS 0x00000008
#define WC_NO_BEST_FIT_CHARS 0x00000400
#define WC_ERR_INVALID_CHARS 0x00000080

#define LOCALE_USER_DEFAULT 0x0400
#define LOCALE_SYSTEM_DEFAULT 0x0800
#define LOCALE_INVARIANT 0x007F
#define LOCALE_NEUTRAL 0x0000

#define NORM_IGNORECASE 0x00000001
#define NORM_IGNORENONSPACE 0x00000002
#define NORM_IGNORESYMBOLS 0x00000004
#define NORM_IGNOREKANATYPE 0x00010000
#define NORM_IGNOREWIDTH 0x00020000

#define CSTR_LESS_THAN 1
#define CSTR_EQUAL 2
#define CSTR_GREATER_THAN 3

// Returns the number of wide characters written (or needed when
// `wideSize` is 0); 0 on failure with the reason in GetLastError. A
// `narrowLength` of -1 means the input ends at its first zero byte, which is
// converted and counted too. Invalid input bytes become U+FFFD unless
// MB_ERR_INVALID_CHARS asks for failure.
int MultiByteToWideChar(UINT codePage, DWORD flags, LPCSTR narrow, int narrowLength, LPWSTR wide, int wideSize);

// Returns the number of bytes written (or needed when `narrowSize` is 0);
// 0 on failure. A `wideLength` of -1 means the input ends at its first zero
// character. A character the code page cannot represent, a lone surrogate
// included, becomes `defaultChar` ("?" when null) and sets
// *usedDefaultChar.
int WideCharToMultiByte(UINT codePage, DWORD flags, LPCWSTR wide, int wideLength, LPSTR narrow, int narrowSize,
                        LPCSTR defaultChar, LPBOOL usedDefaultChar);

BOOL SetThreadLocale(LCID locale);
LCID GetThreadLocale();
UINT GetACP();
#define LOCALE_IDEFAULTANSICODEPAGE 0x00001004
#define LOCALE_RETURN_NUMBER 0x20000000
using LCTYPE = DWORD;
// Supports LOCALE_IDEFAULTANSICODEPAGE, as decimal text or, with
// LOCALE_RETURN_NUMBER, as a DWORD written into the buffer.
int GetLocaleInfoW(LCID locale, LCTYPE type, LPWSTR data, int size);
BOOL IsValidCodePage(UINT codePage);

// Compares two strings; a length of -1 means up to the terminating zero,
// and an explicit length also ends at an embedded zero, so nothing past
// the end of the text is read. Supports NORM_IGNORECASE and
// NORM_IGNOREWIDTH (full-width and half-width forms compare equal to their
// normal-width forms); other flags fail with ERROR_INVALID_FLAGS. Returns
// CSTR_LESS_THAN, CSTR_EQUAL or CSTR_GREATER_THAN, or 0 on failure.
int CompareStringW(LCID locale, DWORD flags, LPCWSTR a, int aLength, LPCWSTR b, int bLength);

#endif // _WIN32
