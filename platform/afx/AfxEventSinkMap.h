// Event-sink maps: how the events of an ActiveX control reach member
// functions of the window that holds it.
//
// A control raises an event by calling Invoke on its site's event sink;
// the site wraps the call in an AFX_EVENT and routes it to the container
// window's OnCmdMsg(control id, CN_EVENT, &event, nullptr). CCmdTarget
// looks up the window's event-sink map: DECLARE_EVENTSINK_MAP() in the
// class and, between BEGIN_EVENTSINK_MAP(theClass, baseClass) and
// END_EVENTSINK_MAP(), one ON_EVENT(theClass, id, dispid, pfnHandler,
// vtsParams) per handled event. The first entry matching the control id and
// the DISPID, in the most-derived map and then in each base map, handles
// the event; later matching entries do not run.
//
// The handler is given as a member pointer (&CMyDialog::OnBeforeNavigate2)
// and vtsParams as the VTS_* bytes of afx/DispatchTypes.h, one per
// parameter. Each entry gets a thunk made from the member pointer, which
// converts the event's arguments (DISPPARAMS, in reverse order as COM
// delivers them) to the handler's parameters:
//   VTS_I2 SHORT, VTS_I4 LONG or long, VTS_BOOL BOOL, VTS_BSTR BSTR or
//   LPCWSTR, VTS_DISPATCH LPDISPATCH, VTS_UNKNOWN LPUNKNOWN, VTS_VARIANT
//   const VARIANT&, VTS_PI4 LONG*, VTS_PBSTR BSTR*, VTS_PVARIANT VARIANT*,
//   VTS_PBOOL BOOL* (read from the event's VARIANT_BOOL and written back
//   after the handler returns).
// A handler whose parameter types do not match its VTS bytes does not
// compile. An event whose argument count or types do not match the entry
// gets DISP_E_BADPARAMCOUNT or DISP_E_TYPEMISMATCH and its handler does not
// run. Handlers return void.
//
// The maps are constant tables owned by the classes.
#pragma once

#include "win32/OAIdl.h"
#include "win32/WinDef.h"

#include <cstddef>
#include <tuple>
#include <type_traits>
#include <utility>

class CCmdTarget;

// The notification code that OnCmdMsg receives for a control's event;
// pExtra is the AFX_EVENT.
#define CN_EVENT ((UINT)(-2))

// One call from a control to its site's event sink.
struct AFX_EVENT {
    enum { event };

    AFX_EVENT(int eventKind, DISPID dispid, DISPPARAMS* pDispParams = nullptr, EXCEPINFO* pExcepInfo = nullptr,
              UINT* puArgError = nullptr)
        : m_eventKind(eventKind), m_dispid(dispid), m_pDispParams(pDispParams), m_pExcepInfo(pExcepInfo),
          m_puArgError(puArgError)
    {
    }

    int m_eventKind;
    DISPID m_dispid;
    DISPPARAMS* m_pDispParams;
    EXCEPINFO* m_pExcepInfo;
    UINT* m_puArgError;
    // What the sink answers the control: the handler's outcome.
    HRESULT m_hResult = S_OK;
};

using AFX_EVENTTHUNK = HRESULT (*)(CCmdTarget* pTarget, AFX_EVENT* pEvent, const char* pszParams);

struct AFX_EVENTSINKMAP_ENTRY {
    UINT nCtlID;            // the control id
    DISPID dispid;          // the event's DISPID
    const char* pszParams;  // the VTS bytes of the handler's parameters
    AFX_EVENTTHUNK pfnThunk; // converts the arguments and calls the handler; null ends the map
};

struct AFX_EVENTSINKMAP {
    const AFX_EVENTSINKMAP* (*pfnGetBaseMap)();  // null for CCmdTarget's own map
    const AFX_EVENTSINKMAP_ENTRY* lpEntries;
};

namespace afx_event_detail {

// A VTS byte marks a pointer with 0x40; VARTYPE marks it with VT_BYREF.
constexpr VARTYPE vartypeOf(char vts)
{
    const auto b = static_cast<unsigned char>(vts);
    return static_cast<VARTYPE>((b & 0x40) ? ((b & ~0x40) | VT_BYREF) : b);
}

template <class T>
constexpr bool accepts(char vts)
{
    switch (vartypeOf(vts)) {
    case VT_I2: return std::is_same_v<T, SHORT>;
    case VT_I4: return std::is_same_v<T, LONG> || std::is_same_v<T, long>;
    case VT_BOOL: return std::is_same_v<T, BOOL>;
    case VT_BSTR: return std::is_same_v<T, BSTR> || std::is_same_v<T, LPCWSTR>;
    case VT_DISPATCH: return std::is_same_v<T, IDispatch*>;
    case VT_UNKNOWN: return std::is_same_v<T, IUnknown*>;
    case VT_VARIANT: return std::is_same_v<T, const VARIANT&>;
    case VT_I4 | VT_BYREF: return std::is_same_v<T, LONG*>;
    case VT_BSTR | VT_BYREF: return std::is_same_v<T, BSTR*>;
    case VT_BOOL | VT_BYREF: return std::is_same_v<T, BOOL*>;
    case VT_VARIANT | VT_BYREF: return std::is_same_v<T, VARIANT*>;
    default: return false;
    }
}

template <class F>
struct Handler;
template <class C, class... A>
struct Handler<void (C::*)(A...)> {
    using Class = C;
    using Args = std::tuple<A...>;
    static constexpr size_t arity = sizeof...(A);

    static constexpr bool matches(const char* vts)
    {
        size_t n = 0;
        while (vts[n]) ++n;
        if (n != arity) return false;
        [[maybe_unused]] size_t i = 0;
        return (... && accepts<A>(vts[i++]));
    }
};

// Reached only while an ON_EVENT entry is being compiled whose handler's
// parameters do not match its VTS bytes: the compiler reports the call as
// not constant. (A handler that does not return void finds no Handler
// specialisation.)
void EventHandlerDoesNotMatchItsVtsParams();

// One argument on its way from the event's VARIANT to a handler parameter
// of type T. Load fails when the VARIANT does not hold what the VTS byte
// promises; Store writes back what the handler changed.
template <class T>
struct Arg;

template <>
struct Arg<SHORT> {
    SHORT value = 0;
    bool load(VARIANT& v, char) { return v.vt == VT_I2 ? (value = v.iVal, true) : false; }
    SHORT get() const { return value; }
    void store() {}
};

// LONG is also BOOL: the VTS byte says which one the handler wants.
template <>
struct Arg<int> {
    int value = 0;
    bool load(VARIANT& v, char vts)
    {
        if (vartypeOf(vts) == VT_BOOL) {
            if (v.vt != VT_BOOL) return false;
            value = v.boolVal ? TRUE : FALSE;
            return true;
        }
        if (v.vt != VT_I4) return false;
        value = v.lVal;
        return true;
    }
    int get() const { return value; }
    void store() {}
};

template <>
struct Arg<long> {
    long value = 0;
    bool load(VARIANT& v, char) { return v.vt == VT_I4 ? (value = v.lVal, true) : false; }
    long get() const { return value; }
    void store() {}
};

template <>
struct Arg<BSTR> {
    BSTR value = nullptr;
    bool load(VARIANT& v, char) { return v.vt == VT_BSTR ? (value = v.bstrVal, true) : false; }
    BSTR get() const { return value; }
    void store() {}
};

template <>
struct Arg<LPCWSTR> {
    LPCWSTR value = nullptr;
    bool load(VARIANT& v, char) { return v.vt == VT_BSTR ? (value = v.bstrVal, true) : false; }
    LPCWSTR get() const { return value; }
    void store() {}
};

template <>
struct Arg<IDispatch*> {
    IDispatch* value = nullptr;
    bool load(VARIANT& v, char) { return v.vt == VT_DISPATCH ? (value = v.pdispVal, true) : false; }
    IDispatch* get() const { return value; }
    void store() {}
};

template <>
struct Arg<IUnknown*> {
    IUnknown* value = nullptr;
    bool load(VARIANT& v, char)
    {
        if (v.vt == VT_UNKNOWN) value = v.punkVal;
        else if (v.vt == VT_DISPATCH) value = v.pdispVal;
        else return false;
        return true;
    }
    IUnknown* get() const { return value; }
    void store() {}
};

template <>
struct Arg<const VARIANT&> {
    const VARIANT* value = nullptr;
    bool load(VARIANT& v, char)
    {
        value = v.vt == (VT_VARIANT | VT_BYREF) ? v.pvarVal : &v;
        return value != nullptr;
    }
    const VARIANT& get() const { return *value; }
    void store() {}
};

template <>
struct Arg<VARIANT*> {
    VARIANT* value = nullptr;
    // A VARIANT that is not a reference to one is handed over itself.
    bool load(VARIANT& v, char)
    {
        value = v.vt == (VT_VARIANT | VT_BYREF) ? v.pvarVal : &v;
        return true;
    }
    VARIANT* get() const { return value; }
    void store() {}
};

template <>
struct Arg<BSTR*> {
    BSTR* value = nullptr;
    bool load(VARIANT& v, char) { return v.vt == (VT_BSTR | VT_BYREF) ? (value = v.pbstrVal, true) : false; }
    BSTR* get() const { return value; }
    void store() {}
};

// BOOL* is int*, and so is LONG* where LONG is int (the Linux data model);
// then the VTS byte says which one the handler wants. A BOOL is a copy of
// the event's VARIANT_BOOL, written back after the handler.
template <>
struct Arg<int*> {
    int* value = nullptr;
    VARIANT_BOOL* pBool = nullptr;
    BOOL copy = FALSE;
    bool load(VARIANT& v, char vts)
    {
        if (vartypeOf(vts) == (VT_BOOL | VT_BYREF)) {
            if (v.vt != (VT_BOOL | VT_BYREF)) return false;
            pBool = v.pboolVal;
            copy = pBool && *pBool ? TRUE : FALSE;
            value = &copy;
            return true;
        }
        if constexpr (std::is_same_v<LONG, int>) {
            // The same type here; the cast only keeps the other data
            // model's (discarded) branch compiling.
            if (v.vt != (VT_I4 | VT_BYREF)) return false;
            value = reinterpret_cast<int*>(v.plVal);
            return true;
        } else {
            return false;
        }
    }
    int* get() const { return value; }
    void store()
    {
        if (pBool) *pBool = copy ? VARIANT_TRUE : VARIANT_FALSE;
    }
};

// LONG* where LONG is long (the Windows data model), a type of its own.
template <>
struct Arg<long*> {
    long* value = nullptr;
    bool load(VARIANT& v, char)
    {
        if constexpr (std::is_same_v<LONG, long>) {
            if (v.vt != (VT_I4 | VT_BYREF)) return false;
            value = reinterpret_cast<long*>(v.plVal);
            return true;
        } else {
            return false;
        }
    }
    long* get() const { return value; }
    void store() {}
};

template <class T, auto pfn, size_t... I>
HRESULT callHandler(CCmdTarget* pTarget, AFX_EVENT* pEvent, [[maybe_unused]] const char* vts,
                    std::index_sequence<I...>)
{
    using H = Handler<decltype(pfn)>;
    DISPPARAMS* params = pEvent->m_pDispParams;
    const UINT count = params ? params->cArgs : 0;
    if (count != H::arity) return DISP_E_BADPARAMCOUNT;
    std::tuple<Arg<std::tuple_element_t<I, typename H::Args>>...> args;
    [[maybe_unused]] UINT bad = 0;
    // Argument I of the handler is the event's argument count-1-I.
    const bool loaded = (... && (std::get<I>(args).load(params->rgvarg[count - 1 - I], vts[I]) ||
                                 ((bad = count - 1 - I), false)));
    if (!loaded) {
        if (pEvent->m_puArgError) *pEvent->m_puArgError = bad;
        return DISP_E_TYPEMISMATCH;
    }
    (static_cast<T*>(pTarget)->*pfn)(std::get<I>(args).get()...);
    (std::get<I>(args).store(), ...);
    return S_OK;
}

template <class T, auto pfn>
HRESULT thunk(CCmdTarget* pTarget, AFX_EVENT* pEvent, const char* vts)
{
    return callHandler<T, pfn>(pTarget, pEvent, vts, std::make_index_sequence<Handler<decltype(pfn)>::arity>{});
}

// The thunk of an entry of T's map, once the handler's parameters have
// been checked against the entry's VTS bytes while compiling.
template <class T, auto pfn>
consteval AFX_EVENTTHUNK thunkFor(const char* vts)
{
    using H = Handler<decltype(pfn)>;
    static_assert(std::is_base_of_v<typename H::Class, T>, "the handler must be a member of the map's class");
    if (!H::matches(vts)) EventHandlerDoesNotMatchItsVtsParams();
    return &thunk<T, pfn>;
}

} // namespace afx_event_detail

#define DECLARE_EVENTSINK_MAP()                              \
protected:                                                   \
    static const AFX_EVENTSINKMAP* GetThisEventSinkMap();    \
    const AFX_EVENTSINKMAP* GetEventSinkMap() const override;

#define BEGIN_EVENTSINK_MAP(theClass, baseClass)                                              \
    const AFX_EVENTSINKMAP* theClass::GetEventSinkMap() const { return GetThisEventSinkMap(); } \
    const AFX_EVENTSINKMAP* theClass::GetThisEventSinkMap()                                   \
    {                                                                                         \
        using ThisClass [[maybe_unused]] = theClass;                                          \
        using TheBaseClass [[maybe_unused]] = baseClass;                                      \
        static const AFX_EVENTSINKMAP_ENTRY eventEntries[] = {

#define ON_EVENT(theClass, id, dispid, pfnHandler, vtsParams)                        \
    {static_cast<UINT>(id), static_cast<DISPID>(dispid), vtsParams,                  \
     afx_event_detail::thunkFor<theClass, pfnHandler>(vtsParams)},

#define END_EVENTSINK_MAP()                                                                     \
    {0, 0, nullptr, nullptr}                                                                    \
    }                                                                                           \
    ;                                                                                           \
    static const AFX_EVENTSINKMAP eventSinkMap = {&TheBaseClass::GetThisEventSinkMap, &eventEntries[0]}; \
    return &eventSinkMap;                                                                       \
    }
