// The source object of a named frame's browser events: what a sink gets as
// pDisp for a frame's BeforeNavigate2 and DocumentComplete, so that it can
// tell a frame's document from the top one (whose pDisp is the control
// itself). It answers LocationURL with the frame's address. Reference
// counted; the control holds one reference per frame until it closes, and a
// sink may keep its own.
#pragma once

#include "win32/OAIdl.h"

#include <string>

namespace quarrow {

class FrameDispatch final : public IDispatch {
public:
    // Made with one reference, the caller's.
    FrameDispatch(std::u16string name, std::u16string url) : m_name(std::move(name)), m_url(std::move(url)) {}

    const std::u16string& name() const { return m_name; }
    void setUrl(const std::u16string& url) { m_url = url; }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppvObject) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return ++m_refs; }
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* pctinfo) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT iTInfo, LCID lcid, ITypeInfo** ppTInfo) override;
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID riid, LPOLESTR* rgszNames, UINT cNames, LCID lcid,
                                            DISPID* rgDispId) override;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID dispIdMember, REFIID riid, LCID lcid, WORD wFlags,
                                     DISPPARAMS* pDispParams, VARIANT* pVarResult, EXCEPINFO* pExcepInfo,
                                     UINT* puArgErr) override;

private:
    ~FrameDispatch() = default;

    ULONG m_refs = 1;
    std::u16string m_name;
    std::u16string m_url;
};

} // namespace quarrow
