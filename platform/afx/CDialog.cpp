#include "afx/CDialog.h"

#include <cassert>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "afx/COleControlContainer.h"
#include "afx/CWinApp.h"
#include "win32/ErrHandlingApi.h"
#include "win32/LibLoaderApi.h"
#include "win32/WinNls.h"

IMPLEMENT_DYNAMIC(CDialog, CWnd)

BEGIN_MESSAGE_MAP(CDialog, CWnd)
    ON_COMMAND(IDOK, &CDialog::OnOK)
    ON_COMMAND(IDCANCEL, &CDialog::OnCancel)
    ON_MESSAGE(WM_INITDIALOG, &CDialog::HandleInitDialog)
END_MESSAGE_MAP()

INT_PTR CALLBACK AfxDlgProc(HWND hWnd, UINT message, WPARAM, LPARAM)
{
    if (message != WM_INITDIALOG) return FALSE;
    auto* dialog = dynamic_cast<CDialog*>(CWnd::FromHandlePermanent(hWnd));
    if (!dialog) return TRUE;
    try {
        return dialog->OnInitDialog();
    } catch (CException* e) {
        MSG msg{hWnd, message, 0, 0, 0, {0, 0}};
        AfxProcessWndProcException(e, &msg);
        e->Delete();
        return FALSE;
    }
}

CDialog::CDialog() = default;

CDialog::CDialog(UINT nIDTemplate, CWnd* pParentWnd)
    : m_pParentWnd(pParentWnd), m_lpszTemplateName(MAKEINTRESOURCEW(nIDTemplate))
{
}

CDialog::CDialog(LPCWSTR lpszTemplateName, CWnd* pParentWnd)
    : m_pParentWnd(pParentWnd), m_lpszTemplateName(lpszTemplateName)
{
}

CDialog::~CDialog()
{
    // Destroyed here rather than in ~CWnd, so that the dialog's own message
    // map still sees the window's last messages.
    if (m_hWnd && FromHandlePermanent(m_hWnd) == this) DestroyWindow();
}

// ---------------------------------------------------------------------------
// Creation

namespace {

// The resource type of a dialog template's init data.
const LPCWSTR kDialogInitType = MAKEINTRESOURCEW(240);

// A template without init data is the usual case and leaves both null.
void findDialogInit(HINSTANCE hInst, LPCWSTR name, const void*& data, size_t& size)
{
    data = nullptr;
    size = 0;
    HRSRC resource = ::FindResourceW(hInst, name, kDialogInitType);
    if (!resource) return;
    HGLOBAL block = ::LoadResource(hInst, resource);
    if (!block) return;
    data = ::LockResource(block);
    size = data ? ::SizeofResource(hInst, resource) : 0;
}

} // namespace

LPCDLGTEMPLATEW CDialog::FindTemplate(HINSTANCE& hInst)
{
    if (!m_lpszTemplateName) {
        hInst = AfxGetResourceHandle();
        m_nTemplateSize = 0;
        return m_lpDialogTemplate;
    }
    hInst = AfxFindResourceHandle(m_lpszTemplateName, RT_DIALOG);
    HRSRC resource = ::FindResourceW(hInst, m_lpszTemplateName, RT_DIALOG);
    if (!resource) return nullptr;
    HGLOBAL data = ::LoadResource(hInst, resource);
    if (!data) return nullptr;
    findDialogInit(hInst, m_lpszTemplateName, m_lpDialogInit, m_nDialogInitSize);
    m_nTemplateSize = ::SizeofResource(hInst, resource);
    return static_cast<LPCDLGTEMPLATEW>(::LockResource(data));
}

namespace {

// A template in memory carries no size; it is read as the dialog manager
// reads it, up to its end, but never beyond this.
constexpr size_t kMemoryTemplateLimit = 1 << 20;

// Whether a template item names an ActiveX control by its class id
// ("{8856F961-...}") instead of a window class.
bool controlClassId(const quarrow::DialogTemplate::Item& item, CLSID& clsid)
{
    if (!item.windowClass.present || item.windowClass.isOrdinal) return false;
    const std::u16string& name = item.windowClass.text;
    if (name.empty() || name.front() != u'{') return false;
    return SUCCEEDED(::CLSIDFromString(reinterpret_cast<LPCWSTR>(name.c_str()), &clsid));
}

} // namespace

BOOL CDialog::CreateDlgIndirect(LPCDLGTEMPLATEW lpDialogTemplate, CWnd* pParentWnd, HINSTANCE hInst,
                                size_t nTemplateSize)
{
    assert(!m_hWnd && "the dialog already has a window");
    assert(lpDialogTemplate);

    // The template's ActiveX controls come out before the dialog manager
    // sees it; HandleInitDialog makes them. A template that cannot be read
    // goes to the dialog manager as it is, which reports it.
    m_templateControls.clear();
    m_nTemplateItems = 0;
    m_bTemplateControlFailed = false;
    std::vector<BYTE> withoutControls;
    const auto* bytes = reinterpret_cast<const BYTE*>(lpDialogTemplate);
    std::string error;
    std::optional<quarrow::DialogTemplate> parsed =
        quarrow::DialogTemplate::parse(bytes, nTemplateSize ? nTemplateSize : kMemoryTemplateLimit, error);
    if (parsed) {
        std::vector<bool> drop(parsed->items.size(), false);
        for (size_t i = 0; i < parsed->items.size(); ++i) {
            CLSID clsid{};
            if (!controlClassId(parsed->items[i], clsid)) continue;
            drop[i] = true;
            m_templateControls.push_back(TemplateControl{parsed->items[i], i});
        }
        m_nTemplateItems = parsed->items.size();
        if (!m_templateControls.empty()) {
            withoutControls = parsed->withoutItems(bytes, drop);
            lpDialogTemplate = reinterpret_cast<LPCDLGTEMPLATEW>(withoutControls.data());
        }
    }

    AfxHookWindowCreate(this);
    HWND hWnd = ::CreateDialogIndirectParamW(hInst, lpDialogTemplate, pParentWnd ? pParentWnd->GetSafeHwnd() : nullptr,
                                             &AfxDlgProc, 0);
    AfxUnhookWindowCreate();
    m_templateControls.clear();
    if (hWnd && m_bTemplateControlFailed) {
        // A control of the template could not be made: the dialog fails
        // as the dialog manager fails one whose control class is missing.
        if (m_hWnd == hWnd) {
            DestroyWindow();
        } else {
            ::DestroyWindow(hWnd);
        }
        hWnd = nullptr;
    }
    if (!hWnd) {
        const DWORD error = ::GetLastError();
        if (m_hWnd && !::IsWindow(m_hWnd)) Detach();
        ::SetLastError(error);
        return FALSE;
    }
    assert(m_hWnd == hWnd && "the creation hook bound another window");
    return TRUE;
}

BOOL CDialog::CreateTemplateControls()
{
    if (m_templateControls.empty()) return TRUE;

    // The windows the dialog manager made, in z-order, stand for the kept
    // items in template order; each control goes in after the nearest
    // earlier item's window, so z-order and tab order are the template's.
    std::vector<HWND> made;
    for (HWND child = ::GetWindow(m_hWnd, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
        made.push_back(child);
    }
    std::vector<HWND> windows(m_nTemplateItems, nullptr);
    if (made.size() + m_templateControls.size() == m_nTemplateItems) {
        size_t next = 0;
        size_t control = 0;
        for (size_t i = 0; i < m_nTemplateItems; ++i) {
            if (control < m_templateControls.size() && m_templateControls[control].index == i) {
                ++control;
                continue;
            }
            windows[i] = made[next++];
        }
    }

    for (const TemplateControl& control : m_templateControls) {
        const quarrow::DialogTemplate::Item& item = control.item;
        CLSID clsid{};
        controlClassId(item, clsid);
        RECT rect{item.x, item.y, item.x + item.cx, item.y + item.cy};
        ::MapDialogRect(m_hWnd, &rect);
        if (!InitControlContainer()) return FALSE;
        const std::u16string title = item.title.present && !item.title.isOrdinal ? item.title.text : std::u16string();
        HWND hwnd = m_pCtrlCont->CreateDialogControl(clsid, item.id, reinterpret_cast<LPCWSTR>(title.c_str()),
                                                     item.style, item.exStyle, rect);
        if (!hwnd) return FALSE;
        windows[control.index] = hwnd;
        HWND after = HWND_TOP;
        for (size_t j = control.index; j-- > 0;) {
            if (windows[j]) {
                after = windows[j];
                break;
            }
        }
        ::SetWindowPos(hwnd, after, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    }
    return TRUE;
}

BOOL CDialog::Create(UINT nIDTemplate, CWnd* pParentWnd) { return Create(MAKEINTRESOURCEW(nIDTemplate), pParentWnd); }

BOOL CDialog::InitControlContainer()
{
    const bool created = m_pCtrlCont == nullptr;
    if (!CWnd::InitControlContainer()) return FALSE;
    if (created) m_pCtrlCont->SetDialogInit(m_lpDialogInit, m_nDialogInitSize);
    return TRUE;
}

BOOL CDialog::Create(LPCWSTR lpszTemplateName, CWnd* pParentWnd)
{
    m_lpszTemplateName = lpszTemplateName;
    m_pParentWnd = pParentWnd;
    HINSTANCE hInst = nullptr;
    LPCDLGTEMPLATEW dialogTemplate = FindTemplate(hInst);
    if (!dialogTemplate) return FALSE;
    return CreateDlgIndirect(dialogTemplate, pParentWnd, hInst, m_nTemplateSize);
}

BOOL CDialog::CreateIndirect(LPCDLGTEMPLATEW lpDialogTemplate, CWnd* pParentWnd, HINSTANCE hInst)
{
    return CreateIndirect(lpDialogTemplate, pParentWnd, nullptr, 0, hInst);
}

BOOL CDialog::CreateIndirect(LPCDLGTEMPLATEW lpDialogTemplate, CWnd* pParentWnd, const void* lpDialogInit,
                             size_t nDialogInitSize, HINSTANCE hInst)
{
    if (!lpDialogTemplate) {
        ::SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    m_pParentWnd = pParentWnd;
    m_lpDialogInit = lpDialogInit;
    m_nDialogInitSize = lpDialogInit ? nDialogInitSize : 0;
    return CreateDlgIndirect(lpDialogTemplate, pParentWnd, hInst ? hInst : AfxGetResourceHandle());
}

BOOL CDialog::InitModalIndirect(LPCDLGTEMPLATEW lpDialogTemplate, CWnd* pParentWnd, const void* lpDialogInit,
                                size_t nDialogInitSize)
{
    if (!lpDialogTemplate) return FALSE;
    m_lpDialogTemplate = lpDialogTemplate;
    m_lpDialogInit = lpDialogInit;
    m_nDialogInitSize = lpDialogInit ? nDialogInitSize : 0;
    m_lpszTemplateName = nullptr;
    if (pParentWnd) m_pParentWnd = pParentWnd;
    return TRUE;
}

// ---------------------------------------------------------------------------
// The modal loop

HWND CDialog::ModalOwner() const
{
    HWND owner = m_pParentWnd ? m_pParentWnd->GetSafeHwnd() : nullptr;
    if (!owner) {
        CWnd* mainWnd = AfxGetMainWnd();
        if (mainWnd && mainWnd != this) owner = mainWnd->GetSafeHwnd();
    }
    if (owner && !::IsWindow(owner)) owner = nullptr;
    // A popup cannot be owned by a child window: the top-level window that
    // holds the child owns it instead.
    while (owner && (static_cast<DWORD>(::GetWindowLongW(owner, GWL_STYLE)) & WS_CHILD)) owner = ::GetParent(owner);
    return owner;
}

INT_PTR CDialog::DoModal()
{
    assert(!m_hWnd && "DoModal on a dialog that already has a window");
    HINSTANCE hInst = nullptr;
    LPCDLGTEMPLATEW dialogTemplate = FindTemplate(hInst);
    if (!dialogTemplate) return -1;

    HWND owner = ModalOwner();
    const bool disabledOwner = owner && ::IsWindowEnabled(owner);
    if (disabledOwner) ::EnableWindow(owner, FALSE);

    m_nModalResult = -1;
    m_bContinueModal = true;
    if (CreateDlgIndirect(dialogTemplate, CWnd::FromHandle(owner), hInst, m_nTemplateSize)) {
        if (m_bContinueModal) RunModalLoop();
        if (m_hWnd) {
            ::SetWindowPos(m_hWnd, nullptr, 0, 0, 0, 0,
                           SWP_HIDEWINDOW | SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE | SWP_NOZORDER);
        }
    }
    m_bContinueModal = false;

    // The owner comes back before the dialog goes, so that activation
    // returns to it rather than to some other window.
    if (disabledOwner && ::IsWindow(owner)) ::EnableWindow(owner, TRUE);
    // Windows' EndDialog enables the dialog's owner whatever it was before;
    // an owner that was disabled before the dialog ran stays disabled.
    if (owner && !disabledOwner && ::IsWindow(owner)) ::EnableWindow(owner, FALSE);
    if (owner && ::IsWindow(owner) && m_hWnd && ::GetActiveWindow() == m_hWnd) ::SetActiveWindow(owner);
    DestroyWindow();
    return m_nModalResult;
}

void CDialog::RunModalLoop()
{
    bool showWhenIdle = !(GetStyle() & WS_VISIBLE);
    MSG msg{};
    while (m_bContinueModal && m_hWnd) {
        if (!::PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE)) {
            // A template without WS_VISIBLE is shown once everything that
            // its creation queued has been handled.
            if (showWhenIdle) {
                showWhenIdle = false;
                ShowWindow(SW_SHOWNORMAL);
                UpdateWindow();
                continue;
            }
            AfxIdleCleanup();
        }
        if (!::GetMessageW(&msg, nullptr, 0, 0)) {
            // The outer loop must see the quit too.
            ::PostQuitMessage(static_cast<int>(msg.wParam));
            m_nModalResult = -1;
            break;
        }
        if (!CWnd::WalkPreTranslateTree(m_hWnd, &msg)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
    }
}

void CDialog::EndDialog(int nResult)
{
    if (m_bContinueModal) {
        m_nModalResult = nResult;
        m_bContinueModal = false;
        // Wakes the loop when EndDialog runs outside a message it dispatched.
        if (m_hWnd) ::PostMessageW(m_hWnd, WM_NULL, 0, 0);
    }
    if (m_hWnd) ::EndDialog(m_hWnd, nResult);
}

// ---------------------------------------------------------------------------
// Messages and commands

BOOL CDialog::PreTranslateMessage(MSG* pMsg)
{
    if (!m_hWnd || !pMsg) return FALSE;
    const bool keyboard = pMsg->message >= WM_KEYFIRST && pMsg->message <= WM_KEYLAST;
    const bool mouse = pMsg->message >= WM_MOUSEFIRST && pMsg->message <= WM_MOUSELAST;
    if (!keyboard && !mouse) return FALSE;
    if (pMsg->hwnd != m_hWnd && !::IsChild(m_hWnd, pMsg->hwnd)) return FALSE;
    // A key for one of the dialog's ActiveX controls goes to that control
    // first (Tab and Enter inside a page), then to the dialog manager.
    if (keyboard && m_pCtrlCont && m_pCtrlCont->PreTranslateMessage(pMsg)) return TRUE;
    return ::IsDialogMessageW(m_hWnd, pMsg);
}

BOOL CDialog::OnCmdMsg(UINT nID, int nCode, void* pExtra, AFX_CMDHANDLERINFO* pHandlerInfo)
{
    if (CWnd::OnCmdMsg(nID, nCode, pExtra, pHandlerInfo)) return TRUE;
    // Commands (not other notifications, not system commands) that the
    // dialog does not handle go to the application, e.g. ID_HELP.
    if (nCode != CN_COMMAND || nID >= 0xF000) return FALSE;
    CWinApp* app = AfxGetApp();
    return app ? app->OnCmdMsg(nID, nCode, pExtra, pHandlerInfo) : FALSE;
}

LRESULT CDialog::HandleInitDialog(WPARAM, LPARAM)
{
    // The template's ActiveX controls exist before OnInitDialog runs, so
    // that its data exchange can bind them. A control that cannot be made
    // fails the dialog; OnInitDialog does not run.
    if (!CreateTemplateControls()) {
        m_bTemplateControlFailed = true;
        return FALSE;
    }
    // The dialog manager's default processing calls AfxDlgProc, which runs
    // OnInitDialog; its answer decides the initial focus.
    return Default();
}

BOOL CDialog::OnInitDialog()
{
    if (!UpdateData(FALSE)) {
        EndDialog(-1);
        return FALSE;
    }
    return TRUE;
}

void CDialog::OnOK()
{
    if (!UpdateData(TRUE)) return;
    EndDialog(IDOK);
}

void CDialog::OnCancel() { EndDialog(IDCANCEL); }

void CDialog::DoDataExchange(CDataExchange*) {}

BOOL CDialog::UpdateData(BOOL bSaveAndValidate)
{
    CDataExchange dx(this, bSaveAndValidate);
    try {
        DoDataExchange(&dx);
    } catch (CException* e) {
        WCHAR description[256] = {};
        e->GetErrorMessage(description, 256);
        char narrow[512] = {};
        ::WideCharToMultiByte(CP_UTF8, 0, description, -1, narrow, sizeof narrow, nullptr, nullptr);
        std::fprintf(stderr, "quarrow: the dialog's data exchange failed: %s\n", narrow);
        std::fflush(stderr);
        e->Delete();
        return FALSE;
    }
    return TRUE;
}
