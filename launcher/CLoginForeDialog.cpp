#include "launcher/CLoginForeDialog.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "afx/CDataExchange.h"
#include "afx/CException.h"
#include "afx/CPaintDC.h"
#include "afx/CStringArray.h"
#include "browser/WebBrowserDispIds.h"
#include "launcher/AddressTable.h"
#include "launcher/StringUtil.h"
#include "res/resource.h"
#include "win32/Windows.h"

IMPLEMENT_DYNAMIC(CLoginForeDialog, CForeDialogBase)

BEGIN_MESSAGE_MAP(CLoginForeDialog, CForeDialogBase)
    ON_WM_PAINT()
    ON_WM_QUERYDRAGICON()
    ON_COMMAND(IDC_BTN_HOME, &CLoginForeDialog::OnBtnHome)
    ON_COMMAND(IDC_BTN_GUIDE, &CLoginForeDialog::OnBtnGuide)
    ON_COMMAND(IDC_BTN_SERVICE, &CLoginForeDialog::OnBtnService)
    ON_COMMAND(IDC_BTN_FORUM, &CLoginForeDialog::OnBtnForum)
    ON_COMMAND(IDC_BTN_MIN, &CLoginForeDialog::OnBtnMin)
    ON_COMMAND(IDC_BTN_CLOSE, &CLoginForeDialog::OnBtnClose)
    ON_WM_NCHITTEST()
    ON_WM_CLOSE()
END_MESSAGE_MAP()

// BeforeScriptExecute is listed twice; the first matching entry wins, so
// each event runs its handler once.
BEGIN_EVENTSINK_MAP(CLoginForeDialog, CForeDialogBase)
    ON_EVENT(CLoginForeDialog, IDC_BROWSER, DISPID_BEFORENAVIGATE2, &CLoginForeDialog::OnBeforeNavigate2,
             VTS_BEFORENAVIGATE2)
    ON_EVENT(CLoginForeDialog, IDC_BROWSER, DISPID_DOCUMENTCOMPLETE, &CLoginForeDialog::OnDocumentComplete,
             VTS_DOCUMENTCOMPLETE)
    ON_EVENT(CLoginForeDialog, IDC_BROWSER, DISPID_BEFORESCRIPTEXECUTE, &CLoginForeDialog::OnBeforeScriptExecute,
             VTS_BEFORESCRIPTEXECUTE)
    ON_EVENT(CLoginForeDialog, IDC_BROWSER, DISPID_BEFORESCRIPTEXECUTE, &CLoginForeDialog::OnBeforeScriptExecute,
             VTS_BEFORESCRIPTEXECUTE)
END_EVENTSINK_MAP()

CLoginForeDialog::CLoginForeDialog(CWnd* pParent)
    : CForeDialogBase(IDD_LOGIN_FORE_DIALOG, pParent),
      m_hIcon(LoadIconW(AfxGetResourceHandle(), MAKEINTRESOURCEW(IDR_MAINFRAME)))
{
}

CLoginForeDialog::~CLoginForeDialog() = default;

void CLoginForeDialog::DoDataExchange(CDataExchange* pDX)
{
    CForeDialogBase::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_BTN_HOME, m_btnHome);
    DDX_Control(pDX, IDC_BTN_GUIDE, m_btnGuide);
    DDX_Control(pDX, IDC_BTN_SERVICE, m_btnService);
    DDX_Control(pDX, IDC_BTN_FORUM, m_btnForum);
    DDX_Control(pDX, IDC_BTN_MIN, m_btnMin);
    DDX_Control(pDX, IDC_BTN_CLOSE, m_btnClose);
    DDX_Control(pDX, IDC_BROWSER, m_browser);
}

BOOL CLoginForeDialog::OnInitDialog()
{
    CForeDialogBase::OnInitDialog();

    SetIcon(m_hIcon, TRUE);
    SetIcon(m_hIcon, FALSE);

    // The background window puts the overlay on its own rectangle later.
    MoveWindow(0, 0, 1044, 616, TRUE);

    // The login-match key must be set before any navigation event can come.
    InitAddressTable();

    // The artwork's opaque black panel.
    m_browser.MoveWindow(353, 209, 650, 360, TRUE);
    m_browser.SetSilent(FALSE);
    m_browser.Navigate(m_strStartUrl, nullptr, nullptr, nullptr, nullptr);

    SetupImageButton(m_btnHome, IDB_HOME_NORMAL, IDB_HOME_HOVER, IDB_HOME_PRESSED, 380, 162, 148, 44);
    SetupImageButton(m_btnGuide, IDB_GUIDE_NORMAL, IDB_GUIDE_HOVER, IDB_GUIDE_PRESSED, 540, 162, 148, 44);
    SetupImageButton(m_btnForum, IDB_FORUM_NORMAL, IDB_FORUM_HOVER, IDB_FORUM_PRESSED, 699, 162, 148, 44);
    SetupImageButton(m_btnService, IDB_SERVICE_NORMAL, IDB_SERVICE_HOVER, IDB_SERVICE_PRESSED, 856, 162, 148, 44);
    SetupImageButton(m_btnMin, IDB_MIN_NORMAL, IDB_MIN_HOVER, IDB_MIN_PRESSED, 950, 22, 33, 33);
    SetupImageButton(m_btnClose, IDB_CLOSE_NORMAL, IDB_CLOSE_HOVER, IDB_CLOSE_PRESSED, 990, 22, 33, 33);
    return TRUE;
}

void SetupImageButton(CTraButton& button, UINT nNormalId, UINT nHoverId, UINT nPressedId, int x, int y, int width,
                      int height)
{
    button.MoveWindow(x, y, width, height, TRUE);
    button.LoadStateImage(nNormalId, CTraButton::kStateNormal, width, height, CString(_T("PNG")));
    button.LoadStateImage(nHoverId, CTraButton::kStateHover, width, height, CString(_T("PNG")));
    button.LoadStateImage(nPressedId, CTraButton::kStatePressed, width, height, CString(_T("PNG")));
}

void CLoginForeDialog::OnOK() {}

BOOL CLoginForeDialog::PreTranslateMessage(MSG* pMsg)
{
    if (pMsg->message == WM_KEYDOWN) {
        if (pMsg->wParam == VK_ESCAPE) return TRUE;
        if (pMsg->wParam == VK_RETURN) {
            ::TranslateMessage(pMsg);
            ::DispatchMessageW(pMsg);
            return TRUE;
        }
    }
    return CDialog::PreTranslateMessage(pMsg);
}

void CLoginForeDialog::OnPaint()
{
    if (IsIconic()) {
        // Minimised, the overlay draws nothing of its own.
        CPaintDC dc(this);
        return;
    }
    CForeDialogBase::OnPaint();
}

HCURSOR CLoginForeDialog::OnQueryDragIcon() { return static_cast<HCURSOR>(m_hIcon); }

void CLoginForeDialog::OpenInBrowser(const CString& strUrl)
{
    // The user's default browser opens the page maximised; the launcher
    // carries on whatever the shell says.
    ShellExecuteW(nullptr, _T("open"), strUrl, nullptr, nullptr, SW_SHOWMAXIMIZED);
}

void CLoginForeDialog::OnBtnHome() { OpenInBrowser(m_strHomeUrl); }

void CLoginForeDialog::OnBtnGuide() { OpenInBrowser(m_strGuideUrl); }

void CLoginForeDialog::OnBtnService() { OpenInBrowser(m_strServiceUrl); }

void CLoginForeDialog::OnBtnForum() { OpenInBrowser(m_strForumUrl); }

void CLoginForeDialog::OnBtnMin()
{
    // The whole launcher goes: the overlay follows its owner.
    if (CWnd* pMainWnd = AfxGetMainWnd()) pMainWnd->CloseWindow();
}

void CLoginForeDialog::OnBtnClose()
{
    // The confirmation runs when the message arrives, outside the click.
    ::PostMessageW(GetSafeHwnd(), WM_CLOSE, 0, 0);
}

void CLoginForeDialog::OnClose()
{
    CString strCaption;
    CString strQuestion;
    strCaption.LoadString(IDS_EXIT_CAPTION);
    strQuestion.LoadString(IDS_EXIT_CONFIRM);
    if (::MessageBoxW(GetSafeHwnd(), strQuestion, strCaption, MB_OKCANCEL) != IDOK) return;

    // Sent, not posted: the background window has ended its modal loop
    // before the overlay ends itself.
    if (CWnd* pParent = GetParent()) ::SendMessageW(pParent->GetSafeHwnd(), WM_CLOSE, 0, 0);
    EndDialog(IDCANCEL);
    CForeDialogBase::OnClose();
}

LRESULT CLoginForeDialog::OnNcHitTest(CPoint point)
{
    // A press on the overlay's own surface moves it like a caption; its
    // key-coloured pixels let presses through to the background anyway.
    CRect rcClient;
    GetClientRect(&rcClient);
    ClientToScreen(&rcClient);
    if (rcClient.PtInRect(point)) return HTCAPTION;
    return CForeDialogBase::OnNcHitTest(point);
}

void CLoginForeDialog::OnBeforeNavigate2(LPDISPATCH, VARIANT* URL, VARIANT*, VARIANT*, VARIANT*, VARIANT*, BOOL*)
{
    // Every navigation goes on, the top page's and every frame's.
    CString strUrl;
    if (URL && URL->vt == VT_BSTR && URL->bstrVal) strUrl = URL->bstrVal;
    CheckLoginUrlFromEvent(strUrl);
}

void CLoginForeDialog::OnDocumentComplete(LPDISPATCH, VARIANT*) {}

void CLoginForeDialog::OnBeforeScriptExecute(LPDISPATCH)
{
    // Whatever window the event names, the browser's own address counts.
    CheckLoginUrlFromEvent(m_browser.GetLocationURL());
}

void CLoginForeDialog::InitAddressTable()
{
    m_strPlatformId = _T("ZUVO_");
    m_strStartUrl = _T("http://") QUARROW_WEB_HOST_TEXT _T("/games/vadmo/dlq/");
    m_strLoginMatch = _T("vadmo/login");
    m_strHomeUrl = _T("http://") QUARROW_GAME_HOST_TEXT _T("/games/vadmo/");
    m_strGuideUrl = _T("http://") QUARROW_GAME_HOST_TEXT _T("/games/vadmo/raid/");
    m_strServiceUrl = _T("http://") QUARROW_WEB_HOST_TEXT _T("/kf/");
    m_strForumUrl = _T("https://") QUARROW_CHAT_HOST_TEXT _T("/?_wv=") QUARROW_CHAT_WV_TEXT _T("&k=") QUARROW_CHAT_K_TEXT;
}

void CLoginForeDialog::CheckLoginUrl(CString strUrl)
{
    // One login is handed off once. After the first try, whatever its
    // outcome, the windows are closing, and later matching addresses (the
    // login page's scripts follow its navigation with the same address)
    // change nothing and report nothing.
    if (m_bHandOffTried) return;
    if (m_strLoginMatch.IsEmpty() || strUrl.Find(m_strLoginMatch) < 0) return;
    m_bHandOffTried = true;

    // The background window closes without asking, then the overlay ends
    // the same way its cancel does.
    CWnd* pParent = GetParent();
    if (pParent) ::SendMessageW(pParent->GetSafeHwnd(), WM_CLOSE, 0, 0);
    EndDialog(IDCANCEL);

    bool parsed = false;
    try {
        parsed = ParseLoginUrl(strUrl);
    } catch (CInvalidArgException*) {
        // The user hears why the game does not start; the error goes on
        // to the caller, which knows it has been reported.
        ReportHandOffFailure(HandOffFailure::MalformedItem);
        throw;
    }
    if (!parsed) {
        ReportHandOffFailure(m_strKey.IsEmpty() ? HandOffFailure::NoQuery : HandOffFailure::NoUserId);
        return;
    }
    LaunchLoader();
}

void CLoginForeDialog::CheckLoginUrlFromEvent(const CString& strUrl)
{
    try {
        CheckLoginUrl(strUrl);
    } catch (CInvalidArgException* e) {
        // The malformed login address has been reported once, to the user
        // and on standard error; the event's dispatch must not report it a
        // second time.
        e->Delete();
    }
}

bool CLoginForeDialog::ParseLoginUrl(const CString& strUrl)
{
    m_strUserId.Empty();
    m_strKey.Empty();

    int question = strUrl.Find(_T('?'));
    CString query = question < 0 ? strUrl : strUrl.Mid(question + 1);

    CStringArray items;
    SplitString(query, items, '&');
    // The first item with a given name wins.
    std::map<std::string, std::string> params;
    CStringArray pair;
    for (INT_PTR i = 0; i < items.GetSize(); ++i) {
        SplitString(items.GetAt(i), pair, '=');
        std::string name = ToThreadAnsi(pair.GetAt(0));
        std::string value = UrlDecode(ToThreadAnsi(pair.GetAt(1)));
        params.emplace(std::move(name), std::move(value));
    }

    auto userid = params.find("userid");
    m_strUserId = userid == params.end() ? CString() : FromThreadAnsi(userid->second);

    std::string key = ToThreadAnsi(query);
    std::replace(key.begin(), key.end(), '=', '-');
    m_strKey = FromThreadAnsi(key);

    return !m_strUserId.IsEmpty() && !m_strKey.IsEmpty();
}

CString CLoginForeDialog::LoaderPath()
{
    // The loader belongs beside the launcher's own executable and runs only
    // from there: naming it in full keeps the system from searching for it
    // anywhere else (on Windows, CreateProcess would try the current
    // directory next, then PATH).
    std::vector<WCHAR> buffer(260);
    DWORD length = 0;
    for (;;) {
        length = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0) return CString();
        if (length < buffer.size()) break;
        if (buffer.size() >= 32768) return CString();
        buffer.resize(buffer.size() * 2);
    }
    CString executable(buffer.data(), static_cast<int>(length));
    // The folder ends at the last separator, whichever the system uses.
    const int separator = std::max(executable.ReverseFind(_T('\\')), executable.ReverseFind(_T('/')));
    if (separator < 0) return CString();
    return executable.Left(separator + 1) + CString(kLoaderFileName);
}

bool CLoginForeDialog::LaunchLoader()
{
    CString params = CString(_T("ID=")) + m_strUserId + _T(",Key=") + m_strKey + _T(",PID=") + m_strPlatformId +
                     _T(",PROCPARA=66666");
    std::string commandLine = std::string("\"") + kLoaderFileName + "\" " + ToThreadAnsi(params);
    std::vector<char> buffer(commandLine.begin(), commandLine.end());
    buffer.push_back('\0');

    // The system takes the application name in the ANSI code page; a path
    // that has no exact form in it cannot be named at all.
    const CString loaderPath = LoaderPath();
    std::string application;
    if (!loaderPath.IsEmpty()) {
        const int needed = WideCharToMultiByte(CP_ACP, 0, loaderPath.GetString(), loaderPath.GetLength(), nullptr, 0,
                                               nullptr, nullptr);
        if (needed > 0) {
            application.resize(static_cast<size_t>(needed));
            WideCharToMultiByte(CP_ACP, 0, loaderPath.GetString(), loaderPath.GetLength(), application.data(), needed,
                                nullptr, nullptr);
        }
        const int back = MultiByteToWideChar(CP_ACP, 0, application.data(), static_cast<int>(application.size()),
                                             nullptr, 0);
        std::vector<WCHAR> wide(static_cast<size_t>(back > 0 ? back : 0) + 1);
        if (back > 0) {
            MultiByteToWideChar(CP_ACP, 0, application.data(), static_cast<int>(application.size()), wide.data(),
                                back);
        }
        if (back <= 0 || CString(wide.data(), back) != loaderPath) application.clear();
    }
    if (application.empty()) {
        ReportHandOffFailure(HandOffFailure::LoaderNotStarted, loaderPath,
                             CString(_T("the launcher's folder cannot be named in the system's code page")));
        return false;
    }

    STARTUPINFOA startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    if (!CreateProcessA(application.c_str(), buffer.data(), nullptr, nullptr, FALSE, CREATE_NEW_CONSOLE, nullptr,
                        nullptr, &startup, &process)) {
        DWORD error = GetLastError();
        WCHAR reason[256] = {};
        DWORD length = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0,
                                      reason, 256, nullptr);
        // A system text ends with a line break (on Windows and in our
        // layer); the report is one line and ends it itself.
        while (length > 0 && (reason[length - 1] == _T('\r') || reason[length - 1] == _T('\n') ||
                              reason[length - 1] == _T(' '))) {
            --length;
        }
        reason[length] = 0;
        const bool missing = error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
        ReportHandOffFailure(missing ? HandOffFailure::LoaderNotFound : HandOffFailure::LoaderNotStarted, loaderPath,
                             reason);
        return false;
    }
    // The launcher never talks to the loader again.
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return true;
}

void CLoginForeDialog::ReportHandOffFailure(HandOffFailure cause, const CString& loaderPath, const CString& detail)
{
    // Where the loader was looked for: its full path, or at least its name.
    const CString loader = loaderPath.IsEmpty() ? CString(kLoaderFileName) : loaderPath;
    CString line(_T("quarrow-launcher: the game was not started: "));
    switch (cause) {
    case HandOffFailure::MalformedItem:
        line += _T("the login address has a query item without '='");
        break;
    case HandOffFailure::NoUserId:
        line += _T("the login address carries no \"userid\"");
        break;
    case HandOffFailure::NoQuery:
        line += _T("the login address has no query");
        break;
    case HandOffFailure::LoaderNotFound:
    case HandOffFailure::LoaderNotStarted:
        line += CString(_T("\"")) + loader + _T("\" could not be started: ") +
                (detail.IsEmpty() ? CString(_T("unknown error")) : detail);
        break;
    }
    line += _T("\n");
    int needed = WideCharToMultiByte(CP_UTF8, 0, line.GetString(), line.GetLength(), nullptr, 0, nullptr, nullptr);
    std::string text(static_cast<size_t>(needed > 0 ? needed : 0), '\0');
    if (needed > 0) {
        WideCharToMultiByte(CP_UTF8, 0, line.GetString(), line.GetLength(), text.data(), needed, nullptr, nullptr);
    }
    std::fputs(text.c_str(), stderr);
    std::fflush(stderr);

    // The user hears it too, in the launcher's language. The launcher's
    // windows are already closing, so the box has no owner.
    CString strCaption;
    if (!strCaption.LoadString(IDS_EXIT_CAPTION)) strCaption = _T("Quarrow 微端");
    CString strText;
    switch (cause) {
    case HandOffFailure::MalformedItem:
    case HandOffFailure::NoUserId:
    case HandOffFailure::NoQuery:
        strText = _T("无法启动游戏：登录信息不完整，请重新登录。");
        break;
    case HandOffFailure::LoaderNotFound:
        strText = CString(_T("无法启动游戏：找不到游戏加载器 ")) + loader + _T("。");
        break;
    case HandOffFailure::LoaderNotStarted:
        strText = CString(_T("无法启动游戏：游戏加载器 ")) + loader + _T(" 无法运行。");
        break;
    }
    ::MessageBoxW(nullptr, strText, strCaption, MB_OK | MB_ICONERROR);
}
