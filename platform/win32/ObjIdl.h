// Streams: the sequential-stream and stream interfaces, their status record,
// and the stream over a global memory block (CreateStreamOnHGlobal) through
// which images are decoded from resource bytes.
#pragma once

#if defined(_WIN32)
// The Windows build takes these declarations from the SDK: <windows.h>, <objidl.h>.
#include "win32/TChar.h"
#include <objidl.h>
#else

#include "win32/Unknwn.h"
#include "win32/WinDef.h"
#include "win32/WinError.h"

using OLECHAR = WCHAR;
using LPOLESTR = OLECHAR*;
using LPCOLESTR = const OLECHAR*;

union LARGE_INTEGER {
    struct {
        DWORD LowPart;
        LONG HighPart;
    } u;
    LONGLONG QuadPart;
};
union ULARGE_INTEGER {
    struct {
        DWORD LowPart;
        DWORD HighPart;
    } u;
    ULONGLONG QuadPart;
};
using PLARGE_INTEGER = LARGE_INTEGER*;
using PULARGE_INTEGER = ULARGE_INTEGER*;

struct FILETIME {
    DWORD dwLowDateTime;
    DWORD dwHighDateTime;
};

// STATSTG::type
#define STGTY_STORAGE 1
#define STGTY_STREAM 2
#define STGTY_LOCKBYTES 3
#define STGTY_PROPERTY 4
// Seek origins.
#define STREAM_SEEK_SET 0
#define STREAM_SEEK_CUR 1
#define STREAM_SEEK_END 2
// Stat flags.
#define STATFLAG_DEFAULT 0
#define STATFLAG_NONAME 1
#define STATFLAG_NOOPEN 2
// Commit flags.
#define STGC_DEFAULT 0

struct STATSTG {
    LPOLESTR pwcsName;
    DWORD type;
    ULARGE_INTEGER cbSize;
    FILETIME mtime;
    FILETIME ctime;
    FILETIME atime;
    DWORD grfMode;
    DWORD grfLocksSupported;
    CLSID clsid;
    DWORD grfStateBits;
    DWORD reserved;
};

inline constexpr IID IID_ISequentialStream = {0x0C733A30, 0x2A1C, 0x11CE, {0xAD, 0xE5, 0x00, 0xAA, 0x00, 0x44, 0x77, 0x3A}};
inline constexpr IID IID_IStream = {0x0000000C, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

struct ISequentialStream : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Read(void* pv, ULONG cb, ULONG* pcbRead) = 0;
    virtual HRESULT STDMETHODCALLTYPE Write(const void* pv, ULONG cb, ULONG* pcbWritten) = 0;

protected:
    ~ISequentialStream() = default;
};

struct IStream : ISequentialStream {
    virtual HRESULT STDMETHODCALLTYPE Seek(LARGE_INTEGER dlibMove, DWORD dwOrigin, ULARGE_INTEGER* plibNewPosition) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetSize(ULARGE_INTEGER libNewSize) = 0;
    virtual HRESULT STDMETHODCALLTYPE CopyTo(IStream* pstm, ULARGE_INTEGER cb, ULARGE_INTEGER* pcbRead,
                                             ULARGE_INTEGER* pcbWritten) = 0;
    virtual HRESULT STDMETHODCALLTYPE Commit(DWORD grfCommitFlags) = 0;
    virtual HRESULT STDMETHODCALLTYPE Revert() = 0;
    virtual HRESULT STDMETHODCALLTYPE LockRegion(ULARGE_INTEGER libOffset, ULARGE_INTEGER cb, DWORD dwLockType) = 0;
    virtual HRESULT STDMETHODCALLTYPE UnlockRegion(ULARGE_INTEGER libOffset, ULARGE_INTEGER cb, DWORD dwLockType) = 0;
    virtual HRESULT STDMETHODCALLTYPE Stat(STATSTG* pstatstg, DWORD grfStatFlag) = 0;
    virtual HRESULT STDMETHODCALLTYPE Clone(IStream** ppstm) = 0;

protected:
    ~IStream() = default;
};
using LPSTREAM = IStream*;

// A stream over a global memory block (null: a new empty movable block).
// The stream's size starts as the block's size; writing past the end grows
// the block. With deleteOnRelease the block is freed when the last
// reference goes; otherwise it stays the caller's. Seeking, reading,
// writing, SetSize, CopyTo and Stat work (a seek before the start or from
// an unknown origin gives STG_E_SEEKERROR); Commit and Revert succeed and do
// nothing; LockRegion and UnlockRegion give STG_E_INVALIDFUNCTION; Clone
// gives E_NOTIMPL. E_INVALIDARG for a null result pointer or a handle that
// is no block.
HRESULT CreateStreamOnHGlobal(HGLOBAL memory, BOOL deleteOnRelease, LPSTREAM* stream);
// The block under a stream made by CreateStreamOnHGlobal (E_INVALIDARG for
// any other stream).
HRESULT GetHGlobalFromStream(LPSTREAM stream, HGLOBAL* memory);

#endif // _WIN32
