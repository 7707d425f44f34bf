// The framework's growable array of wide strings. Reading or writing an
// element outside the array raises CInvalidArgException, the framework's
// invalid-argument error, instead of touching memory that is not there.
#pragma once

#include <vector>

#include "afx/CObject.h"
#include "afx/CString.h"

class CStringArray : public CObject {
    DECLARE_DYNAMIC(CStringArray)
public:
    CStringArray() = default;

    INT_PTR GetSize() const noexcept { return static_cast<INT_PTR>(m_items.size()); }
    INT_PTR GetCount() const noexcept { return GetSize(); }
    BOOL IsEmpty() const noexcept { return m_items.empty() ? TRUE : FALSE; }
    INT_PTR GetUpperBound() const noexcept { return GetSize() - 1; }

    const CString& GetAt(INT_PTR index) const;
    CString& ElementAt(INT_PTR index);
    void SetAt(INT_PTR index, const CString& value);
    const CString& operator[](INT_PTR index) const { return GetAt(index); }
    CString& operator[](INT_PTR index) { return ElementAt(index); }

    // Returns the index of the new element.
    INT_PTR Add(const CString& value);
    void RemoveAt(INT_PTR index, INT_PTR count = 1);
    void RemoveAll() noexcept { m_items.clear(); }
    void SetSize(INT_PTR newSize);

private:
    void CheckIndex(INT_PTR index) const;

    std::vector<CString> m_items;
};
