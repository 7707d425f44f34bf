#include "launcher/CLoginForeDialog.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "afx/CException.h"
#include "afx/CStringArray.h"
#include "launcher/AddressTable.h"
#include "launcher/StringUtil.h"
#include "res/resource.h"
#include "win32/Windows.h"

CLoginForeDialog::CLoginForeDialog(CWnd* pParent)
    : CForeDialogBase(IDD_LOGIN_FORE_DIALOG, pParent),
      m_hIcon(LoadIconW(AfxGetResourceHandle(), MAKEINTRESOURCEW(IDR_MAINFRAME)))
{
}

CLoginForeDialog::~CLoginForeDialog() = default;

void CLoginForeDialog::InitAddressTable()
{
    m_strPlatformId = u"ZUVO_";
    m_strStartUrl = u"http://" QUARROW_WEB_HOST_TEXT u"/games/vadmo/dlq/";
    m_strLoginMatch = u"vadmo/login";
    m_strHomeUrl = u"http://" QUARROW_GAME_HOST_TEXT u"/games/vadmo/";
    m_strGuideUrl = u"http://" QUARROW_GAME_HOST_TEXT u"/games/vadmo/raid/";
    m_strServiceUrl = u"http://" QUARROW_WEB_HOST_TEXT u"/kf/";
    m_strForumUrl = u"https://" QUARROW_CHAT_HOST_TEXT u"/?_wv=" QUARROW_CHAT_WV_TEXT u"&k=" QUARROW_CHAT_K_TEXT;
}

void CLoginForeDialog::CheckLoginUrl(CString strUrl)
{
    // One login starts one game; later matching addresses change nothing.
    if (m_bLoaderStarted) return;
    if (m_strLoginMatch.IsEmpty() || strUrl.Find(m_strLoginMatch) < 0) return;

    // The background window closes without asking, then the overlay ends
    // the same way its cancel does.
    CWnd* pParent = GetParent();
    if (pParent) ::SendMessageW(pParent->GetSafeHwnd(), WM_CLOSE, 0, 0);
    EndDialog(IDCANCEL);

    bool parsed = false;
    try {
        parsed = ParseLoginUrl(strUrl);
    } catch (CException*) {
        // The framework's event dispatch absorbs the error; the user hears
        // why the game does not start.
        ReportHandOffFailure(HandOffFailure::MalformedItem);
        throw;
    }
    if (!parsed) {
        ReportHandOffFailure(m_strKey.IsEmpty() ? HandOffFailure::NoQuery : HandOffFailure::NoUserId);
        return;
    }
    if (LaunchLoader()) m_bLoaderStarted = true;
}

bool CLoginForeDialog::ParseLoginUrl(const CString& strUrl)
{
    m_strUserId.Empty();
    m_strKey.Empty();

    int question = strUrl.Find(u'?');
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

bool CLoginForeDialog::LaunchLoader()
{
    CString params = CString(u"ID=") + m_strUserId + u",Key=" + m_strKey + u",PID=" + m_strPlatformId +
                     u",PROCPARA=66666";
    std::string commandLine = std::string("\"") + kLoaderFileName + "\" " + ToThreadAnsi(params);
    std::vector<char> buffer(commandLine.begin(), commandLine.end());
    buffer.push_back('\0');

    STARTUPINFOA startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    if (!CreateProcessA(nullptr, buffer.data(), nullptr, nullptr, FALSE, CREATE_NEW_CONSOLE, nullptr, nullptr,
                        &startup, &process)) {
        DWORD error = GetLastError();
        WCHAR reason[256] = {};
        if (!FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0, reason,
                            256, nullptr)) {
            reason[0] = 0;
        }
        ReportHandOffFailure(HandOffFailure::LoaderNotStarted, reason);
        return false;
    }
    // The launcher never talks to the loader again.
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return true;
}

void CLoginForeDialog::ReportHandOffFailure(HandOffFailure cause, const CString& detail)
{
    CString line(u"quarrow-launcher: the game was not started: ");
    switch (cause) {
    case HandOffFailure::MalformedItem:
        line += u"the login address has a query item without '='";
        break;
    case HandOffFailure::NoUserId:
        line += u"the login address carries no \"userid\"";
        break;
    case HandOffFailure::NoQuery:
        line += u"the login address has no query";
        break;
    case HandOffFailure::LoaderNotStarted:
        line += CString(u"\"") + CString(kLoaderFileName) + u"\" could not be started: " +
                (detail.IsEmpty() ? CString(u"unknown error") : detail);
        break;
    }
    line += u"\n";
    int needed = WideCharToMultiByte(CP_UTF8, 0, line.GetString(), line.GetLength(), nullptr, 0, nullptr, nullptr);
    std::string text(static_cast<size_t>(needed > 0 ? needed : 0), '\0');
    if (needed > 0) {
        WideCharToMultiByte(CP_UTF8, 0, line.GetString(), line.GetLength(), text.data(), needed, nullptr, nullptr);
    }
    std::fputs(text.c_str(), stderr);
    std::fflush(stderr);
}
