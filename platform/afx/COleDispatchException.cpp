#include "afx/COleDispatchException.h"

IMPLEMENT_DYNAMIC(COleDispatchException, CException)

COleDispatchException::COleDispatchException(LPCWSTR lpszDescription, UINT nHelpID, WORD wCode)
    : m_wCode(wCode), m_scError(wCode ? 0 : DISP_E_EXCEPTION), m_dwHelpContext(nHelpID),
      m_strDescription(lpszDescription ? lpszDescription : _T(""))
{
}

BOOL COleDispatchException::GetErrorMessage(LPWSTR buffer, UINT maxChars, PUINT helpContext) const
{
    if (helpContext) *helpContext = m_dwHelpContext;
    if (!buffer || maxChars == 0) return FALSE;
    const WCHAR* text = m_strDescription.IsEmpty() ? _T("The automation object raised an exception.")
                                                   : m_strDescription.GetString();
    UINT i = 0;
    for (; text[i] && i + 1 < maxChars; ++i) buffer[i] = text[i];
    buffer[i] = 0;
    return TRUE;
}

void AfxThrowOleDispatchException(WORD wCode, LPCWSTR lpszDescription, UINT nHelpID)
{
    throw new COleDispatchException(lpszDescription, nHelpID, wCode);
}
