#include "BenchBackDialog.h"

#include "layered/CForeDialogBase.h"
#include "res/resource.h"

namespace {

// The overlay: the background's empty template, keyed and placed like the
// launcher's own overlay.
class BenchForeDialog : public CForeDialogBase {
public:
    explicit BenchForeDialog(CWnd* parent) : CForeDialogBase(IDD_BACK_DIALOG, parent) {}
};

}  // namespace

HWND BenchBackDialog::ForeWindow() const { return m_pForeDialog ? m_pForeDialog->GetSafeHwnd() : nullptr; }

CForeDialogBase* BenchBackDialog::CreateForeDialog() { return new BenchForeDialog(this); }
