#include "afx/CStringArray.h"

#include "afx/CException.h"

IMPLEMENT_DYNAMIC(CStringArray, CObject)

void CStringArray::CheckIndex(INT_PTR index) const
{
    if (index < 0 || index >= GetSize()) AfxThrowInvalidArgException();
}

const CString& CStringArray::GetAt(INT_PTR index) const
{
    CheckIndex(index);
    return m_items[static_cast<size_t>(index)];
}

CString& CStringArray::ElementAt(INT_PTR index)
{
    CheckIndex(index);
    return m_items[static_cast<size_t>(index)];
}

void CStringArray::SetAt(INT_PTR index, const CString& value) { ElementAt(index) = value; }

INT_PTR CStringArray::Add(const CString& value)
{
    m_items.push_back(value);
    return GetSize() - 1;
}

void CStringArray::RemoveAt(INT_PTR index, INT_PTR count)
{
    if (count < 0 || index < 0 || index > GetSize() || count > GetSize() - index) AfxThrowInvalidArgException();
    m_items.erase(m_items.begin() + index, m_items.begin() + index + count);
}

void CStringArray::SetSize(INT_PTR newSize)
{
    if (newSize < 0) AfxThrowInvalidArgException();
    m_items.resize(static_cast<size_t>(newSize));
}
