// The WebBrowser control's members and events that the launcher uses,
// declared once: their dispatch ids and parameter-type descriptions.
#pragma once

#include "afx/DispatchTypes.h"
#include "win32/ExDispId.h"
#include "win32/OAIdl.h"

// Members, called through InvokeHelper.
inline constexpr DISPID DISPID_BROWSER_NAVIGATE = 104;     // method: BSTR url, VARIANT* x4
inline constexpr DISPID DISPID_BROWSER_LOCATIONURL = 211;  // property get: BSTR
inline constexpr DISPID DISPID_BROWSER_SILENT = 551;       // property put: BOOL

#define VTS_BROWSER_NAVIGATE VTS_BSTR VTS_PVARIANT VTS_PVARIANT VTS_PVARIANT VTS_PVARIANT
#define VTS_BROWSER_SILENT VTS_BOOL

// Events of DWebBrowserEvents2: DISPID_BEFORENAVIGATE2 (250),
// DISPID_DOCUMENTCOMPLETE (259) and DISPID_BEFORESCRIPTEXECUTE (290) are the
// platform's, from win32/ExDispId.h.

// Source object, URL, Flags, TargetFrameName, PostData, Headers, Cancel.
#define VTS_BEFORENAVIGATE2 VTS_DISPATCH VTS_PVARIANT VTS_PVARIANT VTS_PVARIANT VTS_PVARIANT VTS_PVARIANT VTS_PBOOL
// Source object, URL.
#define VTS_DOCUMENTCOMPLETE VTS_DISPATCH VTS_PVARIANT
// The window object whose scripts are about to run.
#define VTS_BEFORESCRIPTEXECUTE VTS_DISPATCH
