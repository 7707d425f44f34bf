#include "afx/COccManager.h"

#include <cstdio>
#include <memory>
#include <string>

#include "afx/COleControlContainer.h"
#include "afx/COleControlSite.h"
#include "afx/CWnd.h"
#include "win32/ControlHosting.h"
#include "win32/WinNls.h"

namespace {

// One GUI thread runs the framework, so the installed manager is plain
// data, like the framework's handle maps.
COccManager* g_installed = nullptr;

std::string narrow(const std::u16string& text)
{
    char buffer[256] = {};
    ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, buffer, sizeof buffer, nullptr, nullptr);
    return buffer;
}

// The dialog manager's maker for template controls whose class is not a
// window class: an ActiveX control named by its class id, created by the
// control container of the framework dialog being made.
HWND makeDialogControl(HWND dialog, const quarrow::DialogTemplate::Item& item, const RECT& rect, HFONT)
{
    const std::u16string className = item.className();
    CLSID clsid{};
    if (!item.windowClass.present || item.windowClass.isOrdinal || FAILED(::CLSIDFromString(className.c_str(), &clsid))) {
        std::fprintf(stderr, "quarrow: control %u of the dialog has the class \"%s\", which is neither a window class "
                             "nor a control's class id\n",
                     static_cast<unsigned>(item.id), narrow(className).c_str());
        return nullptr;
    }
    CWnd* pWnd = CWnd::FromHandlePermanent(dialog);
    if (!pWnd) {
        std::fprintf(stderr, "quarrow: control %u %s needs a framework dialog to hold it\n",
                     static_cast<unsigned>(item.id), narrow(className).c_str());
        return nullptr;
    }
    if (!pWnd->InitControlContainer()) return nullptr;
    const std::u16string title = item.title.present && !item.title.isOrdinal ? item.title.text : std::u16string();
    return pWnd->m_pCtrlCont->CreateDialogControl(clsid, item.id, title.c_str(), item.style, item.exStyle, rect);
}

COccManager& defaultManager()
{
    static COccManager manager;
    return manager;
}

} // namespace

COccManager::~COccManager()
{
    if (g_installed == this) g_installed = nullptr;
}

COleControlContainer* COccManager::CreateContainer(CWnd* pWnd) { return new COleControlContainer(pWnd); }

COleControlSite* COccManager::CreateSite(COleControlContainer* pCtrlCont) { return new COleControlSite(pCtrlCont); }

void AfxEnableControlContainer(COccManager* pOccManager)
{
    g_installed = pOccManager ? pOccManager : &defaultManager();
    quarrow::SetDialogControlMaker(&makeDialogControl);
}

COccManager* AfxGetOccManager() { return g_installed; }
