// The launcher's overlay dialog: it carries the buttons and the browser on
// top of the skinned background window, holds the launcher's address table
// and watches the browser's navigation for the completed login, which it
// hands to the game loader.
//
// Owned by the background window (CLoginBackDialog), which creates it,
// keeps it on its own rectangle and deletes it.
#pragma once

#include "afx/CString.h"
#include "layered/CForeDialogBase.h"

class CLoginForeDialog : public CForeDialogBase {
public:
    explicit CLoginForeDialog(CWnd* pParent);
    ~CLoginForeDialog() override;

    // Fills the address table and the platform id.
    void InitAddressTable();

    // Looks for the login-match key in a navigation address; on a match
    // closes the launcher and, once, hands the login to the game loader.
    void CheckLoginUrl(CString strUrl);

    // Takes the user id and the login key out of the address's query.
    // Returns true when both are non-empty. Raises CInvalidArgException
    // for a query item without '='.
    bool ParseLoginUrl(const CString& strUrl);

    // Starts the game loader with the credentials of the last parse.
    // Returns whether the loader was started; a failure has been reported.
    bool LaunchLoader();

    const CString& UserId() const { return m_strUserId; }
    const CString& Key() const { return m_strKey; }

    static constexpr const char* kLoaderFileName = "quilbyLoader.exe";

    // Why a matching login address did not start the game.
    enum class HandOffFailure { MalformedItem, NoUserId, NoQuery, LoaderNotStarted };

protected:
    // Tells the user why the login could not be handed to the game;
    // `detail` carries the system's reason for a loader that did not start.
    void ReportHandOffFailure(HandOffFailure cause, const CString& detail = CString());

    HICON m_hIcon;

    CString m_strStartUrl;
    CString m_strLoginMatch;
    CString m_strHomeUrl;
    CString m_strGuideUrl;
    CString m_strServiceUrl;
    CString m_strForumUrl;

    CString m_strUserId;
    CString m_strKey;
    CString m_strPlatformId;

private:
    // Set once a loader has been started: one login starts one game.
    bool m_bLoaderStarted = false;
};
