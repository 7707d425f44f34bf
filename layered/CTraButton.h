// A push button drawn from images, one per state (0 normal, 1 hover,
// 2 pressed, 3 disabled), with an optional caption centred on top. It
// follows the pointer itself (capturing the mouse while the pointer is over
// it) and repaints itself and the part of its parent beneath it on every
// change. Clicks reach the parent the platform's ordinary way: BN_CLICKED.
//
// Owns its four state images.
#pragma once

#include "afx/CButton.h"
#include "afx/CImage.h"
#include "afx/CString.h"

class CTraButton : public CButton {
public:
    static constexpr int kStateNormal = 0;
    static constexpr int kStateHover = 1;
    static constexpr int kStatePressed = 2;
    static constexpr int kStateDisabled = 3;
    static constexpr int kStateCount = 4;

    CTraButton();
    ~CTraButton() override;

    // Loads the image of one state from resource `nID` of `strType`, sized
    // `width` x `height` (0 takes the decoded size); a PNG with alpha is
    // stored premultiplied. An unknown state or a missing resource changes
    // nothing.
    void LoadStateImage(UINT nID, int state, int width, int height, CString strType);

protected:
    void PreSubclassWindow() override;
    void DrawItem(LPDRAWITEMSTRUCT lpDrawItemStruct) override;

    void DrawStateImage(HDC hDC, ATL::CImage* pImage);
    void DrawStateText(HDC hDC, const CString& text, int offset, int state);

    afx_msg void OnMouseMove(UINT nFlags, CPoint point);
    afx_msg void OnLButtonUp(UINT nFlags, CPoint point);
    afx_msg void OnLButtonDown(UINT nFlags, CPoint point);
    afx_msg BOOL OnEraseBkgnd(CDC* pDC);
    DECLARE_MESSAGE_MAP()

public:
    const ATL::CImage* StateImage(int state) const { return m_pStateImages[state]; }
    bool IsHover() const { return m_bHover; }
    bool IsPressed() const { return m_bPressed; }

protected:
    ATL::CImage* m_pStateImages[kStateCount];
    bool m_bHover;
    bool m_bPressed;

private:
    // Invalidates the button and the part of the parent beneath it.
    void Repaint();
    void InvalidateParentBeneath();
};
