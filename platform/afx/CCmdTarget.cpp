#include "afx/CCmdTarget.h"

#include <cassert>

IMPLEMENT_DYNAMIC(CCmdTarget, CObject)

const AFX_MSGMAP* CCmdTarget::GetThisMessageMap()
{
    static const AFX_MSGMAP_ENTRY entries[] = {{0, 0, 0, 0, AfxSig_end, {.v_v = nullptr}}};
    static const AFX_MSGMAP map = {nullptr, &entries[0]};
    return &map;
}

const AFX_MSGMAP* CCmdTarget::GetMessageMap() const { return GetThisMessageMap(); }

const AFX_MSGMAP_ENTRY* CCmdTarget::FindMessageEntry(const AFX_MSGMAP* map, UINT message, UINT code, UINT id)
{
    for (; map; map = map->pfnGetBaseMap ? map->pfnGetBaseMap() : nullptr) {
        for (const AFX_MSGMAP_ENTRY* entry = map->lpEntries; entry->nSig != AfxSig_end; ++entry) {
            if (entry->nMessage == message && entry->nCode == code && entry->nID <= id && id <= entry->nLastID) {
                return entry;
            }
        }
    }
    return nullptr;
}

BOOL CCmdTarget::OnCmdMsg(UINT nID, int nCode, void* pExtra, AFX_CMDHANDLERINFO* pHandlerInfo)
{
    if (static_cast<UINT>(nCode) == CN_EVENT) return OnEvent(nID, static_cast<AFX_EVENT*>(pExtra), pHandlerInfo);
    const AFX_MSGMAP_ENTRY* entry = FindMessageEntry(GetMessageMap(), WM_COMMAND, static_cast<UINT>(nCode), nID);
    if (!entry) return FALSE;
    if (pHandlerInfo) {
        pHandlerInfo->pTarget = this;
        pHandlerInfo->pmf = entry->pfn.v_v;
        return TRUE;
    }
    (this->*entry->pfn.v_v)();
    return TRUE;
}

// ---------------------------------------------------------------------------
// Interface maps and the reference count

const AFX_INTERFACEMAP* CCmdTarget::GetThisInterfaceMap()
{
    static const AFX_INTERFACEMAP_ENTRY entries[] = {{nullptr, nullptr}};
    static const AFX_INTERFACEMAP map = {nullptr, &entries[0]};
    return &map;
}

const AFX_INTERFACEMAP* CCmdTarget::GetInterfaceMap() const { return GetThisInterfaceMap(); }

void* CCmdTarget::GetInterface(const void* iid)
{
    if (!iid) return nullptr;
    const IID& wanted = *static_cast<const IID*>(iid);
    const AFX_INTERFACEMAP_ENTRY* identity = nullptr;
    for (const AFX_INTERFACEMAP* map = GetInterfaceMap(); map; map = map->pfnGetBaseMap ? map->pfnGetBaseMap() : nullptr) {
        if (map->pEntry->piid) identity = map->pEntry;
        for (const AFX_INTERFACEMAP_ENTRY* entry = map->pEntry; entry->piid; ++entry) {
            if (*entry->piid == wanted) return entry->pfnGetPart(this, false);
        }
    }
    if (wanted == IID_IUnknown && identity) return identity->pfnGetPart(this, true);
    return nullptr;
}

HRESULT CCmdTarget::InternalQueryInterface(const void* iid, void** ppvObj)
{
    if (!ppvObj) return E_POINTER;
    *ppvObj = GetInterface(iid);
    if (!*ppvObj) return E_NOINTERFACE;
    InternalAddRef();
    return S_OK;
}

ULONG CCmdTarget::InternalAddRef() { return ++m_dwRef; }

ULONG CCmdTarget::InternalRelease()
{
    // A release without a reference is the caller's fault; the count stays
    // at zero rather than wrapping round to a huge count.
    assert(m_dwRef > 0 && "Release without a matching reference");
    if (m_dwRef == 0) return 0;
    if (--m_dwRef == 0) {
        OnFinalRelease();
        return 0;
    }
    return m_dwRef;
}

// No aggregation: the object is its own controlling unknown.
HRESULT CCmdTarget::ExternalQueryInterface(const void* iid, void** ppvObj)
{
    return InternalQueryInterface(iid, ppvObj);
}
ULONG CCmdTarget::ExternalAddRef() { return InternalAddRef(); }
ULONG CCmdTarget::ExternalRelease() { return InternalRelease(); }

void CCmdTarget::OnFinalRelease() { delete this; }

// ---------------------------------------------------------------------------
// Event-sink maps

const AFX_EVENTSINKMAP* CCmdTarget::GetThisEventSinkMap()
{
    static const AFX_EVENTSINKMAP_ENTRY entries[] = {{0, 0, nullptr, nullptr}};
    static const AFX_EVENTSINKMAP map = {nullptr, &entries[0]};
    return &map;
}

const AFX_EVENTSINKMAP* CCmdTarget::GetEventSinkMap() const { return GetThisEventSinkMap(); }

const AFX_EVENTSINKMAP_ENTRY* CCmdTarget::FindEventSinkEntry(const AFX_EVENTSINKMAP* map, UINT nCtlID, DISPID dispid)
{
    for (; map; map = map->pfnGetBaseMap ? map->pfnGetBaseMap() : nullptr) {
        for (const AFX_EVENTSINKMAP_ENTRY* entry = map->lpEntries; entry->pfnThunk; ++entry) {
            if (entry->nCtlID == nCtlID && entry->dispid == dispid) return entry;
        }
    }
    return nullptr;
}

BOOL CCmdTarget::OnEvent(UINT nCtlID, AFX_EVENT* pEvent, AFX_CMDHANDLERINFO* pHandlerInfo)
{
    if (!pEvent || pEvent->m_eventKind != AFX_EVENT::event) return FALSE;
    const AFX_EVENTSINKMAP_ENTRY* entry = FindEventSinkEntry(GetEventSinkMap(), nCtlID, pEvent->m_dispid);
    if (!entry) return FALSE;
    if (pHandlerInfo) {
        pHandlerInfo->pTarget = this;
        pHandlerInfo->pmf = nullptr;
        return TRUE;
    }
    pEvent->m_hResult = entry->pfnThunk(this, pEvent, entry->pszParams);
    return TRUE;
}
