#include "afx/CException.h"

IMPLEMENT_DYNAMIC(CException, CObject)
IMPLEMENT_DYNAMIC(CSimpleException, CException)
IMPLEMENT_DYNAMIC(CInvalidArgException, CSimpleException)
IMPLEMENT_DYNAMIC(CMemoryException, CSimpleException)
IMPLEMENT_DYNAMIC(CNotSupportedException, CSimpleException)

namespace {

BOOL CopyMessage(const WCHAR* text, LPWSTR buffer, UINT maxChars, PUINT helpContext)
{
    if (helpContext) *helpContext = 0;
    if (!buffer || maxChars == 0) return FALSE;
    UINT i = 0;
    for (; text[i] && i + 1 < maxChars; ++i) buffer[i] = text[i];
    buffer[i] = 0;
    return TRUE;
}

}  // namespace

BOOL CException::GetErrorMessage(LPWSTR buffer, UINT maxChars, PUINT helpContext) const
{
    if (helpContext) *helpContext = 0;
    if (buffer && maxChars) buffer[0] = 0;
    return FALSE;
}

void CException::Delete()
{
    if (m_bAutoDelete) delete this;
}

BOOL CInvalidArgException::GetErrorMessage(LPWSTR buffer, UINT maxChars, PUINT helpContext) const
{
    return CopyMessage(_T("An invalid argument was encountered."), buffer, maxChars, helpContext);
}

BOOL CMemoryException::GetErrorMessage(LPWSTR buffer, UINT maxChars, PUINT helpContext) const
{
    return CopyMessage(_T("Out of memory."), buffer, maxChars, helpContext);
}

BOOL CNotSupportedException::GetErrorMessage(LPWSTR buffer, UINT maxChars, PUINT helpContext) const
{
    return CopyMessage(_T("An unsupported operation was attempted."), buffer, maxChars, helpContext);
}

void AfxThrowInvalidArgException()
{
    static CInvalidArgException shared(FALSE);
    throw &shared;
}

void AfxThrowMemoryException()
{
    static CMemoryException shared(FALSE);
    throw &shared;
}

void AfxThrowNotSupportedException()
{
    static CNotSupportedException shared(FALSE);
    throw &shared;
}
