// CWnd's side of the window system: the handle maps, the creation hook that
// binds framework windows before their first message, AfxWndProc and the
// message-map dispatch with the handler signatures of afx/AfxMsgMap.h.
#include <cassert>
#include <cstdio>
#include <memory>
#include <unordered_map>

#include "afx/CException.h"
#include "afx/CWinApp.h"
#include "afx/CWnd.h"
#include "win32/ErrHandlingApi.h"
#include "win32/ProcessThreadsApi.h"

namespace {

// One GUI thread runs the whole framework, so its state is plain data. The
// objects are deliberately leaked at exit: window objects with static
// storage (CWnd::wndTop and the program's own) may still look things up
// while static destruction runs.
struct WindowMaps {
    std::unordered_map<HWND, CWnd*> permanent;
    std::unordered_map<HWND, std::unique_ptr<CWnd>> temporary;
};

WindowMaps& maps()
{
    static auto* state = new WindowMaps;
    return *state;
}

struct CreationHook {
    HHOOK hook = nullptr;
    int depth = 0;
    CWnd* pWndInit = nullptr;
};

CreationHook& creation()
{
    static CreationHook state;
    return state;
}

MSG& currentMessage()
{
    static MSG msg{};
    return msg;
}

// How many AfxCallWndProc calls are running, nested.
int g_handlerDepth = 0;

} // namespace

// ---------------------------------------------------------------------------
// Handle maps

CWnd* CWnd::FromHandlePermanent(HWND hWnd)
{
    if (!hWnd) return nullptr;
    auto& permanent = maps().permanent;
    auto found = permanent.find(hWnd);
    return found == permanent.end() ? nullptr : found->second;
}

CWnd* CWnd::FromHandle(HWND hWnd)
{
    if (!hWnd) return nullptr;
    if (CWnd* bound = FromHandlePermanent(hWnd)) return bound;
    auto& temporary = maps().temporary;
    auto found = temporary.find(hWnd);
    if (found != temporary.end()) return found->second.get();
    // A temporary object refers to the window without being bound to it:
    // it is not in the permanent map, so it receives no messages and its
    // destruction leaves the window alone.
    auto wrapper = std::make_unique<CWnd>(hWnd);
    CWnd* result = wrapper.get();
    temporary.emplace(hWnd, std::move(wrapper));
    return result;
}

void CWnd::DeleteTempMap()
{
    // Only objects whose window is gone are deleted, so a pointer that a
    // caller still holds stays valid for as long as its window exists.
    auto& temporary = maps().temporary;
    for (auto it = temporary.begin(); it != temporary.end();) {
        if (!::IsWindow(it->first) || FromHandlePermanent(it->first)) {
            it->second->m_hWnd = nullptr;
            it = temporary.erase(it);
        } else {
            ++it;
        }
    }
}

BOOL CWnd::Attach(HWND hWndNew)
{
    assert(!m_hWnd && "CWnd::Attach on an object that already has a window");
    if (!hWndNew) return FALSE;
    auto& permanent = maps().permanent;
    if (permanent.count(hWndNew)) return FALSE;
    permanent.emplace(hWndNew, this);
    m_hWnd = hWndNew;
    return TRUE;
}

HWND CWnd::Detach()
{
    HWND hWnd = m_hWnd;
    if (hWnd) {
        auto& permanent = maps().permanent;
        auto found = permanent.find(hWnd);
        if (found != permanent.end() && found->second == this) permanent.erase(found);
    }
    m_hWnd = nullptr;
    m_hWndOwner = nullptr;
    return hWnd;
}

BOOL CWnd::SubclassWindow(HWND hWnd)
{
    if (!Attach(hWnd)) return FALSE;
    PreSubclassWindow();
    const auto previous = reinterpret_cast<WNDPROC>(::GetWindowLongPtrW(hWnd, GWLP_WNDPROC));
    if (!previous) {
        Detach();
        return FALSE;
    }
    if (previous != &AfxWndProc) {
        ::SetWindowLongPtrW(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&AfxWndProc));
        m_pfnSuper = previous;
    }
    return TRUE;
}

BOOL CWnd::SubclassDlgItem(UINT nID, CWnd* pParent)
{
    assert(pParent && pParent->m_hWnd && "SubclassDlgItem needs a parent window");
    HWND hWndControl = ::GetDlgItem(pParent->m_hWnd, static_cast<int>(nID));
    if (!hWndControl) return FALSE;
    return SubclassWindow(hWndControl);
}

HWND CWnd::UnsubclassWindow()
{
    if (!m_hWnd) return nullptr;
    if (m_pfnSuper &&
        reinterpret_cast<WNDPROC>(::GetWindowLongPtrW(m_hWnd, GWLP_WNDPROC)) == &AfxWndProc) {
        ::SetWindowLongPtrW(m_hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_pfnSuper));
    }
    m_pfnSuper = nullptr;
    return Detach();
}

void CWnd::AttachCreating(HWND hWnd)
{
    maps().permanent[hWnd] = this;
    m_hWnd = hWnd;
    PreSubclassWindow();
    const auto previous = reinterpret_cast<WNDPROC>(::GetWindowLongPtrW(hWnd, GWLP_WNDPROC));
    if (previous != &AfxWndProc) {
        ::SetWindowLongPtrW(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&AfxWndProc));
        m_pfnSuper = previous;
    }
}

// ---------------------------------------------------------------------------
// The creation hook

LRESULT CALLBACK AfxCbtFilterHook(int code, WPARAM wParam, LPARAM lParam)
{
    CreationHook& state = creation();
    const HHOOK hook = state.hook;
    if (code == HCBT_CREATEWND && state.pWndInit) {
        // The first window created after AfxHookWindowCreate is the one the
        // object asked for; windows that its creation makes in turn (a
        // dialog's controls) are left alone.
        CWnd* pWnd = state.pWndInit;
        state.pWndInit = nullptr;
        pWnd->AttachCreating(reinterpret_cast<HWND>(wParam));
    }
    return ::CallNextHookEx(hook, code, wParam, lParam);
}

void AfxHookWindowCreate(CWnd* pWnd)
{
    CreationHook& state = creation();
    if (state.depth == 0) {
        // The hook watches this thread only: a hook without a module is a
        // thread's own, and the system refuses one for every thread.
        state.hook = ::SetWindowsHookExW(WH_CBT, &AfxCbtFilterHook, nullptr, ::GetCurrentThreadId());
        if (!state.hook) {
            std::fprintf(stderr, "quarrow: the window system refused the framework's creation hook (error %lu)\n",
                         static_cast<unsigned long>(::GetLastError()));
            std::fflush(stderr);
        }
        assert(state.hook && "the window system refused the framework's creation hook");
    }
    ++state.depth;
    state.pWndInit = pWnd;
}

BOOL AfxUnhookWindowCreate()
{
    CreationHook& state = creation();
    assert(state.depth > 0 && "AfxUnhookWindowCreate without AfxHookWindowCreate");
    const BOOL bound = state.pWndInit == nullptr;
    state.pWndInit = nullptr;
    if (--state.depth == 0 && state.hook) {
        ::UnhookWindowsHookEx(state.hook);
        state.hook = nullptr;
    }
    return bound;
}

// ---------------------------------------------------------------------------
// The window procedure

const MSG* AfxGetCurrentMessage() { return &currentMessage(); }

void AfxIdleCleanup()
{
    if (g_handlerDepth > 0) return;
    CWnd::DeleteTempMap();
    CDC::DeleteTempMap();
}

LRESULT AfxCallWndProc(CWnd* pWnd, HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    MSG& current = currentMessage();
    const MSG saved = current;
    current.hwnd = hWnd;
    current.message = message;
    current.wParam = wParam;
    current.lParam = lParam;

    LRESULT result = 0;
    ++g_handlerDepth;
    try {
        result = pWnd->WindowProc(message, wParam, lParam);
    } catch (CException* e) {
        result = AfxProcessWndProcException(e, &current);
        e->Delete();
    } catch (...) {
        // Anything else (a programming error of the window system) goes on
        // unwinding; the bookkeeping stays right for the code that catches it.
        --g_handlerDepth;
        current = saved;
        throw;
    }
    --g_handlerDepth;
    // The controls go with their window, after its own handlers have seen
    // WM_DESTROY and before the window system destroys the children.
    if (message == WM_DESTROY && CWnd::FromHandlePermanent(hWnd) == pWnd) pWnd->DestroyControlContainer();
    // The window's last message: whatever the handlers did, the object is
    // unbound now (unless a handler already did it).
    if (message == WM_NCDESTROY && CWnd::FromHandlePermanent(hWnd) == pWnd) pWnd->FinishNcDestroy();

    current = saved;
    return result;
}

LRESULT CALLBACK AfxWndProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    CWnd* pWnd = CWnd::FromHandlePermanent(hWnd);
    if (!pWnd) return ::DefWindowProcW(hWnd, message, wParam, lParam);
    return AfxCallWndProc(pWnd, hWnd, message, wParam, lParam);
}

void CWnd::FinishNcDestroy()
{
    DestroyControlContainer();
    if (CWinApp* app = AfxGetApp()) app->WindowDestroyed(this);
    UnsubclassWindow();
    PostNcDestroy();
}

LRESULT CWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    LRESULT result = 0;
    if (!OnWndMsg(message, wParam, lParam, &result)) result = DefWindowProc(message, wParam, lParam);
    return result;
}

LRESULT CWnd::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (m_pfnSuper) return ::CallWindowProcW(m_pfnSuper, m_hWnd, message, wParam, lParam);
    return ::DefWindowProcW(m_hWnd, message, wParam, lParam);
}

LRESULT CWnd::Default()
{
    const MSG& current = currentMessage();
    return DefWindowProc(current.message, current.wParam, current.lParam);
}

// ---------------------------------------------------------------------------
// Dispatch

BOOL CWnd::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult)
{
    LRESULT result = 0;
    if (message == WM_COMMAND) {
        if (!OnCommand(wParam, lParam)) return FALSE;
        if (pResult) *pResult = 1;
        return TRUE;
    }

    // The control-colour messages share one entry, WM_CTLCOLOR, and tell
    // the handler which one arrived through nCtlColor.
    UINT lookup = message;
    UINT nCtlColor = 0;
    if (message >= WM_CTLCOLORMSGBOX && message <= WM_CTLCOLORSTATIC) {
        lookup = WM_CTLCOLOR;
        nCtlColor = message - WM_CTLCOLORMSGBOX;
    }

    const AFX_MSGMAP_ENTRY* entry = FindMessageEntry(GetMessageMap(), lookup, 0, 0);
    if (!entry) return FALSE;

    const AfxMessageHandler& pfn = entry->pfn;
    switch (entry->nSig) {
    case AfxSig_v_v:
        (this->*pfn.v_v)();
        break;
    case AfxSig_i_CREATE:
        result = (this->*pfn.i_CREATE)(reinterpret_cast<LPCREATESTRUCT>(lParam));
        break;
    case AfxSig_b_DC:
        result = (this->*pfn.b_DC)(CDC::FromHandle(reinterpret_cast<HDC>(wParam)));
        break;
    case AfxSig_v_ii:
        // WM_MOVE carries signed coordinates: a window may lie left of or
        // above the screen's origin.
        (this->*pfn.v_ii)(static_cast<SHORT>(LOWORD(lParam)), static_cast<SHORT>(HIWORD(lParam)));
        break;
    case AfxSig_v_uii:
        (this->*pfn.v_uii)(static_cast<UINT>(wParam), LOWORD(lParam), HIWORD(lParam));
        break;
    case AfxSig_v_uPoint:
        (this->*pfn.v_uPoint)(static_cast<UINT>(wParam), CPoint(lParam));
        break;
    case AfxSig_l_Point:
        result = (this->*pfn.l_Point)(CPoint(lParam));
        break;
    case AfxSig_hcur_v:
        result = reinterpret_cast<LRESULT>((this->*pfn.hcur_v)());
        break;
    case AfxSig_hbr_DCWu:
        if (lookup != WM_CTLCOLOR || message == WM_CTLCOLOR) return FALSE;
        result = reinterpret_cast<LRESULT>((this->*pfn.hbr_DCWu)(CDC::FromHandle(reinterpret_cast<HDC>(wParam)),
                                                                 CWnd::FromHandle(reinterpret_cast<HWND>(lParam)),
                                                                 nCtlColor));
        break;
    case AfxSig_v_ul:
        (this->*pfn.v_ul)(static_cast<UINT>(wParam), lParam);
        break;
    case AfxSig_v_iDRAW:
        (this->*pfn.v_iDRAW)(static_cast<int>(wParam), reinterpret_cast<LPDRAWITEMSTRUCT>(lParam));
        result = TRUE;
        break;
    case AfxSig_l_wl:
        result = (this->*pfn.l_wl)(wParam, lParam);
        break;
    default:
        assert(false && "message map entry with an unknown signature");
        return FALSE;
    }
    if (pResult) *pResult = result;
    return TRUE;
}

BOOL CWnd::OnCommand(WPARAM wParam, LPARAM lParam)
{
    const UINT nID = LOWORD(wParam);
    const HWND hWndCtrl = reinterpret_cast<HWND>(lParam);
    int nCode = HIWORD(wParam);
    if (hWndCtrl) {
        // A control's notification is first offered to the control itself.
        CWnd* control = hWndCtrl != m_hWnd ? FromHandlePermanent(hWndCtrl) : nullptr;
        LRESULT ignored = 0;
        if (control && control->OnChildNotify(WM_COMMAND, wParam, lParam, &ignored)) return TRUE;
    } else {
        // Menus and accelerators (code 1) are both plain commands.
        nCode = CN_COMMAND;
    }
    return OnCmdMsg(nID, nCode, nullptr, nullptr);
}

BOOL CWnd::OnChildNotify(UINT, WPARAM, LPARAM, LRESULT*) { return FALSE; }

BOOL CWnd::ReflectLastMsg(HWND hWndChild, LRESULT* pResult)
{
    CWnd* child = FromHandlePermanent(hWndChild);
    if (!child) return FALSE;
    const MSG& current = currentMessage();
    LRESULT ignored = 0;
    return child->OnChildNotify(current.message, current.wParam, current.lParam, pResult ? pResult : &ignored);
}

BOOL CWnd::PreTranslateMessage(MSG*) { return FALSE; }

BOOL CWnd::WalkPreTranslateTree(HWND hWndStop, MSG* pMsg)
{
    assert(pMsg);
    for (HWND hWnd = pMsg->hwnd; hWnd; hWnd = ::GetParent(hWnd)) {
        CWnd* pWnd = FromHandlePermanent(hWnd);
        if (pWnd && pWnd->PreTranslateMessage(pMsg)) return TRUE;
        if (hWnd == hWndStop) break;
    }
    return FALSE;
}
