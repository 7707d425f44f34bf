// The framework's wide string: UTF-16 code units (WCHAR = char16_t),
// reference-counted and copy-on-write, so copies are cheap and a write
// unshares the buffer first. The buffer always ends in a zero code unit,
// which GetLength does not count. Construction from narrow text converts
// from the thread's ANSI code page and stops at the first zero byte.
#pragma once

#include "win32/WinDef.h"

using BSTR = WCHAR*;

class CString {
public:
    CString() noexcept;
    CString(const CString& other) noexcept;
    CString(CString&& other) noexcept;
    CString(const WCHAR* text);
    CString(const WCHAR* text, int length);
    CString(const char* narrow);
    explicit CString(WCHAR ch, int repeat = 1);
    ~CString();

    CString& operator=(const CString& other) noexcept;
    CString& operator=(CString&& other) noexcept;
    CString& operator=(const WCHAR* text);
    CString& operator=(const char* narrow);
    CString& operator=(WCHAR ch);

    int GetLength() const noexcept;
    bool IsEmpty() const noexcept { return GetLength() == 0; }
    void Empty() noexcept;

    const WCHAR* GetString() const noexcept { return m_pszData; }
    operator const WCHAR*() const noexcept { return m_pszData; }

    // Out-of-range indexes raise CInvalidArgException.
    WCHAR GetAt(int index) const;
    WCHAR operator[](int index) const { return GetAt(index); }
    void SetAt(int index, WCHAR ch);

    CString& operator+=(const CString& text);
    CString& operator+=(const WCHAR* text);
    CString& operator+=(WCHAR ch);
    void Append(const WCHAR* text, int length);

    // Both return the index of the first occurrence at or after `start`, or
    // -1. An empty search text is found at `start` when `start` is in range.
    int Find(WCHAR ch, int start = 0) const noexcept;
    int Find(const WCHAR* sub, int start = 0) const noexcept;
    int ReverseFind(WCHAR ch) const noexcept;

    // Out-of-range arguments are clamped to the string, as the framework does.
    CString Mid(int first) const;
    CString Mid(int first, int count) const;
    CString Left(int count) const;
    CString Right(int count) const;

    // Return the number of replacements / removals.
    int Replace(WCHAR oldCh, WCHAR newCh);
    int Replace(const WCHAR* oldText, const WCHAR* newText);
    int Remove(WCHAR ch);

    int Compare(const WCHAR* text) const noexcept;

    // Direct buffer access: GetBuffer unshares and guarantees room for
    // `minLength` units; ReleaseBuffer fixes the length (-1: up to the
    // first zero unit).
    WCHAR* GetBuffer(int minLength = 0);
    void ReleaseBuffer(int newLength = -1);

    // Loads string resource `id` from the module's resources; on failure
    // the string is left empty and FALSE is returned.
    BOOL LoadString(UINT id);

    // A new BSTR holding a copy of the text; the caller frees it.
    BSTR AllocSysString() const;

private:
    struct Data;
    static Data* Allocate(int capacity);
    static Data* Nil() noexcept;
    Data* GetData() const noexcept;
    void Release() noexcept;
    void Assign(const WCHAR* text, int length);
    // Makes the buffer exclusive with room for `capacity` units, keeping
    // the current contents.
    void PrepareWrite(int capacity);
    void SetLength(int length) noexcept;

    WCHAR* m_pszData;
};

CString operator+(const CString& a, const CString& b);
CString operator+(const CString& a, const WCHAR* b);
CString operator+(const WCHAR* a, const CString& b);
CString operator+(const CString& a, WCHAR b);

bool operator==(const CString& a, const CString& b) noexcept;
bool operator==(const CString& a, const WCHAR* b) noexcept;
bool operator<(const CString& a, const CString& b) noexcept;
inline bool operator!=(const CString& a, const CString& b) noexcept { return !(a == b); }
inline bool operator!=(const CString& a, const WCHAR* b) noexcept { return !(a == b); }
