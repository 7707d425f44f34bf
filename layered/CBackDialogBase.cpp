#include "layered/CBackDialogBase.h"

#include <cstring>

#include "layered/CForeDialogBase.h"
#include "res/resource.h"
#include "win32/Windows.h"

IMPLEMENT_DYNAMIC(CBackDialogBase, CDialog)

BEGIN_MESSAGE_MAP(CBackDialogBase, CDialog)
    ON_WM_ERASEBKGND()
    ON_WM_MOVE()
    ON_WM_SIZE()
    ON_WM_CREATE()
    ON_WM_LBUTTONDOWN()
END_MESSAGE_MAP()

CBackDialogBase::CBackDialogBase() : CDialog(IDD_BACK_DIALOG, nullptr), m_pBackImage(nullptr), m_pForeDialog(nullptr)
{
    HINSTANCE module = AfxGetResourceHandle();
    HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(IDB_BACKGROUND), _T("PNG"));
    DWORD size = SizeofResource(module, found);
    HGLOBAL resource = LoadResource(module, found);
    const void* bytes = LockResource(resource);

    m_hImageMemory = GlobalAlloc(GMEM_FIXED, size);
    void* copy = GlobalLock(m_hImageMemory);
    if (copy && bytes && size) std::memcpy(copy, bytes, size);

    IStream* stream = nullptr;
    CreateStreamOnHGlobal(m_hImageMemory, FALSE, &stream);
    m_pBackImage = Gdiplus::Image::FromStream(stream, FALSE);

    GlobalUnlock(m_hImageMemory);
    if (stream) stream->Release();
}

CBackDialogBase::~CBackDialogBase()
{
    if (m_pForeDialog) {
        delete m_pForeDialog;
        m_pForeDialog = nullptr;
    }
    if (m_pBackImage) {
        delete m_pBackImage;
        m_pBackImage = nullptr;
    }
    // The image is gone, so the memory it was decoded from can go too.
    if (m_hImageMemory) {
        GlobalFree(m_hImageMemory);
        m_hImageMemory = nullptr;
    }
}

int CBackDialogBase::OnCreate(LPCREATESTRUCT lpCreateStruct)
{
    if (CDialog::OnCreate(lpCreateStruct) == -1) return -1;
    m_pForeDialog = CreateForeDialog();
    if (m_pForeDialog) m_pForeDialog->CreateOnParent();
    return 0;
}

BOOL CBackDialogBase::OnInitDialog()
{
    CDialog::OnInitDialog();

    int w = m_pBackImage ? static_cast<int>(m_pBackImage->GetWidth()) : 0;
    int h = m_pBackImage ? static_cast<int>(m_pBackImage->GetHeight()) : 0;
    MoveWindow(0, 0, w, h, TRUE);

    ModifyStyle(WS_CHILD | WS_CAPTION, WS_POPUP);
    ModifyStyleEx(0, WS_EX_LAYERED);

    w = m_pBackImage ? static_cast<int>(m_pBackImage->GetWidth()) : 0;
    h = m_pBackImage ? static_cast<int>(m_pBackImage->GetHeight()) : 0;
    ::SetWindowPos(m_pForeDialog ? m_pForeDialog->GetSafeHwnd() : nullptr, nullptr, 0, 0, w, h,
                   SWP_NOMOVE | SWP_NOZORDER);

    CenterWindow();
    UpdateLayeredBackground();
    return TRUE;
}

void CBackDialogBase::UpdateLayeredBackground()
{
    HDC windowDC = ::GetDC(GetSafeHwnd());
    HDC memoryDC = CreateCompatibleDC(windowDC);

    int w = m_pBackImage ? static_cast<int>(m_pBackImage->GetWidth()) : 0;
    int h = m_pBackImage ? static_cast<int>(m_pBackImage->GetHeight()) : 0;

    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = w;
    info.bmiHeader.biHeight = h;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    info.bmiHeader.biSizeImage = static_cast<DWORD>(w) * 4 * static_cast<DWORD>(h);

    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!bitmap) {
        DeleteDC(memoryDC);
        ::ReleaseDC(GetSafeHwnd(), windowDC);
        return;
    }
    std::memset(bits, 0, static_cast<size_t>(w) * 4 * static_cast<size_t>(h));
    HGDIOBJ previous = SelectObject(memoryDC, bitmap);

    auto* graphics = new Gdiplus::Graphics(memoryDC);
    graphics->SetSmoothingMode(Gdiplus::SmoothingModeNone);
    graphics->DrawImage(m_pBackImage, 0, 0, w, h);

    RECT rc{};
    GetWindowRect(&rc);
    POINT destination{rc.left, rc.top};
    SIZE size{w, h};
    POINT source{0, 0};
    BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    UpdateLayeredWindow(GetSafeHwnd(), windowDC, &destination, &size, memoryDC, &source, 0, &blend, ULW_ALPHA);

    delete graphics;
    SelectObject(memoryDC, previous);
    DeleteObject(bitmap);
    DeleteDC(memoryDC);
    ::ReleaseDC(GetSafeHwnd(), windowDC);
}

BOOL CBackDialogBase::OnEraseBkgnd(CDC*) { return TRUE; }

void CBackDialogBase::PlaceForeDialog()
{
    if (!m_pForeDialog) return;
    RECT rc{};
    CWnd* parent = m_pForeDialog->GetParent();
    if (parent) parent->GetWindowRect(&rc);
    ::SetWindowPos(m_pForeDialog->GetSafeHwnd(), HWND_TOP, rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top,
                   SWP_SHOWWINDOW);
}

void CBackDialogBase::OnMove(int x, int y)
{
    CDialog::OnMove(x, y);
    PlaceForeDialog();
}

void CBackDialogBase::OnSize(UINT nType, int cx, int cy)
{
    CDialog::OnSize(nType, cx, cy);
    PlaceForeDialog();
}

void CBackDialogBase::OnLButtonDown(UINT nFlags, CPoint point)
{
    SendMessage(WM_SYSCOMMAND, SC_MOVE | HTCAPTION, 0);
    CDialog::OnLButtonDown(nFlags, point);
}
