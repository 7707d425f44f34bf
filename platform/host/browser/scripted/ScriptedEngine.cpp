#include "host/browser/scripted/ScriptedEngine.h"

#include "host/Host.h"
#include "host/browser/scripted/ScriptedWeb.h"
#include "win32/MsHtmHst.h"
#include "win32/WinGdi.h"
#include "win32/WinNls.h"

#include <algorithm>

namespace quarrow {

namespace {

constexpr const WCHAR* kQueueClass = u"ScriptedEngineQueue";
// The private message that runs a queued load on the engine's queue window.
constexpr UINT kLoadMessage = WM_USER + 1;
constexpr int kBorder = 2;
constexpr int kMargin = 8;

// application/x-www-form-urlencoded over UTF-8, as a browser submits a form:
// letters, digits and "*-._" stay, a space becomes '+', every other byte is
// %XX. A lone surrogate becomes U+FFFD.
void appendEncoded(std::u16string& out, const std::u16string& text)
{
    static const char16_t hex[] = u"0123456789ABCDEF";
    auto byte = [&](unsigned b) {
        const bool plain = (b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z') || (b >= '0' && b <= '9') || b == '*' ||
                           b == '-' || b == '.' || b == '_';
        if (plain) {
            out += static_cast<char16_t>(b);
        } else if (b == ' ') {
            out += u'+';
        } else {
            out += u'%';
            out += hex[b >> 4];
            out += hex[b & 0xF];
        }
    };
    for (size_t i = 0; i < text.size(); ++i) {
        char32_t c = text[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (text[++i] - 0xDC00);
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            c = 0xFFFD;
        }
        if (c < 0x80) {
            byte(c);
        } else if (c < 0x800) {
            byte(0xC0 | (c >> 6));
            byte(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            byte(0xE0 | (c >> 12));
            byte(0x80 | ((c >> 6) & 0x3F));
            byte(0x80 | (c & 0x3F));
        } else {
            byte(0xF0 | (c >> 18));
            byte(0x80 | ((c >> 12) & 0x3F));
            byte(0x80 | ((c >> 6) & 0x3F));
            byte(0x80 | (c & 0x3F));
        }
    }
}

void fill(HDC dc, int left, int top, int right, int bottom, COLORREF colour)
{
    HBRUSH brush = CreateSolidBrush(colour);
    const RECT r{left, top, right, bottom};
    FillRect(dc, &r, brush);
    DeleteObject(brush);
}

// The platform's sunken edge: shadow and dark shadow on the top and left,
// highlight and light on the bottom and right.
void sunkenEdge(HDC dc, const RECT& r)
{
    fill(dc, r.left, r.top, r.right, r.top + 1, GetSysColor(COLOR_BTNSHADOW));
    fill(dc, r.left, r.top, r.left + 1, r.bottom, GetSysColor(COLOR_BTNSHADOW));
    fill(dc, r.left, r.bottom - 1, r.right, r.bottom, GetSysColor(COLOR_BTNHIGHLIGHT));
    fill(dc, r.right - 1, r.top, r.right, r.bottom, GetSysColor(COLOR_BTNHIGHLIGHT));
    fill(dc, r.left + 1, r.top + 1, r.right - 1, r.top + 2, GetSysColor(COLOR_3DDKSHADOW));
    fill(dc, r.left + 1, r.top + 1, r.left + 2, r.bottom - 1, GetSysColor(COLOR_3DDKSHADOW));
    fill(dc, r.left + 1, r.bottom - 2, r.right - 1, r.bottom - 1, GetSysColor(COLOR_3DLIGHT));
    fill(dc, r.right - 2, r.top + 1, r.right - 1, r.bottom - 1, GetSysColor(COLOR_3DLIGHT));
}

ScriptedPage notFoundPage(const std::u16string& url)
{
    ScriptedPage page;
    page.title = ScriptedEngine::kNotFoundTitle;
    page.text = u"Nothing was found at " + url + u".";
    return page;
}

} // namespace

ScriptedEngine::ScriptedEngine(BrowserEngineHost& host, ScriptedWeb* web)
    : BrowserEngine(host), m_host(Host::current()), m_web(web)
{
    if (!m_host.findClass(kQueueClass)) {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = &ScriptedEngine::queueProc;
        wc.lpszClassName = kQueueClass;
        m_host.registerClass(wc, true);
    }
    // A hidden child of the control's window: it goes with the control's
    // window, and so do the loads still queued for it.
    CREATESTRUCTW cs{};
    cs.hwndParent = host.window();
    cs.style = WS_CHILD;
    cs.lpszName = u"";
    cs.lpszClass = kQueueClass;
    m_queue = m_host.createWindow(cs, [this](Window& w) { w.userData = reinterpret_cast<LONG_PTR>(this); });
    if (m_web) m_web->attach(this);
}

ScriptedEngine::~ScriptedEngine()
{
    *m_alive = false;
    closeImpl();
    if (m_web) m_web->detach(this);
}

void ScriptedEngine::closeImpl()
{
    m_closed = true;
    m_pendingLoad = false;
    ++m_generation;
    if (HWND queue = m_queue) {
        m_queue = nullptr;
        if (Window* w = m_host.window(queue)) {
            w->userData = 0;
            m_host.destroyWindow(queue);
        }
    }
}

LRESULT CALLBACK ScriptedEngine::queueProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == kLoadMessage) {
        auto* engine = reinterpret_cast<ScriptedEngine*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
        if (engine) engine->load(static_cast<unsigned>(wParam));
        return 0;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

void ScriptedEngine::queueLoad(const std::u16string& url)
{
    if (m_closed || !m_queue) return;
    // A newer navigation replaces one that has not started yet.
    m_pendingUrl = url;
    m_pendingLoad = true;
    m_host.post(m_queue, kLoadMessage, ++m_generation, 0);
}

bool ScriptedEngine::stillLoading(const std::shared_ptr<bool>& alive, unsigned generation) const
{
    return *alive && !m_closed && m_generation == generation;
}

void ScriptedEngine::load(unsigned generation)
{
    if (m_closed || generation != m_generation || !m_pendingLoad) return;
    m_pendingLoad = false;
    const std::u16string url = m_pendingUrl;
    const std::shared_ptr<bool> alive = m_alive;

    const bool go = host().beforeNavigateAllowed(url, u"");
    if (!stillLoading(alive, generation) || !go) return;

    // The navigation commits: the address and the document change, and the
    // document asks its host how to show itself.
    const ScriptedPage* found = m_web ? m_web->find(url) : nullptr;
    m_page = found ? *found : notFoundPage(url);
    m_hasPage = true;
    m_location = url;
    const DWORD flags = host().hostInfoFlags();
    if (!stillLoading(alive, generation)) return;
    m_flags = flags;
    m_flagsKnown = true;
    m_flagsSeen.push_back(flags);
    repaint();

    if (m_page.scripts) {
        host().beforeScriptExecute();
        if (!stillLoading(alive, generation)) return;
    }
    // The frames as the page had them when it committed.
    const std::vector<ScriptedPage::Frame> frames = m_page.frames;
    for (const ScriptedPage::Frame& frame : frames) {
        const bool frameGoes = host().beforeNavigateAllowed(frame.address, frame.name);
        if (!stillLoading(alive, generation)) return;
        if (!frameGoes) continue;
        host().documentComplete(frame.address, frame.name);
        if (!stillLoading(alive, generation)) return;
    }
    host().documentComplete(url, u"");
}

void ScriptedEngine::repaint()
{
    HWND window = host().window();
    if (window && m_host.window(window)) InvalidateRect(window, nullptr, TRUE);
}

void ScriptedEngine::windowChangedImpl() { repaint(); }

// ---------------------------------------------------------------------------
// Page actions

bool ScriptedEngine::clickLink(size_t index)
{
    if (!m_hasPage || index >= m_page.links.size()) return false;
    queueLoad(m_page.links[index]);
    return true;
}

bool ScriptedEngine::fillField(size_t form, const std::u16string& name, const std::u16string& value)
{
    if (!m_hasPage || form >= m_page.forms.size()) return false;
    for (ScriptedPage::Field& field : m_page.forms[form].fields) {
        if (field.name == name) {
            field.value = value;
            return true;
        }
    }
    return false;
}

std::u16string ScriptedEngine::formAddress(size_t form) const
{
    if (!m_hasPage || form >= m_page.forms.size()) return {};
    const ScriptedPage::Form& f = m_page.forms[form];
    const std::u16string& action = f.action.empty() ? m_location : f.action;
    // A GET form replaces the action's query with its fields and keeps the
    // fragment.
    const size_t hash = action.find(u'#');
    const std::u16string fragment = hash == std::u16string::npos ? u"" : action.substr(hash);
    std::u16string address = action.substr(0, std::min(action.find(u'?'), hash));
    address += u'?';
    for (size_t i = 0; i < f.fields.size(); ++i) {
        if (i) address += u'&';
        appendEncoded(address, f.fields[i].name);
        address += u'=';
        appendEncoded(address, f.fields[i].value);
    }
    return address + fragment;
}

bool ScriptedEngine::submitForm(size_t form)
{
    if (!m_hasPage || form >= m_page.forms.size()) return false;
    queueLoad(formAddress(form));
    return true;
}

HRESULT ScriptedEngine::readExternal(const std::u16string& name, VARIANT* result)
{
    if (!result) return E_POINTER;
    VariantInit(result);
    if (m_closed) return E_UNEXPECTED;
    IDispatch* external = host().hostExternal();
    if (!external) return DISP_E_UNKNOWNNAME;
    std::u16string text = name;
    LPOLESTR names[1] = {text.data()};
    DISPID id = DISPID_UNKNOWN;
    HRESULT hr = external->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
    if (SUCCEEDED(hr)) {
        DISPPARAMS none{nullptr, nullptr, 0, 0};
        hr = external->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET | DISPATCH_METHOD, &none,
                              result, nullptr, nullptr);
    }
    external->Release();
    return hr;
}

bool ScriptedEngine::contextMenu(POINT client)
{
    if (m_closed) return false;
    POINT screen = client;
    if (HWND window = host().window()) ClientToScreen(window, &screen);
    const std::shared_ptr<bool> alive = m_alive;
    const bool claimed = host().hostClaimsContextMenu(CONTEXT_MENU_DEFAULT, screen);
    if (!*alive) return false;
    m_menus.push_back(MenuRequest{screen, claimed});
    return !claimed;
}

size_t ScriptedEngine::menusShown() const
{
    size_t shown = 0;
    for (const MenuRequest& menu : m_menus) shown += !menu.claimed;
    return shown;
}

void ScriptedEngine::mouseImpl(const MSG& msg)
{
    if (msg.message == WM_RBUTTONUP) {
        contextMenu(POINT{static_cast<SHORT>(LOWORD(msg.lParam)), static_cast<SHORT>(HIWORD(msg.lParam))});
    }
}

bool ScriptedEngine::typeKey(UINT virtualKey)
{
    if (m_closed) return false;
    const MSG msg{host().window(), WM_KEYDOWN, virtualKey, 1, m_host.now(), m_host.cursor()};
    const std::shared_ptr<bool> alive = m_alive;
    const bool consumed = host().hostTranslatesAccelerator(msg);
    if (!*alive) return false;
    m_offers.push_back(AcceleratorOffer{msg, consumed});
    if (consumed || m_closed) return false;
    keyImpl(msg);
    return true;
}

bool ScriptedEngine::received(UINT virtualKey) const
{
    for (const MSG& msg : m_keys) {
        if (msg.message == WM_KEYDOWN && msg.wParam == virtualKey) return true;
    }
    return false;
}

bool ScriptedEngine::alert(const std::u16string& text)
{
    if (m_closed || silent()) return false;
    HWND window = host().window();
    HWND owner = window ? GetAncestor(window, GA_ROOT) : nullptr;
    MessageBoxW(owner, text.c_str(), kAlertCaption, MB_OK | MB_ICONWARNING);
    return true;
}

// ---------------------------------------------------------------------------
// Painting

void ScriptedEngine::paintImpl(HDC dc, const RECT& client)
{
    if (!m_flagsKnown) {
        // Nothing loaded yet: the empty document still asks how to look.
        const std::shared_ptr<bool> alive = m_alive;
        const DWORD flags = host().hostInfoFlags();
        if (!*alive) return;
        m_flags = flags;
        m_flagsKnown = true;
    }
    fill(dc, client.left, client.top, client.right, client.bottom, RGB(255, 255, 255));
    RECT view = client;
    if (!(m_flags & DOCHOSTUIFLAG_NO3DBORDER)) {
        sunkenEdge(dc, client);
        InflateRect(&view, -kBorder, -kBorder);
    }
    if (!m_hasPage) return;
    if (!(m_flags & DOCHOSTUIFLAG_SCROLL_NO) && m_page.height > view.bottom - view.top) {
        const int width = GetSystemMetrics(SM_CXVSCROLL);
        const int viewHeight = view.bottom - view.top;
        const int left = view.right - width;
        fill(dc, left, view.top, view.right, view.bottom, GetSysColor(COLOR_SCROLLBAR));
        // The thumb shows how much of the page the view holds.
        const int thumb = std::max(8, viewHeight * viewHeight / m_page.height);
        fill(dc, left + 1, view.top + 1, view.right - 1, view.top + thumb - 1, GetSysColor(COLOR_BTNFACE));
        view.right = left;
    }
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RGB(0, 0, 0));
    RECT text{view.left + kMargin, view.top + kMargin, view.right - kMargin, view.bottom - kMargin};
    DrawTextW(dc, m_page.title.c_str(), -1, &text, DT_SINGLELINE | DT_NOPREFIX);
    text.top += 24;
    DrawTextW(dc, m_page.text.c_str(), -1, &text, DT_WORDBREAK | DT_NOPREFIX);
}

} // namespace quarrow
