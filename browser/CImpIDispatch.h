// The object that page script reaches as window.external: a hand-written
// automation object that knows one property, "xxyyzz" (DISPID 12345), whose
// value is "Wibble". The application object owns the one instance; its
// reference count is a plain counter that never deletes it.
#pragma once

#include "win32/OAIdl.h"

class CImpIDispatch final : public IDispatch {
public:
    static constexpr DISPID kDispIdXxyyzz = 12345;

    CImpIDispatch();
    // Deliberately not virtual: the owner deletes the object through its
    // own type (the class is final), never through an interface pointer.
    ~CImpIDispatch();

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppvObject) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* pctinfo) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT iTInfo, LCID lcid, ITypeInfo** ppTInfo) override;
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID riid, LPOLESTR* rgszNames, UINT cNames, LCID lcid,
                                            DISPID* rgDispId) override;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID dispIdMember, REFIID riid, LCID lcid, WORD wFlags,
                                     DISPPARAMS* pDispParams, VARIANT* pVarResult, EXCEPINFO* pExcepInfo,
                                     UINT* puArgErr) override;

    ULONG RefCount() const { return m_refs; }

private:
    ULONG m_refs;
};
