// The framework's button: a CWnd over a window of the window system's
// predefined "Button" class, which provides the push-button behaviour
// (capture on press, the pushed look while the pointer stays over it,
// BN_CLICKED to the parent on release over the button). An owner-drawn
// button (BS_OWNERDRAW) draws itself in DrawItem: the window system asks
// the parent with WM_DRAWITEM, and the parent's framework window reflects
// that request to the button object.
//
// The object owns its window like every CWnd; buttons in dialogs are
// usually bound to the template's controls by DDX_Control.
#pragma once

#include "afx/CWnd.h"

class CButton : public CWnd {
    DECLARE_DYNAMIC(CButton)
public:
    CButton() = default;
    ~CButton() override;

    // A child button of `pParentWnd` with control id `nID`.
    BOOL Create(LPCWSTR lpszCaption, DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID);

    UINT GetState() const;
    void SetState(BOOL bHighlight);
    int GetCheck() const;
    void SetCheck(int nCheck);
    UINT GetButtonStyle() const;
    void SetButtonStyle(UINT nStyle, BOOL bRedraw = TRUE);

    // Draws an owner-drawn button; the item state carries ODS_SELECTED
    // while the button is pushed and ODS_DISABLED while it is disabled.
    // A class that makes its buttons owner-drawn must override it.
    virtual void DrawItem(LPDRAWITEMSTRUCT lpDrawItemStruct);

protected:
    BOOL OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) override;

    using CWnd::Create;
};
