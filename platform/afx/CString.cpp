#include "afx/CString.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <new>

#include "afx/CException.h"
#include "win32/WinNls.h"
#include "win32/OleAuto.h"

// The buffer header sits right in front of the characters, so that a
// CString is one pointer wide and converts to a C string for free.
struct CString::Data {
    std::atomic<int> refs;
    int length;
    int capacity;  // in code units, the terminating zero not included

    WCHAR* chars() noexcept { return reinterpret_cast<WCHAR*>(this + 1); }
};

namespace {

// The shared empty string: never freed, never written.
struct NilBlock {
    std::atomic<int> refs{1};
    int length = 0;
    int capacity = 0;
    WCHAR chars[2] = {0, 0};
};
static_assert(sizeof(NilBlock) >= sizeof(int) * 3 + sizeof(WCHAR));

NilBlock g_nil;

int TextLength(const WCHAR* text) noexcept
{
    if (!text) return 0;
    const WCHAR* p = text;
    while (*p) ++p;
    return static_cast<int>(p - text);
}

}  // namespace

CString::Data* CString::Nil() noexcept { return reinterpret_cast<Data*>(&g_nil); }

CString::Data* CString::Allocate(int capacity)
{
    if (capacity < 0 || static_cast<size_t>(capacity) >
                            (std::numeric_limits<int>::max() - sizeof(Data)) / sizeof(WCHAR) - 1) {
        AfxThrowMemoryException();
    }
    void* block = std::malloc(sizeof(Data) + (static_cast<size_t>(capacity) + 1) * sizeof(WCHAR));
    if (!block) AfxThrowMemoryException();
    Data* d = new (block) Data;
    d->refs.store(1, std::memory_order_relaxed);
    d->length = 0;
    d->capacity = capacity;
    d->chars()[0] = 0;
    return d;
}

CString::Data* CString::GetData() const noexcept
{
    if (m_pszData == g_nil.chars) return Nil();
    return reinterpret_cast<Data*>(m_pszData) - 1;
}

void CString::Release() noexcept
{
    Data* d = GetData();
    if (d != Nil() && d->refs.fetch_sub(1, std::memory_order_acq_rel) == 1) {
        d->~Data();
        std::free(d);
    }
    m_pszData = g_nil.chars;
}

CString::CString() noexcept : m_pszData(g_nil.chars) {}

CString::CString(const CString& other) noexcept : m_pszData(other.m_pszData)
{
    Data* d = GetData();
    if (d != Nil()) d->refs.fetch_add(1, std::memory_order_relaxed);
}

CString::CString(CString&& other) noexcept : m_pszData(other.m_pszData) { other.m_pszData = g_nil.chars; }

CString::CString(const WCHAR* text) : m_pszData(g_nil.chars) { Assign(text, TextLength(text)); }

CString::CString(const WCHAR* text, int length) : m_pszData(g_nil.chars)
{
    if (length < 0 || (!text && length > 0)) AfxThrowInvalidArgException();
    Assign(text, length);
}

CString::CString(const char* narrow) : m_pszData(g_nil.chars) { *this = narrow; }

CString::CString(WCHAR ch, int repeat) : m_pszData(g_nil.chars)
{
    if (repeat <= 0) return;
    PrepareWrite(repeat);
    std::fill_n(m_pszData, repeat, ch);
    SetLength(repeat);
}

CString::~CString() { Release(); }

CString& CString::operator=(const CString& other) noexcept
{
    if (m_pszData != other.m_pszData) {
        CString copy(other);
        std::swap(m_pszData, copy.m_pszData);
    }
    return *this;
}

CString& CString::operator=(CString&& other) noexcept
{
    if (this != &other) {
        Release();
        m_pszData = other.m_pszData;
        other.m_pszData = g_nil.chars;
    }
    return *this;
}

CString& CString::operator=(const WCHAR* text)
{
    Assign(text, TextLength(text));
    return *this;
}

CString& CString::operator=(const char* narrow)
{
    if (!narrow || !*narrow) {
        Empty();
        return *this;
    }
    // Narrow text ends at its first zero byte; the count includes the zero.
    int needed = MultiByteToWideChar(CP_THREAD_ACP, 0, narrow, -1, nullptr, 0);
    if (needed <= 1) {
        Empty();
        return *this;
    }
    CString result;
    result.PrepareWrite(needed - 1);
    MultiByteToWideChar(CP_THREAD_ACP, 0, narrow, -1, result.m_pszData, needed);
    result.SetLength(needed - 1);
    *this = std::move(result);
    return *this;
}

CString& CString::operator=(WCHAR ch)
{
    Assign(&ch, 1);
    return *this;
}

int CString::GetLength() const noexcept { return GetData()->length; }

void CString::Empty() noexcept { Release(); }

void CString::Assign(const WCHAR* text, int length)
{
    if (length == 0) {
        Empty();
        return;
    }
    // The source may live inside our own buffer: build the new one first.
    Data* d = Allocate(length);
    std::memcpy(d->chars(), text, static_cast<size_t>(length) * sizeof(WCHAR));
    d->chars()[length] = 0;
    d->length = length;
    Release();
    m_pszData = d->chars();
}

void CString::PrepareWrite(int capacity)
{
    Data* d = GetData();
    int length = d->length;
    if (d != Nil() && d->refs.load(std::memory_order_acquire) == 1 && d->capacity >= capacity) return;
    int grown = capacity;
    if (d != Nil() && d->refs.load(std::memory_order_acquire) == 1) {
        // Growing an exclusive buffer: leave room so that repeated appends
        // stay linear.
        long long doubled = static_cast<long long>(d->capacity) * 2;
        if (doubled > grown && doubled < std::numeric_limits<int>::max() / 4) grown = static_cast<int>(doubled);
    }
    Data* fresh = Allocate(std::max(grown, length));
    std::memcpy(fresh->chars(), m_pszData, (static_cast<size_t>(length) + 1) * sizeof(WCHAR));
    fresh->length = length;
    Release();
    m_pszData = fresh->chars();
}

void CString::SetLength(int length) noexcept
{
    Data* d = GetData();
    if (d == Nil()) return;
    d->length = length;
    m_pszData[length] = 0;
}

WCHAR CString::GetAt(int index) const
{
    if (index < 0 || index >= GetLength()) AfxThrowInvalidArgException();
    return m_pszData[index];
}

void CString::SetAt(int index, WCHAR ch)
{
    if (index < 0 || index >= GetLength()) AfxThrowInvalidArgException();
    PrepareWrite(GetLength());
    m_pszData[index] = ch;
}

void CString::Append(const WCHAR* text, int length)
{
    if (length < 0 || (!text && length > 0)) AfxThrowInvalidArgException();
    if (length == 0) return;
    int old = GetLength();
    if (length > std::numeric_limits<int>::max() / 2 - old) AfxThrowMemoryException();
    // `text` may point into our own buffer, which PrepareWrite may move.
    if (text >= m_pszData && text <= m_pszData + old) {
        CString copy(text, length);
        Append(copy.m_pszData, length);
        return;
    }
    PrepareWrite(old + length);
    std::memcpy(m_pszData + old, text, static_cast<size_t>(length) * sizeof(WCHAR));
    SetLength(old + length);
}

CString& CString::operator+=(const CString& text)
{
    if (IsEmpty()) return *this = text;
    Append(text.m_pszData, text.GetLength());
    return *this;
}

CString& CString::operator+=(const WCHAR* text)
{
    Append(text, TextLength(text));
    return *this;
}

CString& CString::operator+=(WCHAR ch)
{
    Append(&ch, 1);
    return *this;
}

int CString::Find(WCHAR ch, int start) const noexcept
{
    int length = GetLength();
    if (start < 0) start = 0;
    for (int i = start; i < length; ++i) {
        if (m_pszData[i] == ch) return i;
    }
    return -1;
}

int CString::Find(const WCHAR* sub, int start) const noexcept
{
    int length = GetLength();
    if (start < 0) start = 0;
    if (start > length) return -1;
    int n = TextLength(sub);
    if (n == 0) return start;
    const WCHAR* end = m_pszData + length;
    const WCHAR* hit = std::search(static_cast<const WCHAR*>(m_pszData + start), end, sub, sub + n);
    return hit == end ? -1 : static_cast<int>(hit - m_pszData);
}

int CString::ReverseFind(WCHAR ch) const noexcept
{
    for (int i = GetLength() - 1; i >= 0; --i) {
        if (m_pszData[i] == ch) return i;
    }
    return -1;
}

CString CString::Mid(int first) const { return Mid(first, GetLength()); }

CString CString::Mid(int first, int count) const
{
    int length = GetLength();
    if (first < 0) first = 0;
    if (count < 0) count = 0;
    if (first > length) first = length;
    if (count > length - first) count = length - first;
    if (first == 0 && count == length) return *this;
    return CString(m_pszData + first, count);
}

CString CString::Left(int count) const { return Mid(0, count); }

CString CString::Right(int count) const
{
    int length = GetLength();
    if (count < 0) count = 0;
    if (count > length) count = length;
    return Mid(length - count, count);
}

int CString::Replace(WCHAR oldCh, WCHAR newCh)
{
    int hits = 0;
    int first = Find(oldCh);
    if (first < 0) return 0;
    PrepareWrite(GetLength());
    for (int i = first; i < GetLength(); ++i) {
        if (m_pszData[i] == oldCh) {
            m_pszData[i] = newCh;
            ++hits;
        }
    }
    return hits;
}

int CString::Replace(const WCHAR* oldText, const WCHAR* newText)
{
    int oldLength = TextLength(oldText);
    if (oldLength == 0) return 0;
    int newLength = TextLength(newText);
    int hits = 0;
    CString result;
    int from = 0;
    for (int at = Find(oldText, 0); at >= 0; at = Find(oldText, at + oldLength)) {
        result.Append(m_pszData + from, at - from);
        result.Append(newText, newLength);
        from = at + oldLength;
        ++hits;
    }
    if (hits == 0) return 0;
    result.Append(m_pszData + from, GetLength() - from);
    *this = std::move(result);
    return hits;
}

int CString::Remove(WCHAR ch)
{
    if (Find(ch) < 0) return 0;
    PrepareWrite(GetLength());
    int length = GetLength();
    int out = 0;
    for (int i = 0; i < length; ++i) {
        if (m_pszData[i] != ch) m_pszData[out++] = m_pszData[i];
    }
    SetLength(out);
    return length - out;
}

int CString::Compare(const WCHAR* text) const noexcept
{
    if (!text) text = g_nil.chars;
    const WCHAR* a = m_pszData;
    while (*a && *a == *text) {
        ++a;
        ++text;
    }
    return *a < *text ? -1 : (*a > *text ? 1 : 0);
}

WCHAR* CString::GetBuffer(int minLength)
{
    if (minLength < 0) AfxThrowInvalidArgException();
    PrepareWrite(std::max(minLength, std::max(GetLength(), 1)));
    return m_pszData;
}

void CString::ReleaseBuffer(int newLength)
{
    Data* d = GetData();
    if (d == Nil()) return;
    if (newLength < 0) newLength = TextLength(m_pszData);
    if (newLength > d->capacity) AfxThrowInvalidArgException();
    SetLength(newLength);
    if (newLength == 0) Empty();
}

BSTR CString::AllocSysString() const
{
    BSTR s = SysAllocStringLen(m_pszData, static_cast<UINT>(GetLength()));
    if (!s) AfxThrowMemoryException();
    return s;
}

CString operator+(const CString& a, const CString& b)
{
    CString r(a);
    r += b;
    return r;
}

CString operator+(const CString& a, const WCHAR* b)
{
    CString r(a);
    r += b;
    return r;
}

CString operator+(const WCHAR* a, const CString& b)
{
    CString r(a);
    r += b;
    return r;
}

CString operator+(const CString& a, WCHAR b)
{
    CString r(a);
    r += b;
    return r;
}

bool operator==(const CString& a, const CString& b) noexcept
{
    int n = a.GetLength();
    if (n != b.GetLength()) return false;
    return std::equal(a.GetString(), a.GetString() + n, b.GetString());
}

bool operator==(const CString& a, const WCHAR* b) noexcept { return a.Compare(b) == 0 && (b || a.IsEmpty()); }

bool operator<(const CString& a, const CString& b) noexcept
{
    return std::lexicographical_compare(a.GetString(), a.GetString() + a.GetLength(), b.GetString(),
                                        b.GetString() + b.GetLength());
}
