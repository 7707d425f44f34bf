// The window system: the handle table and window tree, window classes, the
// thread's message queue, message dispatch, geometry and Z order with the
// owner rules, visibility and minimising, activation, focus and capture,
// invalidation and painting, layered windows, hooks. It owns every window
// and every GDI object (host/Gdi.h) and tells its backend (host/Backend.h)
// what to show.
//
// The Win32-style functions in platform/win32 route to the one active Host
// (Host::current()). A test makes its own Host over a memory screen; several
// can exist, and the last one constructed (or activated) is the active one.
// A process that never makes one gets a default Host over a memory screen
// when it first calls a window function.
//
// The class is implemented in one source per subject: Host.cpp holds
// construction and activation, the handle table and window tree, and the
// change notifications to the backend; HostWindows.cpp the window classes,
// creation and destruction; HostGeometry.cpp geometry, Z order, styles,
// showing, minimising and enabling; HostMessages.cpp sending, posting, the
// queue, dispatch and the hooks; HostInput.cpp activation, focus, capture and
// the keyboard state; HostPainting.cpp invalidation, the paint cycle and the
// non-client frame; HostLayered.cpp layered windows and input pass-through.
// HostInternal.h has the rectangle helpers that several of them share.
#pragma once

#include "host/Backend.h"
#include "host/DeviceContext.h"
#include "host/Gdi.h"
#include "host/Raster.h"
#include "host/Window.h"
#include "host/WindowClass.h"
#include "host/browser/BrowserEngine.h"
#include "win32/WinUser.h"

#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace quarrow {

class ControlClasses;
class DialogManager;
class InputRouter;

// What a backend shows for one visible top-level window.
struct ShownWindow {
    HWND handle = nullptr;
    RECT rect{0, 0, 0, 0};
    Window::Layer layer = Window::Layer::None;
    // The pixels to show: the layered content for per-pixel windows, the
    // surface otherwise. Premultiplied BGRA for per-pixel windows; opaque
    // (alpha ignored) otherwise.
    const PixelBuffer* pixels = nullptr;
    bool colourKeyed = false;
    COLORREF key = 0;
    BYTE constantAlpha = 255;
};

class Host {
public:
    explicit Host(Backend& backend);
    ~Host();
    Host(const Host&) = delete;
    Host& operator=(const Host&) = delete;

    // The active window system; makes a default one when there is none.
    static Host& current();
    static Host* active() { return s_active; }
    void activate() { s_active = this; }

    Backend& backend() { return m_backend; }
    Gdi& gdi() { return *m_gdi; }
    DialogManager& dialogs() { return *m_dialogs; }
    InputRouter& input() { return *m_input; }
    // The hosted control classes (win32/ControlHosting.h); the WebBrowser
    // class is registered from the start.
    ControlClasses& controlClasses() { return *m_controlClasses; }
    // The engine that each new WebBrowser control gets. Unset, a control
    // gets the scripted engine over an empty web, so a program always has a
    // working browser.
    void setBrowserEngineFactory(BrowserEngineFactory factory) { m_browserEngineFactory = std::move(factory); }
    const BrowserEngineFactory& browserEngineFactory() const { return m_browserEngineFactory; }
    // Runs `action` the next time the thread looks for a message, outside
    // whatever call is running now: a control released from inside one of
    // its own events frees itself this way. What is still pending when the
    // window system ends runs then.
    void later(std::function<void()> action) { m_later.push_back(std::move(action)); }

    // ---- handles and the tree
    Window* window(HWND handle) const;
    // Like window(), and sets ERROR_INVALID_WINDOW_HANDLE when there is none.
    Window* checked(HWND handle) const;
    Window& desktop() { return *m_desktop; }
    bool isDesktop(const Window& w) const { return &w == m_desktop; }
    bool isTopLevel(const Window& w) const { return w.parent == m_desktop; }
    Window& topLevelOf(Window& w);
    bool isDescendant(const Window& ancestor, const Window& w) const;
    // Visible and all its ancestors visible.
    bool reallyVisible(const Window& w) const;
    // Visible top-level windows from the bottom of the Z order to the top,
    // with what to show for each.
    std::vector<ShownWindow> shownWindows() const;

    // ---- classes
    ATOM registerClass(const WNDCLASSEXW& wc, bool system = false);
    bool unregisterClass(LPCWSTR name, HINSTANCE instance);
    WindowClass* findClass(LPCWSTR name) const;

    // ---- creation and destruction
    // `prepare` runs on the new window record before its first message
    // (the dialog manager stores the dialog procedure there).
    HWND createWindow(const CREATESTRUCTW& cs, const std::function<void(Window&)>& prepare = {});
    bool destroyWindow(HWND handle);

    // ---- geometry, Z order and visibility
    bool setWindowPos(Window& w, HWND insertAfter, int x, int y, int cx, int cy, UINT flags);
    bool showWindow(Window& w, int command);
    bool enableWindow(Window& w, bool enable);
    RECT screenRect(const Window& w) const;
    RECT clientScreenRect(const Window& w) const;
    POINT clientOrigin(const Window& w) const;
    // Client coordinates of `w` to screen and back (mirrored for
    // WS_EX_LAYOUTRTL windows).
    POINT clientToScreen(const Window& w, POINT p) const;
    POINT screenToClient(const Window& w, POINT p) const;
    // The frame around the client area that a window of these styles has.
    static RECT frameInsets(DWORD style, DWORD exStyle);
    void setStyle(Window& w, int index, DWORD value);

    // ---- messages
    LRESULT send(Window& w, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT send(HWND handle, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT callProc(WNDPROC proc, Window& w, UINT message, WPARAM wParam, LPARAM lParam);
    bool post(HWND handle, UINT message, WPARAM wParam, LPARAM lParam);
    void postQuit(int exitCode);
    // Waits for a message; false when it is WM_QUIT.
    bool getMessage(MSG& msg, HWND filter, UINT minMessage, UINT maxMessage);
    bool peekMessage(MSG& msg, HWND filter, UINT minMessage, UINT maxMessage, UINT flags);
    bool waitMessage();
    bool translate(const MSG& msg);
    LRESULT dispatch(const MSG& msg);
    // Dispatches every message there is until nothing is left to do: no
    // posted message, no input, no window to paint. For tests and for
    // loops that must not wait.
    void pump();
    DWORD messagePos() const { return m_lastMessagePos; }
    LONG messageTime() const { return m_lastMessageTime; }
    DWORD now() const { return m_tick; }

    // ---- activation, focus, capture, keyboard and pointer
    HWND setActive(Window* w, UINT how = WA_ACTIVE);
    HWND activeWindow() const { return m_active ? m_active->handle : nullptr; }
    HWND setFocus(Window* w);
    HWND focus() const { return m_focus ? m_focus->handle : nullptr; }
    HWND setCapture(Window* w);
    bool releaseCapture();
    HWND capture() const { return m_capture ? m_capture->handle : nullptr; }
    POINT cursor() const { return m_cursor; }
    void setCursor(POINT p) { m_cursor = p; }
    bool keyDown(UINT virtualKey) const { return virtualKey < 256 && m_keys[virtualKey]; }
    void setKey(UINT virtualKey, bool down);

    // ---- painting
    // `rect` in client coordinates (null: the whole client area).
    void invalidate(Window& w, const RECT* rect, bool erase, bool children);
    void validate(Window& w, const RECT* rect);
    HDC beginPaint(Window& w, PAINTSTRUCT& ps);
    void endPaint(Window& w, const PAINTSTRUCT& ps);
    // Sends WM_PAINT now to `w` (and its descendants when asked) if it
    // needs painting.
    void updateNow(Window& w, bool children);
    // Resolves a window device context to the pixels of the window's
    // top-level surface (for the GDI drawing functions).
    bool windowTarget(HWND handle, DeviceContext::Surface surface, const RECT& paintRect, RasterTarget& out);
    // The platform's default frame drawing for windows that have one.
    void drawFrame(Window& w);

    // ---- layered windows
    bool updateLayeredWindow(Window& w, const POINT* position, const SIZE* size, HDC source,
                             const POINT* sourcePoint, COLORREF key, const BLENDFUNCTION* blend, DWORD flags);
    bool setLayeredAttributes(Window& w, COLORREF key, BYTE alpha, DWORD flags);
    // Whether the pixel at a screen point of a top-level window lets the
    // pointer through to what lies beneath (layered transparency).
    bool passesInput(const Window& topLevel, POINT screen) const;

    // ---- hooks (WH_CBT only)
    HHOOK setHook(int id, HOOKPROC proc);
    bool unhook(HHOOK hook);
    LRESULT callNextHook(HHOOK hook, int code, WPARAM wParam, LPARAM lParam);

    // ---- notifications to the backend
    void changed(Window& w);

    // A failure that only a programming error causes (a test waiting for
    // input that will never come); thrown as std::logic_error.
    [[noreturn]] static void fatal(const std::string& message);

private:
    friend class InputRouter;

    Window* allocate();
    void destroyTree(Window& w);
    void sendDestroy(Window& w);
    void sendNcDestroy(Window& w);
    void forget(Window& w);
    void restack(Window& w, HWND insertAfter);
    void normaliseTopLevelOrder();
    void minimise(Window& w, bool activateNext);
    void restore(Window& w);
    void recalcClient(Window& w, bool sendCalc);
    void resizeSurface(Window& w);
    void activateAnother(Window* leaving);
    bool matches(const MSG& msg, HWND filter, UINT minMessage, UINT maxMessage) const;
    Window* findPaintable(Window& root, HWND filter);
    bool nextMessage(MSG& msg, HWND filter, UINT minMessage, UINT maxMessage, bool remove);
    void stamp(MSG& msg);
    void runLater();

    static Host* s_active;
    Host* m_previous = nullptr;

    Backend& m_backend;
    std::unique_ptr<Gdi> m_gdi;
    std::unique_ptr<DialogManager> m_dialogs;
    std::unique_ptr<InputRouter> m_input;
    std::unique_ptr<ControlClasses> m_controlClasses;
    BrowserEngineFactory m_browserEngineFactory;
    std::vector<std::function<void()>> m_later;

    std::map<ULONG_PTR, std::unique_ptr<Window>> m_windows;
    ULONG_PTR m_nextHandle = 0x10000;
    Window* m_desktop = nullptr;

    std::vector<std::unique_ptr<WindowClass>> m_classes;
    ATOM m_nextAtom = 0xC000;

    std::deque<MSG> m_posted;
    bool m_quitPending = false;
    int m_quitCode = 0;

    Window* m_active = nullptr;
    Window* m_focus = nullptr;
    Window* m_capture = nullptr;
    POINT m_cursor{0, 0};
    bool m_keys[256] = {};
    DWORD m_tick = 1000;
    DWORD m_lastMessagePos = 0;
    LONG m_lastMessageTime = 0;

    struct Hook {
        HHOOK handle;
        HOOKPROC proc;
    };
    std::vector<Hook> m_hooks;
    ULONG_PTR m_nextHook = 0x70000;
};

} // namespace quarrow
