// LoadIconW: the module's decoded icon (win32/linux/IconImage.h) is the icon
// handle itself; the window system reads its pixels through
// IconImage::fromHandle.
#include "win32/ErrHandlingApi.h"
#include "win32/LibLoaderApi.h"
#include "win32/linux/ResourceModule.h"

using quarrow::IconImage;
using quarrow::ResourceModule;
using quarrow::ResourceName;

HICON LoadIconW(HINSTANCE instance, LPCWSTR name)
{
    if (instance == nullptr) {
        // The system's predefined icons (IDI_APPLICATION...) do not exist here.
        SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return nullptr;
    }
    ResourceModule* module = ResourceModule::fromHandle(instance);
    if (module == nullptr) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    if (name == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    DWORD code = 0;
    const IconImage* icon = module->loadIcon(ResourceName::fromArgument(name), code);
    if (icon == nullptr) {
        SetLastError(code);
        return nullptr;
    }
    return icon->handle();
}
