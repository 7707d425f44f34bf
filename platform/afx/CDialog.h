// The framework's dialog: a CWnd made from a dialog template by the window
// system's dialog manager, with the framework's own dialog procedure and
// modal loop.
//
// Modal (DoModal): the template (a resource of type RT_DIALOG, or a template
// in memory given to InitModalIndirect) becomes a window owned by the
// dialog's parent, or by the application's main window when it has none.
// The owner is disabled while the dialog runs and enabled again before the
// dialog's window is destroyed. The loop offers every message to the
// PreTranslateMessage of the windows from the message's target up to the
// dialog (CWnd::WalkPreTranslateTree) before dispatching it, and ends when
// EndDialog is called (or the window disappears, or WM_QUIT arrives, which
// is posted again for the outer loop and gives -1). DoModal returns the
// result given to EndDialog, or -1 when the window could not be created.
//
// Modeless (Create): the window is made from the template with the given
// parent; a popup template makes that parent its owner. The object must
// outlive its window; destroying the object destroys the window.
//
// Commands IDOK and IDCANCEL go to OnOK and OnCancel; WM_INITDIALOG to
// OnInitDialog; WM_CLOSE takes the dialog manager's default, which is the
// IDCANCEL command. Ids that no map of the dialog handles go on to the
// application object's map.
//
// ActiveX controls in a template (an item whose class is "{CLSID}") are
// not window classes, and the system's dialog manager cannot create them.
// The framework takes them out of the template before the dialog manager
// sees it, and creates them itself while WM_INITDIALOG is being handled,
// before OnInitDialog runs: each in the dialog's control container, with its
// entry of the dialog init data as its persisted state, at its place in the
// template's z-order (and so its tab order). A control that cannot be made
// fails the dialog's creation.
//
// The object owns its window; it refers to its parent (m_pParentWnd) and to
// its template without owning either.
#pragma once

#include "afx/CDataExchange.h"
#include "afx/CWnd.h"
#include "win32/DialogTemplate.h"

#include <vector>

// The framework's dialog procedure, given to the dialog manager for every
// framework dialog: it answers WM_INITDIALOG with OnInitDialog and leaves
// everything else to the dialog manager's default processing.
INT_PTR CALLBACK AfxDlgProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);

class CDialog : public CWnd {
    DECLARE_DYNAMIC(CDialog)
public:
    CDialog();
    explicit CDialog(UINT nIDTemplate, CWnd* pParentWnd = nullptr);
    explicit CDialog(LPCWSTR lpszTemplateName, CWnd* pParentWnd = nullptr);
    ~CDialog() override;

    // Modeless creation from a template resource or a template in memory.
    virtual BOOL Create(UINT nIDTemplate, CWnd* pParentWnd = nullptr);
    virtual BOOL Create(LPCWSTR lpszTemplateName, CWnd* pParentWnd = nullptr);
    virtual BOOL CreateIndirect(LPCDLGTEMPLATEW lpDialogTemplate, CWnd* pParentWnd = nullptr,
                                HINSTANCE hInst = nullptr);
    // The same with the template's dialog init data in memory
    // (`nDialogInitSize` bytes, see m_lpDialogInit).
    BOOL CreateIndirect(LPCDLGTEMPLATEW lpDialogTemplate, CWnd* pParentWnd, const void* lpDialogInit,
                        size_t nDialogInitSize, HINSTANCE hInst = nullptr);

    // Makes DoModal use a template in memory (which must stay valid while
    // the dialog runs) instead of a resource, with its dialog init data
    // when it has any.
    BOOL InitModalIndirect(LPCDLGTEMPLATEW lpDialogTemplate, CWnd* pParentWnd = nullptr,
                           const void* lpDialogInit = nullptr, size_t nDialogInitSize = 0);
    virtual INT_PTR DoModal();
    // Ends the dialog with `nResult`: a modal dialog's loop ends and DoModal
    // returns it; the window system hides the window.
    void EndDialog(int nResult);

    // Runs DoDataExchange: controls to member variables when
    // bSaveAndValidate is TRUE, the other way when FALSE. FALSE when the
    // exchange failed (the failure has been reported).
    BOOL UpdateData(BOOL bSaveAndValidate = TRUE);

    // Keyboard and mouse messages for the dialog and its controls go to the
    // dialog manager (IsDialogMessage): Tab, Enter, Escape and the rest.
    BOOL PreTranslateMessage(MSG* pMsg) override;
    BOOL OnCmdMsg(UINT nID, int nCode, void* pExtra, AFX_CMDHANDLERINFO* pHandlerInfo) override;

    // Called while the dialog's window is being created, after its controls
    // exist. The default transfers the member variables into the controls
    // (UpdateData(FALSE)) and returns TRUE, so that the dialog manager
    // focuses the first control; when that transfer fails the dialog ends
    // with -1 and FALSE is returned.
    virtual BOOL OnInitDialog();

    // The dialog's control container takes the template's dialog init data
    // (the RT_DLGINIT resource named like the template): each ActiveX
    // control of the template gets its entry as its persisted state.
    BOOL InitControlContainer() override;

    CWnd* m_pParentWnd = nullptr;
    LPCWSTR m_lpszTemplateName = nullptr;
    LPCDLGTEMPLATEW m_lpDialogTemplate = nullptr;
    // The dialog init data of the template being created (from the
    // resources, or given with a template in memory), or null.
    const void* m_lpDialogInit = nullptr;
    size_t m_nDialogInitSize = 0;

protected:
    // OK: UpdateData(TRUE), then EndDialog(IDOK) when that succeeded.
    virtual void OnOK();
    // Cancel: EndDialog(IDCANCEL).
    virtual void OnCancel();
    // The dialog's data exchange; the default exchanges nothing.
    virtual void DoDataExchange(CDataExchange* pDX);

    // Every framework dialog window is made here: the window system's dialog
    // manager creates it from `lpDialogTemplate` with AfxDlgProc, and the
    // window is bound to this object before its first message.
    // `nTemplateSize` is the template's size when it is known (a resource);
    // 0 for a template in memory.
    BOOL CreateDlgIndirect(LPCDLGTEMPLATEW lpDialogTemplate, CWnd* pParentWnd, HINSTANCE hInst,
                           size_t nTemplateSize = 0);

    afx_msg LRESULT HandleInitDialog(WPARAM wParam, LPARAM lParam);

    DECLARE_MESSAGE_MAP()

    using CWnd::Create;

private:
    // The template named by m_lpszTemplateName (with the module holding it,
    // and its dialog init data in m_lpDialogInit), else m_lpDialogTemplate;
    // null when there is none.
    LPCDLGTEMPLATEW FindTemplate(HINSTANCE& hInst);
    HWND ModalOwner() const;
    void RunModalLoop();
    // Creates the ActiveX controls taken out of the template; FALSE when
    // one of them could not be made.
    BOOL CreateTemplateControls();

    // An ActiveX control of the template being created, with the index of
    // its item among the template's items.
    struct TemplateControl {
        quarrow::DialogTemplate::Item item;
        size_t index = 0;
    };
    std::vector<TemplateControl> m_templateControls;
    // How many items the template had, and whether a control failed.
    size_t m_nTemplateItems = 0;
    bool m_bTemplateControlFailed = false;
    size_t m_nTemplateSize = 0;

    bool m_bContinueModal = false;
    INT_PTR m_nModalResult = -1;
};
