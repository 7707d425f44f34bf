#include "layered/CTraButton.h"

#include <cstring>

#include "afx/CException.h"
#include "win32/Windows.h"

BEGIN_MESSAGE_MAP(CTraButton, CButton)
    ON_WM_MOUSEMOVE()
    ON_WM_LBUTTONUP()
    ON_WM_LBUTTONDOWN()
    ON_WM_ERASEBKGND()
END_MESSAGE_MAP()

CTraButton::CTraButton() : m_pStateImages{nullptr, nullptr, nullptr, nullptr}, m_bHover(false), m_bPressed(false) {}

CTraButton::~CTraButton()
{
    for (ATL::CImage*& image : m_pStateImages) {
        delete image;
        image = nullptr;
    }
}

void CTraButton::LoadStateImage(UINT nID, int state, int width, int height, CString strType)
{
    if (state < kStateNormal || state > kStateDisabled) return;

    HINSTANCE module = AfxGetResourceHandle();
    HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(static_cast<WORD>(nID)), strType.GetString());
    if (!found) return;
    HGLOBAL resource = LoadResource(module, found);
    const void* bytes = resource ? LockResource(resource) : nullptr;
    if (!bytes) return;
    DWORD size = SizeofResource(module, found);

    HGLOBAL memory = GlobalAlloc(GMEM_FIXED, size);
    void* copy = GlobalLock(memory);
    if (copy && size) std::memcpy(copy, bytes, size);
    IStream* stream = nullptr;
    CreateStreamOnHGlobal(memory, FALSE, &stream);
    ATL::CImage decoded;
    decoded.Load(stream);
    GlobalUnlock(memory);
    GlobalFree(memory);
    if (stream) stream->Release();

    const bool isPng = strType == _T("PNG");
    const int bpp = decoded.GetBPP();
    if (isPng && bpp == 32) {
        for (int y = 0; y < decoded.GetHeight(); ++y) {
            for (int x = 0; x < decoded.GetWidth(); ++x) {
                auto* p = static_cast<BYTE*>(decoded.GetPixelAddress(x, y));
                const int alpha = p[3];
                p[0] = static_cast<BYTE>(p[0] * alpha / 255);
                p[1] = static_cast<BYTE>(p[1] * alpha / 255);
                p[2] = static_cast<BYTE>(p[2] * alpha / 255);
            }
        }
    }

    // Each zero dimension takes the decoded image's.
    int targetWidth = width != 0 ? width : decoded.GetWidth();
    int targetHeight = height != 0 ? height : decoded.GetHeight();

    auto* image = new ATL::CImage;
    delete m_pStateImages[state];
    m_pStateImages[state] = image;

    // A resource that did not decode (or a target size without pixels)
    // gives no bitmap: the state keeps an image without pixels, which draws
    // as nothing. That is not a lack of memory, so nothing is thrown.
    if (!image->CreateEx(targetWidth, targetHeight, bpp, BI_RGB, nullptr,
                         (isPng && bpp == 32) ? ATL::CImage::createAlphaChannel : 0)) {
        decoded.Destroy();
        return;
    }
    HDC dc = image->GetDC();
    if (!dc) AfxThrowMemoryException();
    decoded.Draw(dc, 0, 0, targetWidth, targetHeight, 0, 0, targetWidth, targetHeight);
    image->ReleaseDC();
    decoded.Destroy();
}

void CTraButton::PreSubclassWindow()
{
    ModifyStyle(0, BS_OWNERDRAW);
    CButton::PreSubclassWindow();
}

void CTraButton::DrawItem(LPDRAWITEMSTRUCT lpDrawItemStruct)
{
    CString text;
    GetWindowText(text);

    int state = kStateNormal;
    if (lpDrawItemStruct->itemState & ODS_DISABLED) {
        state = kStateDisabled;
    } else if (lpDrawItemStruct->itemState & ODS_SELECTED) {
        state = kStatePressed;
    } else if (!m_bHover) {
        state = kStateNormal;
    } else if (m_bPressed) {
        state = kStatePressed;
    } else {
        state = kStateHover;
    }

    DrawStateImage(lpDrawItemStruct->hDC, m_pStateImages[state]);

    CString visible = text;
    visible.Remove(_T(' '));
    if (!visible.IsEmpty()) DrawStateText(lpDrawItemStruct->hDC, text, state == kStatePressed ? 1 : 0, state);
}

void CTraButton::DrawStateImage(HDC hDC, ATL::CImage* pImage)
{
    if (!pImage || pImage->IsNull()) return;
    RECT client{};
    GetClientRect(&client);
    pImage->Draw(hDC, 0, 0, client.right - client.left, client.bottom - client.top, 0, 0, pImage->GetWidth(),
                 pImage->GetHeight());
}

void CTraButton::DrawStateText(HDC hDC, const CString& text, int offset, int state)
{
    RECT rc{};
    GetClientRect(&rc);
    rc.left += offset;
    rc.top += offset;
    SetBkMode(hDC, TRANSPARENT);
    SetTextColor(hDC, state == kStateDisabled ? RGB(100, 100, 100) : RGB(30, 30, 30));
    DrawTextW(hDC, text.GetString(), text.GetLength(), &rc, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
}

void CTraButton::InvalidateParentBeneath()
{
    CWnd* parent = GetParent();
    if (!parent) return;
    RECT rc{};
    GetClientRect(&rc);
    ClientToScreen(&rc);
    POINT topLeft{rc.left, rc.top};
    parent->ScreenToClient(&topLeft);
    RECT beneath{topLeft.x, topLeft.y, topLeft.x + (rc.right - rc.left), topLeft.y + (rc.bottom - rc.top)};
    parent->InvalidateRect(&beneath, TRUE);
}

void CTraButton::Repaint()
{
    Invalidate(TRUE);
    InvalidateParentBeneath();
}

void CTraButton::OnMouseMove(UINT nFlags, CPoint point)
{
    RECT client{};
    GetClientRect(&client);
    POINT pt{point.x, point.y};
    if (PtInRect(&client, pt)) {
        if (!(nFlags & MK_LBUTTON)) m_bPressed = false;
        if (::GetCapture() != GetSafeHwnd()) SetCapture();
        if (m_bHover) {
            CButton::OnMouseMove(nFlags, point);
            return;
        }
        m_bHover = true;
        SetFocus();
        Repaint();
        CButton::OnMouseMove(nFlags, point);
    } else {
        ReleaseCapture();
        m_bHover = false;
        Repaint();
        CButton::OnMouseMove(nFlags, point);
    }
}

void CTraButton::OnLButtonDown(UINT nFlags, CPoint point)
{
    InvalidateParentBeneath();
    m_bPressed = true;
    CButton::OnLButtonDown(nFlags, point);
}

void CTraButton::OnLButtonUp(UINT nFlags, CPoint point)
{
    if (m_bPressed) {
        Repaint();
        m_bPressed = false;
    }
    m_bHover = false;
    CButton::OnLButtonUp(nFlags, point);
}

BOOL CTraButton::OnEraseBkgnd(CDC*) { return TRUE; }
