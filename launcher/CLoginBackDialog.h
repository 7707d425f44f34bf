// The launcher's background window: the skinned, shaped artwork of the
// launcher, the application's main window, run modally by the application
// object. It owns the overlay (CLoginForeDialog) through its base.
#pragma once

#include "layered/CBackDialogBase.h"

class CLoginBackDialog : public CBackDialogBase {
    DECLARE_DYNAMIC(CLoginBackDialog)
public:
    CLoginBackDialog();

    BOOL PreTranslateMessage(MSG* pMsg) override;

protected:
    BOOL OnInitDialog() override;
    // No IDOK command ends the launcher.
    void OnOK() override;
    CForeDialogBase* CreateForeDialog() override;

    DECLARE_MESSAGE_MAP()

    HICON m_hIcon;
};
