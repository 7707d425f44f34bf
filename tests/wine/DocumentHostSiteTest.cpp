// The document host at the COM boundary, with the real WebBrowser control
// (Wine's): what the control gets when it asks its client site for the
// document host's answers. Wine has no HTML engine here, so no page ever
// renders or runs script; what a rendered page would obey (no border, no
// scroll bars, no context menu, keys to the page, window.external) is
// checked as the answers the control receives.
//
// The control comes from a dialog template naming its class id, as the
// launcher's overlay has it, through the program's control-container
// manager, so the site is the program's CCustomControlSite behind the
// platform's COM site.
#include "afx/CDialog.h"
#include "afx/COccManager.h"
#include "afx/COleControlContainer.h"
#include "afx/COleControlSite.h"
#include "app/CQRB_LancherApp.h"
#include "browser/CCustomOccManager.h"
#include "browser/CImpIDispatch.h"
#include "support/TemplateBuilder.h"

#include <gtest/gtest.h>

#include <exdisp.h>
#include <mshtmhst.h>
#include <ole2.h>

#include <string>

namespace {

using quarrow::test::TemplateBuilder;
using quarrow::test::WideString;

constexpr UINT kBrowserId = 1001;
constexpr const wchar_t* kWebBrowserClass = L"{8856F961-340A-11D0-A96B-00C04FD705A2}";

// Releases a COM pointer at the end of its scope.
template <class T>
struct Held {
    T* p = nullptr;
    ~Held()
    {
        if (p) p->Release();
    }
    void** out() { return reinterpret_cast<void**>(&p); }
    T* operator->() const { return p; }
};

class DocumentHostSite : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(SUCCEEDED(OleInitialize(nullptr)));
        // What the application object sets up before its dialogs exist.
        if (!theApp.m_pExternal) theApp.m_pExternal = new CImpIDispatch;
        AfxEnableControlContainer(&m_manager);
        m_template.control(kWebBrowserClass, L"", kBrowserId, WS_TABSTOP, 10, 10, 200, 120);
        ASSERT_TRUE(m_dialog.CreateIndirect(m_template.get()));
        COleControlSite* site = m_dialog.m_pCtrlCont ? m_dialog.m_pCtrlCont->FindItem(kBrowserId) : nullptr;
        ASSERT_NE(nullptr, site) << "the template's browser control was not made";
        IDispatch* browser = site->GetControlDispatch();
        ASSERT_NE(nullptr, browser);
        ASSERT_EQ(S_OK, browser->QueryInterface(IID_IOleObject, m_object.out()));
        ASSERT_EQ(S_OK, m_object->GetClientSite(&m_client.p));
        ASSERT_NE(nullptr, m_client.p) << "the control holds no client site";
    }
    void TearDown() override
    {
        if (m_client.p) {
            m_client.p->Release();
            m_client.p = nullptr;
        }
        if (m_object.p) {
            m_object.p->Release();
            m_object.p = nullptr;
        }
        if (m_dialog.m_hWnd) m_dialog.DestroyWindow();
        AfxEnableControlContainer(nullptr);
        OleUninitialize();
    }

    CCustomOccManager m_manager;
    TemplateBuilder m_template{WS_POPUP | WS_VISIBLE, 0, 0, 240, 160};
    CDialog m_dialog;
    Held<IOleObject> m_object;
    Held<IOleClientSite> m_client;
};

TEST_F(DocumentHostSite, TheControlsClientSiteGivesTheLaunchersDocumentHost)
{
    Held<IDocHostUIHandler> handler;
    ASSERT_EQ(S_OK, m_client->QueryInterface(IID_IDocHostUIHandler, handler.out()));

    // No 3-D border and no scroll bars: the page sits in the artwork's panel.
    DOCHOSTUIINFO info{};
    info.cbSize = sizeof info;
    ASSERT_EQ(S_OK, handler->GetHostInfo(&info));
    EXPECT_EQ(static_cast<DWORD>(DOCHOSTUIFLAG_NO3DBORDER | DOCHOSTUIFLAG_SCROLL_NO), info.dwFlags);
    EXPECT_EQ(static_cast<DWORD>(DOCHOSTUIDBLCLK_DEFAULT), info.dwDoubleClick);

    // The host claims every context menu (S_OK) and shows none.
    POINT at{20, 20};
    for (DWORD menu : {static_cast<DWORD>(CONTEXT_MENU_DEFAULT), static_cast<DWORD>(CONTEXT_MENU_TEXTSELECT),
                       static_cast<DWORD>(CONTEXT_MENU_ANCHOR)}) {
        EXPECT_EQ(S_OK, handler->ShowContextMenu(menu, &at, nullptr, nullptr)) << menu;
    }

    // Every key goes on to the page (S_FALSE: the host used none).
    for (UINT key : {static_cast<UINT>(VK_TAB), static_cast<UINT>(VK_RETURN), static_cast<UINT>(VK_ESCAPE),
                     static_cast<UINT>('N'), static_cast<UINT>(VK_F5)}) {
        MSG msg{m_dialog.m_hWnd, WM_KEYDOWN, key, 0, 0, {0, 0}};
        EXPECT_EQ(S_FALSE, handler->TranslateAccelerator(&msg, nullptr, 0)) << key;
    }
}

TEST_F(DocumentHostSite, PageScriptWouldReadWibbleFromTheApplicationsExternalObject)
{
    Held<IDocHostUIHandler> handler;
    ASSERT_EQ(S_OK, m_client->QueryInterface(IID_IDocHostUIHandler, handler.out()));
    Held<IDispatch> external;
    ASSERT_EQ(S_OK, handler->GetExternal(&external.p));
    ASSERT_NE(nullptr, external.p);
    EXPECT_EQ(static_cast<IDispatch*>(theApp.m_pExternal), external.p) << "one external object for every page";

    // What script's window.external.xxyyzz does: the name's id, then a
    // property read.
    for (const wchar_t* name : {L"xxyyzz", L"xxyq"}) {
        LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
        DISPID id = DISPID_UNKNOWN;
        ASSERT_EQ(S_OK, external->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id)) << name;
        DISPPARAMS none{};
        VARIANT result;
        VariantInit(&result);
        ASSERT_EQ(S_OK, external->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &none, &result,
                                         nullptr, nullptr));
        ASSERT_EQ(VT_BSTR, result.vt);
        EXPECT_EQ(WideString(L"Wibble"), WideString(result.bstrVal, SysStringLen(result.bstrVal)));
        VariantClear(&result);
    }
}

TEST_F(DocumentHostSite, TheControlIsActiveInPlaceInTheDialogAtItsRectangle)
{
    // The same site answers the in-place questions; the control's window
    // is the dialog's, where the template put it.
    Held<IOleInPlaceSite> inPlace;
    ASSERT_EQ(S_OK, m_client->QueryInterface(IID_IOleInPlaceSite, inPlace.out()));
    HWND window = nullptr;
    ASSERT_EQ(S_OK, inPlace->GetWindow(&window));
    EXPECT_EQ(m_dialog.m_hWnd, window);
    EXPECT_EQ(S_OK, inPlace->CanInPlaceActivate());

    HWND control = GetDlgItem(m_dialog.m_hWnd, kBrowserId);
    ASSERT_NE(nullptr, control);
    RECT expected{10, 10, 210, 130};
    MapDialogRect(m_dialog.m_hWnd, &expected);
    RECT shown{};
    GetWindowRect(control, &shown);
    MapWindowPoints(nullptr, m_dialog.m_hWnd, reinterpret_cast<POINT*>(&shown), 2);
    EXPECT_EQ(expected.left, shown.left);
    EXPECT_EQ(expected.top, shown.top);
    EXPECT_EQ(expected.right, shown.right);
    EXPECT_EQ(expected.bottom, shown.bottom);
    EXPECT_TRUE(IsWindowVisible(control));

    // The control knows where it is, and is a web browser.
    Held<IWebBrowser2> browser;
    ASSERT_EQ(S_OK, m_object->QueryInterface(IID_IWebBrowser2, browser.out()));
    HWND hwndOfControl = nullptr;
    Held<IOleWindow> controlWindow;
    ASSERT_EQ(S_OK, m_object->QueryInterface(IID_IOleWindow, controlWindow.out()));
    ASSERT_EQ(S_OK, controlWindow->GetWindow(&hwndOfControl));
    EXPECT_TRUE(hwndOfControl == control || IsChild(control, hwndOfControl) || IsChild(hwndOfControl, control));
}

} // namespace
