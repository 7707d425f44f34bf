// Internal to the platform layer: a dialog template read from its binary
// form (the classic DLGTEMPLATE or the extended DLGTEMPLATEEX), for the
// dialog manager that creates dialogs from resources and for tests of the
// resource script. Templates stay in the resources in their binary form;
// this class is the one place that reads them.
#pragma once

#include "win32/WinDef.h"

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace quarrow {

class DialogTemplate {
public:
    // A menu, class or title field: absent, an ordinal (0xFFFF then a word)
    // or a string.
    struct NameOrOrdinal {
        bool present = false;
        bool isOrdinal = false;
        WORD ordinal = 0;
        std::u16string text;
    };

    struct Item {
        DWORD helpId = 0;
        DWORD exStyle = 0;
        DWORD style = 0;
        SHORT x = 0, y = 0, cx = 0, cy = 0;
        DWORD id = 0;
        NameOrOrdinal windowClass;
        NameOrOrdinal title;
        std::vector<BYTE> creationData;
        // Where the item's bytes lie in the template: from its DWORD-aligned
        // start to the end of its creation data.
        size_t offset = 0;
        size_t size = 0;

        // The class as a name: the predefined ordinals 0x0080 to 0x0085 as
        // "Button", "Edit", "Static", "ListBox", "ScrollBar", "ComboBox";
        // a string class as it is.
        std::u16string className() const;
    };

    static constexpr DWORD kDsSetFont = 0x40;

    bool extended = false;
    DWORD helpId = 0;
    DWORD exStyle = 0;
    DWORD style = 0;
    SHORT x = 0, y = 0, cx = 0, cy = 0;
    NameOrOrdinal menu;
    NameOrOrdinal windowClass;
    NameOrOrdinal title;
    // Present when the style carries DS_SETFONT; weight, italic and
    // charset only in the extended form.
    bool hasFont = false;
    WORD pointSize = 0;
    WORD weight = 0;
    BYTE italic = 0;
    BYTE charset = 0;
    std::u16string typeface;
    std::vector<Item> items;
    // Where the item count (a WORD) lies, and where the first item may start.
    size_t countOffset = 0;
    size_t headerSize = 0;

    // Reads a template. Every field is checked against `size`: a template
    // that ends early, an unterminated string or an item past the end gives
    // no template and a message naming the field.
    static std::optional<DialogTemplate> parse(const BYTE* bytes, size_t size, std::string& error);

    // The template's bytes (as parsed: `bytes` must be what parse read)
    // without the items for which `drop` is true, the item count lowered to
    // match. Everything else, the kept items' bytes included, is copied as
    // it is, each item at a DWORD boundary as the form requires.
    std::vector<BYTE> withoutItems(const BYTE* bytes, const std::vector<bool>& drop) const;

    // The index of the first item that can take the focus (visible, enabled
    // and with WS_TABSTOP), or -1.
    int firstTabStop() const;
};

} // namespace quarrow
