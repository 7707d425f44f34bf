// The .res reader on hand-made files: well-formed ones are indexed exactly,
// malformed ones are refused with a message naming the fault, and a module
// over malformed bytes fails every lookup with ERROR_BAD_FORMAT.
#include "win32/ErrHandlingApi.h"
#include "win32/LibLoaderApi.h"
#include "win32/linux/ResourceFile.h"
#include "win32/linux/ResourceModule.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using quarrow::ResourceFile;
using quarrow::ResourceModule;
using quarrow::ResourceName;

namespace {

using Bytes = std::vector<BYTE>;

void put16(Bytes& b, unsigned v)
{
    b.push_back(static_cast<BYTE>(v & 0xFF));
    b.push_back(static_cast<BYTE>((v >> 8) & 0xFF));
}
void put32(Bytes& b, DWORD v)
{
    put16(b, v & 0xFFFF);
    put16(b, v >> 16);
}
void putName(Bytes& b, const std::u16string& text, WORD id)
{
    if (text.empty()) {
        put16(b, 0xFFFF);
        put16(b, id);
    } else {
        for (char16_t c : text) put16(b, c);
        put16(b, 0);
    }
}

// One entry as windres writes it. `headerSize` and `dataSize` override the
// computed values to make malformed files.
struct EntrySpec {
    std::u16string typeText;
    WORD typeId = 0;
    std::u16string nameText;
    WORD nameId = 0;
    WORD language = 0x0804;
    Bytes data;
    long headerSize = -1;
    long dataSize = -1;
    bool pad = true;
};

Bytes entry(const EntrySpec& e)
{
    Bytes names;
    putName(names, e.typeText, e.typeId);
    putName(names, e.nameText, e.nameId);
    while ((8 + names.size()) % 4 != 0) names.push_back(0);
    const DWORD header = static_cast<DWORD>(8 + names.size() + 16);
    Bytes b;
    put32(b, e.dataSize >= 0 ? static_cast<DWORD>(e.dataSize) : static_cast<DWORD>(e.data.size()));
    put32(b, e.headerSize >= 0 ? static_cast<DWORD>(e.headerSize) : header);
    b.insert(b.end(), names.begin(), names.end());
    put32(b, 0);          // data version
    put16(b, 0x1030);     // memory flags
    put16(b, e.language); // language
    put32(b, 0);          // version
    put32(b, 0);          // characteristics
    b.insert(b.end(), e.data.begin(), e.data.end());
    if (e.pad) {
        while (b.size() % 4 != 0) b.push_back(0);
    }
    return b;
}

Bytes marker() { return entry(EntrySpec{_T(""), 0, _T(""), 0, 0, {}}); }

Bytes concat(std::initializer_list<Bytes> parts)
{
    Bytes out;
    for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}

EntrySpec png(WORD id, Bytes data) { return EntrySpec{_T("PNG"), 0, _T(""), id, 0x0804, std::move(data)}; }

struct WellFormed {
    const char* what;
    Bytes file;
    size_t entries;
};

class ResourceFileWellFormed : public ::testing::TestWithParam<WellFormed> {};

TEST_P(ResourceFileWellFormed, IsIndexedEntryByEntry)
{
    const WellFormed& c = GetParam();
    std::string error = "unchanged";
    auto file = ResourceFile::parse(c.file.data(), c.file.size(), error);
    ASSERT_TRUE(file.has_value()) << c.what << ": " << error;
    EXPECT_EQ(error, "");
    EXPECT_EQ(file->entries().size(), c.entries) << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ResourceFileWellFormed,
    ::testing::Values(WellFormed{"empty file", {}, 0}, WellFormed{"marker only", marker(), 0},
                      WellFormed{"one image", concat({marker(), entry(png(162, {1, 2, 3, 4, 5}))}), 1},
                      WellFormed{"no marker", entry(png(7, {9})), 1},
                      WellFormed{"last entry without padding",
                                 concat({marker(), entry(png(1, {1, 2, 3, 4})), [] {
                                             EntrySpec e = png(2, {1, 2, 3});
                                             e.pad = false;
                                             return entry(e);
                                         }()}),
                                 2},
                      WellFormed{"same id in two languages",
                                 concat({entry(png(5, {1})), [] {
                                             EntrySpec e = png(5, {2});
                                             e.language = 0x0409;
                                             return entry(e);
                                         }()}),
                                 2},
                      WellFormed{"string names of odd length",
                                 concat({entry(EntrySpec{_T("AFX_DIALOG_LAYOUT"), 0, _T("ABC"), 0, 0x0804, {0, 0}}),
                                         entry(EntrySpec{_T("X"), 0, _T(""), 3, 0x0804, {7, 7, 7}})}),
                                 2}));

TEST(ResourceFile, KeepsEveryHeaderFieldAndTheData)
{
    const Bytes file = concat({marker(), entry(png(162, {10, 20, 30})),
                               entry(EntrySpec{_T(""), 6, _T(""), 9, 0x0804, {1, 0, 0x41, 0}})});
    std::string error;
    auto parsed = ResourceFile::parse(file.data(), file.size(), error);
    ASSERT_TRUE(parsed) << error;
    ASSERT_EQ(parsed->entries().size(), 2u);
    const auto& image = parsed->entries()[0];
    EXPECT_EQ(image.type, ResourceName::text(_T("PNG")));
    EXPECT_EQ(image.name, ResourceName::ordinal(162));
    EXPECT_EQ(image.language, 0x0804);
    EXPECT_EQ(image.memoryFlags, 0x1030);
    EXPECT_EQ(image.size, 3u);
    EXPECT_EQ(Bytes(image.data, image.data + image.size), (Bytes{10, 20, 30}));
    EXPECT_EQ(image.offset, 32u);
    // The second entry starts on the double word after the padded data.
    EXPECT_EQ(parsed->entries()[1].offset, 32u + 36u + 4u);
    // String names are found whatever their ASCII case.
    EXPECT_NE(parsed->find(ResourceName::fromArgument(_T("png")), ResourceName::ordinal(162), 0x0804), nullptr);
    EXPECT_NE(parsed->find(ResourceName::fromArgument(_T("PNG")), ResourceName::fromArgument(_T("#162")), 0x0804), nullptr);
    EXPECT_EQ(parsed->find(ResourceName::text(_T("PNG")), ResourceName::ordinal(162), 0x0409), nullptr);
}

struct Malformed {
    const char* what;
    Bytes file;
    const char* message;
};

class ResourceFileMalformed : public ::testing::TestWithParam<Malformed> {};

TEST_P(ResourceFileMalformed, IsRefusedWithAClearMessage)
{
    const Malformed& c = GetParam();
    // The bytes are copied to an exactly sized buffer, so that a read past
    // the end would be caught by the address sanitizer.
    std::vector<BYTE> exact(c.file);
    std::string error;
    auto file = ResourceFile::parse(exact.data(), exact.size(), error);
    EXPECT_FALSE(file.has_value()) << c.what;
    EXPECT_NE(error.find(c.message), std::string::npos) << c.what << ": " << error;
    EXPECT_NE(error.find("offset"), std::string::npos) << error;

    // A module over these bytes fails every lookup with a code.
    ResourceModule module(exact);
    EXPECT_EQ(module.file(), nullptr);
    SetLastError(0);
    EXPECT_EQ(FindResourceW(module.handle(), MAKEINTRESOURCEW(162), _T("PNG")), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_BAD_FORMAT));
}

Bytes truncatedEntry()
{
    Bytes b = concat({marker(), entry(png(1, {1, 2, 3, 4}))});
    b.resize(b.size() + 5, 0);
    return b;
}

Bytes headerPastEnd()
{
    Bytes b = entry(png(1, {}));
    EntrySpec e = png(2, {});
    e.headerSize = 4096;
    Bytes bad = entry(e);
    return concat({b, bad});
}

Bytes dataPastEnd()
{
    EntrySpec e = png(1, {1, 2, 3, 4});
    e.dataSize = 5000;
    return concat({marker(), entry(e)});
}

Bytes oddHeaderSize()
{
    EntrySpec e = png(1, {1, 2, 3, 4});
    e.headerSize = 38;
    return entry(e);
}

Bytes headerNotMatchingNames()
{
    EntrySpec e{_T(""), 10, _T(""), 1, 0x0804, {1, 2, 3, 4}};
    e.headerSize = 36;
    Bytes b = entry(e);
    b.insert(b.begin() + 32, {0, 0, 0, 0});
    return b;
}

Bytes unterminatedName()
{
    // A type string that fills the whole header without a terminator.
    Bytes b;
    put32(b, 0);
    put32(b, 32);
    for (int i = 0; i < 12; ++i) put16(b, _T('A'));
    return b;
}

Bytes headerTooSmall()
{
    EntrySpec e = png(1, {});
    e.headerSize = 24;
    return entry(e);
}

Bytes partialHeader()
{
    Bytes b = marker();
    b.resize(20);
    return b;
}

Bytes duplicate() { return concat({marker(), entry(png(3, {1})), entry(png(3, {2}))}); }

Bytes markerWithData() { return entry(EntrySpec{_T(""), 0, _T(""), 0, 0, {1, 2, 3, 4}}); }

INSTANTIATE_TEST_SUITE_P(
    Cases, ResourceFileMalformed,
    ::testing::Values(Malformed{"five stray bytes after the last entry", truncatedEntry(), "truncated"},
                      Malformed{"a header only partly there", partialHeader(),
                                "runs past the end"},
                      Malformed{"header size past the end", headerPastEnd(), "header size 4096 runs past the end"},
                      Malformed{"data size past the end", dataPastEnd(), "data size 5000 runs past the end"},
                      Malformed{"header size not on a double word", oddHeaderSize(), "not a multiple of 4"},
                      Malformed{"header size not matching its names", headerNotMatchingNames(), "does not match"},
                      Malformed{"name without terminator", unterminatedName(), "not terminated"},
                      Malformed{"header size below the minimum", headerTooSmall(), "below the minimum"},
                      Malformed{"the same resource twice", duplicate(), "duplicate resource"},
                      Malformed{"type 0 with data", markerWithData(), "reserved"}));

TEST(ResourceModule, LooksUpByTypeNameAndLanguageWithCodes)
{
    EntrySpec english = png(5, {2});
    english.language = 0x0409;
    ResourceModule module(concat({marker(), entry(png(5, {1})), entry(english), entry(png(6, {3}))}));
    ASSERT_NE(module.file(), nullptr) << module.error();
    const HMODULE h = module.handle();

    // Without a language US English is preferred over the file's order.
    HRSRC r = FindResourceW(h, MAKEINTRESOURCEW(5), _T("PNG"));
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(*static_cast<const BYTE*>(LockResource(LoadResource(h, r))), 2);
    r = FindResourceExW(h, _T("PNG"), MAKEINTRESOURCEW(5), 0x0804);
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(*static_cast<const BYTE*>(LockResource(LoadResource(h, r))), 1);
    EXPECT_EQ(SizeofResource(h, r), 1u);

    struct Miss {
        LPCWSTR type;
        WORD id;
        WORD language;
        DWORD code;
    };
    const Miss misses[] = {
        {_T("PNG"), 7, 0, ERROR_RESOURCE_NAME_NOT_FOUND},
        {_T("GIF"), 5, 0, ERROR_RESOURCE_TYPE_NOT_FOUND},
        {_T("PNG"), 6, 0x0409, ERROR_RESOURCE_LANG_NOT_FOUND},
    };
    for (const Miss& m : misses) {
        SetLastError(0);
        EXPECT_EQ(FindResourceExW(h, m.type, MAKEINTRESOURCEW(m.id), m.language), nullptr);
        EXPECT_EQ(GetLastError(), m.code) << m.id;
    }
    // A handle from another module is not this module's.
    ResourceModule other(entry(png(5, {9})));
    HRSRC foreign = FindResourceW(other.handle(), MAKEINTRESOURCEW(5), _T("PNG"));
    ASSERT_NE(foreign, nullptr);
    SetLastError(0);
    EXPECT_EQ(LoadResource(h, foreign), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    EXPECT_EQ(SizeofResource(h, foreign), 0u);
}

TEST(ResourceModule, UnknownModuleHandleFails)
{
    int notAModule = 0;
    SetLastError(0);
    EXPECT_EQ(FindResourceW(reinterpret_cast<HMODULE>(&notAModule), MAKEINTRESOURCEW(1), RT_STRING), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
}

} // namespace
