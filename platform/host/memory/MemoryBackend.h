// The in-memory screen: a deterministic backend for tests and headless
// runs. It holds a virtual screen (1920 x 1080 by default) with a known
// desktop colour, composes the window system's visible top-level windows
// on demand, delivers input that a test queues, and writes screenshots as
// PNG files.
//
// Implements:
//   - composition bottom to top: per-pixel alpha (premultiplied BGRA) for
//     UpdateLayeredWindow windows, colour-key holes and constant alpha for
//     SetLayeredWindowAttributes windows, opaque surfaces otherwise;
//     minimised windows and layered windows without content show nothing;
//   - synthetic mouse and keyboard input at screen points or on a dialog's
//     control by id; pass-through of transparent pixels is the window
//     system's (the backend only delivers the points);
//   - idle actions: when the window system has nothing to do and waits, the
//     next queued action runs (a test answers a modal dialog this way);
//     with no action left, waiting reports that no input will come;
//   - screenshots as 8-bit RGB PNG files (libpng).
//   - shell requests (ShellExecuteW) recorded, not opened;
// Does not implement: a taskbar, real time, cursor shapes.
#pragma once

#include "host/Backend.h"
#include "host/PixelBuffer.h"
#include "win32/WinDef.h"

#include <deque>
#include <functional>
#include <string>
#include <vector>

namespace quarrow {

class MemoryBackend : public Backend {
public:
    static constexpr int kDefaultWidth = 1920;
    static constexpr int kDefaultHeight = 1080;
    static constexpr COLORREF kDesktopColour = RGB(58, 110, 165);

    explicit MemoryBackend(int width = kDefaultWidth, int height = kDefaultHeight,
                           COLORREF desktop = kDesktopColour);

    COLORREF desktopColour() const { return m_desktop; }

    // ---- what the screen shows
    PixelBuffer compose() const;
    COLORREF pixel(int x, int y) const;
    // Writes the composed screen (or the part `area`, when given) as PNG;
    // false with `error` set when the file cannot be written.
    bool savePng(const std::string& path, std::string* error = nullptr, const RECT* area = nullptr) const;

    // ---- input (queued; the window system takes it when it looks for messages)
    void moveMouse(int x, int y);
    void pressMouse(int x, int y, int button = InputEvent::Left);
    void releaseMouse(int x, int y, int button = InputEvent::Left);
    void click(int x, int y, int button = InputEvent::Left);
    // Press at `from`, `steps` moves towards `to` ending there, release.
    void drag(POINT from, POINT to, int steps = 4);
    void keyDown(UINT virtualKey, char16_t character = 0);
    void keyUp(UINT virtualKey);
    void pressKey(UINT virtualKey, char16_t character = 0);
    // The screen point at the centre of a dialog's control; false when the
    // dialog has no such control.
    bool controlCentre(HWND dialog, int id, POINT& centre) const;
    // Moves to and clicks the centre of a dialog's control.
    bool clickControl(HWND dialog, int id);
    size_t pendingInput() const { return m_input.size(); }

    // ---- idle actions
    void whenIdle(std::function<void()> action) { m_idle.push_back(std::move(action)); }
    size_t pendingIdleActions() const { return m_idle.size(); }

    // ---- the desktop's opener
    // Every ShellExecuteW request, in order; nothing is opened.
    const std::vector<ShellRequest>& shellRequests() const { return m_shellRequests; }

protected:
    Capabilities capabilitiesImpl() const override;
    SIZE screenSizeImpl() const override { return m_size; }
    std::optional<InputEvent> nextInputImpl() override;
    bool waitImpl() override;
    DWORD shellOpenImpl(const ShellRequest& request) override;

private:
    void queue(InputEvent event) { m_input.push_back(event); }

    SIZE m_size;
    COLORREF m_desktop;
    std::deque<InputEvent> m_input;
    std::deque<std::function<void()>> m_idle;
    std::vector<ShellRequest> m_shellRequests;
};

} // namespace quarrow
