// The window system's registry of hosted control classes (the classes that
// a control container creates by class id, see win32/ControlHosting.h).
// One registry belongs to each Host (host.controlClasses()), so a test with
// several screens registers its classes per screen. The registry owns the
// factories; the containers own the controls the factories make.
#pragma once

#include "win32/ControlHosting.h"

#include <utility>
#include <vector>

namespace quarrow {

class ControlClasses {
public:
    // Registers a class, or replaces the factory of a class already known.
    void registerClass(REFCLSID clsid, HostedControlFactory factory);
    bool isRegistered(REFCLSID clsid) const { return find(clsid) != nullptr; }
    // Makes a control of a registered class. Null with *phr set to
    // REGDB_E_CLASSNOTREG for an unknown class, or E_FAIL when the factory
    // made nothing; S_OK otherwise.
    std::unique_ptr<HostedControl> create(REFCLSID clsid, const HostedControlParams& params, HRESULT* phr) const;

private:
    const HostedControlFactory* find(REFCLSID clsid) const;

    std::vector<std::pair<CLSID, HostedControlFactory>> m_classes;
};

} // namespace quarrow
