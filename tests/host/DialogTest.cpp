// The dialog manager: templates, dialog units, the default dialog
// procedure, keyboard navigation, modal loops and message boxes.
#include "HostFixture.h"

#include "host/DialogManager.h"

namespace quarrow::test {
namespace {

struct DialogLog {
    std::vector<Received> log;
    std::vector<HWND> childrenAtInit;
    std::function<void(HWND, UINT, WPARAM, LPARAM)> onMessage;
};
DialogLog* g_dialog = nullptr;

INT_PTR CALLBACK recordingDialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (!g_dialog) return FALSE;
    g_dialog->log.push_back(Received{hwnd, message, wParam, lParam});
    if (message == WM_INITDIALOG) {
        for (HWND c = GetWindow(hwnd, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) g_dialog->childrenAtInit.push_back(c);
    }
    if (g_dialog->onMessage) g_dialog->onMessage(hwnd, message, wParam, lParam);
    if (message == WM_COMMAND && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)) {
        EndDialog(hwnd, LOWORD(wParam));
        return TRUE;
    }
    return message == WM_INITDIALOG ? TRUE : FALSE;
}

class DialogTest : public HostTest {
protected:
    DialogTest() { g_dialog = &dialog; }
    ~DialogTest() override { g_dialog = nullptr; }

    // OK (default), Cancel and a third tab stop.
    static TemplateBuilder threeButtons()
    {
        TemplateBuilder t(WS_POPUP | WS_CAPTION | DS_MODALFRAME, 10, 10, 200, 100, _T("Three"));
        t.control(_T("Button"), _T("OK"), IDOK, BS_DEFPUSHBUTTON | WS_TABSTOP, 10, 70, 50, 14)
            .control(_T("Button"), _T("Cancel"), IDCANCEL, BS_PUSHBUTTON | WS_TABSTOP, 70, 70, 50, 14)
            .control(_T("Button"), _T("More"), 100, BS_PUSHBUTTON | WS_TABSTOP, 130, 70, 50, 14);
        return t;
    }

    std::vector<WORD> commands() const
    {
        std::vector<WORD> ids;
        for (const Received& r : dialog.log) {
            if (r.message == WM_COMMAND) ids.push_back(LOWORD(r.wParam));
        }
        return ids;
    }

    DialogLog dialog;
};

TEST_F(DialogTest, ControlsExistBeforeInitDialogAndDialogUnitsUseTheBaseUnits)
{
    TemplateBuilder t(WS_POPUP, 0, 0, 100, 50);
    t.control(_T("Button"), _T("A"), 1, BS_PUSHBUTTON | WS_TABSTOP, 4, 8, 40, 16);
    const HWND d = CreateDialogIndirectParamW(nullptr, t.get(), nullptr, recordingDialogProc, 77);
    ASSERT_NE(d, nullptr);
    ASSERT_EQ(dialog.childrenAtInit.size(), 1u);
    EXPECT_EQ(GetDlgCtrlID(dialog.childrenAtInit[0]), 1);
    RECT client;
    GetClientRect(d, &client);
    EXPECT_EQ(client.right, 150); // 100 units x 6 / 4
    EXPECT_EQ(client.bottom, 81); // 50 units x 13 / 8
    RECT button = windowRect(GetDlgItem(d, 1));
    EXPECT_EQ(button.left, 6);
    EXPECT_EQ(button.top, 13);
    EXPECT_EQ(button.right - button.left, 60);
    EXPECT_EQ(button.bottom - button.top, 26);
    RECT units{4, 8, 44, 24};
    MapDialogRect(d, &units);
    EXPECT_EQ(units.left, 6);
    EXPECT_EQ(units.bottom, 39);
    // WM_INITDIALOG carries the first tab stop and the init parameter.
    const auto init = std::find_if(dialog.log.begin(), dialog.log.end(),
                                   [](const Received& r) { return r.message == WM_INITDIALOG; });
    ASSERT_NE(init, dialog.log.end());
    EXPECT_EQ(init->wParam, reinterpret_cast<WPARAM>(GetDlgItem(d, 1)));
    EXPECT_EQ(init->lParam, 77);
    // The dialog font reached the controls.
    EXPECT_NE(SendMessageW(GetDlgItem(d, 1), WM_GETFONT, 0, 0), 0);
}

TEST_F(DialogTest, UnknownControlClassesGoToTheFactoryOrFailTheDialog)
{
    TemplateBuilder t(WS_POPUP, 0, 0, 100, 50);
    t.control(_T("{8856F961-340A-11D0-A96B-00C04FD705A2}"), _T(""), 1006, WS_TABSTOP, 10, 10, 50, 20);
    EXPECT_EQ(CreateDialogIndirectParamW(nullptr, t.get(), nullptr, recordingDialogProc, 0), nullptr);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_CLASS_DOES_NOT_EXIST));

    std::u16string seenClass;
    RECT seenRect{};
    host.dialogs().setControlFactory([&](HWND d, const DialogTemplate::Item& item, const RECT& r, HFONT) {
        seenClass = item.className();
        seenRect = r;
        return child(d, r, static_cast<int>(item.id));
    });
    const HWND d = CreateDialogIndirectParamW(nullptr, t.get(), nullptr, recordingDialogProc, 0);
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(seenClass, _T("{8856F961-340A-11D0-A96B-00C04FD705A2}"));
    EXPECT_EQ(seenRect.left, 15);
    EXPECT_NE(GetDlgItem(d, 1006), nullptr);
}

TEST_F(DialogTest, ModalLoopDisablesTheOwnerUntilEndDialog)
{
    const HWND owner = popup({0, 0, 400, 300});
    TemplateBuilder t = threeButtons();
    bool ownerWasDisabled = false;
    HWND seen = nullptr;
    dialog.onMessage = [&](HWND hwnd, UINT message, WPARAM, LPARAM) {
        if (message == WM_INITDIALOG) seen = hwnd;
    };
    screen.whenIdle([&] {
        ownerWasDisabled = !IsWindowEnabled(owner);
        EXPECT_TRUE(IsWindowVisible(seen));
        EXPECT_EQ(GetParent(seen), owner);
        EndDialog(seen, 42);
    });
    const INT_PTR result = DialogBoxIndirectParamW(nullptr, t.get(), owner, recordingDialogProc, 0);
    EXPECT_EQ(result, 42);
    EXPECT_TRUE(ownerWasDisabled);
    EXPECT_TRUE(IsWindowEnabled(owner));
    EXPECT_FALSE(IsWindow(seen));
    EXPECT_EQ(GetActiveWindow(), owner);
}

// A dialog ended from inside the window system's wait (where a browser
// event arrives), which then shows a message box from the same place: the
// box's modal loop takes the message that wakes the dialog's loop, and the
// dialog's loop must still end once the box has gone.
TEST_F(DialogTest, ADialogEndedFromInsideTheWaitEndsItsLoopAfterANestedMessageBox)
{
    const HWND owner = popup({0, 0, 400, 300});
    TemplateBuilder t = threeButtons();
    HWND seen = nullptr;
    dialog.onMessage = [&](HWND hwnd, UINT message, WPARAM, LPARAM) {
        if (message == WM_INITDIALOG) seen = hwnd;
    };
    int boxResult = 0;
    screen.whenIdle([&] {
        EndDialog(seen, 7);
        screen.whenIdle([&] {
            const auto& boxes = host.dialogs().openMessageBoxes();
            ASSERT_EQ(boxes.size(), 1u);
            screen.clickControl(boxes.back().window, IDOK);
        });
        boxResult = MessageBoxW(nullptr, _T("The game was not started."), _T("Quarrow"), MB_OK);
    });
    const INT_PTR result = DialogBoxIndirectParamW(nullptr, t.get(), owner, recordingDialogProc, 0);
    EXPECT_EQ(boxResult, IDOK);
    EXPECT_EQ(result, 7);
    EXPECT_FALSE(IsWindow(seen));
}

struct KeyCase {
    const char* name;
    std::vector<std::pair<UINT, bool>> keys; // virtual key, with shift
    HWND focusOn; // unused placeholder for readability
    std::vector<WORD> expectedCommands;
    int expectedFocusId;
};

class DialogKeysTest : public DialogTest, public ::testing::WithParamInterface<KeyCase> {};

TEST_P(DialogKeysTest, IsDialogMessageNavigatesAndCommands)
{
    const KeyCase& c = GetParam();
    TemplateBuilder t = threeButtons();
    const HWND d = CreateDialogIndirectParamW(nullptr, t.get(), nullptr, recordingDialogProc, 0);
    ASSERT_NE(d, nullptr);
    ShowWindow(d, SW_SHOW);
    host.pump();
    ASSERT_EQ(GetFocus(), GetDlgItem(d, IDOK));
    // Focus on "More" first, so that Enter must find the default button.
    SetFocus(GetDlgItem(d, 100));
    for (const auto& [vk, shift] : c.keys) {
        if (shift) screen.keyDown(VK_SHIFT);
        screen.pressKey(vk);
        if (shift) screen.keyUp(VK_SHIFT);
    }
    MSG msg;
    while (IsWindow(d) && PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (!IsDialogMessageW(d, &msg)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
    EXPECT_EQ(commands(), c.expectedCommands);
    if (c.expectedFocusId) {
        EXPECT_EQ(GetDlgCtrlID(GetFocus()), c.expectedFocusId);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Keys, DialogKeysTest,
    ::testing::Values(KeyCase{"TabWrapsToTheFirstStop", {{VK_TAB, false}}, nullptr, {}, IDOK},
                      KeyCase{"ShiftTabGoesBack", {{VK_TAB, true}}, nullptr, {}, IDCANCEL},
                      KeyCase{"TwoTabs", {{VK_TAB, false}, {VK_TAB, false}}, nullptr, {}, IDCANCEL},
                      KeyCase{"EnterOnAFocusedButtonClicksIt", {{VK_RETURN, false}}, nullptr, {100}, 0},
                      KeyCase{"EnterElsewhereUsesTheDefault", {{VK_TAB, false}, {VK_TAB, false}, {VK_TAB, false}, {VK_RETURN, false}}, nullptr, {100}, 0},
                      KeyCase{"EscapeCancels", {{VK_ESCAPE, false}}, nullptr, {IDCANCEL}, 0},
                      KeyCase{"SpaceClicksTheFocusedButton", {{VK_SPACE, false}}, nullptr, {100}, 100}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(DialogTest, EnterWithoutAFocusedButtonSendsTheDefaultId)
{
    TemplateBuilder t(WS_POPUP, 0, 0, 200, 100);
    t.control(_T("Static"), _T("label"), 5, 0, 10, 10, 50, 10)
        .control(_T("Button"), _T("Go"), 9, BS_DEFPUSHBUTTON | WS_TABSTOP, 10, 70, 50, 14);
    const HWND d = CreateDialogIndirectParamW(nullptr, t.get(), nullptr, recordingDialogProc, 0);
    ShowWindow(d, SW_SHOW);
    EXPECT_EQ(SendMessageW(d, DM_GETDEFID, 0, 0), MAKELRESULT(9, DC_HASDEFID));
    SetFocus(d);
    screen.pressKey(VK_RETURN);
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (!IsDialogMessageW(d, &msg)) DispatchMessageW(&msg);
    }
    EXPECT_EQ(commands(), std::vector<WORD>{9});
}

TEST_F(DialogTest, CloseRequestBecomesCancelAndControlColourComesFromTheProcedure)
{
    TemplateBuilder t(WS_POPUP | WS_VISIBLE, 0, 0, 100, 50);
    HBRUSH key = CreateSolidBrush(RGB(1, 2, 3));
    dialog.onMessage = [&](HWND, UINT, WPARAM, LPARAM) {};
    struct Answer {
        static INT_PTR CALLBACK proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
        {
            if (message == WM_CTLCOLORDLG) return reinterpret_cast<INT_PTR>(GetPropW(hwnd, _T("brush")));
            return recordingDialogProc(hwnd, message, wParam, lParam);
        }
    };
    const HWND d = CreateDialogIndirectParamW(nullptr, t.get(), nullptr, Answer::proc, 0);
    ASSERT_NE(d, nullptr);
    SetPropW(d, _T("brush"), key);
    InvalidateRect(d, nullptr, TRUE);
    host.pump();
    EXPECT_EQ(screen.pixel(20, 20), RGB(1, 2, 3));

    SendMessageW(d, WM_CLOSE, 0, 0);
    EXPECT_EQ(commands(), std::vector<WORD>{IDCANCEL});
    EXPECT_FALSE(IsWindowVisible(d)); // EndDialog hides a modeless dialog
    DeleteObject(key);
}

struct BoxCase {
    const char* name;
    UINT type;
    std::function<void(MemoryBackend&, HWND)> answer;
    int expected;
};

class MessageBoxTest : public HostTest, public ::testing::WithParamInterface<BoxCase> {};

TEST_P(MessageBoxTest, AnswersComeBackAsTheButtonId)
{
    const BoxCase& c = GetParam();
    const HWND owner = popup({0, 0, 800, 600});
    DialogManager::MessageBoxInfo seen;
    bool ownerDisabled = false;
    screen.whenIdle([&] {
        ASSERT_EQ(host.dialogs().openMessageBoxes().size(), 1u);
        seen = host.dialogs().openMessageBoxes().back();
        ownerDisabled = !IsWindowEnabled(owner);
        c.answer(screen, seen.window);
    });
    const int result = MessageBoxW(owner, _T("Really quit?"), _T("Quarrow"), c.type);
    EXPECT_EQ(result, c.expected);
    EXPECT_EQ(seen.text, _T("Really quit?"));
    EXPECT_EQ(seen.caption, _T("Quarrow"));
    EXPECT_EQ(seen.owner, owner);
    EXPECT_TRUE(ownerDisabled);
    EXPECT_TRUE(IsWindowEnabled(owner));
    EXPECT_TRUE(host.dialogs().openMessageBoxes().empty());
    EXPECT_FALSE(IsWindow(seen.window));
}

INSTANTIATE_TEST_SUITE_P(
    Answers, MessageBoxTest,
    ::testing::Values(
        BoxCase{"ClickOk", MB_OKCANCEL, [](MemoryBackend& s, HWND box) { s.clickControl(box, IDOK); }, IDOK},
        BoxCase{"ClickCancel", MB_OKCANCEL, [](MemoryBackend& s, HWND box) { s.clickControl(box, IDCANCEL); }, IDCANCEL},
        BoxCase{"EnterTakesTheDefault", MB_OKCANCEL, [](MemoryBackend& s, HWND) { s.pressKey(VK_RETURN); }, IDOK},
        BoxCase{"SecondDefault", MB_OKCANCEL | MB_DEFBUTTON2, [](MemoryBackend& s, HWND) { s.pressKey(VK_RETURN); }, IDCANCEL},
        BoxCase{"EscapeCancels", MB_OKCANCEL, [](MemoryBackend& s, HWND) { s.pressKey(VK_ESCAPE); }, IDCANCEL},
        BoxCase{"EscapeOnOkOnly", MB_OK, [](MemoryBackend& s, HWND) { s.pressKey(VK_ESCAPE); }, IDOK},
        BoxCase{"CloseRequest", MB_OKCANCEL, [](MemoryBackend&, HWND box) { PostMessageW(box, WM_CLOSE, 0, 0); }, IDCANCEL}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(HostTest, MessageBoxShowsItsTextAndButtonsOnScreen)
{
    HWND box = nullptr;
    std::string saved;
    screen.whenIdle([&] {
        box = host.dialogs().openMessageBoxes().back().window;
        const RECT r = windowRect(box);
        std::string error;
        saved = std::string(QUARROW_TEST_OUTPUT_DIR) + "/message_box.png";
        EXPECT_TRUE(screen.savePng(saved, &error, &r)) << error;
        // The text is drawn dark on the face colour inside the box.
        int dark = 0;
        for (int y = r.top; y < r.bottom; ++y) {
            for (int x = r.left; x < r.right; ++x) dark += GetRValue(screen.pixel(x, y)) < 96;
        }
        EXPECT_GT(dark, 20);
        screen.clickControl(box, IDOK);
    });
    EXPECT_EQ(MessageBoxW(nullptr, _T("您确定要退出游戏么？"), _T("Quarrow 微端"), MB_OKCANCEL), IDOK);
}

} // namespace
} // namespace quarrow::test

#ifdef QUARROW_TEST_HAS_RESOURCES
#include "res/resource.h"

namespace quarrow::test {
namespace {

TEST_F(DialogTest, DialogsComeFromTheModuleTemplatesWithTheirControls)
{
    const HWND back = CreateDialogParamW(nullptr, MAKEINTRESOURCEW(IDD_BACK_DIALOG), nullptr, recordingDialogProc, 0);
    ASSERT_NE(back, nullptr);
    RECT client;
    GetClientRect(back, &client);
    EXPECT_EQ(client.right, 600 * 6 / 4);
    EXPECT_EQ(client.bottom, 350 * 13 / 8);
    EXPECT_TRUE(IsWindowVisible(back)); // the template says WS_VISIBLE
    EXPECT_EQ(GetWindowLongW(back, GWL_EXSTYLE) & WS_EX_APPWINDOW, WS_EX_APPWINDOW);

    // The overlay's browser is an ActiveX control: it needs the factory.
    EXPECT_EQ(CreateDialogParamW(nullptr, MAKEINTRESOURCEW(IDD_LOGIN_FORE_DIALOG), back, recordingDialogProc, 0),
              nullptr);
    int made = 0;
    host.dialogs().setControlFactory([&](HWND d, const DialogTemplate::Item& item, const RECT& r, HFONT) {
        ++made;
        return child(d, r, static_cast<int>(item.id));
    });
    const HWND fore = CreateDialogParamW(nullptr, MAKEINTRESOURCEW(IDD_LOGIN_FORE_DIALOG), back, recordingDialogProc, 0);
    ASSERT_NE(fore, nullptr);
    EXPECT_EQ(made, 1);
    EXPECT_EQ(GetParent(fore), back);
    for (int id : {IDC_BTN_HOME, IDC_BTN_GUIDE, IDC_BTN_SERVICE, IDC_BTN_FORUM, IDC_BTN_MIN, IDC_BTN_CLOSE, IDC_BROWSER}) {
        EXPECT_NE(GetDlgItem(fore, id), nullptr) << id;
    }
    WCHAR cls[16] = {};
    GetClassNameW(GetDlgItem(fore, IDC_BTN_CLOSE), cls, 16);
    EXPECT_EQ(std::u16string(cls), _T("Button"));
}

} // namespace
} // namespace quarrow::test
#endif
