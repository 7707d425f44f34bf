// Global memory: the movable and fixed blocks that the program copies
// resource bytes into and that streams are made over (CreateStreamOnHGlobal
// in win32/ObjIdl.h). The layer owns every block it hands out until
// GlobalFree; blocks are meant for the GUI thread.
#pragma once

#if defined(_WIN32)
// The Windows build takes these declarations from the SDK: <windows.h>.
#include "win32/TChar.h"
#else

#include "win32/WinDef.h"
#include "win32/WinError.h"

#define GMEM_FIXED 0x0000
#define GMEM_MOVEABLE 0x0002
#define GMEM_NOCOMPACT 0x0010
#define GMEM_NODISCARD 0x0020
#define GMEM_ZEROINIT 0x0040
#define GMEM_MODIFY 0x0080
#define GMEM_DISCARDABLE 0x0100
#define GMEM_NOT_BANKED 0x1000
#define GMEM_SHARE 0x2000
#define GMEM_DDESHARE 0x2000
#define GMEM_LOCKCOUNT 0x00FF
#define GMEM_DISCARDED 0x4000
#define GMEM_INVALID_HANDLE 0x8000
#define GHND (GMEM_MOVEABLE | GMEM_ZEROINIT)
#define GPTR (GMEM_FIXED | GMEM_ZEROINIT)

#ifndef ERROR_DISCARDED
#define ERROR_DISCARDED 157L
#endif
#ifndef ERROR_NOT_LOCKED
#define ERROR_NOT_LOCKED 158L
#endif

// A fixed block's handle is its address; a movable block's handle is a
// token that GlobalLock turns into the address. A movable block of 0 bytes
// exists but has no memory (GlobalLock gives null, ERROR_DISCARDED). Flags
// other than those above fail with ERROR_INVALID_PARAMETER.
HGLOBAL GlobalAlloc(UINT flags, SIZE_T bytes);
// Resizes a block. A movable block keeps its handle; a fixed block moves
// (and gets a new handle) only when GMEM_MOVEABLE is given, else it can
// only shrink. GMEM_ZEROINIT clears the added bytes. Null on failure, and
// the old block stays as it was.
HGLOBAL GlobalReAlloc(HGLOBAL memory, SIZE_T bytes, UINT flags);
LPVOID GlobalLock(HGLOBAL memory);
// TRUE while the block stays locked; FALSE with NO_ERROR once unlocked,
// FALSE with ERROR_NOT_LOCKED for a movable block that was not locked.
BOOL GlobalUnlock(HGLOBAL memory);
// Null on success; the handle itself (ERROR_INVALID_HANDLE) for a handle
// that is no block.
HGLOBAL GlobalFree(HGLOBAL memory);
// The block's size in bytes, exactly as allocated; 0 for an unknown handle
// (ERROR_INVALID_HANDLE).
SIZE_T GlobalSize(HGLOBAL memory);
// The handle of the block that starts at `address` (a locked movable
// block's address or a fixed block's handle), or null.
HGLOBAL GlobalHandle(LPCVOID address);
// The lock count in the low byte, GMEM_DISCARDED for a movable block
// without memory; GMEM_INVALID_HANDLE for an unknown handle.
UINT GlobalFlags(HGLOBAL memory);

#endif // _WIN32
