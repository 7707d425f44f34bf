// The framework's exception for a failed OLE or automation call (an
// InvokeHelper whose control answered with a failure code, a call on a
// window without a control). Thrown by pointer from the heap; the catcher
// calls Delete().
#pragma once

#include "afx/CException.h"
#include "win32/OAIdl.h"

class COleException : public CException {
    DECLARE_DYNAMIC(COleException)
public:
    explicit COleException(SCODE sc = E_FAIL) : m_sc(sc) {}

    // The failure code behind any framework exception: m_sc of an OLE
    // exception, E_OUTOFMEMORY for a memory exception, E_FAIL otherwise.
    static SCODE Process(const CException* pAnyException);

    // "OLE error 0x80020005." with the code in hexadecimal.
    BOOL GetErrorMessage(LPWSTR buffer, UINT maxChars, PUINT helpContext = nullptr) const override;

    SCODE m_sc;
};

[[noreturn]] void AfxThrowOleException(SCODE sc);
