// The module's resources: the module handle, finding, loading and sizing
// resources, and the two loaders built on them that the program uses
// (strings and icons). The resources are the bytes of launcher.res that the
// build embeds in the executable; the platform indexes them once, at first
// use (see win32/linux/ResourceModule.h).
#pragma once

#if defined(_WIN32)
// The Windows build takes these declarations from the SDK: <windows.h>.
#include "win32/TChar.h"
#else

#include "win32/WinDef.h"
#include "win32/WinError.h"

// The predefined resource types.
#define RT_CURSOR MAKEINTRESOURCEW(1)
#define RT_BITMAP MAKEINTRESOURCEW(2)
#define RT_ICON MAKEINTRESOURCEW(3)
#define RT_MENU MAKEINTRESOURCEW(4)
#define RT_DIALOG MAKEINTRESOURCEW(5)
#define RT_STRING MAKEINTRESOURCEW(6)
#define RT_FONTDIR MAKEINTRESOURCEW(7)
#define RT_FONT MAKEINTRESOURCEW(8)
#define RT_ACCELERATOR MAKEINTRESOURCEW(9)
#define RT_RCDATA MAKEINTRESOURCEW(10)
#define RT_MESSAGETABLE MAKEINTRESOURCEW(11)
#define RT_GROUP_CURSOR MAKEINTRESOURCEW(12)
#define RT_GROUP_ICON MAKEINTRESOURCEW(14)
#define RT_VERSION MAKEINTRESOURCEW(16)
#define RT_DLGINCLUDE MAKEINTRESOURCEW(17)
#define RT_PLUGPLAY MAKEINTRESOURCEW(19)
#define RT_VXD MAKEINTRESOURCEW(20)
#define RT_ANICURSOR MAKEINTRESOURCEW(21)
#define RT_ANIICON MAKEINTRESOURCEW(22)
#define RT_HTML MAKEINTRESOURCEW(23)
#define RT_MANIFEST MAKEINTRESOURCEW(24)

// Language ids used with FindResourceExW (also in win32/WinNls.h).
#ifndef LANG_NEUTRAL
#define LANG_NEUTRAL 0x00
#endif
#ifndef LANG_CHINESE
#define LANG_CHINESE 0x04
#endif
#ifndef LANG_ENGLISH
#define LANG_ENGLISH 0x09
#endif
#ifndef SUBLANG_NEUTRAL
#define SUBLANG_NEUTRAL 0x00
#endif
#ifndef SUBLANG_DEFAULT
#define SUBLANG_DEFAULT 0x01
#endif
#ifndef SUBLANG_SYS_DEFAULT
#define SUBLANG_SYS_DEFAULT 0x02
#endif
#ifndef SUBLANG_CHINESE_SIMPLIFIED
#define SUBLANG_CHINESE_SIMPLIFIED 0x02
#endif
#ifndef SUBLANG_ENGLISH_US
#define SUBLANG_ENGLISH_US 0x01
#endif

#ifndef ERROR_MOD_NOT_FOUND
#define ERROR_MOD_NOT_FOUND 126L
#endif

// The executable's module handle for a null name. Named modules are not
// loaded by this platform: any other name fails with ERROR_MOD_NOT_FOUND.
HMODULE GetModuleHandleW(LPCWSTR moduleName);

// The executable's full path (from /proc/self/exe, UTF-8 as UTF-16) for a
// null module or the executable's handle; its length without the zero. A
// buffer too small gets the path cut to size - 1 characters and the zero,
// returns size and sets ERROR_INSUFFICIENT_BUFFER, as the platform does.
// Another module fails with ERROR_MOD_NOT_FOUND.
DWORD GetModuleFileNameW(HMODULE module, LPWSTR filename, DWORD size);

// Finds a resource by name and type in a module (null: the executable).
// Names and types are MAKEINTRESOURCEW ids, "#123" strings or names
// (compared without regard to ASCII case). Among the languages of the
// resource it prefers neutral (0), then the user default (0x0400), then US
// English (1033), then the first in the file. Fails with
// ERROR_RESOURCE_TYPE_NOT_FOUND or ERROR_RESOURCE_NAME_NOT_FOUND; with
// ERROR_RESOURCE_DATA_NOT_FOUND when the module has no resources and
// ERROR_BAD_FORMAT when its resources are malformed.
HRSRC FindResourceW(HMODULE module, LPCWSTR name, LPCWSTR type);
// The same for exactly one language (note the order: type, then name).
// Language 0 means "any", as in FindResourceW. Fails with
// ERROR_RESOURCE_LANG_NOT_FOUND when the resource exists in other
// languages only.
HRSRC FindResourceExW(HMODULE module, LPCWSTR type, LPCWSTR name, WORD language);
// The resource's data; the handle is the data's address, valid for the
// life of the process. Null with ERROR_INVALID_HANDLE for a handle that
// this module did not give out.
HGLOBAL LoadResource(HMODULE module, HRSRC resource);
DWORD SizeofResource(HMODULE module, HRSRC resource);
LPVOID LockResource(HGLOBAL resourceData);
// Resources are never unloaded: always FALSE, as on Win32.
BOOL FreeResource(HGLOBAL resourceData);

// Loads string `id` from its string table block (block id / 16 + 1, the
// string's index id % 16; each string a length word and that many UTF-16
// units). With a buffer size of 0, stores a read-only pointer to the
// (unterminated) text in *(LPWSTR*)buffer and returns its length. Else
// copies at most bufferMax - 1 units, terminates, and returns the count
// copied. Returns 0 when the string does not exist (ERROR_RESOURCE_NAME_NOT_FOUND
// or the finding error), or when it is empty.
int LoadStringW(HINSTANCE instance, UINT id, LPWSTR buffer, int bufferMax);

// Loads an icon group and the image in it that fits the system's large
// icon size (32 x 32) best, scaled to that size (win32/linux/IconImage.h is what
// the handle refers to). The handle is shared: loading the same icon again
// gives the same handle, and it lives as long as the module. A null instance asks for the system's own icons, which
// this platform does not have (ERROR_RESOURCE_NAME_NOT_FOUND).
HICON LoadIconW(HINSTANCE instance, LPCWSTR name);

#endif // _WIN32
