// Internal to the platform layer: the IStream that CreateStreamOnHGlobal
// makes over a global memory block. It owns a reference count and, with
// delete-on-release, the block.
#pragma once

#include "win32/ObjIdl.h"
#include "win32/WinBase.h"

namespace quarrow {

class HGlobalStream final : public IStream {
public:
    HGlobalStream(HGLOBAL memory, bool deleteOnRelease);

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppvObject) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    HRESULT STDMETHODCALLTYPE Read(void* pv, ULONG cb, ULONG* pcbRead) override;
    HRESULT STDMETHODCALLTYPE Write(const void* pv, ULONG cb, ULONG* pcbWritten) override;

    HRESULT STDMETHODCALLTYPE Seek(LARGE_INTEGER dlibMove, DWORD dwOrigin, ULARGE_INTEGER* plibNewPosition) override;
    HRESULT STDMETHODCALLTYPE SetSize(ULARGE_INTEGER libNewSize) override;
    HRESULT STDMETHODCALLTYPE CopyTo(IStream* pstm, ULARGE_INTEGER cb, ULARGE_INTEGER* pcbRead,
                                     ULARGE_INTEGER* pcbWritten) override;
    HRESULT STDMETHODCALLTYPE Commit(DWORD grfCommitFlags) override;
    HRESULT STDMETHODCALLTYPE Revert() override;
    HRESULT STDMETHODCALLTYPE LockRegion(ULARGE_INTEGER libOffset, ULARGE_INTEGER cb, DWORD dwLockType) override;
    HRESULT STDMETHODCALLTYPE UnlockRegion(ULARGE_INTEGER libOffset, ULARGE_INTEGER cb, DWORD dwLockType) override;
    HRESULT STDMETHODCALLTYPE Stat(STATSTG* pstatstg, DWORD grfStatFlag) override;
    HRESULT STDMETHODCALLTYPE Clone(IStream** ppstm) override;

    HGLOBAL memory() const { return m_memory; }

private:
    ~HGlobalStream();
    HRESULT resize(ULONGLONG size);

    ULONG m_refs = 1;
    HGLOBAL m_memory;
    bool m_deleteOnRelease;
    ULONGLONG m_size;
    ULONGLONG m_position = 0;
};

} // namespace quarrow
