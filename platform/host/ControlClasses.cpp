#include "host/ControlClasses.h"

namespace quarrow {

void ControlClasses::registerClass(REFCLSID clsid, HostedControlFactory factory)
{
    for (auto& entry : m_classes) {
        if (entry.first == clsid) {
            entry.second = std::move(factory);
            return;
        }
    }
    m_classes.emplace_back(clsid, std::move(factory));
}

const HostedControlFactory* ControlClasses::find(REFCLSID clsid) const
{
    for (const auto& entry : m_classes) {
        if (entry.first == clsid && entry.second) return &entry.second;
    }
    return nullptr;
}

std::unique_ptr<HostedControl> ControlClasses::create(REFCLSID clsid, const HostedControlParams& params,
                                                      HRESULT* phr) const
{
    HRESULT hr = S_OK;
    std::unique_ptr<HostedControl> control;
    // The factory is copied before the call: a factory that registers
    // classes while it runs must not pull its own storage away.
    if (const HostedControlFactory* factory = find(clsid)) {
        const HostedControlFactory call = *factory;
        control = call(params);
        if (!control) hr = E_FAIL;
    } else {
        hr = REGDB_E_CLASSNOTREG;
    }
    if (phr) *phr = hr;
    return control;
}

} // namespace quarrow
