#include "win32/linux/ResourceModule.h"

#include "win32/LibLoaderApi.h"

#include <algorithm>
#include <cstdio>
#include <vector>

extern "C" {
// Defined by the generated translation unit of res/CMakeLists.txt in every
// executable that embeds the resources; null everywhere else.
extern const unsigned char quarrow_module_resources[] __attribute__((weak));
extern const unsigned char quarrow_module_resources_end[] __attribute__((weak));
}

namespace quarrow {

namespace {

std::vector<ResourceModule*>& extraModules()
{
    static std::vector<ResourceModule*> modules;
    return modules;
}

WORD readWord(const BYTE* p) { return static_cast<WORD>(p[0] | p[1] << 8); }

} // namespace

ResourceModule& ResourceModule::executable()
{
    static ResourceModule module(quarrow_module_resources,
                                 quarrow_module_resources != nullptr && quarrow_module_resources_end != nullptr
                                     ? static_cast<size_t>(quarrow_module_resources_end - quarrow_module_resources)
                                     : 0,
                                 true);
    return module;
}

ResourceModule* ResourceModule::fromHandle(HMODULE module)
{
    if (module == nullptr) return &executable();
    ResourceModule& exe = executable();
    if (module == exe.handle()) return &exe;
    for (ResourceModule* m : extraModules()) {
        if (m->handle() == module) return m;
    }
    return nullptr;
}

ResourceModule::ResourceModule(const BYTE* bytes, size_t size, bool embedded)
{
    if (embedded && bytes == nullptr) {
        m_error = "the executable carries no resources";
        m_errorCode = ERROR_RESOURCE_DATA_NOT_FOUND;
        return;
    }
    index(bytes, size);
    if (embedded && !m_file) {
        // A broken build, not a user's mistake: say so once, loudly.
        std::fprintf(stderr, "quarrow: the executable's resources are malformed: %s\n", m_error.c_str());
    }
}

ResourceModule::ResourceModule(std::vector<BYTE> bytes) : m_bytes(std::move(bytes))
{
    index(m_bytes.data(), m_bytes.size());
    extraModules().push_back(this);
}

ResourceModule::~ResourceModule()
{
    auto& modules = extraModules();
    modules.erase(std::remove(modules.begin(), modules.end(), this), modules.end());
}

void ResourceModule::index(const BYTE* bytes, size_t size)
{
    m_file = ResourceFile::parse(bytes, size, m_error);
    m_errorCode = m_file ? 0 : ERROR_BAD_FORMAT;
}

const ResourceEntry* ResourceModule::find(const ResourceName& type, const ResourceName& name,
                                          std::optional<WORD> language, DWORD& errorCode) const
{
    if (!m_file) {
        errorCode = m_errorCode;
        return nullptr;
    }
    const std::vector<const ResourceEntry*> all = m_file->languages(type, name);
    if (all.empty()) {
        errorCode = m_file->hasType(type) ? ERROR_RESOURCE_NAME_NOT_FOUND : ERROR_RESOURCE_TYPE_NOT_FOUND;
        return nullptr;
    }
    if (language && *language != 0) {
        for (const ResourceEntry* e : all) {
            if (e->language == *language) return e;
        }
        errorCode = ERROR_RESOURCE_LANG_NOT_FOUND;
        return nullptr;
    }
    const WORD preferred[] = {0x0000, 0x0400, 0x0800, 0x0409};
    for (WORD want : preferred) {
        for (const ResourceEntry* e : all) {
            if (e->language == want) return e;
        }
    }
    return all.front();
}

const ResourceEntry* ResourceModule::entry(HRSRC resource) const
{
    if (!m_file || resource == nullptr) return nullptr;
    const auto& entries = m_file->entries();
    const auto* e = reinterpret_cast<const ResourceEntry*>(resource);
    for (const ResourceEntry& candidate : entries) {
        if (&candidate == e) return e;
    }
    return nullptr;
}

const IconImage* ResourceModule::loadIcon(const ResourceName& name, DWORD& errorCode)
{
    const auto cached = m_icons.find(name);
    if (cached != m_icons.end()) return cached->second.get();

    const ResourceEntry* group = find(ResourceName::ordinal(14), name, std::nullopt, errorCode);
    if (group == nullptr) return nullptr;
    // GRPICONDIR: reserved, type 1, count, then 14-byte entries: width,
    // height, colour count, reserved, planes, bit count, bytes, image id.
    if (group->size < 6 || readWord(group->data + 2) != 1) {
        std::fprintf(stderr, "quarrow: icon group %s is malformed\n", name.describe().c_str());
        errorCode = ERROR_BAD_FORMAT;
        return nullptr;
    }
    const WORD count = readWord(group->data + 4);
    if (count == 0 || group->size < 6u + 14u * count) {
        std::fprintf(stderr, "quarrow: icon group %s lists %u images in %u bytes\n", name.describe().c_str(),
                     static_cast<unsigned>(count), static_cast<unsigned>(group->size));
        errorCode = ERROR_BAD_FORMAT;
        return nullptr;
    }
    // Best fit for the large icon size: the exact size, else the smallest
    // larger one, else the largest; among equals the deepest colour.
    constexpr int target = IconImage::kLargeIconSize;
    int best = -1, bestSize = 0, bestBits = 0;
    for (int i = 0; i < count; ++i) {
        const BYTE* e = group->data + 6 + 14 * i;
        const int size = e[0] == 0 ? 256 : e[0];
        const int bits = readWord(e + 6);
        const auto rank = [](int s) { return s == target ? 0 : s > target ? 1 : 2; };
        bool better = best < 0;
        if (!better) {
            if (rank(size) != rank(bestSize)) better = rank(size) < rank(bestSize);
            else if (size != bestSize) better = rank(size) == 2 ? size > bestSize : size < bestSize;
            else better = bits > bestBits;
        }
        if (better) {
            best = i;
            bestSize = size;
            bestBits = bits;
        }
    }
    const WORD imageId = readWord(group->data + 6 + 14 * best + 12);
    const ResourceEntry* image = find(ResourceName::ordinal(3), ResourceName::ordinal(imageId), group->language, errorCode);
    if (image == nullptr) image = find(ResourceName::ordinal(3), ResourceName::ordinal(imageId), std::nullopt, errorCode);
    if (image == nullptr) return nullptr;
    std::string error;
    std::optional<DecodedImage> decoded = IconImage::decodeImageResource(image->data, image->size, error);
    if (!decoded) {
        std::fprintf(stderr, "quarrow: icon image %u: %s\n", static_cast<unsigned>(imageId), error.c_str());
        errorCode = ERROR_BAD_FORMAT;
        return nullptr;
    }
    auto icon = std::make_unique<IconImage>(*decoded, target);
    const IconImage* result = icon.get();
    m_icons.emplace(name, std::move(icon));
    return result;
}

} // namespace quarrow
