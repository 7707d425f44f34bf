// The framework's window object: a C++ object bound to a window of the
// window system, with message maps as its window procedure.
//
// Binding. The framework keeps a permanent map from window handles to the
// CWnd objects bound to them (Attach/Detach, SubclassWindow, and every
// window the framework creates). A bound window's procedure is replaced by
// AfxWndProc, which finds the object and dispatches the message through its
// message map and base maps; whatever no map handles goes to the window's
// original procedure (Default, DefWindowProc). The binding ends when the
// window receives WM_NCDESTROY: the object is detached, the original
// procedure restored, and PostNcDestroy called. FromHandle gives the bound
// object or else a temporary one that the framework owns and deletes once
// the window is gone and the framework is idle; callers never delete what
// FromHandle returns.
//
// Ownership. A CWnd owns its window: destroying the object destroys a window
// still bound to it. The object itself belongs to whoever constructed it.
//
// The application object's functions (AfxGetApp, AfxGetResourceHandle...)
// come with this header, since every window needs them.
//
// Exceptions. A framework exception (CException*) thrown by a handler is
// caught at the window procedure, reported by the application object and
// deleted, so that it never unwinds through the window system.
#pragma once

#include "afx/AfxMsgMap.h"
#include "afx/CCmdTarget.h"
#include "afx/CDC.h"
#include "afx/CPoint.h"
#include "afx/CRect.h"
#include "afx/CSize.h"
#include "afx/CString.h"
#include "afx/CWinApp.h"
#include "win32/OAIdl.h"
#include "win32/Unknwn.h"
#include "win32/WinUser.h"

using CREATESTRUCT = CREATESTRUCTW;
using LPCREATESTRUCT = LPCREATESTRUCTW;

class COleControlSite;
class COleControlContainer;

// The window procedure of every window bound to a CWnd.
LRESULT CALLBACK AfxWndProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);

// The message that the window procedure is handling right now (the one that
// Default passes on), or a zeroed MSG outside any handler.
const MSG* AfxGetCurrentMessage();

// Idle-time cleanup of the temporary window and device-context objects, for
// the message loops. It does nothing while any message handler is running
// (a loop nested in a handler), so a temporary pointer that a handler holds
// stays valid until the handler returns.
void AfxIdleCleanup();

class CWnd : public CCmdTarget {
    DECLARE_DYNAMIC(CWnd)
public:
    CWnd();
    explicit CWnd(HWND hWnd);
    ~CWnd() override;

    // Insert-after values for SetWindowPos, as objects.
    static const CWnd wndTop;
    static const CWnd wndBottom;
    static const CWnd wndTopMost;
    static const CWnd wndNoTopMost;

    // ---- the handle map
    // The object bound to `hWnd`, or else a temporary object owned by the
    // framework; null for a null handle.
    static CWnd* FromHandle(HWND hWnd);
    // The object bound to `hWnd`, or null.
    static CWnd* FromHandlePermanent(HWND hWnd);
    // Deletes the temporary objects whose windows no longer exist.
    static void DeleteTempMap();

    // Binds the object to an existing window without touching its window
    // procedure. FALSE when the handle is null or bound to another object.
    BOOL Attach(HWND hWndNew);
    HWND Detach();
    // Binds the object and routes the window's messages through its message
    // map: PreSubclassWindow runs first, then the window procedure becomes
    // AfxWndProc and the previous one becomes this object's default.
    BOOL SubclassWindow(HWND hWnd);
    BOOL SubclassDlgItem(UINT nID, CWnd* pParent);
    // Gives the window its original procedure back and detaches.
    HWND UnsubclassWindow();

    HWND GetSafeHwnd() const { return m_hWnd; }
    operator HWND() const { return m_hWnd; }
    bool operator==(const CWnd& other) const { return m_hWnd == other.m_hWnd; }
    bool operator!=(const CWnd& other) const { return m_hWnd != other.m_hWnd; }

    // ---- creation and destruction
    virtual BOOL PreCreateWindow(CREATESTRUCT& cs);
    // A null class name uses the framework's own window class ("AfxWnd"),
    // whose default processing is DefWindowProcW.
    virtual BOOL Create(LPCWSTR lpszClassName, LPCWSTR lpszWindowName, DWORD dwStyle, const RECT& rect,
                        CWnd* pParentWnd, UINT nID, void* pContext = nullptr);
    BOOL CreateEx(DWORD dwExStyle, LPCWSTR lpszClassName, LPCWSTR lpszWindowName, DWORD dwStyle, int x, int y,
                  int nWidth, int nHeight, HWND hWndParent, HMENU nIDorHMenu, LPVOID lpParam = nullptr);
    BOOL CreateEx(DWORD dwExStyle, LPCWSTR lpszClassName, LPCWSTR lpszWindowName, DWORD dwStyle, const RECT& rect,
                  CWnd* pParentWnd, UINT nID, LPVOID lpParam = nullptr);
    // Creates the ActiveX control of class `clsid` as a child of
    // `pParentWnd` (in its client pixels) and binds this object to it: the
    // parent's control container (made by the installed COccManager when
    // the parent has none) asks the manager for a site, the site creates the
    // control, this object subclasses the control's window and m_pCtrlSite
    // points at the site. FALSE, reported on standard error, when no
    // manager is installed or the control could not be made.
    virtual BOOL CreateControl(REFCLSID clsid, LPCWSTR pszWindowName, DWORD dwStyle, const RECT& rect,
                               CWnd* pParentWnd, UINT nID);
    // Makes sure m_pCtrlCont exists, asking the installed COccManager for a
    // container when it does not. FALSE when no manager is installed or it
    // made none.
    virtual BOOL InitControlContainer();
    // Calls member `dwDispID` of the automation interface of the control
    // this object is bound to, through its site (COleControlSite::
    // InvokeHelperV says how the arguments and the result are passed). A
    // failure throws a COleException or COleDispatchException, and so does a
    // call on an object that is bound to no control.
    void InvokeHelper(DISPID dwDispID, WORD wFlags, VARTYPE vtRet, void* pvRet, const BYTE* pbParamInfo, ...);
    virtual BOOL DestroyWindow();

    // ---- messages
    LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const;
    BOOL PostMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const;
    // Offers a message to this window before it is dispatched; TRUE means it
    // was handled and must not be dispatched. The default offers nothing.
    virtual BOOL PreTranslateMessage(MSG* pMsg);
    // Offers `pMsg` to the PreTranslateMessage of every bound window from
    // its target up through parents and owners (::GetParent), stopping
    // after `hWndStop`. TRUE as soon as one of them handled it.
    static BOOL WalkPreTranslateTree(HWND hWndStop, MSG* pMsg);
    BOOL IsDialogMessage(LPMSG lpMsg);

    // ---- relations
    CWnd* GetParent() const;
    // The first window that is not a child, starting with this one and
    // going up through the parents: the top-level window that holds it.
    CWnd* GetParentOwner() const;
    CWnd* GetTopLevelParent() const;
    // The window set with SetOwner, else the parent (::GetParent).
    CWnd* GetOwner() const;
    void SetOwner(CWnd* pOwnerWnd);
    CWnd* GetDlgItem(int nID) const;
    int GetDlgCtrlID() const;

    // ---- geometry
    BOOL SetWindowPos(const CWnd* pWndInsertAfter, int x, int y, int cx, int cy, UINT nFlags);
    void MoveWindow(int x, int y, int nWidth, int nHeight, BOOL bRepaint = TRUE);
    void MoveWindow(LPCRECT lpRect, BOOL bRepaint = TRUE);
    void GetWindowRect(LPRECT lpRect) const;
    void GetClientRect(LPRECT lpRect) const;
    void ClientToScreen(LPPOINT lpPoint) const;
    // Both corners; in a right-to-left layout left and right are exchanged
    // afterwards so that the rectangle stays ordered.
    void ClientToScreen(LPRECT lpRect) const;
    void ScreenToClient(LPPOINT lpPoint) const;
    void ScreenToClient(LPRECT lpRect) const;
    // Centres a top-level window on its owner (or on `pAlternateOwner`)
    // when that is visible and not minimised, otherwise on the work area;
    // a child window on its parent's client area. The result is kept inside
    // the work area.
    void CenterWindow(CWnd* pAlternateOwner = nullptr);

    // ---- visibility and state
    BOOL ShowWindow(int nCmdShow);
    BOOL IsWindowVisible() const;
    BOOL IsIconic() const;
    BOOL IsZoomed() const;
    // Minimises the window (the platform's CloseWindow, not a close).
    BOOL CloseWindow();
    BOOL EnableWindow(BOOL bEnable = TRUE);
    BOOL IsWindowEnabled() const;

    // ---- text, styles, icons
    void SetWindowText(LPCWSTR lpszString);
    int GetWindowText(LPWSTR lpszStringBuf, int nMaxCount) const;
    void GetWindowText(CString& rString) const;
    int GetWindowTextLength() const;
    DWORD GetStyle() const;
    DWORD GetExStyle() const;
    // Removes then adds style bits; TRUE when the style changed. A non-zero
    // nFlags also calls SetWindowPos with those flags (for example
    // SWP_FRAMECHANGED); with 0 nothing else happens.
    BOOL ModifyStyle(DWORD dwRemove, DWORD dwAdd, UINT nFlags = 0);
    BOOL ModifyStyleEx(DWORD dwRemove, DWORD dwAdd, UINT nFlags = 0);
    HICON SetIcon(HICON hIcon, BOOL bBigIcon);
    HICON GetIcon(BOOL bBigIcon) const;

    // ---- painting
    void Invalidate(BOOL bErase = TRUE);
    void InvalidateRect(LPCRECT lpRect, BOOL bErase = TRUE);
    void UpdateWindow();
    CDC* GetDC();
    int ReleaseDC(CDC* pDC);

    // ---- focus and capture
    // Gives this window the keyboard focus; returns the window that had it
    // (possibly temporary), or null.
    CWnd* SetFocus();
    static CWnd* GetFocus();
    CWnd* SetCapture();
    static CWnd* GetCapture();
    static BOOL ReleaseCapture();

    // ---- message processing
    // Passes the current message to the window's original procedure.
    LRESULT Default();
    virtual LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    // Dispatches through the message maps; FALSE when no entry handled it.
    virtual BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult);
    // WM_COMMAND: first the sending control (OnChildNotify), then the
    // command route (OnCmdMsg).
    virtual BOOL OnCommand(WPARAM wParam, LPARAM lParam);
    // A notification reflected from this control's parent (WM_DRAWITEM,
    // WM_CTLCOLOR*, WM_COMMAND); TRUE with *pResult set when handled.
    virtual BOOL OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult);
    // Gives `hWndChild`'s object the message being handled; TRUE when it
    // handled it.
    static BOOL ReflectLastMsg(HWND hWndChild, LRESULT* pResult = nullptr);

    HWND m_hWnd = nullptr;
    // The site of the ActiveX control this object is bound to, or null.
    COleControlSite* m_pCtrlSite = nullptr;
    // The container of the ActiveX controls this window holds, or null; the
    // window owns it and deletes it when it is destroyed.
    COleControlContainer* m_pCtrlCont = nullptr;

protected:
    // Called after the object is bound to its window and before the first
    // message reaches the message map (SubclassWindow, DDX_Control and
    // every window the framework creates).
    virtual void PreSubclassWindow();
    // Called after the window's last message (WM_NCDESTROY), once the object
    // is detached. The default does nothing; an object that owns itself may
    // delete itself here.
    virtual void PostNcDestroy();

    // Default handlers: each passes its message to Default().
    afx_msg int OnCreate(LPCREATESTRUCT lpCreateStruct);
    afx_msg void OnDestroy();
    afx_msg void OnNcDestroy();
    afx_msg void OnClose();
    afx_msg void OnPaint();
    afx_msg BOOL OnEraseBkgnd(CDC* pDC);
    afx_msg void OnMove(int x, int y);
    afx_msg void OnSize(UINT nType, int cx, int cy);
    afx_msg void OnLButtonDown(UINT nFlags, CPoint point);
    afx_msg void OnLButtonUp(UINT nFlags, CPoint point);
    afx_msg void OnMouseMove(UINT nFlags, CPoint point);
    afx_msg LRESULT OnNcHitTest(CPoint point);
    afx_msg HCURSOR OnQueryDragIcon();
    afx_msg void OnSysCommand(UINT nID, LPARAM lParam);
    // Reflect to the control first (its OnChildNotify), then Default().
    afx_msg HBRUSH OnCtlColor(CDC* pDC, CWnd* pWnd, UINT nCtlColor);
    afx_msg void OnDrawItem(int nIDCtl, LPDRAWITEMSTRUCT lpDrawItemStruct);

    DECLARE_MESSAGE_MAP()

    // The procedure that the window had before it was bound (or the class
    // procedure of a window the framework created): where Default goes.
    WNDPROC m_pfnSuper = nullptr;
    HWND m_hWndOwner = nullptr;

private:
    friend LRESULT AfxCallWndProc(CWnd* pWnd, HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
    friend LRESULT CALLBACK AfxCbtFilterHook(int code, WPARAM wParam, LPARAM lParam);
    friend class CDialog;

    // Runs once the window has had WM_NCDESTROY: clears the application's
    // pointers to it, unbinds it and calls PostNcDestroy.
    void FinishNcDestroy();
    // The window is going (WM_DESTROY, or the object is): its control
    // container closes the controls and goes too.
    void DestroyControlContainer();
    // Binds a window that is being created (from the creation hook).
    void AttachCreating(HWND hWnd);
};

// Framework-created windows: while `pWnd` is set, the next window created
// on this thread is bound to it before its first message. Calls nest.
void AfxHookWindowCreate(CWnd* pWnd);
// Ends the matching AfxHookWindowCreate; FALSE when no window was bound.
BOOL AfxUnhookWindowCreate();
