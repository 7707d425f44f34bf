// The launcher's own resources, as the executable carries them: every
// resource of the script by type, id and language, the images' absence at
// 178 to 180, the dialog templates, the initialisation data and layout
// record, the strings, the icon, the manifest and the version information.
#include "resource.h"
#include "win32/DialogTemplate.h"
#include "win32/ErrHandlingApi.h"
#include "win32/linux/IconImage.h"
#include "win32/LibLoaderApi.h"
#include "win32/linux/ResourceModule.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <span>
#include <string>
#include <vector>

using quarrow::DialogTemplate;

namespace {

constexpr WORD kChinese = 2052;
constexpr WORD kEnglishUs = 1033;
const LPCWSTR kDlgInit = MAKEINTRESOURCEW(240);

std::span<const BYTE> bytesOf(LPCWSTR type, WORD id, WORD language = 0)
{
    const HMODULE module = GetModuleHandleW(nullptr);
    const HRSRC r = language ? FindResourceExW(module, type, MAKEINTRESOURCEW(id), language)
                             : FindResourceW(module, MAKEINTRESOURCEW(id), type);
    if (r == nullptr) return {};
    const auto* data = static_cast<const BYTE*>(LockResource(LoadResource(module, r)));
    return {data, SizeofResource(module, r)};
}

WORD word(std::span<const BYTE> b, size_t at) { return static_cast<WORD>(b[at] | b[at + 1] << 8); }
DWORD dword(std::span<const BYTE> b, size_t at)
{
    return static_cast<DWORD>(word(b, at)) | static_cast<DWORD>(word(b, at + 2)) << 16;
}

TEST(EmbeddedResources, AreIndexedWithoutError)
{
    const auto& module = quarrow::ResourceModule::executable();
    ASSERT_NE(module.file(), nullptr) << module.error();
    EXPECT_EQ(module.file()->entries().size(), 29u);
}

TEST(EmbeddedResources, EveryResourceIsFoundByTypeIdAndLanguage)
{
    struct Expected {
        LPCWSTR type;
        WORD id;
        WORD language;
    };
    std::vector<Expected> all;
    for (WORD id = 162; id <= 177; ++id) all.push_back({_T("PNG"), id, kChinese});
    for (WORD id = 181; id <= 183; ++id) all.push_back({_T("PNG"), id, kChinese});
    all.push_back({RT_DIALOG, IDD_LOGIN_FORE_DIALOG, kChinese});
    all.push_back({RT_DIALOG, IDD_BACK_DIALOG, kChinese});
    all.push_back({kDlgInit, IDD_LOGIN_FORE_DIALOG, kChinese});
    all.push_back({_T("AFX_DIALOG_LAYOUT"), IDD_LOGIN_FORE_DIALOG, kChinese});
    all.push_back({RT_STRING, IDS_EXIT_CAPTION / 16 + 1, kChinese});
    all.push_back({RT_STRING, IDS_EXIT_CONFIRM / 16 + 1, kChinese});
    all.push_back({RT_GROUP_ICON, IDR_MAINFRAME, kChinese});
    all.push_back({RT_ICON, 1, kChinese});
    all.push_back({RT_VERSION, 1, kChinese});
    all.push_back({RT_MANIFEST, 1, kEnglishUs});
    ASSERT_EQ(all.size(), 29u);
    for (const Expected& e : all) {
        const auto bytes = bytesOf(e.type, e.id, e.language);
        EXPECT_FALSE(bytes.empty()) << "id " << e.id;
    }
    // The manifest is in US English only; the program's own resources in
    // Chinese only.
    SetLastError(0);
    EXPECT_EQ(FindResourceExW(GetModuleHandleW(nullptr), RT_MANIFEST, MAKEINTRESOURCEW(1), kChinese), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_RESOURCE_LANG_NOT_FOUND));
    EXPECT_EQ(FindResourceExW(GetModuleHandleW(nullptr), _T("PNG"), MAKEINTRESOURCEW(162), kEnglishUs), nullptr);
    for (const auto& entry : quarrow::ResourceModule::executable().file()->entries()) {
        const bool manifest = entry.type == quarrow::ResourceName::ordinal(24);
        EXPECT_EQ(entry.language, manifest ? kEnglishUs : kChinese) << entry.type.describe() << " " << entry.name.describe();
    }
}

TEST(EmbeddedResources, ImagesAreCompletePngFiles)
{
    const WORD ids[] = {162, 163, 164, 165, 166, 167, 168, 169, 170, 171, 172, 173, 174, 175, 176, 177, 181, 182, 183};
    for (WORD id : ids) {
        const auto b = bytesOf(_T("PNG"), id);
        ASSERT_GT(b.size(), 8u) << id;
        EXPECT_EQ(std::memcmp(b.data(), "\x89PNG\r\n\x1a\n", 8), 0) << id;
        // The file ends with its IEND chunk.
        EXPECT_EQ(std::memcmp(b.data() + b.size() - 8, "IEND", 4), 0) << id;
    }
}

TEST(EmbeddedResources, ImagesBetween178And180DoNotExist)
{
    for (WORD id = 178; id <= 180; ++id) {
        SetLastError(0);
        EXPECT_EQ(FindResourceW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id), _T("PNG")), nullptr) << id;
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_RESOURCE_NAME_NOT_FOUND)) << id;
    }
}

TEST(EmbeddedResources, OverlayTemplateHasSevenControlsInTabOrder)
{
    const auto b = bytesOf(RT_DIALOG, IDD_LOGIN_FORE_DIALOG);
    std::string error;
    auto t = DialogTemplate::parse(b.data(), b.size(), error);
    ASSERT_TRUE(t) << error;
    EXPECT_TRUE(t->extended);
    EXPECT_EQ(t->style, 0x90000048u);
    EXPECT_EQ(t->exStyle, 0x00050000u);
    EXPECT_EQ(t->helpId, 0u);
    EXPECT_EQ(t->x, 0);
    EXPECT_EQ(t->y, 0);
    EXPECT_EQ(t->cx, 320);
    EXPECT_EQ(t->cy, 200);
    EXPECT_FALSE(t->menu.present);
    EXPECT_FALSE(t->windowClass.present);
    EXPECT_FALSE(t->title.present);
    ASSERT_TRUE(t->hasFont);
    EXPECT_EQ(t->pointSize, 9);
    EXPECT_EQ(t->weight, 0);
    EXPECT_EQ(t->italic, 0);
    EXPECT_EQ(t->charset, 1);
    EXPECT_EQ(t->typeface, _T("MS Shell Dlg"));

    struct Control {
        DWORD id;
        std::u16string className;
        SHORT x, y, cx, cy;
    };
    const Control expected[] = {
        {IDC_BTN_CLOSE, _T("Button"), 288, 12, 18, 14},
        {IDC_BROWSER, _T("{8856F961-340A-11D0-A96B-00C04FD705A2}"), 12, 36, 294, 150},
        {IDC_BTN_HOME, _T("Button"), 12, 12, 36, 14},
        {IDC_BTN_GUIDE, _T("Button"), 54, 12, 36, 14},
        {IDC_BTN_SERVICE, _T("Button"), 96, 12, 36, 14},
        {IDC_BTN_FORUM, _T("Button"), 138, 12, 36, 14},
        {IDC_BTN_MIN, _T("Button"), 264, 12, 18, 14},
    };
    ASSERT_EQ(t->items.size(), 7u);
    for (size_t i = 0; i < 7; ++i) {
        const auto& item = t->items[i];
        SCOPED_TRACE("control " + std::to_string(expected[i].id));
        EXPECT_EQ(item.id, expected[i].id);
        EXPECT_EQ(item.className(), expected[i].className);
        if (expected[i].className == _T("Button")) {
            EXPECT_TRUE(item.windowClass.isOrdinal);
            EXPECT_EQ(item.windowClass.ordinal, 0x0080);
        }
        EXPECT_EQ(item.style, 0x50010000u);
        EXPECT_EQ(item.exStyle, 0u);
        EXPECT_EQ(item.helpId, 0u);
        EXPECT_EQ(item.x, expected[i].x);
        EXPECT_EQ(item.y, expected[i].y);
        EXPECT_EQ(item.cx, expected[i].cx);
        EXPECT_EQ(item.cy, expected[i].cy);
        EXPECT_FALSE(item.title.present && !item.title.text.empty());
        EXPECT_TRUE(item.creationData.empty());
    }
    ASSERT_EQ(t->firstTabStop(), 0);
    EXPECT_EQ(t->items[t->firstTabStop()].id, static_cast<DWORD>(IDC_BTN_CLOSE));
}

TEST(EmbeddedResources, BackgroundTemplateHasNoControls)
{
    const auto b = bytesOf(RT_DIALOG, IDD_BACK_DIALOG);
    std::string error;
    auto t = DialogTemplate::parse(b.data(), b.size(), error);
    ASSERT_TRUE(t) << error;
    EXPECT_TRUE(t->extended);
    EXPECT_EQ(t->style, 0x90000048u);
    EXPECT_EQ(t->exStyle, 0x00040000u);
    EXPECT_EQ(t->cx, 600);
    EXPECT_EQ(t->cy, 350);
    EXPECT_EQ(t->typeface, _T("MS Shell Dlg"));
    EXPECT_EQ(t->charset, 1);
    EXPECT_TRUE(t->items.empty());
    EXPECT_EQ(t->firstTabStop(), -1);
}

TEST(DialogTemplate, TruncatedTemplatesAreRefusedAtEveryLength)
{
    const auto b = bytesOf(RT_DIALOG, IDD_LOGIN_FORE_DIALOG);
    for (size_t n = 0; n < b.size(); ++n) {
        // Items end on their creation-data count, so every shorter prefix
        // cuts a field.
        std::vector<BYTE> prefix(b.begin(), b.begin() + static_cast<std::ptrdiff_t>(n));
        std::string error;
        EXPECT_FALSE(DialogTemplate::parse(prefix.data(), prefix.size(), error)) << n;
        EXPECT_FALSE(error.empty()) << n;
    }
}

TEST(EmbeddedResources, InitialisationDataCarriesTheBrowserState)
{
    const auto b = bytesOf(kDlgInit, IDD_LOGIN_FORE_DIALOG);
    ASSERT_EQ(b.size(), 170u);
    EXPECT_EQ(word(b, 0), IDC_BROWSER);
    EXPECT_EQ(word(b, 2), 0x0376);
    EXPECT_EQ(dword(b, 4), 160u);
    // The state record: its own length and layout, the extent, no location.
    EXPECT_EQ(dword(b, 8), 160u);
    EXPECT_EQ(word(b, 12), 1);
    EXPECT_EQ(word(b, 14), 8);
    EXPECT_EQ(static_cast<LONG>(dword(b, 16)), 13626);
    EXPECT_EQ(static_cast<LONG>(dword(b, 20)), 6959);
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(word(b, 24 + 8 * i), i + 1);
        EXPECT_EQ(word(b, 26 + 8 * i), 11); // VT_BOOL
    }
    EXPECT_EQ(dword(b, 88), 0u); // no start address
    for (size_t i = 92; i < 168; ++i) EXPECT_EQ(b[i], 0) << i;
    EXPECT_EQ(word(b, 168), 0); // end of the list
}

TEST(EmbeddedResources, LayoutRecordIsVersionZeroWithoutEntries)
{
    const auto b = bytesOf(_T("AFX_DIALOG_LAYOUT"), IDD_LOGIN_FORE_DIALOG);
    ASSERT_EQ(b.size(), 2u);
    EXPECT_EQ(b[0], 0);
    EXPECT_EQ(b[1], 0);
}

TEST(EmbeddedResources, StringsReadExactly)
{
    WCHAR buffer[64];
    EXPECT_EQ(LoadStringW(GetModuleHandleW(nullptr), IDS_EXIT_CAPTION, buffer, 64), 10);
    EXPECT_EQ(std::u16string(buffer), _T("Quarrow 微端"));
    EXPECT_EQ(LoadStringW(GetModuleHandleW(nullptr), IDS_EXIT_CONFIRM, buffer, 64), 10);
    EXPECT_EQ(std::u16string(buffer), _T("您确定要退出游戏么？"));

    // A short buffer gets a terminated prefix.
    WCHAR small[5];
    EXPECT_EQ(LoadStringW(GetModuleHandleW(nullptr), IDS_EXIT_CAPTION, small, 5), 4);
    EXPECT_EQ(std::u16string(small), _T("Quar"));
    // Size 0 hands out the read-only text.
    LPCWSTR text = nullptr;
    EXPECT_EQ(LoadStringW(GetModuleHandleW(nullptr), IDS_EXIT_CONFIRM, reinterpret_cast<LPWSTR>(&text), 0), 10);
    EXPECT_EQ(std::u16string(text, 10), _T("您确定要退出游戏么？"));

    // Neighbours in the same blocks, and blocks that do not exist, are empty.
    for (UINT id : {0u, 2u, 15u, 130u, 132u, 16u, 1000u}) {
        buffer[0] = _T('x');
        SetLastError(0);
        EXPECT_EQ(LoadStringW(GetModuleHandleW(nullptr), id, buffer, 64), 0) << id;
        EXPECT_EQ(buffer[0], 0) << id;
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_RESOURCE_NAME_NOT_FOUND)) << id;
    }
}

TEST(EmbeddedResources, IconIsOne128PixelImageOf32Bits)
{
    const auto group = bytesOf(RT_GROUP_ICON, IDR_MAINFRAME);
    ASSERT_EQ(group.size(), 20u);
    EXPECT_EQ(word(group, 0), 0);
    EXPECT_EQ(word(group, 2), 1);
    EXPECT_EQ(word(group, 4), 1);
    EXPECT_EQ(group[6], 128);
    EXPECT_EQ(group[7], 128);
    EXPECT_EQ(word(group, 12), 32);
    EXPECT_EQ(dword(group, 14), 67624u);
    EXPECT_EQ(word(group, 18), 1);

    const auto image = bytesOf(RT_ICON, 1);
    ASSERT_EQ(image.size(), 67624u);
    EXPECT_EQ(dword(image, 0), 40u);
    EXPECT_EQ(dword(image, 4), 128u);
    EXPECT_EQ(dword(image, 8), 256u);
    EXPECT_EQ(word(image, 14), 32);
    EXPECT_EQ(dword(image, 16), 0u); // BI_RGB

    std::string error;
    auto decoded = quarrow::IconImage::decodeImageResource(image.data(), image.size(), error);
    ASSERT_TRUE(decoded) << error;
    EXPECT_EQ(decoded->width, 128);
    EXPECT_EQ(decoded->height, 128);
    EXPECT_EQ(decoded->pixel(0, 0)[3], 0);      // transparent corner
    EXPECT_EQ(decoded->pixel(64, 64)[3], 255);  // opaque emblem
}

TEST(EmbeddedResources, LoadIconGivesOneSharedLargeIcon)
{
    const HICON icon = LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_MAINFRAME));
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_MAINFRAME)), icon);
    const auto* image = quarrow::IconImage::fromHandle(icon);
    EXPECT_EQ(image->width(), 32);
    EXPECT_EQ(image->height(), 32);
    EXPECT_EQ(image->source().width, 128);
    // Premultiplied: no colour value above its alpha.
    for (int i = 0; i < 32 * 32; ++i) {
        const BYTE* p = image->pixels() + i * 4;
        ASSERT_LE(p[0], p[3]);
        ASSERT_LE(p[1], p[3]);
        ASSERT_LE(p[2], p[3]);
    }
    EXPECT_EQ(image->pixels()[3], 0);
    EXPECT_EQ(image->pixels()[(16 * 32 + 16) * 4 + 3], 255);

    SetLastError(0);
    EXPECT_EQ(LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(129)), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_RESOURCE_NAME_NOT_FOUND));
    EXPECT_EQ(LoadIconW(nullptr, MAKEINTRESOURCEW(32512)), nullptr);
}

TEST(EmbeddedResources, ManifestAsksForCommonControlsTrustAndDpiAwareness)
{
    const auto b = bytesOf(RT_MANIFEST, 1);
    const std::string text(reinterpret_cast<const char*>(b.data()), b.size());
    const char* facts[] = {
        "xmlns=\"urn:schemas-microsoft-com:asm.v1\"",
        "type=\"win32\"",
        "name=\"Microsoft.Windows.Common-Controls\"",
        "version=\"6.0.0.0\"",
        "processorArchitecture=\"*\"",  // any: an "x86" dependency stops an x64 program from starting
        "publicKeyToken=\"6595b64144ccf1df\"",
        "language=\"*\"",
        "level=\"highestAvailable\"",
        "uiAccess=\"false\"",
        "xmlns=\"http://schemas.microsoft.com/SMI/2005/WindowsSettings\">true</dpiAware>",
    };
    for (const char* fact : facts) EXPECT_NE(text.find(fact), std::string::npos) << fact;
}

// A node of the version resource: length, value length, type, key, value,
// children, each on double-word boundaries.
struct VersionNode {
    std::u16string key;
    WORD type = 0;
    std::vector<BYTE> value;
    std::vector<VersionNode> children;
};

size_t align4(size_t v) { return (v + 3) & ~static_cast<size_t>(3); }

VersionNode readVersionNode(std::span<const BYTE> b, size_t at, size_t& end)
{
    VersionNode node;
    const WORD length = word(b, at);
    const WORD valueLength = word(b, at + 2);
    node.type = word(b, at + 4);
    size_t p = at + 6;
    while (word(b, p) != 0) {
        node.key.push_back(static_cast<char16_t>(word(b, p)));
        p += 2;
    }
    p = align4(p + 2);
    const size_t valueBytes = node.type == 1 ? valueLength * 2u : valueLength;
    node.value.assign(b.begin() + static_cast<std::ptrdiff_t>(p), b.begin() + static_cast<std::ptrdiff_t>(p + valueBytes));
    p = align4(p + valueBytes);
    end = at + length;
    while (p < end) {
        size_t childEnd = 0;
        node.children.push_back(readVersionNode(b, p, childEnd));
        p = align4(childEnd);
    }
    return node;
}

std::u16string textValue(const VersionNode& n)
{
    std::u16string s;
    for (size_t i = 0; i + 1 < n.value.size(); i += 2) {
        const char16_t c = static_cast<char16_t>(n.value[i] | n.value[i + 1] << 8);
        if (c == 0) break;
        s.push_back(c);
    }
    return s;
}

TEST(EmbeddedResources, VersionInformationHasTheFixedValuesAndKeys)
{
    const auto b = bytesOf(RT_VERSION, 1);
    ASSERT_GT(b.size(), 92u);
    size_t end = 0;
    const VersionNode root = readVersionNode(b, 0, end);
    EXPECT_EQ(end, b.size());
    EXPECT_EQ(root.key, _T("VS_VERSION_INFO"));
    ASSERT_EQ(root.value.size(), 52u);
    const std::span<const BYTE> fixed(root.value);
    EXPECT_EQ(dword(fixed, 0), 0xFEEF04BDu);
    EXPECT_EQ(dword(fixed, 8), 0x00010000u);  // file version 1.0
    EXPECT_EQ(dword(fixed, 12), 0x00000000u); // .0.0
    EXPECT_EQ(dword(fixed, 16), 0x00010000u); // product version 1.0
    EXPECT_EQ(dword(fixed, 20), 0x00000000u);
    EXPECT_EQ(dword(fixed, 24), 0x3Fu);
    EXPECT_EQ(dword(fixed, 28), 0u);
    EXPECT_EQ(dword(fixed, 32), 0x40004u);
    EXPECT_EQ(dword(fixed, 36), 1u);
    EXPECT_EQ(dword(fixed, 40), 0u);

    ASSERT_EQ(root.children.size(), 2u);
    const VersionNode& strings = root.children[0];
    EXPECT_EQ(strings.key, _T("StringFileInfo"));
    ASSERT_EQ(strings.children.size(), 1u);
    const VersionNode& table = strings.children[0];
    EXPECT_EQ(table.key, _T("080404b0"));
    const std::u16string keys[] = {_T("CompanyName"),    _T("FileDescription"), _T("FileVersion"), _T("InternalName"),
                                   _T("LegalCopyright"), _T("OriginalFilename"), _T("ProductName"), _T("ProductVersion")};
    ASSERT_EQ(table.children.size(), 8u);
    std::map<std::u16string, std::u16string> values;
    for (size_t i = 0; i < 8; ++i) {
        EXPECT_EQ(table.children[i].key, keys[i]);
        EXPECT_EQ(table.children[i].type, 1);
        values[table.children[i].key] = textValue(table.children[i]);
        EXPECT_FALSE(values[table.children[i].key].empty()) << i;
    }
    EXPECT_EQ(values[_T("FileVersion")], _T("1.0.0.0"));
    EXPECT_EQ(values[_T("ProductVersion")], _T("1.0.0.0"));
    EXPECT_EQ(values[_T("FileDescription")], _T("《Quarrow》微端"));
    EXPECT_EQ(values[_T("ProductName")], _T("《Quarrow》微端"));

    const VersionNode& var = root.children[1];
    EXPECT_EQ(var.key, _T("VarFileInfo"));
    ASSERT_EQ(var.children.size(), 1u);
    EXPECT_EQ(var.children[0].key, _T("Translation"));
    ASSERT_EQ(var.children[0].value.size(), 4u);
    EXPECT_EQ(word(var.children[0].value, 0), 0x0804);
    EXPECT_EQ(word(var.children[0].value, 2), 1200);
}

} // namespace
