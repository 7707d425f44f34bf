// The launcher's overlay dialog: it carries the buttons and the browser on
// top of the skinned background window, holds the launcher's address table
// and watches the browser's navigation for the completed login, which it
// hands to the game loader.
//
// Owned by the background window (CLoginBackDialog), which creates it,
// keeps it on its own rectangle and deletes it.
#pragma once

#include "afx/CString.h"
#include "browser/CWebBrowser2.h"
#include "layered/CForeDialogBase.h"
#include "layered/CTraButton.h"

class CLoginForeDialog : public CForeDialogBase {
    DECLARE_DYNAMIC(CLoginForeDialog)
public:
    explicit CLoginForeDialog(CWnd* pParent);
    ~CLoginForeDialog() override;

    // Esc does nothing anywhere in the launcher; Enter goes straight to its
    // target (a field of the page) and never acts as the default button.
    BOOL PreTranslateMessage(MSG* pMsg) override;

    // Fills the address table and the platform id.
    void InitAddressTable();

    // Looks for the login-match key in a navigation address; on the first
    // match closes the launcher and hands the login to the game loader. A
    // failed hand-off is reported once; a malformed query's
    // CInvalidArgException then goes on to the caller.
    void CheckLoginUrl(CString strUrl);

    // Takes the user id and the login key out of the address's query.
    // Returns true when both are non-empty. Raises CInvalidArgException
    // for a query item without '='.
    bool ParseLoginUrl(const CString& strUrl);

    // Starts the game loader with the credentials of the last parse.
    // Returns whether the loader was started; a failure has been reported.
    // The loader runs only from beside the launcher's executable.
    bool LaunchLoader();

    // The full path the loader is run from: the launcher's own folder and
    // kLoaderFileName. Empty when the executable's path is unknown.
    static CString LoaderPath();

    const CString& UserId() const { return m_strUserId; }
    const CString& Key() const { return m_strKey; }

    static constexpr const char* kLoaderFileName = "quilbyLoader.exe";

    // Why a matching login address did not start the game.
    enum class HandOffFailure { MalformedItem, NoUserId, NoQuery, LoaderNotFound, LoaderNotStarted };

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    // No IDOK command ends the launcher.
    void OnOK() override;

    afx_msg void OnPaint();
    afx_msg HCURSOR OnQueryDragIcon();
    afx_msg void OnBtnHome();
    afx_msg void OnBtnGuide();
    afx_msg void OnBtnService();
    afx_msg void OnBtnForum();
    afx_msg void OnBtnMin();
    afx_msg void OnBtnClose();
    afx_msg LRESULT OnNcHitTest(CPoint point);
    afx_msg void OnClose();
    DECLARE_MESSAGE_MAP()

    // The browser's events.
    void OnBeforeNavigate2(LPDISPATCH pDisp, VARIANT* URL, VARIANT* Flags, VARIANT* TargetFrameName,
                           VARIANT* PostData, VARIANT* Headers, BOOL* Cancel);
    void OnDocumentComplete(LPDISPATCH pDisp, VARIANT* URL);
    void OnBeforeScriptExecute(LPDISPATCH pDispWindow);
    DECLARE_EVENTSINK_MAP()

    // Tells the user why the login could not be handed to the game; for a
    // loader that did not start, `loaderPath` says where it was looked for
    // and `detail` carries the system's reason.
    void ReportHandOffFailure(HandOffFailure cause, const CString& loaderPath = CString(),
                              const CString& detail = CString());

    HICON m_hIcon;
    CTraButton m_btnHome;
    CTraButton m_btnGuide;
    CTraButton m_btnService;
    CTraButton m_btnForum;
    CTraButton m_btnMin;
    CTraButton m_btnClose;
    CWebBrowser2 m_browser;

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
    void OpenInBrowser(const CString& strUrl);
    // CheckLoginUrl for a browser event: the error of a malformed query,
    // reported already, ends here.
    void CheckLoginUrlFromEvent(const CString& strUrl);

    // Set once a matching address has been handed off, whatever came of
    // it: one login starts one game, and a failure is told once.
    bool m_bHandOffTried = false;
};

// Places an image button and loads its normal, hover and pressed images
// (resources of type "PNG") at the button's size.
void SetupImageButton(CTraButton& button, UINT nNormalId, UINT nHoverId, UINT nPressedId, int x, int y, int width,
                      int height);
