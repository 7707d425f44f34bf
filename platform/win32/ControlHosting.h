// Where the framework's control container (afx/COleControlContainer) meets
// the ActiveX controls that this platform provides. On Windows this meeting
// is COM activation (CoCreateInstance, IOleObject::SetClientSite, in-place
// activation, connection points); here the window system keeps a registry
// of control classes by class id, and a container creates a control with
// one call that hands over everything the control needs from its site.
//
// Windows implements the same contract in win32/windows/ControlHosting.cpp
// through COM: the class id is created with CoCreateInstance, given a site
// of its own that forwards every other question to params.clientSite, and
// in-place activated on params.rect; its events come through its connection
// point for DWebBrowserEvents2 to params.eventSink. There is no registry
// there (RegisterHostedControlClass is the window system's).
//
// Ownership. The container owns each HostedControl it creates (through the
// unique_ptr) and calls close() before dropping it; the control keeps the
// site's interface pointers only until then and never releases the site.
// The control owns its window (a child of the container's window); close()
// destroys it. The registry belongs to the active window system, so a test
// with several screens has one registry per screen.
#pragma once

#include "win32/DialogTemplate.h"
#include "win32/OAIdl.h"
#include "win32/Unknwn.h"
#include "win32/WinUser.h"

#include <cstddef>
#include <functional>
#include <memory>

namespace quarrow {

// What a container gives a control when it creates it.
struct HostedControlParams {
    HWND parent = nullptr;          // the container's window; the control's window is its child
    RECT rect{0, 0, 0, 0};          // in the parent's client pixels
    UINT id = 0;                    // the control id of the control's window
    DWORD style = 0;                // window styles from the template (WS_VISIBLE, WS_TABSTOP, ...)
    DWORD exStyle = 0;
    const BYTE* persisted = nullptr; // the control's persisted state (a dialog's init data), or null
    size_t persistedSize = 0;
    // The site's IOleClientSite. The control asks it for further interfaces
    // (QueryInterface) whenever it needs them and releases what it got.
    IUnknown* clientSite = nullptr;
    // Receives the control's events: Invoke with the event's DISPID, flags
    // DISPATCH_METHOD and the arguments in reverse order, as a connection
    // point delivers them. The control treats a failure code as "the
    // handler failed" and carries on.
    IDispatch* eventSink = nullptr;
};

class HostedControl {
public:
    virtual ~HostedControl() = default;
    // The control's window, a child of params.parent; null once closed.
    virtual HWND window() const = 0;
    // The control's automation interface (not AddRef'd), valid until
    // close().
    virtual IDispatch* dispatch() = 0;
    // Lets go of the site's interfaces and destroys the control's window.
    // Called once by the container; nothing reaches the site afterwards.
    virtual void close() = 0;
    // Offers a keyboard message to the control before the dialog manager
    // sees it (an in-place object's TranslateAccelerator), so that Tab and
    // Enter work inside the control. TRUE when the control used it; the
    // default uses none.
    virtual bool translateAccelerator(const MSG&) { return false; }
    // Moves the control to `rect` (the parent's client pixels) the way the
    // control wants to be told (an in-place object's SetObjectRects). FALSE
    // when the control leaves that to a plain move of its window, which is
    // the default.
    virtual bool setRect(const RECT&) { return false; }
};

using HostedControlFactory = std::function<std::unique_ptr<HostedControl>(const HostedControlParams&)>;

#if !defined(_WIN32)
// Registers (or replaces) a control class in the active window system.
void RegisterHostedControlClass(REFCLSID clsid, HostedControlFactory factory);
#endif
// Creates a control of a registered class. Null with *phr set to
// REGDB_E_CLASSNOTREG when the class is not registered, or to the factory's
// failure (E_FAIL) when it made nothing.
std::unique_ptr<HostedControl> CreateHostedControl(REFCLSID clsid, const HostedControlParams& params,
                                                   HRESULT* phr = nullptr);

#if !defined(_WIN32)
// Dialog controls whose class is not a window class (an ActiveX control
// named "{CLSID}" in a template) are made by this maker, when one is set;
// without one the window system's dialog manager fails such a control, as
// the system's does. It returns the control's window, or null to fail the
// control. The framework does not use it: its dialogs take such controls
// out of the template and create them themselves (afx/CDialog.h), on
// Windows and here alike.
using DialogControlMaker =
    std::function<HWND(HWND dialog, const DialogTemplate::Item& item, const RECT& rect, HFONT font)>;
void SetDialogControlMaker(DialogControlMaker maker);
#endif

} // namespace quarrow
