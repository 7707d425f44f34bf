// The framework's message-receiving base class and its static message maps.
//
// Every class that handles messages or commands declares a message map with
// DECLARE_MESSAGE_MAP() and fills it between BEGIN_MESSAGE_MAP(theClass,
// baseClass) and END_MESSAGE_MAP(). A map is a constant table of entries,
// each naming a message (or, for WM_COMMAND, a notification code and a
// command id range), the handler's signature and the handler. Dispatch
// looks in the object's own map first and then in each base map in turn,
// so a derived class only lists what it changes. The entry macros for
// window messages and control notifications are in afx/AfxMsgMap.h.
//
// The same class carries the framework's COM support: interface maps and
// a reference count (afx/AfxInterfaceMap.h), and the event-sink maps that
// route the events of ActiveX controls to handlers (afx/AfxEventSinkMap.h).
//
// Maps are static data owned by the classes; nothing here allocates.
#pragma once

#include "afx/AfxEventSinkMap.h"
#include "afx/AfxInterfaceMap.h"
#include "afx/CObject.h"
#include "win32/WinDef.h"
#include "win32/WinUser.h"

// Marks a member function as a message handler; it expands to nothing and
// is there for the reader.
#define afx_msg

class CCmdTarget;
class CWnd;
class CDC;
class CPoint;
using AFX_PMSG = void (CCmdTarget::*)();

// The handler signatures that the dispatcher knows how to call. Names read
// as result_arguments.
enum AfxSig : UINT {
    AfxSig_end = 0,
    AfxSig_v_v,          // void ()                                 commands and simple messages
    AfxSig_i_CREATE,     // int (LPCREATESTRUCT)                    WM_CREATE
    AfxSig_b_DC,         // BOOL (CDC*)                             WM_ERASEBKGND
    AfxSig_v_ii,         // void (int x, int y)                     WM_MOVE
    AfxSig_v_uii,        // void (UINT type, int cx, int cy)        WM_SIZE
    AfxSig_v_uPoint,     // void (UINT flags, CPoint point)         mouse messages
    AfxSig_l_Point,      // LRESULT (CPoint screenPoint)            WM_NCHITTEST
    AfxSig_hcur_v,       // HCURSOR ()                              WM_QUERYDRAGICON
    AfxSig_hbr_DCWu,     // HBRUSH (CDC*, CWnd*, UINT nCtlColor)    WM_CTLCOLOR*
    AfxSig_v_ul,         // void (UINT nID, LPARAM)                 WM_SYSCOMMAND
    AfxSig_v_iDRAW,      // void (int nIDCtl, LPDRAWITEMSTRUCT)     WM_DRAWITEM
    AfxSig_l_wl,         // LRESULT (WPARAM, LPARAM)                ON_MESSAGE
};

// Notification code of a command that comes from a menu, an accelerator or
// a button click; BN_CLICKED has the same value.
#define CN_COMMAND 0

// The handler of an entry, stored under the member that matches the
// entry's signature. Entries are written and read through the same member,
// so no handler pointer is ever reinterpreted. Window-message handlers are
// members of CWnd (a derived class's handler converts to it); commands and
// void() messages use the CCmdTarget form.
union AfxMessageHandler {
    AFX_PMSG v_v;
    int (CWnd::*i_CREATE)(LPCREATESTRUCTW);
    BOOL (CWnd::*b_DC)(CDC*);
    void (CWnd::*v_ii)(int, int);
    void (CWnd::*v_uii)(UINT, int, int);
    void (CWnd::*v_uPoint)(UINT, CPoint);
    LRESULT (CWnd::*l_Point)(CPoint);
    HCURSOR (CWnd::*hcur_v)();
    HBRUSH (CWnd::*hbr_DCWu)(CDC*, CWnd*, UINT);
    void (CWnd::*v_ul)(UINT, LPARAM);
    void (CWnd::*v_iDRAW)(int, LPDRAWITEMSTRUCT);
    LRESULT (CWnd::*l_wl)(WPARAM, LPARAM);
};

struct AFX_MSGMAP_ENTRY {
    UINT nMessage;          // window message, WM_COMMAND for commands and notifications
    UINT nCode;             // notification code for WM_COMMAND, 0 otherwise
    UINT nID;               // first command or control id, 0 for window messages
    UINT nLastID;           // last command id of the range
    UINT_PTR nSig;          // an AfxSig value
    AfxMessageHandler pfn;  // the handler, under the member that nSig names
};

struct AFX_MSGMAP {
    const AFX_MSGMAP* (*pfnGetBaseMap)();
    const AFX_MSGMAP_ENTRY* lpEntries;
};

// Not used by this framework's command routing; kept so that OnCmdMsg has
// the framework's signature.
struct AFX_CMDHANDLERINFO {
    CCmdTarget* pTarget;
    AFX_PMSG pmf;
};

#define DECLARE_MESSAGE_MAP()                            \
protected:                                               \
    static const AFX_MSGMAP* GetThisMessageMap();        \
    const AFX_MSGMAP* GetMessageMap() const override;

#define BEGIN_MESSAGE_MAP(theClass, baseClass)                                    \
    const AFX_MSGMAP* theClass::GetMessageMap() const { return GetThisMessageMap(); } \
    const AFX_MSGMAP* theClass::GetThisMessageMap()                               \
    {                                                                             \
        using ThisClass [[maybe_unused]] = theClass;                              \
        using TheBaseClass [[maybe_unused]] = baseClass;                          \
        static const AFX_MSGMAP_ENTRY messageEntries[] = {

#define END_MESSAGE_MAP()                                                        \
    {0, 0, 0, 0, AfxSig_end, {.v_v = nullptr}}                                   \
    }                                                                            \
    ;                                                                            \
    static const AFX_MSGMAP messageMap = {&TheBaseClass::GetThisMessageMap, &messageEntries[0]}; \
    return &messageMap;                                                          \
    }

// Commands: a menu item, accelerator or button id routed to void handler().
// The handler is given as a member pointer, e.g. &CMyDialog::OnBtnHome.
#define ON_COMMAND(id, memberFxn)                                                          \
    {WM_COMMAND, CN_COMMAND, static_cast<WORD>(id), static_cast<WORD>(id), AfxSig_v_v, \
     {.v_v = static_cast<AFX_PMSG>(memberFxn)}},

// A control notification (the high word of WM_COMMAND's wParam) from the
// control with the given id.
#define ON_CONTROL(wNotifyCode, id, memberFxn)                                                   \
    {WM_COMMAND, static_cast<WORD>(wNotifyCode), static_cast<WORD>(id), static_cast<WORD>(id), \
     AfxSig_v_v, {.v_v = static_cast<AFX_PMSG>(memberFxn)}},

class CCmdTarget : public CObject {
    DECLARE_DYNAMIC(CCmdTarget)
public:
    CCmdTarget() = default;
    ~CCmdTarget() override = default;

    // Routes a command (an id and a notification code) through this
    // object's message map and its base maps; TRUE when a handler ran.
    // CN_EVENT goes to OnEvent with the AFX_EVENT in pExtra.
    // pExtra and pHandlerInfo are accepted for the framework's signature;
    // with pHandlerInfo set, the handler is only looked up, not called.
    virtual BOOL OnCmdMsg(UINT nID, int nCode, void* pExtra, AFX_CMDHANDLERINFO* pHandlerInfo);

    // The entry for a window message (nCode and nID 0) or a command in a
    // map chain, or null.
    static const AFX_MSGMAP_ENTRY* FindMessageEntry(const AFX_MSGMAP* map, UINT message, UINT code, UINT id);

    // ---- COM objects
    // The interface `iid` (an IID*) of this object from its interface maps,
    // not AddRef'd, or null. IID_IUnknown answers with the first interface
    // of the base-most map that lists any, so the object's identity stays
    // the same whatever a derived class adds.
    void* GetInterface(const void* iid);
    // QueryInterface, AddRef and Release of every interface part. The count
    // starts at 1 (the creator's reference); the release that takes it to 0
    // calls OnFinalRelease.
    HRESULT ExternalQueryInterface(const void* iid, void** ppvObj);
    ULONG ExternalAddRef();
    ULONG ExternalRelease();
    HRESULT InternalQueryInterface(const void* iid, void** ppvObj);
    ULONG InternalAddRef();
    ULONG InternalRelease();
    // The last reference is gone. The default deletes the object; an object
    // owned by something else (a control site, owned by its container)
    // overrides it.
    virtual void OnFinalRelease();

    // ---- control events
    // The first entry of the event-sink maps (most-derived first) for
    // `nCtlID` and the event's DISPID runs, and the event's m_hResult takes
    // its outcome. FALSE when no entry matches; with pHandlerInfo set, the
    // entry is only looked up.
    virtual BOOL OnEvent(UINT nCtlID, AFX_EVENT* pEvent, AFX_CMDHANDLERINFO* pHandlerInfo);
    static const AFX_EVENTSINKMAP_ENTRY* FindEventSinkEntry(const AFX_EVENTSINKMAP* map, UINT nCtlID, DISPID dispid);

    ULONG m_dwRef = 1;

protected:
    static const AFX_MSGMAP* GetThisMessageMap();
    virtual const AFX_MSGMAP* GetMessageMap() const;
    static const AFX_INTERFACEMAP* GetThisInterfaceMap();
    virtual const AFX_INTERFACEMAP* GetInterfaceMap() const;
    static const AFX_EVENTSINKMAP* GetThisEventSinkMap();
    virtual const AFX_EVENTSINKMAP* GetEventSinkMap() const;
};
