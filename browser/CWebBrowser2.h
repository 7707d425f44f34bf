// The window wrapper of the embedded WebBrowser control: a CWnd whose calls
// go through the framework's InvokeHelper to the control's automation
// interface. It has no data of its own; the control belongs to its site in
// the dialog's control container, and the wrapper is attached to it by the
// dialog's data exchange (DDX_Control).
#pragma once

#include "afx/CWnd.h"
#include "win32/OAIdl.h"

// {8856F961-340A-11D0-A96B-00C04FD705A2}
inline constexpr CLSID CLSID_WebBrowser = {0x8856F961, 0x340A, 0x11D0,
                                           {0xA9, 0x6B, 0x00, 0xC0, 0x4F, 0xD7, 0x05, 0xA2}};

class CWebBrowser2 : public CWnd {
    DECLARE_DYNCREATE(CWebBrowser2)
public:
    CWebBrowser2() = default;

    static const CLSID& GetClsid() { return CLSID_WebBrowser; }

    // Creates the control by its class id in `pParentWnd`, with no
    // persisted state, storage or licence key.
    BOOL Create(LPCWSTR lpszClassName, LPCWSTR lpszWindowName, DWORD dwStyle, const RECT& rect,
                CWnd* pParentWnd, UINT nID, void* pContext = nullptr) override;

    // Starts loading `URL`; the optional arguments may be null.
    void Navigate(LPCWSTR URL, VARIANT* Flags, VARIANT* TargetFrameName, VARIANT* PostData, VARIANT* Headers);
    // FALSE lets the control show its own dialog boxes.
    void SetSilent(BOOL bNewValue);
    // The address shown, query string included.
    CString GetLocationURL();
};
