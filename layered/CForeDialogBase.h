// The top half of the skinned window pair: a modeless, colour-keyed layered
// popup that carries the controls and lies exactly on the background
// window's rectangle. Its own background is painted in the key colour, so
// the background window shows through everywhere a control does not draw.
//
// The background window (CBackDialogBase) creates it, keeps it in place and
// deletes it. The dialog owns the one brush it paints its background with.
#pragma once

#include "afx/CDialog.h"

class CForeDialogBase : public CDialog {
    DECLARE_DYNAMIC(CForeDialogBase)
public:
    CForeDialogBase(UINT nIDTemplate, CWnd* pParent);
    ~CForeDialogBase() override;

    // Creates the window from the template kept at construction, owned by
    // the parent, and places it on the parent's window rectangle.
    void CreateOnParent();

protected:
    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;
    afx_msg HBRUSH OnCtlColor(CDC* pDC, CWnd* pWnd, UINT nCtlColor);
    DECLARE_MESSAGE_MAP()

    COLORREF m_clrKey;

private:
    // Asks the owner (the background window) to close before the dialog
    // ends, so that the pair always goes together.
    void CloseParent();

    UINT m_nTemplateId;
    HBRUSH m_hKeyBrush = nullptr;
};
