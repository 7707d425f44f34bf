#include "win32/OleAuto.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "win32/OAIdl.h"

namespace {

// A BSTR block: the byte length, the characters, a zero character.
constexpr size_t kPrefix = sizeof(std::uint32_t);

std::uint32_t* Prefix(BSTR text) { return reinterpret_cast<std::uint32_t*>(reinterpret_cast<char*>(text) - kPrefix); }

UINT TextLength(const OLECHAR* text)
{
    UINT n = 0;
    while (text[n]) ++n;
    return n;
}

}  // namespace

BSTR SysAllocStringLen(const OLECHAR* text, UINT length)
{
    if (length > (std::numeric_limits<std::uint32_t>::max() - kPrefix) / sizeof(OLECHAR) - 1) return nullptr;
    size_t bytes = static_cast<size_t>(length) * sizeof(OLECHAR);
    char* block = static_cast<char*>(std::malloc(kPrefix + bytes + sizeof(OLECHAR)));
    if (!block) return nullptr;
    std::uint32_t byteLength = static_cast<std::uint32_t>(bytes);
    std::memcpy(block, &byteLength, kPrefix);
    BSTR s = reinterpret_cast<BSTR>(block + kPrefix);
    if (text) {
        std::memcpy(s, text, bytes);
    } else {
        std::memset(s, 0, bytes);
    }
    s[length] = 0;
    return s;
}

BSTR SysAllocString(const OLECHAR* text)
{
    if (!text) return nullptr;
    return SysAllocStringLen(text, TextLength(text));
}

void SysFreeString(BSTR text)
{
    if (text) std::free(Prefix(text));
}

UINT SysStringByteLen(BSTR text) { return text ? *Prefix(text) : 0; }

UINT SysStringLen(BSTR text) { return SysStringByteLen(text) / sizeof(OLECHAR); }

void VariantInit(VARIANT* v)
{
    if (!v) return;
    v->vt = VT_EMPTY;
    v->wReserved1 = v->wReserved2 = v->wReserved3 = 0;
    v->llVal = 0;
}

HRESULT VariantClear(VARIANT* v)
{
    if (!v) return E_INVALIDARG;
    if ((v->vt & VT_BYREF) == 0) {
        switch (v->vt) {
        case VT_BSTR:
            SysFreeString(v->bstrVal);
            break;
        case VT_UNKNOWN:
            if (v->punkVal) v->punkVal->Release();
            break;
        case VT_DISPATCH:
            if (v->pdispVal) v->pdispVal->Release();
            break;
        default:
            break;
        }
    }
    VariantInit(v);
    return S_OK;
}

HRESULT VariantCopy(VARIANT* dest, const VARIANT* src)
{
    if (!dest || !src) return E_INVALIDARG;
    if (dest == src) return S_OK;
    VariantClear(dest);
    *dest = *src;
    if ((src->vt & VT_BYREF) == 0) {
        switch (src->vt) {
        case VT_BSTR:
            if (src->bstrVal) {
                dest->bstrVal = SysAllocStringLen(src->bstrVal, SysStringLen(src->bstrVal));
                if (!dest->bstrVal) {
                    VariantInit(dest);
                    return E_OUTOFMEMORY;
                }
            }
            break;
        case VT_UNKNOWN:
            if (src->punkVal) src->punkVal->AddRef();
            break;
        case VT_DISPATCH:
            if (src->pdispVal) src->pdispVal->AddRef();
            break;
        default:
            break;
        }
    }
    return S_OK;
}
