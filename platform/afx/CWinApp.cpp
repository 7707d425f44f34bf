#include "afx/CWinApp.h"

#include <cassert>
#include <cstdio>
#include <string>

#include "afx/CWnd.h"
#include "win32/LibLoaderApi.h"
#include "win32/WinNls.h"

IMPLEMENT_DYNAMIC(CWinApp, CCmdTarget)

BEGIN_MESSAGE_MAP(CWinApp, CCmdTarget)
END_MESSAGE_MAP()

namespace {

CWinApp* g_pApp = nullptr;
HINSTANCE g_hResource = nullptr;

std::string toUtf8(LPCWSTR text)
{
    if (!text || !*text) return {};
    const int needed = ::WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (needed <= 1) return {};
    std::string out(static_cast<size_t>(needed), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text, -1, out.data(), needed, nullptr, nullptr);
    out.resize(static_cast<size_t>(needed - 1));
    return out;
}

// The executable's file name without directory and extension, from the
// module's own path; empty when it cannot be read.
CString executableBaseName()
{
    WCHAR path[4096];
    const DWORD length = ::GetModuleFileNameW(nullptr, path, sizeof path / sizeof path[0]);
    if (length == 0 || length >= sizeof path / sizeof path[0]) return CString();
    DWORD start = 0;
    DWORD end = length;
    for (DWORD i = 0; i < length; ++i) {
        if (path[i] == '/' || path[i] == '\\') start = i + 1;
    }
    for (DWORD i = length; i > start + 1; --i) {
        if (path[i - 1] == '.') {
            end = i - 1;
            break;
        }
    }
    return CString(path + start, static_cast<int>(end - start));
}

LRESULT reportWndProcException(CException* e, const MSG* pMsg)
{
    WCHAR description[256] = {};
    if (!e || !e->GetErrorMessage(description, 256)) {
        const WCHAR fallback[] = _T("a framework error without description");
        for (size_t i = 0; i < sizeof fallback / sizeof fallback[0]; ++i) description[i] = fallback[i];
    }
    const UINT message = pMsg ? pMsg->message : 0;
    std::fprintf(stderr, "quarrow: a message handler failed (message 0x%04X): %s\n", message,
                 toUtf8(description).c_str());
    std::fflush(stderr);
    if (!pMsg) return 0;
    if (message == WM_CREATE) return -1;
    if (message == WM_PAINT) ::ValidateRect(pMsg->hwnd, nullptr);
    return 0;
}

} // namespace

// ---------------------------------------------------------------------------
// The application object

CWinApp::CWinApp(LPCWSTR lpszAppName)
{
    assert(!g_pApp && "only one application object may exist at a time");
    g_pApp = this;
    // Nothing that needs the platform runs here: the object is usually
    // constructed during static initialisation, before the platform's own
    // statics are ready. SetCurrentHandles completes the setup.
    if (lpszAppName) {
        m_strAppName = lpszAppName;
        m_pszAppName = m_strAppName.GetString();
    }
}

CWinApp::~CWinApp()
{
    if (g_pApp == this) g_pApp = nullptr;
}

void CWinApp::SetCurrentHandles()
{
    if (!m_hInstance) m_hInstance = ::GetModuleHandleW(nullptr);
    if (!m_pszAppName) {
        if (!m_strAppName.LoadString(AFX_IDS_APP_TITLE)) m_strAppName = executableBaseName();
        m_pszAppName = m_strAppName.GetString();
    }
}

BOOL CWinApp::InitInstance() { return TRUE; }

int CWinApp::Run()
{
    if (!m_pMainWnd) {
        // Nothing would ever end the pump.
        ::PostQuitMessage(0);
    }
    m_bRunning = true;
    LONG idleCount = 0;
    for (;;) {
        MSG waiting;
        while (!::PeekMessageW(&waiting, nullptr, 0, 0, PM_NOREMOVE)) {
            if (!OnIdle(idleCount++)) break;
        }
        if (!::GetMessageW(&m_msgCur, nullptr, 0, 0)) break;
        idleCount = 0;
        if (!PreTranslateMessage(&m_msgCur)) {
            ::TranslateMessage(&m_msgCur);
            ::DispatchMessageW(&m_msgCur);
        }
    }
    m_bRunning = false;
    m_nExitCode = static_cast<int>(m_msgCur.wParam);
    return ExitInstance();
}

int CWinApp::ExitInstance() { return m_nExitCode; }

BOOL CWinApp::PreTranslateMessage(MSG* pMsg)
{
    CWnd* mainWnd = GetMainWnd();
    return CWnd::WalkPreTranslateTree(mainWnd ? mainWnd->GetSafeHwnd() : nullptr, pMsg);
}

BOOL CWinApp::OnIdle(LONG lCount)
{
    if (lCount == 0) AfxIdleCleanup();
    return FALSE;
}

CWnd* CWinApp::GetMainWnd() { return m_pActiveWnd ? m_pActiveWnd : m_pMainWnd; }

LRESULT CWinApp::ProcessWndProcException(CException* e, const MSG* pMsg) { return reportWndProcException(e, pMsg); }

void CWinApp::SetRegistryKey(LPCWSTR lpszRegistryKey)
{
    m_strRegistryKey = lpszRegistryKey ? lpszRegistryKey : _T("");
    m_pszRegistryKey = m_strRegistryKey.GetString();
}

void CWinApp::SetRegistryKey(UINT nIDRegistryKey)
{
    CString key;
    key.LoadString(nIDRegistryKey);
    SetRegistryKey(key.GetString());
}

void CWinApp::OnHelp() {}

void CWinApp::WindowDestroyed(CWnd* pWnd)
{
    if (m_pMainWnd == pWnd) {
        m_pMainWnd = nullptr;
        if (m_bRunning) ::PostQuitMessage(0);
    }
    if (m_pActiveWnd == pWnd) m_pActiveWnd = nullptr;
}

// ---------------------------------------------------------------------------
// Global functions

CWinApp* AfxGetApp() { return g_pApp; }

CWnd* AfxGetMainWnd() { return g_pApp ? g_pApp->GetMainWnd() : nullptr; }

LPCWSTR AfxGetAppName() { return g_pApp ? g_pApp->m_pszAppName : nullptr; }

HINSTANCE AfxGetInstanceHandle()
{
    if (g_pApp && g_pApp->m_hInstance) return g_pApp->m_hInstance;
    return ::GetModuleHandleW(nullptr);
}

HINSTANCE AfxGetResourceHandle() { return g_hResource ? g_hResource : AfxGetInstanceHandle(); }

void AfxSetResourceHandle(HINSTANCE hInstResource) { g_hResource = hInstResource; }

HINSTANCE AfxFindResourceHandle(LPCWSTR lpszName, LPCWSTR lpszType)
{
    HINSTANCE resources = AfxGetResourceHandle();
    if (::FindResourceW(resources, lpszName, lpszType)) return resources;
    return AfxGetInstanceHandle();
}

int AfxWinMain()
{
    CWinApp* app = AfxGetApp();
    if (!app) {
        std::fprintf(stderr, "quarrow: the program defines no application object\n");
        return -1;
    }
    app->SetCurrentHandles();
    if (!app->InitInstance()) {
        if (app->m_pMainWnd) app->m_pMainWnd->DestroyWindow();
        return app->ExitInstance();
    }
    return app->Run();
}

int AfxMessageBox(LPCWSTR lpszText, UINT nType, UINT)
{
    CWnd* mainWnd = AfxGetMainWnd();
    HWND owner = mainWnd ? mainWnd->GetSafeHwnd() : nullptr;
    if (owner && !::IsWindow(owner)) owner = nullptr;
    LPCWSTR caption = AfxGetAppName();
    return ::MessageBoxW(owner, lpszText, caption ? caption : _T(""), nType);
}

int AfxMessageBox(UINT nIDPrompt, UINT nType, UINT nIDHelp)
{
    CString prompt;
    prompt.LoadString(nIDPrompt);
    return AfxMessageBox(prompt.GetString(), nType, nIDHelp == UINT(-1) ? nIDPrompt : nIDHelp);
}

LRESULT AfxProcessWndProcException(CException* e, const MSG* pMsg)
{
    if (g_pApp) return g_pApp->ProcessWndProcException(e, pMsg);
    return reportWndProcException(e, pMsg);
}
