#include "afx/COleControlContainer.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "afx/COccManager.h"
#include "afx/COleControlSite.h"
#include "afx/CWnd.h"

namespace {

// The message of a dialog init entry that holds an ActiveX control's state
// saved to a stream.
constexpr WORD kLoadFromStream = 0x0376;

WORD readWord(const BYTE* p) { return static_cast<WORD>(p[0] | (p[1] << 8)); }
DWORD readDword(const BYTE* p) { return static_cast<DWORD>(readWord(p)) | (static_cast<DWORD>(readWord(p + 2)) << 16); }

} // namespace

COleControlContainer::COleControlContainer(CWnd* pWnd) : m_pWnd(pWnd) {}

COleControlContainer::~COleControlContainer()
{
    CloseControls();
    m_sites.clear();
}

void COleControlContainer::CloseControls()
{
    for (const auto& site : m_sites) site->CloseControl();
}

BOOL COleControlContainer::CreateControl(CWnd* pWndCtrl, REFCLSID clsid, LPCWSTR lpszWindowName, DWORD dwStyle,
                                         const RECT& rect, UINT nID, const BYTE* persisted, size_t size,
                                         DWORD dwExStyle, COleControlSite** ppNewSite)
{
    if (ppNewSite) *ppNewSite = nullptr;
    COccManager* manager = AfxGetOccManager();
    if (!manager || !m_pWnd) {
        std::fprintf(stderr, "quarrow: control %u cannot be created: %s\n", nID,
                     manager ? "its container's window is gone" : "no control container is enabled");
        return FALSE;
    }
    std::unique_ptr<COleControlSite> site(manager->CreateSite(this));
    if (!site) {
        std::fprintf(stderr, "quarrow: control %u cannot be created: the manager made no site\n", nID);
        return FALSE;
    }
    const HRESULT hr = site->CreateControl(pWndCtrl, clsid, lpszWindowName, dwStyle, rect, nID, persisted, size,
                                           dwExStyle);
    if (FAILED(hr)) {
        const BYTE* d = clsid.Data4;
        std::fprintf(stderr,
                     "quarrow: control %u of class {%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X} could not be "
                     "created (0x%08X)\n",
                     nID, static_cast<unsigned>(clsid.Data1), clsid.Data2, clsid.Data3, d[0], d[1], d[2], d[3], d[4],
                     d[5], d[6], d[7], static_cast<unsigned>(hr));
        return FALSE;
    }
    if (ppNewSite) *ppNewSite = site.get();
    m_sites.push_back(std::move(site));
    return TRUE;
}

HWND COleControlContainer::CreateDialogControl(REFCLSID clsid, UINT nID, LPCWSTR lpszWindowName, DWORD dwStyle,
                                               DWORD dwExStyle, const RECT& rect)
{
    const BYTE* persisted = nullptr;
    size_t size = 0;
    for (const DialogInitEntry& entry : m_dialogInit) {
        if (entry.nID == nID && entry.message == kLoadFromStream) {
            persisted = entry.data.data();
            size = entry.data.size();
            break;
        }
    }
    COleControlSite* site = nullptr;
    if (!CreateControl(nullptr, clsid, lpszWindowName, dwStyle, rect, nID, persisted, size, dwExStyle, &site)) {
        return nullptr;
    }
    return site->m_hWnd;
}

COleControlSite* COleControlContainer::FindItem(UINT nID) const
{
    for (const auto& site : m_sites) {
        if (site->m_nID == nID) return site.get();
    }
    return nullptr;
}

BOOL COleControlContainer::PreTranslateMessage(MSG* pMsg)
{
    if (!pMsg || pMsg->message < WM_KEYFIRST || pMsg->message > WM_KEYLAST || !pMsg->hwnd) return FALSE;
    for (const auto& site : m_sites) {
        const HWND control = site->m_hWnd;
        if (control && (pMsg->hwnd == control || ::IsChild(control, pMsg->hwnd))) {
            return site->TranslateAccelerator(*pMsg);
        }
    }
    return FALSE;
}

void COleControlContainer::SetDialogInit(const void* data, size_t size)
{
    m_dialogInit.clear();
    if (!data) return;
    const auto* bytes = static_cast<const BYTE*>(data);
    size_t pos = 0;
    bool reportedMessage = false;
    while (pos + 2 <= size) {
        const WORD id = readWord(bytes + pos);
        if (id == 0) return;
        if (size - pos < 8 || readDword(bytes + pos + 4) > size - pos - 8) {
            std::fprintf(stderr, "quarrow: the dialog init data ends inside the entry of control %u; the rest is "
                                 "ignored\n",
                         static_cast<unsigned>(id));
            return;
        }
        const WORD message = readWord(bytes + pos + 2);
        const DWORD length = readDword(bytes + pos + 4);
        if (message != kLoadFromStream && !reportedMessage) {
            // Other entries (list and combo box strings, storage-based
            // control state) have no control here that could take them.
            reportedMessage = true;
            std::fprintf(stderr, "quarrow: the dialog init entry of control %u with message 0x%04X is not "
                                 "supported and is ignored\n",
                         static_cast<unsigned>(id), static_cast<unsigned>(message));
        }
        m_dialogInit.push_back(DialogInitEntry{id, message, std::vector<BYTE>(bytes + pos + 8, bytes + pos + 8 + length)});
        pos += 8 + length;
    }
    if (pos < size) {
        std::fprintf(stderr, "quarrow: the dialog init data ends inside an entry; the rest is ignored\n");
    }
}

void COleControlContainer::DestroyWithWindow()
{
    m_pWnd = nullptr;
    CloseControls();
    if (m_nEventDepth > 0) {
        m_bDeletePending = true;
        return;
    }
    delete this;
}

void COleControlContainer::BeginEvent() { ++m_nEventDepth; }

void COleControlContainer::EndEvent()
{
    if (--m_nEventDepth == 0 && m_bDeletePending) delete this;
}
