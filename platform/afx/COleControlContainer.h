// The control container of one window: the ActiveX controls that the
// window holds, each with its site.
//
// A window gets its container with its first control (CWnd::
// InitControlContainer asks the installed COccManager) and keeps it in
// m_pCtrlCont. When the window is destroyed the container closes every
// control and deletes its sites and itself; when that happens inside an
// event that one of its controls is raising, the controls are closed at
// once and the deletion waits until the event has returned, so the site
// that is delivering the event stays valid until it is done.
//
// For a dialog made from a template, the container also holds the
// template's dialog init data (the RT_DLGINIT resource of the same name):
// the entry of each control with the message 0x0376 (load from a stream)
// becomes that control's persisted state.
//
// Ownership. The window owns the container; the container owns its sites
// (made by the installed manager) and, through them, the controls.
#pragma once

#include "afx/CCmdTarget.h"
#include "win32/Unknwn.h"

#include <memory>
#include <vector>

class COleControlSite;
class CWnd;

class COleControlContainer : public CCmdTarget {
public:
    explicit COleControlContainer(CWnd* pWnd);
    ~COleControlContainer() override;
    COleControlContainer(const COleControlContainer&) = delete;
    COleControlContainer& operator=(const COleControlContainer&) = delete;

    // Creates a control of class `clsid` as a child of the container's
    // window, in a new site asked of the installed manager. `rect` is in
    // the window's client pixels; `persisted` (may be null) is the control's
    // saved state. With pWndCtrl set, that object is bound to the control's
    // window. FALSE (reported on standard error) when no manager is
    // installed or the control could not be made; the site is then gone.
    virtual BOOL CreateControl(CWnd* pWndCtrl, REFCLSID clsid, LPCWSTR lpszWindowName, DWORD dwStyle,
                               const RECT& rect, UINT nID, const BYTE* persisted = nullptr, size_t size = 0,
                               DWORD dwExStyle = 0, COleControlSite** ppNewSite = nullptr);
    // A control of the dialog template being created, with its entry of
    // the dialog init data as its persisted state. The control's window,
    // or null.
    HWND CreateDialogControl(REFCLSID clsid, UINT nID, LPCWSTR lpszWindowName, DWORD dwStyle, DWORD dwExStyle,
                             const RECT& rect);

    // The site of the control with id `nID`, or null.
    virtual COleControlSite* FindItem(UINT nID) const;

    // Offers a keyboard message aimed at one of the controls (its window or
    // a window inside it) to that control; TRUE when the control used it.
    BOOL PreTranslateMessage(MSG* pMsg);

    // Takes the dialog init data of the window's template (a list of
    // entries: WORD control id, WORD message, DWORD length, the bytes; a
    // zero id ends it). Data that ends inside an entry is reported once and
    // the rest ignored.
    void SetDialogInit(const void* data, size_t size);

    // The window is being destroyed: closes every control and deletes the
    // container, now or (inside an event) once the event has returned.
    void DestroyWithWindow();
    // Brackets the delivery of one event from a site; EndEvent may delete
    // the container (and every site) when the window went away meanwhile.
    void BeginEvent();
    void EndEvent();

    CWnd* m_pWnd;  // the window holding the controls; null once it is destroyed

private:
    struct DialogInitEntry {
        UINT nID;
        WORD message;
        std::vector<BYTE> data;
    };

    void CloseControls();

    std::vector<std::unique_ptr<COleControlSite>> m_sites;  // in creation order
    std::vector<DialogInitEntry> m_dialogInit;
    int m_nEventDepth = 0;
    bool m_bDeletePending = false;
};
