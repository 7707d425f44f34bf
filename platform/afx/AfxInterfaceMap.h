// Interface maps: how a CCmdTarget becomes a COM object in the framework's
// nested-interface style.
//
// A class lists the interfaces it implements in a static interface map:
// DECLARE_INTERFACE_MAP() in the class, and between
// BEGIN_INTERFACE_MAP(theClass, baseClass) and END_INTERFACE_MAP() one
// INTERFACE_PART(theClass, iid, localClass) per interface. Each interface
// is a nested class, the interface part, declared between
// BEGIN_INTERFACE_PART(localClass, baseInterface) and
// END_INTERFACE_PART(localClass): it derives from the interface, adds no
// data, and lives in the outer object as the member m_x##localClass. Its
// methods reach the outer object through METHOD_PROLOGUE(theClass,
// localClass), which gives `pThis`; its IUnknown methods delegate to the
// outer object's ExternalQueryInterface, ExternalAddRef and
// ExternalRelease, so every part shares the object's one reference count.
//
// CCmdTarget::GetInterface looks in the most-derived class's map first and
// then in each base map, so a derived class can answer an interface in its
// own way. The maps are constant tables owned by the classes.
#pragma once

#include "win32/Unknwn.h"

#include <cstddef>

class CCmdTarget;

struct AFX_INTERFACEMAP_ENTRY {
    const IID* piid;  // the interface id; null ends the map
    // The part's interface pointer within `pTarget` (an object of the map's
    // class), as the interface itself or, with bUnknown, as its IUnknown.
    void* (*pfnGetPart)(CCmdTarget* pTarget, bool bUnknown);
};

struct AFX_INTERFACEMAP {
    const AFX_INTERFACEMAP* (*pfnGetBaseMap)();  // null for CCmdTarget's own map
    const AFX_INTERFACEMAP_ENTRY* pEntry;
};

// The interface pointer of an interface part, converted as the language
// converts it (no reinterpretation of addresses).
template <class Part>
void* AfxInterfaceOfPart(Part& part, bool bUnknown)
{
    using Interface = typename Part::AfxInterface;
    Interface* pInterface = &part;
    if (bUnknown) return static_cast<IUnknown*>(pInterface);
    return pInterface;
}

#define DECLARE_INTERFACE_MAP()                       \
protected:                                            \
    static const AFX_INTERFACEMAP* GetThisInterfaceMap(); \
    const AFX_INTERFACEMAP* GetInterfaceMap() const override;

#define BEGIN_INTERFACE_MAP(theClass, baseClass)                                           \
    const AFX_INTERFACEMAP* theClass::GetInterfaceMap() const { return GetThisInterfaceMap(); } \
    const AFX_INTERFACEMAP* theClass::GetThisInterfaceMap()                                \
    {                                                                                      \
        using ThisClass [[maybe_unused]] = theClass;                                       \
        using TheBaseClass [[maybe_unused]] = baseClass;                                   \
        static const AFX_INTERFACEMAP_ENTRY interfaceEntries[] = {

#define INTERFACE_PART(theClass, iid, localClass)                                          \
    {&(iid), +[](CCmdTarget* pTarget, bool bUnknown) -> void* {                            \
         return AfxInterfaceOfPart(static_cast<theClass*>(pTarget)->m_x##localClass, bUnknown); \
     }},

#define END_INTERFACE_MAP()                                                                \
    {nullptr, nullptr}                                                                     \
    }                                                                                      \
    ;                                                                                      \
    static const AFX_INTERFACEMAP interfaceMap = {&TheBaseClass::GetThisInterfaceMap, &interfaceEntries[0]}; \
    return &interfaceMap;                                                                  \
    }

// The nested class of one interface and the member that holds it. The
// IUnknown methods are declared here; the class defines them (usually by
// delegating to the outer object, see METHOD_PROLOGUE).
#define BEGIN_INTERFACE_PART(localClass, baseInterface)               \
    class X##localClass : public baseInterface {                      \
    public:                                                           \
        using AfxInterface = baseInterface;                           \
        STDMETHOD_(ULONG, AddRef)();                                  \
        STDMETHOD_(ULONG, Release)();                                 \
        STDMETHOD(QueryInterface)(REFIID iid, void** ppvObj);

#define END_INTERFACE_PART(localClass) \
    }                                  \
    m_x##localClass;                   \
    friend class X##localClass;

// Inside a method of an interface part: `pThis` is the outer object that
// holds the part. The part has no data of its own and sits at a fixed
// offset in the outer object, which offsetof gives. The outer classes are
// polymorphic, so not standard-layout, and the compilers warn that offsetof
// on them is only conditionally supported (-Winvalid-offsetof); g++ and
// clang both support it for classes without virtual bases, which these
// are. This is the one place that silences that warning.
#define METHOD_PROLOGUE(theClass, localClass)                                                    \
    _Pragma("GCC diagnostic push") _Pragma("GCC diagnostic ignored \"-Winvalid-offsetof\"")      \
        [[maybe_unused]] theClass* pThis = reinterpret_cast<theClass*>(                          \
            reinterpret_cast<unsigned char*>(this) - offsetof(theClass, m_x##localClass));       \
    _Pragma("GCC diagnostic pop")
