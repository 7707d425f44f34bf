#include "host/DialogManager.h"

#include "host/DefaultProcedure.h"
#include "host/Host.h"
#include "host/SystemMetrics.h"
#include "host/TextRenderer.h"
#include "win32/ErrHandlingApi.h"
#include "win32/LibLoaderApi.h"

#include <algorithm>
#include <climits>

namespace quarrow {

namespace {

int dialogUnits(int value, int base, int divisor)
{
    return static_cast<int>((static_cast<long long>(value) * base) / divisor);
}

// Messages whose dialog-procedure result is the message result itself
// rather than the DWLP_MSGRESULT slot.
bool returnsDirectly(UINT message)
{
    switch (message) {
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
    case WM_COMPAREITEM:
    case 0x002E: // WM_VKEYTOITEM
    case 0x002F: // WM_CHARTOITEM
    case WM_QUERYDRAGICON:
    case WM_INITDIALOG:
        return true;
    default:
        return false;
    }
}

// The largest template read from memory: a template handed over by address
// carries no size of its own.
constexpr size_t kMemoryTemplateLimit = 1 << 20;

} // namespace

DialogManager::DialogManager(Host& host) : m_host(host)
{
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.style = CS_DBLCLKS | CS_SAVEBITS | CS_GLOBALCLASS;
    wc.lpfnWndProc = &DialogManager::defDlgProc;
    wc.cbWndExtra = DLGWINDOWEXTRA;
    wc.lpszClassName = u"#32770";
    host.registerClass(wc, true);
}

DialogState* DialogManager::state(HWND handle) const
{
    Window* w = m_host.window(handle);
    return w && w->dialog ? static_cast<DialogState*>(w->dialog.get()) : nullptr;
}

HWND DialogManager::createFromResource(HINSTANCE instance, LPCWSTR name, HWND parent, DLGPROC proc, LPARAM param)
{
    HRSRC resource = FindResourceW(instance, name, MAKEINTRESOURCEW(5)); // RT_DIALOG
    if (!resource) return nullptr;
    HGLOBAL data = LoadResource(instance, resource);
    const DWORD size = SizeofResource(instance, resource);
    const BYTE* bytes = static_cast<const BYTE*>(LockResource(data));
    if (!bytes) return nullptr;
    return create(instance, bytes, size, parent, proc, param);
}

HWND DialogManager::create(HINSTANCE instance, const BYTE* bytes, size_t size, HWND parent, DLGPROC proc,
                           LPARAM param)
{
    if (!bytes) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    if (size == 0) size = kMemoryTemplateLimit;
    std::optional<DialogTemplate> parsed = DialogTemplate::parse(bytes, size, m_templateError);
    if (!parsed) {
        SetLastError(ERROR_BAD_FORMAT);
        return nullptr;
    }
    const DialogTemplate& t = *parsed;
    Window* parentWindow = parent ? m_host.checked(parent) : nullptr;
    if (parent && !parentWindow) return nullptr;

    DWORD style = t.style;
    DWORD exStyle = t.exStyle;
    if (style & DS_MODALFRAME) exStyle |= WS_EX_DLGMODALFRAME;
    if (style & DS_CONTROL) {
        style &= ~(WS_CAPTION | WS_SYSMENU);
        exStyle |= WS_EX_CONTROLPARENT;
    }

    auto dialogState = std::make_unique<DialogState>();
    dialogState->proc = proc;
    if (t.hasFont) {
        LOGFONTW lf{};
        lf.lfHeight = -static_cast<LONG>((t.pointSize * SystemMetrics::kDpi + 36) / 72);
        lf.lfWeight = t.weight ? t.weight : FW_NORMAL;
        lf.lfItalic = t.italic;
        lf.lfCharSet = t.charset;
        const size_t n = std::min<size_t>(t.typeface.size(), LF_FACESIZE - 1);
        std::copy(t.typeface.begin(), t.typeface.begin() + static_cast<long>(n), lf.lfFaceName);
        dialogState->font = CreateFontIndirectW(&lf);
        dialogState->ownsFont = true;
        dialogState->baseX = SystemMetrics::kDialogBaseX;
        dialogState->baseY = SystemMetrics::kDialogBaseY;
    } else {
        dialogState->baseX = SystemMetrics::kSystemBaseX;
        dialogState->baseY = SystemMetrics::kSystemBaseY;
    }
    const int baseX = dialogState->baseX;
    const int baseY = dialogState->baseY;
    const HFONT font = dialogState->font;

    const RECT insets = Host::frameInsets(style, exStyle);
    const int width = dialogUnits(t.cx, baseX, 4) + insets.left + insets.right;
    const int height = dialogUnits(t.cy, baseY, 8) + insets.top + insets.bottom;
    int x = dialogUnits(t.x, baseX, 4);
    int y = dialogUnits(t.y, baseY, 8);
    if (!(style & WS_CHILD)) {
        if (style & DS_CENTER) {
            const RECT area = parentWindow && !m_host.isDesktop(*parentWindow) ? m_host.screenRect(m_host.topLevelOf(*parentWindow))
                                                                                 : m_host.backend().workArea();
            x = area.left + (area.right - area.left - width) / 2;
            y = area.top + (area.bottom - area.top - height) / 2;
        } else if (parentWindow && !m_host.isDesktop(*parentWindow) && !(style & DS_ABSALIGN)) {
            const POINT origin = m_host.clientOrigin(*parentWindow);
            x += origin.x;
            y += origin.y;
        }
    }

    std::u16string className;
    LPCWSTR classArg = WC_DIALOG;
    if (t.windowClass.present) {
        if (t.windowClass.isOrdinal) {
            classArg = MAKEINTATOM(t.windowClass.ordinal);
        } else {
            className = t.windowClass.text;
            classArg = className.c_str();
        }
    }
    const std::u16string title = t.title.present && !t.title.isOrdinal ? t.title.text : std::u16string();

    CREATESTRUCTW cs{};
    cs.lpCreateParams = reinterpret_cast<LPVOID>(param);
    cs.hInstance = instance;
    cs.hwndParent = parent;
    cs.x = x;
    cs.y = y;
    cs.cx = width;
    cs.cy = height;
    cs.style = static_cast<LONG>(style & ~WS_VISIBLE);
    cs.lpszName = title.c_str();
    cs.lpszClass = classArg;
    cs.dwExStyle = exStyle;
    DialogState* rawState = dialogState.get();
    const HWND dialog = m_host.createWindow(cs, [&](Window& w) { w.dialog = std::move(dialogState); });
    if (!dialog) {
        if (dialogState && dialogState->ownsFont) DeleteObject(dialogState->font);
        return nullptr;
    }
    if (font) m_host.send(dialog, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);

    for (const DialogTemplate::Item& item : t.items) {
        if (!m_host.window(dialog)) return nullptr;
        const RECT rect{dialogUnits(item.x, baseX, 4), dialogUnits(item.y, baseY, 8),
                        dialogUnits(item.x + item.cx, baseX, 4), dialogUnits(item.y + item.cy, baseY, 8)};
        const std::u16string itemClass = item.className();
        std::u16string text = item.title.present && !item.title.isOrdinal ? item.title.text : std::u16string();
        // Creation data reaches the control as its size word followed by the
        // bytes, as on the platform.
        std::vector<BYTE> creation;
        if (!item.creationData.empty()) {
            const WORD n = static_cast<WORD>(item.creationData.size() + 2);
            creation.push_back(static_cast<BYTE>(n & 0xFF));
            creation.push_back(static_cast<BYTE>(n >> 8));
            creation.insert(creation.end(), item.creationData.begin(), item.creationData.end());
        }
        HWND control = nullptr;
        if (m_host.findClass(itemClass.c_str())) {
            CREATESTRUCTW ccs{};
            ccs.lpCreateParams = creation.empty() ? nullptr : creation.data();
            ccs.hInstance = instance;
            ccs.hMenu = reinterpret_cast<HMENU>(static_cast<ULONG_PTR>(item.id));
            ccs.hwndParent = dialog;
            ccs.x = rect.left;
            ccs.y = rect.top;
            ccs.cx = rect.right - rect.left;
            ccs.cy = rect.bottom - rect.top;
            ccs.style = static_cast<LONG>(item.style | WS_CHILD);
            ccs.lpszName = text.c_str();
            ccs.lpszClass = itemClass.c_str();
            ccs.dwExStyle = item.exStyle | WS_EX_NOPARENTNOTIFY;
            control = m_host.createWindow(ccs);
        } else if (m_factory) {
            control = m_factory(dialog, item, rect, font);
        } else {
            SetLastError(ERROR_CLASS_DOES_NOT_EXIST);
        }
        if (!control) {
            if (style & DS_NOFAILCREATE) continue;
            m_host.destroyWindow(dialog);
            SetLastError(ERROR_CLASS_DOES_NOT_EXIST);
            return nullptr;
        }
        if (font) m_host.send(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
        Window* cw = m_host.window(control);
        if (cw && rawState->defaultId == 0 && itemClass == u"Button" &&
            (cw->style & BS_TYPEMASK) == BS_DEFPUSHBUTTON) {
            rawState->defaultId = static_cast<int>(item.id);
        }
    }
    if (!m_host.window(dialog)) return nullptr;

    const HWND first = nextTabItem(dialog, nullptr, false);
    const LRESULT wantsFocus =
        m_host.send(dialog, WM_INITDIALOG, reinterpret_cast<WPARAM>(first), param);
    Window* w = m_host.window(dialog);
    if (!w) return nullptr;
    if (wantsFocus && first && m_host.window(first)) {
        rawState->savedFocus = first;
        if (m_host.activeWindow() == m_host.topLevelOf(*w).handle) m_host.setFocus(m_host.window(first));
    }
    if ((t.style & WS_VISIBLE) && (w = m_host.window(dialog))) m_host.showWindow(*w, SW_SHOWNORMAL);
    return m_host.window(dialog) ? dialog : nullptr;
}

INT_PTR DialogManager::runModal(HWND dialog, HWND owner)
{
    DialogState* s = state(dialog);
    if (!s) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return -1;
    }
    if (Window* ow = owner ? m_host.window(owner) : nullptr) {
        Window& top = m_host.topLevelOf(*ow);
        if (!m_host.isDesktop(top) && !top.disabledFlag()) {
            m_host.enableWindow(top, false);
            s->disabledOwner = top.handle;
        }
    }
    s->inModalLoop = true;
    if (!s->ended) {
        if (Window* w = m_host.window(dialog)) m_host.showWindow(*w, SW_SHOWNORMAL);
    }
    MSG msg;
    while ((s = state(dialog)) && !s->ended) {
        if (!m_host.getMessage(msg, nullptr, 0, 0)) {
            // WM_QUIT ends the loop and stays for the loop outside.
            m_host.postQuit(static_cast<int>(msg.wParam));
            break;
        }
        if (!isDialogMessage(dialog, msg)) {
            m_host.translate(msg);
            m_host.dispatch(msg);
        }
    }
    INT_PTR result = -1;
    HWND disabledOwner = nullptr;
    if ((s = state(dialog))) {
        if (s->ended) result = s->result;
        disabledOwner = s->disabledOwner;
        s->disabledOwner = nullptr;
    }
    if (Window* ow = disabledOwner ? m_host.window(disabledOwner) : nullptr) m_host.enableWindow(*ow, true);
    if (m_host.window(dialog)) m_host.destroyWindow(dialog);
    wakeEndedDialogs();
    return result;
}

void DialogManager::wakeEndedDialogs()
{
    // A dialog ended from inside the window system's wait (a browser event
    // that arrives there) has its loop woken by a WM_NULL; a modal loop run
    // meanwhile (a message box shown by the same event) takes that message
    // as its own, and the ended dialog's loop would wait on for a message
    // that never comes. Each such dialog that is still there is woken
    // again once the nested loop is over.
    std::vector<HWND> ended;
    ended.swap(m_ended);
    for (HWND dialog : ended) {
        if (m_host.window(dialog)) m_host.post(dialog, WM_NULL, 0, 0);
    }
}

bool DialogManager::endDialog(HWND dialog, INT_PTR result)
{
    DialogState* s = state(dialog);
    if (!s) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return false;
    }
    s->ended = true;
    s->result = result;
    // The owner comes back before the dialog goes away, so that activation
    // returns to it.
    if (s->disabledOwner) {
        const HWND owner = s->disabledOwner;
        s->disabledOwner = nullptr;
        if (Window* ow = m_host.window(owner)) m_host.enableWindow(*ow, true);
    }
    if (Window* w = m_host.window(dialog)) m_host.showWindow(*w, SW_HIDE);
    // Wakes a modal loop that waits for its next message, when EndDialog
    // came from outside any message of this dialog.
    m_host.post(dialog, WM_NULL, 0, 0);
    if (std::find(m_ended.begin(), m_ended.end(), dialog) == m_ended.end()) m_ended.push_back(dialog);
    return true;
}

HWND DialogManager::nextTabItem(HWND dialog, HWND control, bool previous)
{
    Window* d = m_host.window(dialog);
    if (!d) return nullptr;
    std::vector<Window*> stops;
    for (Window* c : d->children) {
        if (c->visibleFlag() && !c->disabledFlag() && (c->style & WS_TABSTOP)) stops.push_back(c);
    }
    if (stops.empty()) return control;
    Window* current = control ? m_host.window(control) : nullptr;
    // A focused window inside a control counts as that control.
    while (current && current->parent && current->parent != d) current = current->parent;
    auto at = current ? std::find(stops.begin(), stops.end(), current) : stops.end();
    if (at == stops.end()) return previous ? stops.back()->handle : stops.front()->handle;
    const long i = at - stops.begin();
    const long n = static_cast<long>(stops.size());
    return stops[static_cast<size_t>(((previous ? i - 1 : i + 1) % n + n) % n)]->handle;
}

HWND DialogManager::nextGroupItem(HWND dialog, HWND control, bool previous)
{
    Window* d = m_host.window(dialog);
    Window* c = control ? m_host.window(control) : nullptr;
    if (!d || !c || c->parent != d) return control;
    // The group runs from a WS_GROUP control to the control before the next one.
    auto& list = d->children;
    auto at = std::find(list.begin(), list.end(), c);
    long start = at - list.begin();
    while (start > 0 && !(list[static_cast<size_t>(start)]->style & WS_GROUP)) --start;
    long end = start + 1;
    while (end < static_cast<long>(list.size()) && !(list[static_cast<size_t>(end)]->style & WS_GROUP)) ++end;
    const long n = end - start;
    long i = at - list.begin();
    for (long step = 0; step < n; ++step) {
        i = start + (((i - start) + (previous ? -1 : 1)) % n + n) % n;
        Window* x = list[static_cast<size_t>(i)];
        if (x->visibleFlag() && !x->disabledFlag()) return x->handle;
    }
    return control;
}

bool DialogManager::mapDialogRect(HWND dialog, RECT& rect)
{
    DialogState* s = state(dialog);
    if (!s) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return false;
    }
    rect.left = dialogUnits(rect.left, s->baseX, 4);
    rect.right = dialogUnits(rect.right, s->baseX, 4);
    rect.top = dialogUnits(rect.top, s->baseY, 8);
    rect.bottom = dialogUnits(rect.bottom, s->baseY, 8);
    return true;
}

bool DialogManager::isDialogMessage(HWND dialog, MSG& msg)
{
    Window* d = m_host.window(dialog);
    Window* target = m_host.window(msg.hwnd);
    if (!d || !target || !m_host.isDescendant(*d, *target)) return false;
    if (msg.message == WM_KEYDOWN || msg.message == WM_CHAR) {
        const LRESULT code = m_host.send(*target, WM_GETDLGCODE, msg.wParam, reinterpret_cast<LPARAM>(&msg));
        if (!m_host.window(dialog)) return true;
        const bool wantsAll = (code & DLGC_WANTALLKEYS) != 0;
        if (msg.message == WM_CHAR) {
            // The characters of the navigation keys are not typed into controls.
            const bool navigation = msg.wParam == u'\t' || msg.wParam == u'\r' || msg.wParam == 0x1B;
            if (navigation && !wantsAll && !(msg.wParam == u'\t' && (code & DLGC_WANTTAB))) return true;
        } else if (msg.wParam == VK_TAB && !wantsAll && !(code & DLGC_WANTTAB)) {
            const HWND next = nextTabItem(dialog, m_host.focus(), m_host.keyDown(VK_SHIFT));
            if (Window* nw = next ? m_host.window(next) : nullptr) m_host.setFocus(nw);
            return true;
        } else if (msg.wParam == VK_RETURN && !wantsAll) {
            int id = IDOK;
            HWND control = nullptr;
            Window* focused = m_host.window(m_host.focus());
            if (focused && m_host.isDescendant(*d, *focused) && (code & (DLGC_DEFPUSHBUTTON | DLGC_UNDEFPUSHBUTTON)) &&
                focused == target) {
                id = static_cast<int>(focused->id);
                control = focused->handle;
            } else {
                const LRESULT def = m_host.send(*d, DM_GETDEFID, 0, 0);
                if (HIWORD(def) == DC_HASDEFID) id = LOWORD(def);
                control = GetDlgItem(dialog, id);
            }
            Window* cw = control ? m_host.window(control) : nullptr;
            if (cw && cw->disabledFlag()) return true;
            if (m_host.window(dialog)) {
                m_host.send(*d, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(control));
            }
            return true;
        } else if (msg.wParam == VK_ESCAPE && !wantsAll) {
            const HWND control = GetDlgItem(dialog, IDCANCEL);
            Window* cw = control ? m_host.window(control) : nullptr;
            if (cw && cw->disabledFlag()) return true;
            m_host.send(*d, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), reinterpret_cast<LPARAM>(control));
            return true;
        }
    }
    m_host.translate(msg);
    m_host.dispatch(msg);
    return true;
}

void DialogManager::restoreFocus(Window& w, DialogState& s)
{
    Window* saved = s.savedFocus ? m_host.window(s.savedFocus) : nullptr;
    if (!saved || !m_host.isDescendant(w, *saved) || saved->disabledFlag() || !saved->visibleFlag()) {
        const HWND first = nextTabItem(w.handle, nullptr, false);
        saved = first ? m_host.window(first) : nullptr;
    }
    if (saved) m_host.setFocus(saved);
}

LRESULT DialogManager::defaults(Window& w, DialogState& s, UINT message, WPARAM wParam, LPARAM lParam)
{
    const HWND handle = w.handle;
    switch (message) {
    case WM_ERASEBKGND: {
        HDC dc = reinterpret_cast<HDC>(wParam);
        HBRUSH brush = reinterpret_cast<HBRUSH>(
            m_host.send(w, WM_CTLCOLORDLG, wParam, reinterpret_cast<LPARAM>(handle)));
        if (!m_host.window(handle)) return 1;
        if (!brush) brush = m_host.gdi().sysColourBrush(COLOR_3DFACE);
        RECT r{0, 0, w.clientWidth(), w.clientHeight()};
        FillRect(dc, &r, brush);
        return 1;
    }
    case WM_CLOSE: {
        const HWND cancel = GetDlgItem(handle, IDCANCEL);
        Window* cw = cancel ? m_host.window(cancel) : nullptr;
        if (cw && cw->disabledFlag()) return 0;
        m_host.send(w, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), reinterpret_cast<LPARAM>(cancel));
        return 0;
    }
    case DM_GETDEFID:
        return s.defaultId ? MAKELRESULT(s.defaultId, DC_HASDEFID) : 0;
    case DM_SETDEFID: {
        if (HWND old = s.defaultId ? GetDlgItem(handle, s.defaultId) : nullptr) {
            Window* ow = m_host.window(old);
            if (ow && (ow->style & BS_TYPEMASK) == BS_DEFPUSHBUTTON) {
                m_host.send(old, BM_SETSTYLE, BS_PUSHBUTTON, TRUE);
            }
        }
        s.defaultId = static_cast<int>(wParam);
        if (HWND next = s.defaultId ? GetDlgItem(handle, s.defaultId) : nullptr) {
            Window* nw = m_host.window(next);
            if (nw && (nw->style & BS_TYPEMASK) == BS_PUSHBUTTON) m_host.send(next, BM_SETSTYLE, BS_DEFPUSHBUTTON, TRUE);
        }
        return TRUE;
    }
    case WM_ACTIVATE:
        if (LOWORD(wParam) == WA_INACTIVE) {
            Window* f = m_host.window(m_host.focus());
            if (f && m_host.isDescendant(w, *f) && f != &w) s.savedFocus = f->handle;
        } else if (!HIWORD(wParam)) {
            restoreFocus(w, s);
        }
        return 0;
    case WM_SETFOCUS:
        restoreFocus(w, s);
        return 0;
    case WM_NEXTDLGCTL: {
        HWND next = lParam ? reinterpret_cast<HWND>(wParam) : nextTabItem(handle, m_host.focus(), wParam != 0);
        if (Window* nw = next ? m_host.window(next) : nullptr) m_host.setFocus(nw);
        return 0;
    }
    case WM_SETFONT:
        if (s.ownsFont && s.font != reinterpret_cast<HFONT>(wParam)) {
            DeleteObject(s.font);
            s.ownsFont = false;
        }
        s.font = reinterpret_cast<HFONT>(wParam);
        return 0;
    case WM_GETFONT:
        return reinterpret_cast<LRESULT>(s.font);
    case WM_NCDESTROY:
        if (s.ownsFont) {
            DeleteObject(s.font);
            s.ownsFont = false;
            s.font = nullptr;
        }
        return 0;
    default:
        return DefaultProcedure::handle(m_host, w, message, wParam, lParam);
    }
}

LRESULT CALLBACK DialogManager::defDlgProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    Host& host = Host::current();
    DialogManager& self = host.dialogs();
    Window* w = host.window(hwnd);
    if (!w) return 0;
    DialogState* s = self.state(hwnd);
    if (!s) return DefaultProcedure::handle(host, *w, message, wParam, lParam);
    s->msgResult = 0;
    if (DLGPROC proc = s->proc) {
        const INT_PTR handled = proc(hwnd, message, wParam, lParam);
        if (!(s = self.state(hwnd))) return handled;
        if (handled) return returnsDirectly(message) ? handled : s->msgResult;
        w = host.window(hwnd);
    }
    return self.defaults(*w, *s, message, wParam, lParam);
}

// ---------------------------------------------------------------------------
// Message boxes

INT_PTR CALLBACK DialogManager::messageBoxProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM)
{
    Host& host = Host::current();
    DialogManager& self = host.dialogs();
    auto info = std::find_if(self.m_boxes.begin(), self.m_boxes.end(),
                             [&](const MessageBoxInfo& b) { return b.window == hwnd; });
    if (info == self.m_boxes.end()) return FALSE;
    switch (message) {
    case WM_INITDIALOG:
        if (HWND def = GetDlgItem(hwnd, info->defaultButton)) {
            if (DialogState* s = self.state(hwnd)) s->savedFocus = def;
        }
        return FALSE;
    case WM_COMMAND: {
        int id = LOWORD(wParam);
        const auto& ids = info->buttons;
        if (std::find(ids.begin(), ids.end(), id) == ids.end()) {
            // Escape and close requests: Cancel when there is one, the only
            // button of a one-button box, nothing otherwise.
            if (id != IDCANCEL) return TRUE;
            if (ids.size() == 1) {
                id = ids.front();
            } else {
                return TRUE;
            }
        }
        self.endDialog(hwnd, id);
        return TRUE;
    }
    default:
        return FALSE;
    }
}

int DialogManager::messageBox(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type)
{
    struct ButtonDef {
        int id;
        const char16_t* label;
    };
    std::vector<ButtonDef> buttons;
    switch (type & MB_TYPEMASK) {
    case MB_OK:
        buttons = {{IDOK, u"OK"}};
        break;
    case MB_OKCANCEL:
        buttons = {{IDOK, u"OK"}, {IDCANCEL, u"Cancel"}};
        break;
    case MB_ABORTRETRYIGNORE:
        buttons = {{IDABORT, u"&Abort"}, {IDRETRY, u"&Retry"}, {IDIGNORE, u"&Ignore"}};
        break;
    case MB_YESNOCANCEL:
        buttons = {{IDYES, u"&Yes"}, {IDNO, u"&No"}, {IDCANCEL, u"Cancel"}};
        break;
    case MB_YESNO:
        buttons = {{IDYES, u"&Yes"}, {IDNO, u"&No"}};
        break;
    case MB_RETRYCANCEL:
        buttons = {{IDRETRY, u"&Retry"}, {IDCANCEL, u"Cancel"}};
        break;
    case MB_CANCELTRYCONTINUE:
        buttons = {{IDCANCEL, u"Cancel"}, {IDTRYAGAIN, u"&Try Again"}, {IDCONTINUE, u"&Continue"}};
        break;
    default:
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    Window* ownerWindow = owner ? m_host.checked(owner) : nullptr;
    if (owner && !ownerWindow) return 0;
    if (ownerWindow) ownerWindow = &m_host.topLevelOf(*ownerWindow);

    const std::u16string body = text ? text : u"";
    const std::u16string title = caption ? caption : u"Error";
    const size_t defaultIndex = std::min<size_t>((type & MB_DEFMASK) >> 8, buttons.size() - 1);

    // Layout in pixels: the text above, the buttons in a row at the bottom
    // right, 12-pixel margins.
    TextStyle style;
    style.face = u"MS Shell Dlg";
    style.pixelHeight = 12;
    int ascent = 0, descent = 0;
    TextRenderer::metrics(style, ascent, descent);
    int textWidth = 0, textHeight = 0;
    {
        std::u16string line;
        auto addLine = [&] {
            const SIZE s = line.empty() ? SIZE{0, ascent + descent} : TextRenderer::measure(style, line);
            textWidth = std::max<int>(textWidth, s.cx);
            textHeight += std::max<int>(s.cy, ascent + descent);
            line.clear();
        };
        for (char16_t c : body) {
            if (c == u'\r') continue;
            if (c == u'\n') {
                addLine();
            } else {
                line += c;
            }
        }
        addLine();
    }
    const int buttonWidth = 75, buttonHeight = 23, gap = 8, margin = 12;
    const int buttonsWidth = static_cast<int>(buttons.size()) * buttonWidth + static_cast<int>(buttons.size() - 1) * gap;
    const int clientWidth = std::max({textWidth + 2 * margin, buttonsWidth + 2 * margin, 180});
    const int clientHeight = margin + textHeight + margin + buttonHeight + margin;
    const DWORD boxStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
    const DWORD boxExStyle = WS_EX_DLGMODALFRAME | ((type & MB_TOPMOST) ? WS_EX_TOPMOST : 0);
    const RECT insets = Host::frameInsets(boxStyle, boxExStyle);
    const int width = clientWidth + insets.left + insets.right;
    const int height = clientHeight + insets.top + insets.bottom;
    const RECT area = ownerWindow && ownerWindow->visibleFlag() && !ownerWindow->iconic()
                          ? m_host.screenRect(*ownerWindow)
                          : m_host.backend().workArea();
    const int x = area.left + (area.right - area.left - width) / 2;
    const int y = area.top + (area.bottom - area.top - height) / 2;

    MessageBoxInfo info;
    info.owner = ownerWindow ? ownerWindow->handle : nullptr;
    info.text = body;
    info.caption = title;
    info.type = type;
    for (const ButtonDef& b : buttons) info.buttons.push_back(b.id);
    info.defaultButton = buttons[defaultIndex].id;

    auto boxState = std::make_unique<DialogState>();
    boxState->proc = &DialogManager::messageBoxProc;
    LOGFONTW lf{};
    lf.lfHeight = -style.pixelHeight;
    lf.lfWeight = FW_NORMAL;
    std::copy(style.face.begin(), style.face.end(), lf.lfFaceName);
    boxState->font = CreateFontIndirectW(&lf);
    boxState->ownsFont = true;
    boxState->baseX = SystemMetrics::kDialogBaseX;
    boxState->baseY = SystemMetrics::kDialogBaseY;
    boxState->defaultId = info.defaultButton;
    const HFONT font = boxState->font;

    CREATESTRUCTW cs{};
    cs.hwndParent = info.owner;
    cs.x = x;
    cs.y = y;
    cs.cx = width;
    cs.cy = height;
    cs.style = static_cast<LONG>(boxStyle);
    cs.lpszName = title.c_str();
    cs.lpszClass = WC_DIALOG;
    cs.dwExStyle = boxExStyle;
    const HWND box = m_host.createWindow(cs, [&](Window& w) { w.dialog = std::move(boxState); });
    if (!box) {
        if (boxState) DeleteObject(font);
        return 0;
    }
    info.window = box;
    m_boxes.push_back(info);

    auto child = [&](LPCWSTR cls, LPCWSTR label, DWORD childStyle, int id, RECT r) {
        CREATESTRUCTW c{};
        c.hMenu = reinterpret_cast<HMENU>(static_cast<LONG_PTR>(id));
        c.hwndParent = box;
        c.x = r.left;
        c.y = r.top;
        c.cx = r.right - r.left;
        c.cy = r.bottom - r.top;
        c.style = static_cast<LONG>(childStyle | WS_CHILD | WS_VISIBLE);
        c.lpszName = label;
        c.lpszClass = cls;
        c.dwExStyle = WS_EX_NOPARENTNOTIFY;
        const HWND h = m_host.createWindow(c);
        if (h) m_host.send(h, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    };
    child(u"Static", body.c_str(), SS_LEFT | SS_NOPREFIX, 0xFFFF,
          RECT{margin, margin, clientWidth - margin, margin + textHeight});
    int bx = clientWidth - margin - buttonsWidth;
    const int by = clientHeight - margin - buttonHeight;
    for (size_t i = 0; i < buttons.size(); ++i) {
        const DWORD bs = WS_TABSTOP | (i == defaultIndex ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON) | (i == 0 ? WS_GROUP : 0);
        child(u"Button", buttons[i].label, bs, buttons[i].id, RECT{bx, by, bx + buttonWidth, by + buttonHeight});
        bx += buttonWidth + gap;
    }
    m_host.send(box, WM_INITDIALOG, 0, 0);

    int result = 0;
    try {
        result = static_cast<int>(runModal(box, info.owner));
    } catch (...) {
        m_boxes.erase(std::remove_if(m_boxes.begin(), m_boxes.end(), [&](const MessageBoxInfo& b) { return b.window == box; }),
                      m_boxes.end());
        throw;
    }
    m_boxes.erase(std::remove_if(m_boxes.begin(), m_boxes.end(), [&](const MessageBoxInfo& b) { return b.window == box; }),
                  m_boxes.end());
    return result < 0 ? 0 : result;
}

} // namespace quarrow
