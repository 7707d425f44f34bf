// The framework's exception for an automation call that the called object
// failed with an exception of its own (DISP_E_EXCEPTION): it carries the
// object's description of what went wrong. Thrown by pointer from the heap;
// the catcher calls Delete().
#pragma once

#include "afx/CException.h"
#include "afx/CString.h"
#include "win32/OAIdl.h"

class COleDispatchException : public CException {
    DECLARE_DYNAMIC(COleDispatchException)
public:
    COleDispatchException(LPCWSTR lpszDescription, UINT nHelpID, WORD wCode);

    // The description, or "The automation object raised an exception."
    // when it gave none.
    BOOL GetErrorMessage(LPWSTR buffer, UINT maxChars, PUINT helpContext = nullptr) const override;

    WORD m_wCode;             // the object's own error code, or 0
    SCODE m_scError;          // the object's failure code when m_wCode is 0
    DWORD m_dwHelpContext;
    CString m_strDescription;
    CString m_strSource;
    CString m_strHelpFile;
};

[[noreturn]] void AfxThrowOleDispatchException(WORD wCode, LPCWSTR lpszDescription, UINT nHelpID = 0);
