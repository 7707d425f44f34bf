// The bottom half of the skinned window pair: a borderless dialog that shows
// the background PNG with its own per-pixel alpha as a shaped, translucent
// layered window. It creates the overlay dialog (through the subclass's
// CreateForeDialog), keeps it glued to its own rectangle on every move and
// resize, and drags the pair when its artwork is pressed.
//
// Owns the overlay object, the decoded background image and the global
// memory block the image was decoded from.
#pragma once

#include "afx/CDialog.h"
#include "win32/GdiPlus.h"

class CForeDialogBase;

class CBackDialogBase : public CDialog {
    DECLARE_DYNAMIC(CBackDialogBase)
public:
    CBackDialogBase();
    ~CBackDialogBase() override;

protected:
    BOOL OnInitDialog() override;

    // The overlay for this window, constructed with this window as its
    // parent but not yet created; null for a window without overlay.
    virtual CForeDialogBase* CreateForeDialog() = 0;

    // Puts the image on screen at the window's current position.
    void UpdateLayeredBackground();

    afx_msg BOOL OnEraseBkgnd(CDC* pDC);
    afx_msg void OnMove(int x, int y);
    afx_msg void OnSize(UINT nType, int cx, int cy);
    afx_msg int OnCreate(LPCREATESTRUCT lpCreateStruct);
    afx_msg void OnLButtonDown(UINT nFlags, CPoint point);
    DECLARE_MESSAGE_MAP()

    Gdiplus::Image* m_pBackImage;
    CForeDialogBase* m_pForeDialog;

private:
    // Puts the overlay on this window's rectangle and shows it.
    void PlaceForeDialog();

    // Backs the image's stream; freed only after the image is deleted.
    HGLOBAL m_hImageMemory = nullptr;
};
