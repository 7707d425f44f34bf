// GUIDs and the root COM interface IUnknown, from which every interface of
// the layer (IDispatch, IStream, IDocHostUIHandler, ...) derives.
#pragma once

#if defined(_WIN32)
// The Windows build takes these declarations from the SDK: <windows.h>, <unknwn.h>.
#include "win32/TChar.h"
#include <unknwn.h>
#else

#include "win32/WinDef.h"
#include "win32/WinError.h"

struct GUID {
    DWORD Data1;
    WORD Data2;
    WORD Data3;
    BYTE Data4[8];
};

using IID = GUID;
using CLSID = GUID;
using REFGUID = const GUID&;
using REFIID = const IID&;
using REFCLSID = const CLSID&;
using LPIID = IID*;

inline bool operator==(const GUID& a, const GUID& b)
{
    if (a.Data1 != b.Data1 || a.Data2 != b.Data2 || a.Data3 != b.Data3) return false;
    for (int i = 0; i < 8; ++i) {
        if (a.Data4[i] != b.Data4[i]) return false;
    }
    return true;
}
inline bool operator!=(const GUID& a, const GUID& b) { return !(a == b); }
inline BOOL IsEqualGUID(REFGUID a, REFGUID b) { return a == b ? TRUE : FALSE; }
#define IsEqualIID(a, b) IsEqualGUID(a, b)
#define IsEqualCLSID(a, b) IsEqualGUID(a, b)

// Parses the registry form "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}".
// Returns NOERROR on success and CO_E_CLASSSTRING for anything else.
#define NOERROR 0
#define CO_E_CLASSSTRING ((HRESULT)0x800401F3L)
HRESULT CLSIDFromString(LPCWSTR text, CLSID* clsid);
HRESULT IIDFromString(LPCWSTR text, IID* iid);

inline constexpr IID IID_NULL = {0x00000000, 0x0000, 0x0000, {0, 0, 0, 0, 0, 0, 0, 0}};
inline constexpr IID IID_IUnknown = {0x00000000, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

// Declaring and defining interface methods. The declaration forms carry
// no `override`: an interface part lists its methods without it, and a
// class that mixes marked and unmarked overrides trips clang's
// -Winconsistent-missing-override.
#define STDMETHOD(method) virtual HRESULT STDMETHODCALLTYPE method
#define STDMETHOD_(type, method) virtual type STDMETHODCALLTYPE method
#define STDMETHODIMP HRESULT STDMETHODCALLTYPE
#define STDMETHODIMP_(type) type STDMETHODCALLTYPE

struct IUnknown {
    virtual HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppvObject) = 0;
    virtual ULONG STDMETHODCALLTYPE AddRef() = 0;
    virtual ULONG STDMETHODCALLTYPE Release() = 0;

protected:
    // COM objects are released, never deleted through an interface pointer.
    ~IUnknown() = default;
};
using LPUNKNOWN = IUnknown*;

#endif // _WIN32
