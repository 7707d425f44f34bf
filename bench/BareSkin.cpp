#include "BareSkin.h"

#include <cstring>

#include "res/resource.h"

namespace {

LRESULT CALLBACK PlainProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    return DefWindowProcW(window, message, wParam, lParam);
}

constexpr const char16_t* kClassName = _T("BenchBareSkin");

// Classes belong to the window system they were registered with, and a
// benchmark makes a new one for each run: register with the current one
// (a second registration just fails).
void Register()
{
    WNDCLASSW wc{};
    wc.lpfnWndProc = &PlainProcedure;
    wc.lpszClassName = kClassName;
    RegisterClassW(&wc);
}

}  // namespace

BareSkin::BareSkin(int x, int y)
{
    HRSRC found = FindResourceW(nullptr, MAKEINTRESOURCEW(IDB_BACKGROUND), _T("PNG"));
    const DWORD size = SizeofResource(nullptr, found);
    const void* bytes = LockResource(LoadResource(nullptr, found));
    if (bytes == nullptr || size == 0) return;

    m_memory = GlobalAlloc(GMEM_FIXED, size);
    if (m_memory == nullptr) return;
    std::memcpy(GlobalLock(m_memory), bytes, size);
    GlobalUnlock(m_memory);
    IStream* stream = nullptr;
    if (FAILED(CreateStreamOnHGlobal(m_memory, FALSE, &stream))) return;
    m_image = Gdiplus::Image::FromStream(stream, FALSE);
    stream->Release();
    if (m_image == nullptr) return;
    const int w = static_cast<int>(m_image->GetWidth());
    const int h = static_cast<int>(m_image->GetHeight());

    Register();
    m_window = CreateWindowExW(WS_EX_LAYERED, kClassName, _T(""), WS_POPUP | WS_VISIBLE, x, y, w, h, nullptr, nullptr,
                               nullptr, nullptr);
    if (m_window == nullptr) return;

    HDC windowDC = ::GetDC(m_window);
    HDC memoryDC = CreateCompatibleDC(windowDC);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = w;
    info.bmiHeader.biHeight = h;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (bitmap != nullptr) {
        HGDIOBJ previous = SelectObject(memoryDC, bitmap);
        {
            Gdiplus::Graphics graphics(memoryDC);
            graphics.DrawImage(m_image, 0, 0, w, h);
        }
        POINT destination{x, y};
        SIZE extent{w, h};
        POINT source{0, 0};
        BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
        m_shown = UpdateLayeredWindow(m_window, windowDC, &destination, &extent, memoryDC, &source, 0, &blend,
                                      ULW_ALPHA) != FALSE;
        SelectObject(memoryDC, previous);
        DeleteObject(bitmap);
    }
    DeleteDC(memoryDC);
    ::ReleaseDC(m_window, windowDC);
}

BareSkin::~BareSkin()
{
    if (m_window) DestroyWindow(m_window);
    delete m_image;
    if (m_memory) GlobalFree(m_memory);
}
