// The dialog manager: dialogs made from dialog templates (classic or
// extended, from memory or from the module's RT_DIALOG resources), dialog
// units, the default dialog procedure (DefDlgProcW), keyboard navigation
// (IsDialogMessageW), EndDialog, the modal loop that disables and
// re-enables the owner, and message boxes as real dialogs of this window
// system.
//
// Dialog units: every dialog with a font has the base units 6 x 13 pixels
// (SystemMetrics::kDialogBaseX/Y), dialogs without one 8 x 16; one
// horizontal unit is a quarter of the base width, one vertical unit an
// eighth of the base height. The dialog's WM_INITDIALOG arrives after all
// its controls exist.
//
// Controls of a class that is not registered (for example an ActiveX
// control named by "{CLSID}") go to the control factory, when one is set;
// without a factory, or when it makes nothing, the dialog fails to be
// created unless its style has DS_NOFAILCREATE.
#pragma once

#include "host/Window.h"
#include "win32/DialogTemplate.h"
#include "win32/WinUser.h"

#include <functional>
#include <string>
#include <vector>

namespace quarrow {

class Host;

// What the dialog manager keeps for one dialog window: the dialog
// procedure and the values of its window-long slots (DWLP_MSGRESULT,
// DWLP_DLGPROC, DWLP_USER), its font and base units, the default button,
// the control that had the focus, and how it ended.
struct DialogState : WindowExtension {
    DLGPROC proc = nullptr;
    LONG_PTR msgResult = 0;
    LONG_PTR user = 0;
    HFONT font = nullptr;
    bool ownsFont = false;
    int baseX = 0;
    int baseY = 0;
    int defaultId = 0;
    HWND savedFocus = nullptr;
    bool ended = false;
    INT_PTR result = 0;
    bool inModalLoop = false;
    // The owner that the modal loop disabled and must enable again.
    HWND disabledOwner = nullptr;
};

class DialogManager {
public:
    // Makes the window of a template control whose class is not registered;
    // `rect` is in the dialog's client pixels. Returns null on failure.
    using ControlFactory =
        std::function<HWND(HWND dialog, const DialogTemplate::Item& item, const RECT& rect, HFONT font)>;

    struct MessageBoxInfo {
        HWND window = nullptr;
        HWND owner = nullptr;
        std::u16string text;
        std::u16string caption;
        UINT type = 0;
        std::vector<int> buttons; // control ids, left to right
        int defaultButton = 0;
    };

    explicit DialogManager(Host& host);

    void setControlFactory(ControlFactory factory) { m_factory = std::move(factory); }

    HWND create(HINSTANCE instance, const BYTE* bytes, size_t size, HWND parent, DLGPROC proc, LPARAM param);
    HWND createFromResource(HINSTANCE instance, LPCWSTR name, HWND parent, DLGPROC proc, LPARAM param);
    // Runs the modal loop of a created dialog: disables `owner` (when it
    // was enabled), shows the dialog, dispatches until EndDialog, re-enables
    // the owner, destroys the dialog, and returns the EndDialog result (-1
    // when the dialog was destroyed without it).
    INT_PTR runModal(HWND dialog, HWND owner);
    bool endDialog(HWND dialog, INT_PTR result);
    bool isDialogMessage(HWND dialog, MSG& msg);
    HWND nextTabItem(HWND dialog, HWND control, bool previous);
    HWND nextGroupItem(HWND dialog, HWND control, bool previous);
    bool mapDialogRect(HWND dialog, RECT& rect);
    bool isDialog(HWND window) const { return state(window) != nullptr; }
    DialogState* state(HWND window) const;

    int messageBox(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type);
    // The message boxes open now, innermost last: what a test reads to
    // answer one.
    const std::vector<MessageBoxInfo>& openMessageBoxes() const { return m_boxes; }

    // The error of the last template that failed to parse.
    const std::string& lastTemplateError() const { return m_templateError; }

    static LRESULT CALLBACK defDlgProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

private:
    static INT_PTR CALLBACK messageBoxProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT defaults(Window& w, DialogState& s, UINT message, WPARAM wParam, LPARAM lParam);
    void restoreFocus(Window& w, DialogState& s);

    // Wakes the modal loops of dialogs that ended while a nested modal loop
    // ran (see runModal).
    void wakeEndedDialogs();

    Host& m_host;
    ControlFactory m_factory;
    std::vector<MessageBoxInfo> m_boxes;
    std::string m_templateError;
    // Dialogs ended (EndDialog) whose windows may still have a modal loop
    // waiting for its next message.
    std::vector<HWND> m_ended;
};

} // namespace quarrow
