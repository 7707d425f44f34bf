#include "afx/COleException.h"

#include <cstdio>

IMPLEMENT_DYNAMIC(COleException, CException)

SCODE COleException::Process(const CException* pAnyException)
{
    if (const auto* ole = dynamic_cast<const COleException*>(pAnyException)) return ole->m_sc;
    if (dynamic_cast<const CMemoryException*>(pAnyException)) return E_OUTOFMEMORY;
    return E_FAIL;
}

BOOL COleException::GetErrorMessage(LPWSTR buffer, UINT maxChars, PUINT helpContext) const
{
    if (helpContext) *helpContext = 0;
    if (!buffer || maxChars == 0) return FALSE;
    char text[48];
    std::snprintf(text, sizeof text, "OLE error 0x%08X.", static_cast<unsigned>(m_sc));
    UINT i = 0;
    for (; text[i] && i + 1 < maxChars; ++i) buffer[i] = static_cast<WCHAR>(text[i]);
    buffer[i] = 0;
    return TRUE;
}

void AfxThrowOleException(SCODE sc) { throw new COleException(sc); }
