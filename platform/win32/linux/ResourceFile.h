// Internal to the platform layer: the index of a compiled resource file
// (the standard 32-bit .res format that windres writes and that the build
// embeds in the executable). The module's resource functions look entries
// up here; tests and fuzz targets parse arbitrary bytes with parse().
//
// The index does not copy the bytes: entries point into the buffer given
// to parse(), which must outlive the index.
#pragma once

#include "win32/linux/ResourceName.h"
#include "win32/WinDef.h"

#include <cstddef>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace quarrow {

// One resource as its header describes it, with its data.
struct ResourceEntry {
    ResourceName type;
    ResourceName name;
    WORD language = 0;
    DWORD dataVersion = 0;
    WORD memoryFlags = 0;
    DWORD version = 0;
    DWORD characteristics = 0;
    const BYTE* data = nullptr;
    DWORD size = 0;
    // Offset of the entry's header from the start of the file.
    size_t offset = 0;
};

class ResourceFile {
public:
    // Reads every entry of `bytes`. Each entry is a RESOURCEHEADER (data
    // size, header size, type, name, padding to a double word, data
    // version, memory flags, language, version, characteristics) followed
    // by its data and padding to a double word. The file is refused as a
    // whole, with a message naming the offset and the fault, when an entry
    // is truncated, its header size is not a multiple of four or does not
    // match its names, its header or data runs past the end, a name is not
    // terminated inside its header, or two entries share type, name and
    // language. Nothing is ever read past `size`.
    static std::optional<ResourceFile> parse(const BYTE* bytes, size_t size, std::string& error);

    // Every real entry in file order (the leading empty entry that marks a
    // 32-bit resource file is not listed).
    const std::vector<ResourceEntry>& entries() const { return m_entries; }

    // The entry with exactly this type, name and language, or null.
    const ResourceEntry* find(const ResourceName& type, const ResourceName& name, WORD language) const;
    // Every language of one resource, in file order.
    std::vector<const ResourceEntry*> languages(const ResourceName& type, const ResourceName& name) const;
    bool hasType(const ResourceName& type) const;

private:
    std::vector<ResourceEntry> m_entries;
    // (type, name) -> indexes into m_entries in file order.
    std::map<std::pair<ResourceName, ResourceName>, std::vector<size_t>> m_byName;
};

} // namespace quarrow
