#include "win32/LibLoaderApi.h"

#include "win32/ErrHandlingApi.h"
#include "win32/Utf8.h"
#include "win32/linux/ResourceModule.h"

#include <unistd.h>

#include <algorithm>
#include <string>
#include <vector>

using quarrow::ResourceEntry;
using quarrow::ResourceModule;
using quarrow::ResourceName;

namespace {

ResourceModule* moduleOrFail(HMODULE module)
{
    ResourceModule* m = ResourceModule::fromHandle(module);
    if (m == nullptr) SetLastError(ERROR_INVALID_HANDLE);
    return m;
}

const ResourceEntry* findEntry(HMODULE module, LPCWSTR type, LPCWSTR name, std::optional<WORD> language)
{
    ResourceModule* m = moduleOrFail(module);
    if (m == nullptr) return nullptr;
    if (type == nullptr || name == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    DWORD code = 0;
    const ResourceEntry* e =
        m->find(ResourceName::fromArgument(type), ResourceName::fromArgument(name), language, code);
    if (e == nullptr) SetLastError(code);
    return e;
}

} // namespace

HMODULE GetModuleHandleW(LPCWSTR moduleName)
{
    if (moduleName != nullptr) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return nullptr;
    }
    return ResourceModule::executable().handle();
}

DWORD GetModuleFileNameW(HMODULE module, LPWSTR filename, DWORD size)
{
    if (module != nullptr && module != ResourceModule::executable().handle()) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return 0;
    }
    std::vector<char> buffer(256);
    ssize_t length = 0;
    for (;;) {
        length = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
        if (length < 0) {
            SetLastError(ERROR_FILE_NOT_FOUND);
            return 0;
        }
        if (static_cast<size_t>(length) < buffer.size()) break;
        buffer.resize(buffer.size() * 2);
    }
    const std::u16string path = quarrow::Utf8ToUtf16(std::string_view(buffer.data(), static_cast<size_t>(length)));
    if (filename == nullptr || size == 0) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    if (path.size() >= size) {
        std::copy_n(path.begin(), size - 1, filename);
        filename[size - 1] = 0;
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return size;
    }
    std::copy(path.begin(), path.end(), filename);
    filename[path.size()] = 0;
    SetLastError(ERROR_SUCCESS);
    return static_cast<DWORD>(path.size());
}

HRSRC FindResourceW(HMODULE module, LPCWSTR name, LPCWSTR type)
{
    return ResourceModule::toHandle(findEntry(module, type, name, std::nullopt));
}

HRSRC FindResourceExW(HMODULE module, LPCWSTR type, LPCWSTR name, WORD language)
{
    return ResourceModule::toHandle(findEntry(module, type, name, language));
}

HGLOBAL LoadResource(HMODULE module, HRSRC resource)
{
    ResourceModule* m = moduleOrFail(module);
    if (m == nullptr) return nullptr;
    const ResourceEntry* e = m->entry(resource);
    if (e == nullptr) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    // An empty resource still gets a non-null handle, as its header exists.
    return const_cast<BYTE*>(e->data);
}

DWORD SizeofResource(HMODULE module, HRSRC resource)
{
    ResourceModule* m = moduleOrFail(module);
    if (m == nullptr) return 0;
    const ResourceEntry* e = m->entry(resource);
    if (e == nullptr) {
        SetLastError(ERROR_INVALID_HANDLE);
        return 0;
    }
    return e->size;
}

LPVOID LockResource(HGLOBAL resourceData) { return resourceData; }

BOOL FreeResource(HGLOBAL) { return FALSE; }

int LoadStringW(HINSTANCE instance, UINT id, LPWSTR buffer, int bufferMax)
{
    if (buffer == nullptr || bufferMax < 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    if (bufferMax > 0) buffer[0] = 0;
    const WORD block = static_cast<WORD>((id >> 4) + 1);
    const ResourceEntry* e = findEntry(instance, RT_STRING, MAKEINTRESOURCEW(block), std::nullopt);
    if (e == nullptr) return 0;
    // Walk the block's sixteen counted strings up to ours.
    size_t pos = 0;
    const unsigned index = id & 15;
    for (unsigned i = 0;; ++i) {
        if (pos + 2 > e->size) {
            SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
            return 0;
        }
        const size_t length = static_cast<size_t>(e->data[pos] | e->data[pos + 1] << 8);
        pos += 2;
        if (length * 2 > e->size - pos) {
            SetLastError(ERROR_BAD_FORMAT);
            return 0;
        }
        if (i == index) {
            if (length == 0) {
                SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
                return 0;
            }
            const auto* text = reinterpret_cast<const WCHAR*>(e->data + pos);
            if (bufferMax == 0) {
                // The read-only text itself; resource data is 2-byte aligned
                // inside the file (headers and data start on double words).
                *reinterpret_cast<LPCWSTR*>(buffer) = text;
                return static_cast<int>(length);
            }
            const size_t n = std::min(length, static_cast<size_t>(bufferMax - 1));
            for (size_t k = 0; k < n; ++k) {
                buffer[k] = static_cast<WCHAR>(e->data[pos + 2 * k] | e->data[pos + 2 * k + 1] << 8);
            }
            buffer[n] = 0;
            return static_cast<int>(n);
        }
        pos += length * 2;
    }
}
