// The framework's application object and its run sequence: the program
// defines exactly one object of a CWinApp subclass with static storage; the
// framework's entry point (AfxWinMain, called by the main() of the
// quarrow_afx_main library) calls its InitInstance and, only when that
// returns TRUE, runs the application's message pump (Run), which calls
// ExitInstance when the pump ends. When InitInstance returns FALSE,
// ExitInstance is called at once and no pump runs.
//
// The application object holds the main-window pointer (m_pMainWnd) and the
// active-window pointer (m_pActiveWnd); it does not own either window. The
// framework clears a pointer by itself when its window is destroyed.
//
// Housekeeping that the platform has and this one does not: the restart
// manager flags are stored and nothing is registered; the registry key name
// is stored and nothing is ever written; OnHelp has no help file to show.
#pragma once

#include "afx/AfxRes.h"
#include "afx/CCmdTarget.h"
#include "afx/CException.h"
#include "afx/CString.h"
#include "win32/WinUser.h"

class CWnd;

// m_dwRestartManagerSupportFlags values.
#define AFX_RESTART_MANAGER_SUPPORT_RESTART 0x01
#define AFX_RESTART_MANAGER_SUPPORT_RECOVERY 0x02
#define AFX_RESTART_MANAGER_AUTOSAVE_AT_RESTART 0x04
#define AFX_RESTART_MANAGER_AUTOSAVE_AT_INTERVAL 0x08
#define AFX_RESTART_MANAGER_REOPEN_PREVIOUS_FILES 0x10
#define AFX_RESTART_MANAGER_RESTORE_AUTOSAVED_FILES 0x20

class CWinApp : public CCmdTarget {
    DECLARE_DYNAMIC(CWinApp)
public:
    // A null name makes the framework derive it when the program starts: the
    // string resource AFX_IDS_APP_TITLE, else the executable's file name
    // without its extension. Only one application object exists at a time.
    explicit CWinApp(LPCWSTR lpszAppName = nullptr);
    ~CWinApp() override;

    // The program's initialisation. The default does nothing and returns
    // TRUE.
    virtual BOOL InitInstance();
    // The application's message pump: runs until WM_QUIT, offering every
    // message to PreTranslateMessage first and calling OnIdle whenever the
    // queue is empty, then returns what ExitInstance returns. With no main
    // window there is nothing to wait for, and the pump ends at once.
    virtual int Run();
    // The exit code: the WM_QUIT code that ended Run, 0 when no pump ran.
    virtual int ExitInstance();
    // Offers a message to the windows from its target up to the main window
    // (CWnd::WalkPreTranslateTree).
    virtual BOOL PreTranslateMessage(MSG* pMsg);
    // Idle-time work (deleting temporary window and device-context
    // objects); FALSE when there is no more to do.
    virtual BOOL OnIdle(LONG lCount);
    // m_pActiveWnd when set, otherwise m_pMainWnd.
    virtual CWnd* GetMainWnd();
    // A framework exception that a message handler let escape. The default
    // writes its description and the message to the standard error stream
    // and returns the result that lets the window system carry on (-1 for
    // WM_CREATE, so the window is not created; the window is validated for
    // WM_PAINT, so it is not painted again and again). The caller deletes
    // the exception.
    virtual LRESULT ProcessWndProcException(CException* e, const MSG* pMsg);

    // Stores the name under which the platform would keep the program's
    // settings. Nothing is written anywhere.
    void SetRegistryKey(LPCWSTR lpszRegistryKey);
    void SetRegistryKey(UINT nIDRegistryKey);

    // The framework's help command (ID_HELP). The program ships no help
    // file, so there is nothing to show.
    afx_msg void OnHelp();

    // Called by the framework when a window bound to `pWnd` has received its
    // last message: clears m_pMainWnd and m_pActiveWnd when they point to
    // it. A main window destroyed while Run's pump runs ends the pump
    // (WM_QUIT 0); outside the pump (a main window run as a modal dialog)
    // nothing is posted, so no stray WM_QUIT is left in the queue.
    void WindowDestroyed(CWnd* pWnd);

    // Fills in the instance handle and, when none was given, the name.
    // Called by AfxWinMain before InitInstance.
    void SetCurrentHandles();

    CWnd* m_pMainWnd = nullptr;
    CWnd* m_pActiveWnd = nullptr;
    HINSTANCE m_hInstance = nullptr;
    LPCWSTR m_pszAppName = nullptr;
    LPCWSTR m_pszRegistryKey = nullptr;
    DWORD m_dwRestartManagerSupportFlags = 0;
    // The message the pump handled last.
    MSG m_msgCur{};

    DECLARE_MESSAGE_MAP()

private:
    CString m_strAppName;
    CString m_strRegistryKey;
    bool m_bRunning = false;
    int m_nExitCode = 0;
};

// The one application object, or null when there is none.
CWinApp* AfxGetApp();
// The application's notion of its main window: its active-window pointer if
// set, otherwise its main-window pointer; null without an application.
CWnd* AfxGetMainWnd();
LPCWSTR AfxGetAppName();
// The executable's module handle.
HINSTANCE AfxGetInstanceHandle();
// Where the framework looks for resources; the executable's module unless
// AfxSetResourceHandle changed it.
HINSTANCE AfxGetResourceHandle();
void AfxSetResourceHandle(HINSTANCE hInstResource);
// The module that holds resource `lpszName` of type `lpszType`: the resource
// handle when the resource is there, else the instance handle.
HINSTANCE AfxFindResourceHandle(LPCWSTR lpszName, LPCWSTR lpszType);

// The framework's entry point: runs the application object's sequence and
// returns the process's exit code (-1 without an application object).
int AfxWinMain();

// A message box owned by the main window, captioned with the application's
// name.
int AfxMessageBox(LPCWSTR lpszText, UINT nType = MB_OK, UINT nIDHelp = 0);
int AfxMessageBox(UINT nIDPrompt, UINT nType = MB_OK, UINT nIDHelp = UINT(-1));

// Hands a framework exception that escaped a message handler to the
// application (CWinApp::ProcessWndProcException), or reports it the same
// way when there is no application object.
LRESULT AfxProcessWndProcException(CException* e, const MSG* pMsg);
