#include "win32/linux/HGlobalStream.h"

#include <algorithm>
#include <cstring>

namespace quarrow {

HGlobalStream::HGlobalStream(HGLOBAL memory, bool deleteOnRelease)
    : m_memory(memory), m_deleteOnRelease(deleteOnRelease), m_size(GlobalSize(memory))
{
}

HGlobalStream::~HGlobalStream()
{
    if (m_deleteOnRelease) GlobalFree(m_memory);
}

HRESULT HGlobalStream::QueryInterface(REFIID riid, void** ppvObject)
{
    if (ppvObject == nullptr) return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_ISequentialStream || riid == IID_IStream) {
        *ppvObject = static_cast<IStream*>(this);
        AddRef();
        return S_OK;
    }
    *ppvObject = nullptr;
    return E_NOINTERFACE;
}

ULONG HGlobalStream::AddRef() { return ++m_refs; }

ULONG HGlobalStream::Release()
{
    const ULONG refs = --m_refs;
    if (refs == 0) delete this;
    return refs;
}

HRESULT HGlobalStream::Read(void* pv, ULONG cb, ULONG* pcbRead)
{
    if (pcbRead != nullptr) *pcbRead = 0;
    if (pv == nullptr && cb != 0) return STG_E_INVALIDPOINTER;
    ULONG n = 0;
    if (m_position < m_size) n = static_cast<ULONG>(std::min<ULONGLONG>(cb, m_size - m_position));
    if (n != 0) {
        const BYTE* data = static_cast<const BYTE*>(GlobalLock(m_memory));
        if (data == nullptr) return STG_E_READFAULT;
        std::memcpy(pv, data + m_position, n);
        GlobalUnlock(m_memory);
        m_position += n;
    }
    if (pcbRead != nullptr) *pcbRead = n;
    return S_OK;
}

HRESULT HGlobalStream::Write(const void* pv, ULONG cb, ULONG* pcbWritten)
{
    if (pcbWritten != nullptr) *pcbWritten = 0;
    if (pv == nullptr && cb != 0) return STG_E_INVALIDPOINTER;
    if (cb == 0) return S_OK;
    if (m_position + cb > m_size) {
        const HRESULT hr = resize(m_position + cb);
        if (FAILED(hr)) return hr;
    }
    BYTE* data = static_cast<BYTE*>(GlobalLock(m_memory));
    if (data == nullptr) return STG_E_MEDIUMFULL;
    std::memcpy(data + m_position, pv, cb);
    GlobalUnlock(m_memory);
    m_position += cb;
    if (pcbWritten != nullptr) *pcbWritten = cb;
    return S_OK;
}

HRESULT HGlobalStream::resize(ULONGLONG size)
{
    if (size > 0xFFFFFFFFull) return STG_E_MEDIUMFULL;
    const ULONGLONG old = m_size;
    const SIZE_T capacity = GlobalSize(m_memory);
    if (size > capacity) {
        // The block moves when it must; a movable block keeps its handle.
        const HGLOBAL grown = GlobalReAlloc(m_memory, static_cast<SIZE_T>(size), GMEM_MOVEABLE);
        if (grown == nullptr) return STG_E_MEDIUMFULL;
        m_memory = grown;
    }
    if (size > old) {
        BYTE* data = static_cast<BYTE*>(GlobalLock(m_memory));
        if (data != nullptr) {
            std::memset(data + old, 0, static_cast<size_t>(size - old));
            GlobalUnlock(m_memory);
        }
    }
    m_size = size;
    return S_OK;
}

HRESULT HGlobalStream::Seek(LARGE_INTEGER dlibMove, DWORD dwOrigin, ULARGE_INTEGER* plibNewPosition)
{
    LONGLONG base;
    switch (dwOrigin) {
    case STREAM_SEEK_SET:
        base = 0;
        break;
    case STREAM_SEEK_CUR:
        base = static_cast<LONGLONG>(m_position);
        break;
    case STREAM_SEEK_END:
        base = static_cast<LONGLONG>(m_size);
        break;
    default:
        // Windows answers an unknown origin and a position before the start
        // alike, with STG_E_SEEKERROR.
        return STG_E_SEEKERROR;
    }
    const LONGLONG target = base + dlibMove.QuadPart;
    if (target < 0) return STG_E_SEEKERROR;
    m_position = static_cast<ULONGLONG>(target);
    if (plibNewPosition != nullptr) plibNewPosition->QuadPart = m_position;
    return S_OK;
}

HRESULT HGlobalStream::SetSize(ULARGE_INTEGER libNewSize)
{
    if (libNewSize.QuadPart <= m_size) {
        m_size = libNewSize.QuadPart;
        return S_OK;
    }
    return resize(libNewSize.QuadPart);
}

HRESULT HGlobalStream::CopyTo(IStream* pstm, ULARGE_INTEGER cb, ULARGE_INTEGER* pcbRead, ULARGE_INTEGER* pcbWritten)
{
    if (pcbRead != nullptr) pcbRead->QuadPart = 0;
    if (pcbWritten != nullptr) pcbWritten->QuadPart = 0;
    if (pstm == nullptr) return STG_E_INVALIDPOINTER;
    ULONGLONG available = m_position < m_size ? m_size - m_position : 0;
    const ULONGLONG n = std::min(cb.QuadPart, available);
    ULONGLONG written = 0;
    HRESULT hr = S_OK;
    if (n != 0) {
        const BYTE* data = static_cast<const BYTE*>(GlobalLock(m_memory));
        if (data == nullptr) return STG_E_READFAULT;
        ULONGLONG done = 0;
        while (done < n && SUCCEEDED(hr)) {
            const ULONG chunk = static_cast<ULONG>(std::min<ULONGLONG>(n - done, 0x10000000));
            ULONG w = 0;
            hr = pstm->Write(data + m_position + done, chunk, &w);
            written += w;
            done += chunk;
        }
        GlobalUnlock(m_memory);
        m_position += n;
    }
    if (pcbRead != nullptr) pcbRead->QuadPart = n;
    if (pcbWritten != nullptr) pcbWritten->QuadPart = written;
    return hr;
}

HRESULT HGlobalStream::Commit(DWORD) { return S_OK; }

HRESULT HGlobalStream::Revert() { return S_OK; }

HRESULT HGlobalStream::LockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) { return STG_E_INVALIDFUNCTION; }

HRESULT HGlobalStream::UnlockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) { return STG_E_INVALIDFUNCTION; }

HRESULT HGlobalStream::Stat(STATSTG* pstatstg, DWORD)
{
    if (pstatstg == nullptr) return STG_E_INVALIDPOINTER;
    std::memset(pstatstg, 0, sizeof *pstatstg);
    // A memory stream has no name, whatever the flags ask.
    pstatstg->type = STGTY_STREAM;
    pstatstg->cbSize.QuadPart = m_size;
    return S_OK;
}

HRESULT HGlobalStream::Clone(IStream** ppstm)
{
    if (ppstm != nullptr) *ppstm = nullptr;
    return E_NOTIMPL;
}

} // namespace quarrow

HRESULT CreateStreamOnHGlobal(HGLOBAL memory, BOOL deleteOnRelease, LPSTREAM* stream)
{
    if (stream == nullptr) return E_INVALIDARG;
    *stream = nullptr;
    if (memory == nullptr) {
        memory = GlobalAlloc(GMEM_MOVEABLE, 0);
        if (memory == nullptr) return E_OUTOFMEMORY;
    } else if ((GlobalFlags(memory) & GMEM_INVALID_HANDLE) != 0) {
        return E_INVALIDARG;
    }
    *stream = new quarrow::HGlobalStream(memory, deleteOnRelease != FALSE);
    return S_OK;
}

HRESULT GetHGlobalFromStream(LPSTREAM stream, HGLOBAL* memory)
{
    if (memory == nullptr) return E_INVALIDARG;
    *memory = nullptr;
    auto* ours = dynamic_cast<quarrow::HGlobalStream*>(stream);
    if (ours == nullptr) return E_INVALIDARG;
    *memory = ours->memory();
    return S_OK;
}
