#include "host/memory/MemoryBackend.h"

#include "host/Host.h"
#include "host/Raster.h"
#include "win32/WinGdi.h"

#include <algorithm>

#include <png.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

namespace quarrow {

MemoryBackend::MemoryBackend(int width, int height, COLORREF desktop) : m_size{width, height}, m_desktop(desktop) {}

Backend::Capabilities MemoryBackend::capabilitiesImpl() const
{
    Capabilities c;
    c.perPixelAlpha = true;
    c.colourKey = true;
    c.inputPassThrough = false;
    c.syntheticInput = true;
    return c;
}

namespace {

// One window's pixel at a screen point laid over what lies beneath.
Bgra over(const ShownWindow& s, int x, int y, Bgra beneath)
{
    const int lx = x - s.rect.left;
    const int ly = y - s.rect.top;
    if (!s.pixels || !s.pixels->contains(lx, ly)) return beneath;
    Bgra p = s.pixels->get(lx, ly);
    if (s.layer == Window::Layer::PerPixel) return Raster::over(p, beneath, 255);
    if (s.colourKeyed && RGB(p.r, p.g, p.b) == s.key) return beneath;
    p.a = 255;
    return s.constantAlpha == 255 ? p : Raster::over(p, beneath, s.constantAlpha);
}

bool inside(const RECT& r, int x, int y) { return x >= r.left && x < r.right && y >= r.top && y < r.bottom; }

} // namespace

PixelBuffer MemoryBackend::compose() const
{
    PixelBuffer screen(m_size.cx, m_size.cy);
    screen.fill(Bgra{GetBValue(m_desktop), GetGValue(m_desktop), GetRValue(m_desktop), 255});
    const Host* host = this->host();
    if (!host) return screen;
    for (const ShownWindow& s : host->shownWindows()) {
        const int left = std::max<int>(s.rect.left, 0);
        const int top = std::max<int>(s.rect.top, 0);
        const int right = std::min<int>(s.rect.right, m_size.cx);
        const int bottom = std::min<int>(s.rect.bottom, m_size.cy);
        for (int y = top; y < bottom; ++y) {
            for (int x = left; x < right; ++x) screen.set(x, y, over(s, x, y, screen.get(x, y)));
        }
    }
    return screen;
}

COLORREF MemoryBackend::pixel(int x, int y) const
{
    if (x < 0 || y < 0 || x >= m_size.cx || y >= m_size.cy) return CLR_INVALID;
    Bgra p{GetBValue(m_desktop), GetGValue(m_desktop), GetRValue(m_desktop), 255};
    if (const Host* host = this->host()) {
        for (const ShownWindow& s : host->shownWindows()) {
            if (inside(s.rect, x, y)) p = over(s, x, y, p);
        }
    }
    return RGB(p.r, p.g, p.b);
}

bool MemoryBackend::savePng(const std::string& path, std::string* error, const RECT* area) const
{
    const PixelBuffer screen = compose();
    RECT r{0, 0, m_size.cx, m_size.cy};
    if (area) {
        r.left = std::max<LONG>(area->left, 0);
        r.top = std::max<LONG>(area->top, 0);
        r.right = std::min<LONG>(area->right, m_size.cx);
        r.bottom = std::min<LONG>(area->bottom, m_size.cy);
    }
    const int width = r.right - r.left;
    const int height = r.bottom - r.top;
    auto fail = [&](const std::string& why) {
        if (error) *error = why;
        return false;
    };
    if (width <= 0 || height <= 0) return fail("the area to save is empty");
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return fail("cannot open " + path + ": " + std::strerror(errno));
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!png || !info) {
        png_destroy_write_struct(&png, &info);
        std::fclose(file);
        return fail("libpng could not start");
    }
    std::vector<png_byte> row(static_cast<size_t>(width) * 3);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        std::fclose(file);
        return fail("writing " + path + " failed");
    }
    png_init_io(png, file);
    png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8, PNG_COLOR_TYPE_RGB,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int y = r.top; y < r.bottom; ++y) {
        for (int x = r.left; x < r.right; ++x) {
            const Bgra p = screen.get(x, y);
            png_byte* out = &row[static_cast<size_t>(x - r.left) * 3];
            out[0] = p.r;
            out[1] = p.g;
            out[2] = p.b;
        }
        png_write_row(png, row.data());
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    if (std::fclose(file) != 0) return fail("closing " + path + " failed");
    return true;
}

void MemoryBackend::moveMouse(int x, int y)
{
    InputEvent e;
    e.kind = InputEvent::Kind::MouseMove;
    e.point = POINT{x, y};
    queue(e);
}

void MemoryBackend::pressMouse(int x, int y, int button)
{
    InputEvent e;
    e.kind = InputEvent::Kind::MouseDown;
    e.point = POINT{x, y};
    e.button = button;
    queue(e);
}

void MemoryBackend::releaseMouse(int x, int y, int button)
{
    InputEvent e;
    e.kind = InputEvent::Kind::MouseUp;
    e.point = POINT{x, y};
    e.button = button;
    queue(e);
}

void MemoryBackend::click(int x, int y, int button)
{
    moveMouse(x, y);
    pressMouse(x, y, button);
    releaseMouse(x, y, button);
}

void MemoryBackend::drag(POINT from, POINT to, int steps)
{
    moveMouse(from.x, from.y);
    pressMouse(from.x, from.y);
    steps = std::max(steps, 1);
    for (int i = 1; i <= steps; ++i) {
        moveMouse(from.x + (to.x - from.x) * i / steps, from.y + (to.y - from.y) * i / steps);
    }
    releaseMouse(to.x, to.y);
}

void MemoryBackend::keyDown(UINT virtualKey, char16_t character)
{
    InputEvent e;
    e.kind = InputEvent::Kind::KeyDown;
    e.virtualKey = virtualKey;
    e.character = character;
    queue(e);
}

void MemoryBackend::keyUp(UINT virtualKey)
{
    InputEvent e;
    e.kind = InputEvent::Kind::KeyUp;
    e.virtualKey = virtualKey;
    queue(e);
}

void MemoryBackend::pressKey(UINT virtualKey, char16_t character)
{
    keyDown(virtualKey, character);
    keyUp(virtualKey);
}

bool MemoryBackend::controlCentre(HWND dialog, int id, POINT& centre) const
{
    Host* host = this->host();
    if (!host) return false;
    Window* d = host->window(dialog);
    if (!d) return false;
    for (Window* c : d->children) {
        if (c->id != id) continue;
        const RECT r = host->screenRect(*c);
        centre = POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
        return true;
    }
    return false;
}

bool MemoryBackend::clickControl(HWND dialog, int id)
{
    POINT p;
    if (!controlCentre(dialog, id, p)) return false;
    click(p.x, p.y);
    return true;
}

std::optional<InputEvent> MemoryBackend::nextInputImpl()
{
    if (m_input.empty()) return std::nullopt;
    InputEvent e = m_input.front();
    m_input.pop_front();
    return e;
}

bool MemoryBackend::waitImpl()
{
    if (!m_input.empty()) return true;
    if (m_idle.empty()) return false;
    std::function<void()> action = std::move(m_idle.front());
    m_idle.pop_front();
    action();
    return true;
}

} // namespace quarrow

namespace quarrow {

DWORD MemoryBackend::shellOpenImpl(const ShellRequest& request)
{
    m_shellRequests.push_back(request);
    return ERROR_SUCCESS;
}

} // namespace quarrow
