// The scripted browser engine: shows canned pages of a ScriptedWeb in a
// WebBrowser control, for tests and headless runs. It behaves as a browser
// does towards its control: loading happens from the window system's queue
// (navigate() posts a private message to a hidden window of the engine's
// inside the control's window, and the load runs when that message is
// dispatched, so a modal loop sees it), with the events in a browser's
// order:
//   BeforeNavigate2(top) -> the address commits -> [BeforeScriptExecute when
//   the page has scripts] -> for each frame: BeforeNavigate2(frame address,
//   frame name) -> DocumentComplete(frame) -> DocumentComplete(top).
// A cancelled BeforeNavigate2 loads nothing (a cancelled frame is skipped);
// a newer navigation requested while a load runs (from inside one of its
// events) stops the older load. Unknown addresses show a "not found" page.
//
// Page actions a test drives: those that navigate (navigateTo, clickLink,
// submitForm) go through the queue like navigate(); the others run at once,
// as page script would (readExternal, contextMenu, typeKey, alert). It
// records what the document host answered, so a test can check that the
// host's answers were obeyed.
//
// On the memory backend it paints: the page white with its title and text,
// a sunken 2-pixel border unless DOCHOSTUIFLAG_NO3DBORDER, and a vertical
// scroll bar strip (SM_CXVSCROLL wide) inside the border when the page is
// taller than the view, unless DOCHOSTUIFLAG_SCROLL_NO. The engine's own
// context menu is recorded, not drawn.
//
// Does not implement: frames inside frames, POST forms, scrolling, script
// beyond the actions below, the frames' own scripts.
//
// Ownership: the control owns the engine; the engine owns its queue window
// and a copy of the page it shows, and registers with its web (if any) for
// its lifetime.
#pragma once

#include "host/browser/BrowserEngine.h"
#include "host/browser/scripted/ScriptedPage.h"

#include <memory>
#include <string>
#include <vector>

namespace quarrow {

class Host;
class ScriptedWeb;

class ScriptedEngine final : public BrowserEngine {
public:
    // The title of the page shown for an address the web does not have.
    static constexpr const char16_t* kNotFoundTitle = u"This page can't be displayed";
    // The caption of the message box that a script alert shows.
    static constexpr const char16_t* kAlertCaption = u"Message from webpage";

    struct MenuRequest {
        POINT screen;
        bool claimed; // the host claimed it, so the engine showed none
    };
    struct AcceleratorOffer {
        MSG msg;
        bool consumed;
    };

    // `web` may be null: an empty web where every address is not found.
    ScriptedEngine(BrowserEngineHost& host, ScriptedWeb* web);
    ~ScriptedEngine() override;

    // ---- what the page shows
    // The page shown now; null before the first load commits.
    const ScriptedPage* page() const { return m_hasPage ? &m_page : nullptr; }
    // A navigation is queued and has not run yet.
    bool loading() const { return m_pendingLoad; }
    // The host-info flags the engine paints with (asked at each load).
    DWORD flags() const { return m_flags; }

    // ---- page actions
    // Page script sets location.href: a queued navigation.
    void navigateTo(const std::u16string& url) { queueLoad(url); }
    // Follows the i-th link of the page; false when there is no such link.
    bool clickLink(size_t index);
    // Sets a field of the i-th form; false when there is no such field.
    bool fillField(size_t form, const std::u16string& name, const std::u16string& value);
    // Submits the i-th form (a GET form: its fields, form-urlencoded as
    // UTF-8, become the action address's query); false when there is no
    // such form.
    bool submitForm(size_t form);
    // The address that submitting the i-th form goes to (empty when there
    // is no such form).
    std::u16string formAddress(size_t form) const;
    // What script sees reading window.external[name]: the host's external
    // object asked by GetIDsOfNames (the name, LOCALE_USER_DEFAULT), then
    // Invoke with DISPATCH_PROPERTYGET | DISPATCH_METHOD. `result` is
    // initialised first and owned by the caller (VariantClear it).
    // DISP_E_UNKNOWNNAME without an external object.
    HRESULT readExternal(const std::u16string& name, VARIANT* result);
    // A right click at a point of the page (client coordinates): asks the
    // host, and shows the engine's own menu unless the host claimed it.
    // True when the engine showed its menu.
    bool contextMenu(POINT client);
    // A key pressed in the page as a native view receives it: offered to
    // the host's TranslateAccelerator first. True when the page got it.
    bool typeKey(UINT virtualKey);
    // Script calls alert(text): a message box owned by the control's
    // top-level window unless the browser is silent. True when one was
    // shown (it returns once the box is answered).
    bool alert(const std::u16string& text);

    // ---- what the host answered
    const std::vector<DWORD>& hostInfoFlagsSeen() const { return m_flagsSeen; }
    const std::vector<MenuRequest>& menuRequests() const { return m_menus; }
    size_t menusShown() const;
    const std::vector<AcceleratorOffer>& acceleratorOffers() const { return m_offers; }
    // Key messages the page received, in order.
    const std::vector<MSG>& keysReceived() const { return m_keys; }
    bool received(UINT virtualKey) const;

protected:
    void navigateImpl(const std::u16string& url) override { queueLoad(url); }
    std::u16string locationImpl() const override { return m_location; }
    void windowChangedImpl() override;
    void paintImpl(HDC dc, const RECT& client) override;
    void keyImpl(const MSG& msg) override { m_keys.push_back(msg); }
    void mouseImpl(const MSG& msg) override;
    void closeImpl() override;

private:
    friend class ScriptedWeb;

    static LRESULT CALLBACK queueProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    void queueLoad(const std::u16string& url);
    void load(unsigned generation);
    // The engine may have been closed, or a newer load requested, while the
    // host handled an event.
    bool stillLoading(const std::shared_ptr<bool>& alive, unsigned generation) const;
    void repaint();

    Host& m_host;
    ScriptedWeb* m_web;
    HWND m_queue = nullptr;
    // Becomes false when the engine is destroyed: calls into the host can
    // end anything, and the engine checks this before touching itself.
    std::shared_ptr<bool> m_alive = std::make_shared<bool>(true);
    bool m_closed = false;

    unsigned m_generation = 0;
    bool m_pendingLoad = false;
    std::u16string m_pendingUrl;

    std::u16string m_location;
    ScriptedPage m_page;
    bool m_hasPage = false;
    DWORD m_flags = 0;
    bool m_flagsKnown = false;

    std::vector<DWORD> m_flagsSeen;
    std::vector<MenuRequest> m_menus;
    std::vector<AcceleratorOffer> m_offers;
    std::vector<MSG> m_keys;
};

} // namespace quarrow
