// The calling thread's last-error code and the system's text for an error
// code, as the Win32-style functions of the layer report failures.
#pragma once

#if defined(_WIN32)
// The Windows build takes these declarations from the SDK: <windows.h>.
#include "win32/TChar.h"
#else

#include "win32/WinDef.h"
#include "win32/WinError.h"

DWORD GetLastError();
void SetLastError(DWORD code);

#define FORMAT_MESSAGE_IGNORE_INSERTS 0x00000200
#define FORMAT_MESSAGE_FROM_SYSTEM 0x00001000
#define FORMAT_MESSAGE_MAX_WIDTH_MASK 0x000000FF

// Writes the system's one-line description of `messageId` into `buffer`
// (at most `size` characters, terminator included). Only
// FORMAT_MESSAGE_FROM_SYSTEM is supported; the source and arguments are not
// used. Returns the number of characters written, without the terminator,
// or 0 when the code is unknown or the buffer is too small.
DWORD FormatMessageW(DWORD flags, LPCVOID source, DWORD messageId, DWORD languageId, LPWSTR buffer, DWORD size,
                     void* arguments);

#endif // _WIN32
