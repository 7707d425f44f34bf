#include "win32/linux/ResourceFile.h"

#include <cstring>

namespace quarrow {

namespace {

DWORD readDword(const BYTE* p)
{
    return static_cast<DWORD>(p[0]) | static_cast<DWORD>(p[1]) << 8 | static_cast<DWORD>(p[2]) << 16 |
           static_cast<DWORD>(p[3]) << 24;
}

WORD readWord(const BYTE* p) { return static_cast<WORD>(p[0] | p[1] << 8); }

std::string at(size_t offset) { return "resource entry at offset " + std::to_string(offset) + ": "; }

// Reads a type or name field starting at `pos`, which must end before
// `end`. Returns false with a message when it does not fit.
bool readName(const BYTE* bytes, size_t& pos, size_t end, ResourceName& out, std::string& error, size_t entry,
              const char* what)
{
    if (pos + 2 > end) {
        error = at(entry) + what + " runs past the header";
        return false;
    }
    if (readWord(bytes + pos) == 0xFFFF) {
        if (pos + 4 > end) {
            error = at(entry) + what + " ordinal runs past the header";
            return false;
        }
        out = ResourceName::ordinal(readWord(bytes + pos + 2));
        pos += 4;
        return true;
    }
    std::u16string text;
    for (;;) {
        if (pos + 2 > end) {
            error = at(entry) + what + " string is not terminated inside the header";
            return false;
        }
        const WORD c = readWord(bytes + pos);
        pos += 2;
        if (c == 0) break;
        text.push_back(static_cast<char16_t>(c));
    }
    if (text.empty()) {
        error = at(entry) + what + " string is empty";
        return false;
    }
    out = ResourceName::text(std::move(text));
    return true;
}

} // namespace

std::optional<ResourceFile> ResourceFile::parse(const BYTE* bytes, size_t size, std::string& error)
{
    ResourceFile file;
    if (bytes == nullptr && size != 0) {
        error = "resource file: no buffer";
        return std::nullopt;
    }
    size_t pos = 0;
    while (pos < size) {
        const size_t entry = pos;
        const size_t remaining = size - pos;
        if (remaining < 8) {
            error = at(entry) + "truncated: " + std::to_string(remaining) + " bytes left, a header needs at least 32";
            return std::nullopt;
        }
        const DWORD dataSize = readDword(bytes + pos);
        const DWORD headerSize = readDword(bytes + pos + 4);
        if (headerSize % 4 != 0) {
            error = at(entry) + "header size " + std::to_string(headerSize) + " is not a multiple of 4";
            return std::nullopt;
        }
        if (headerSize < 32) {
            error = at(entry) + "header size " + std::to_string(headerSize) + " is below the minimum of 32";
            return std::nullopt;
        }
        if (headerSize > remaining) {
            error = at(entry) + "header size " + std::to_string(headerSize) + " runs past the end of the file (" +
                    std::to_string(remaining) + " bytes left)";
            return std::nullopt;
        }
        const size_t headerEnd = pos + headerSize;
        size_t p = pos + 8;
        ResourceEntry e;
        e.offset = entry;
        if (!readName(bytes, p, headerEnd, e.type, error, entry, "type")) return std::nullopt;
        if (!readName(bytes, p, headerEnd, e.name, error, entry, "name")) return std::nullopt;
        p = (p + 3) & ~static_cast<size_t>(3);
        if (p + 16 != headerEnd) {
            error = at(entry) + "header size " + std::to_string(headerSize) + " does not match its names (expected " +
                    std::to_string(p + 16 - pos) + ")";
            return std::nullopt;
        }
        e.dataVersion = readDword(bytes + p);
        e.memoryFlags = readWord(bytes + p + 4);
        e.language = readWord(bytes + p + 6);
        e.version = readDword(bytes + p + 8);
        e.characteristics = readDword(bytes + p + 12);
        if (dataSize > size - headerEnd) {
            error = at(entry) + "data size " + std::to_string(dataSize) + " runs past the end of the file (" +
                    std::to_string(size - headerEnd) + " bytes left)";
            return std::nullopt;
        }
        e.data = bytes + headerEnd;
        e.size = dataSize;
        // The next entry starts on a double word; the last one may end the
        // file without its padding.
        const size_t dataEnd = headerEnd + dataSize;
        const size_t padded = (dataEnd + 3) & ~static_cast<size_t>(3);
        pos = padded < size ? padded : size;

        // The empty entry (type 0, name 0, no data) marks a 32-bit file.
        const bool marker = e.type.isOrdinal() && e.type.id() == 0;
        if (marker) {
            if (dataSize != 0 || !e.name.isOrdinal() || e.name.id() != 0) {
                error = at(entry) + "type 0 is reserved for the empty leading entry";
                return std::nullopt;
            }
            continue;
        }
        if (file.find(e.type, e.name, e.language) != nullptr) {
            error = at(entry) + "duplicate resource: type " + e.type.describe() + ", name " + e.name.describe() +
                    ", language " + std::to_string(e.language);
            return std::nullopt;
        }
        file.m_byName[{e.type, e.name}].push_back(file.m_entries.size());
        file.m_entries.push_back(std::move(e));
    }
    error.clear();
    return file;
}

const ResourceEntry* ResourceFile::find(const ResourceName& type, const ResourceName& name, WORD language) const
{
    const auto it = m_byName.find({type, name});
    if (it == m_byName.end()) return nullptr;
    for (size_t i : it->second) {
        if (m_entries[i].language == language) return &m_entries[i];
    }
    return nullptr;
}

std::vector<const ResourceEntry*> ResourceFile::languages(const ResourceName& type, const ResourceName& name) const
{
    std::vector<const ResourceEntry*> out;
    const auto it = m_byName.find({type, name});
    if (it == m_byName.end()) return out;
    for (size_t i : it->second) out.push_back(&m_entries[i]);
    return out;
}

bool ResourceFile::hasType(const ResourceName& type) const
{
    for (const ResourceEntry& e : m_entries) {
        if (e.type == type) return true;
    }
    return false;
}

} // namespace quarrow
