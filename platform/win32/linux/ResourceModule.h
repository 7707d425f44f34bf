// Internal to the platform layer: a module's resources behind an HMODULE.
// The executable's module reads the bytes of launcher.res that the build
// embedded (the symbols quarrow_module_resources and
// quarrow_module_resources_end, weak here, defined by the translation unit
// that res/CMakeLists.txt generates) and indexes them once, at first use.
// Tests and fuzz targets make further modules over bytes of their own.
//
// A module owns its index, its copy of the bytes (for modules made from
// bytes) and the icons loaded from it.
#pragma once

#include "win32/linux/IconImage.h"
#include "win32/linux/ResourceFile.h"
#include "win32/WinDef.h"

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace quarrow {

class ResourceModule {
public:
    // The executable's module: its resources are indexed on the first call.
    static ResourceModule& executable();
    // Null gives the executable's module; a handle that is no module gives
    // null.
    static ResourceModule* fromHandle(HMODULE module);

    // A module over a copy of `bytes`, known to the resource functions by
    // handle() until it is destroyed. Malformed bytes give a module whose
    // lookups fail with ERROR_BAD_FORMAT; error() tells why.
    explicit ResourceModule(std::vector<BYTE> bytes);
    ~ResourceModule();
    ResourceModule(const ResourceModule&) = delete;
    ResourceModule& operator=(const ResourceModule&) = delete;

    HMODULE handle() const { return reinterpret_cast<HMODULE>(const_cast<ResourceModule*>(this)); }
    // The index, or null when the module has no resources or they are
    // malformed.
    const ResourceFile* file() const { return m_file ? &*m_file : nullptr; }
    const std::string& error() const { return m_error; }

    // Finds a resource; with no language the preference order of
    // FindResourceW applies. On failure returns null and the Win32 error
    // code in `errorCode`.
    const ResourceEntry* find(const ResourceName& type, const ResourceName& name, std::optional<WORD> language,
                              DWORD& errorCode) const;

    static HRSRC toHandle(const ResourceEntry* entry)
    {
        return reinterpret_cast<HRSRC>(const_cast<ResourceEntry*>(entry));
    }
    // The entry behind a handle that this module gave out, else null.
    const ResourceEntry* entry(HRSRC resource) const;

    // The icon of an icon group at the system's large icon size, decoded at
    // the first request and kept for the module's life: LoadIconW's shared
    // icon handle is this object.
    const IconImage* loadIcon(const ResourceName& name, DWORD& errorCode);

private:
    ResourceModule(const BYTE* bytes, size_t size, bool embedded);
    void index(const BYTE* bytes, size_t size);

    std::vector<BYTE> m_bytes;
    std::optional<ResourceFile> m_file;
    std::string m_error;
    DWORD m_errorCode = 0;
    std::map<ResourceName, std::unique_ptr<IconImage>> m_icons;
};

} // namespace quarrow
