// The OLE client site: the interface through which an embedded control
// talks to its container. Controls ask it for further interfaces (the
// browser asks for IDocHostUIHandler); the layer's control container
// implements it in COleControlSite.
#pragma once

#if defined(_WIN32)
// The Windows build takes these declarations from the SDK: <windows.h>, <ole2.h>, <oleidl.h>.
#include "win32/TChar.h"
#include <ole2.h>
#include <oleidl.h>
#else

#include "win32/OAIdl.h"
#include "win32/Unknwn.h"

struct IMoniker;
struct IOleContainer;

// {00000118-0000-0000-C000-000000000046}
inline constexpr IID IID_IOleClientSite = {0x00000118, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

struct IOleClientSite : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE SaveObject() = 0;
    virtual HRESULT STDMETHODCALLTYPE GetMoniker(DWORD dwAssign, DWORD dwWhichMoniker, IMoniker** ppmk) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetContainer(IOleContainer** ppContainer) = 0;
    virtual HRESULT STDMETHODCALLTYPE ShowObject() = 0;
    virtual HRESULT STDMETHODCALLTYPE OnShowWindow(BOOL fShow) = 0;
    virtual HRESULT STDMETHODCALLTYPE RequestNewObjectLayout() = 0;

protected:
    ~IOleClientSite() = default;
};
using LPOLECLIENTSITE = IOleClientSite*;

#endif // _WIN32
