#include "win32/ControlHosting.h"

#include "host/ControlClasses.h"
#include "host/DialogManager.h"
#include "host/Host.h"

namespace quarrow {

void RegisterHostedControlClass(REFCLSID clsid, HostedControlFactory factory)
{
    Host::current().controlClasses().registerClass(clsid, std::move(factory));
}

std::unique_ptr<HostedControl> CreateHostedControl(REFCLSID clsid, const HostedControlParams& params, HRESULT* phr)
{
    return Host::current().controlClasses().create(clsid, params, phr);
}

void SetDialogControlMaker(DialogControlMaker maker)
{
    Host::current().dialogs().setControlFactory(std::move(maker));
}

} // namespace quarrow
