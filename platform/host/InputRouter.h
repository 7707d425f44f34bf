// Turns raw input from the backend into window messages: hit testing
// through the Z order (layered windows let the pointer through where they
// are transparent, WM_NCHITTEST answers HTTRANSPARENT pass it on), mouse
// capture, click activation, keyboard focus, and the key state that
// GetKeyState reports. Messages wait in the router's queue until the
// message loop takes them, after posted messages and before painting.
#pragma once

#include "host/InputEvent.h"
#include "win32/WinUser.h"

#include <deque>
#include <map>

namespace quarrow {

class Host;
struct Window;

class InputRouter {
public:
    explicit InputRouter(Host& host) : m_host(host) {}

    // The next input message that passes the filter, converting raw input
    // from the backend as needed.
    bool next(MSG& msg, HWND filter, UINT minMessage, UINT maxMessage, bool remove);
    // The character a key-down message types (for TranslateMessage).
    char16_t characterFor(const MSG& msg) const;
    void forget(HWND window);

    // The window under a screen point as the pointer sees it, and its hit
    // code; null over the bare desktop.
    Window* windowAt(POINT screen, LRESULT& hitCode);

private:
    void convert(const InputEvent& event);
    UINT mouseKeyFlags() const;

    Host& m_host;
    std::deque<MSG> m_queue;
    std::map<DWORD, char16_t> m_characters;
};

} // namespace quarrow
