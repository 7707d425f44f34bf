#include "win32/DialogTemplate.h"

namespace quarrow {

namespace {

constexpr DWORD kWsVisible = 0x10000000;
constexpr DWORD kWsDisabled = 0x08000000;
constexpr DWORD kWsTabStop = 0x00010000;

class Reader {
public:
    Reader(const BYTE* bytes, size_t size, std::string& error) : m_bytes(bytes), m_size(size), m_error(error) {}

    bool word(WORD& out, const char* what)
    {
        if (!need(2, what)) return false;
        out = static_cast<WORD>(m_bytes[m_pos] | m_bytes[m_pos + 1] << 8);
        m_pos += 2;
        return true;
    }
    bool dword(DWORD& out, const char* what)
    {
        WORD lo = 0, hi = 0;
        if (!need(4, what)) return false;
        word(lo, what);
        word(hi, what);
        out = static_cast<DWORD>(lo) | static_cast<DWORD>(hi) << 16;
        return true;
    }
    bool shortValue(SHORT& out, const char* what)
    {
        WORD w;
        if (!word(w, what)) return false;
        out = static_cast<SHORT>(w);
        return true;
    }
    bool byte(BYTE& out, const char* what)
    {
        if (!need(1, what)) return false;
        out = m_bytes[m_pos++];
        return true;
    }
    bool string(std::u16string& out, const char* what)
    {
        out.clear();
        for (;;) {
            WORD c = 0;
            if (!need(2, what)) {
                m_error = std::string("dialog template: ") + what + " is not terminated";
                return false;
            }
            word(c, what);
            if (c == 0) return true;
            out.push_back(static_cast<char16_t>(c));
        }
    }
    bool nameOrOrdinal(DialogTemplate::NameOrOrdinal& out, const char* what)
    {
        WORD first;
        if (!word(first, what)) return false;
        out = {};
        if (first == 0) return true;
        out.present = true;
        if (first == 0xFFFF) {
            out.isOrdinal = true;
            return word(out.ordinal, what);
        }
        m_pos -= 2;
        return string(out.text, what);
    }
    bool bytes(std::vector<BYTE>& out, size_t n, const char* what)
    {
        if (!need(n, what)) return false;
        out.assign(m_bytes + m_pos, m_bytes + m_pos + n);
        m_pos += n;
        return true;
    }
    void alignDword() { m_pos = (m_pos + 3) & ~static_cast<size_t>(3); }
    size_t pos() const { return m_pos; }

private:
    bool need(size_t n, const char* what)
    {
        if (n <= m_size && m_pos <= m_size - n) return true;
        m_error = std::string("dialog template: ") + what + " runs past the end (offset " + std::to_string(m_pos) +
                  " of " + std::to_string(m_size) + ")";
        return false;
    }

    const BYTE* m_bytes;
    size_t m_size;
    size_t m_pos = 0;
    std::string& m_error;
};

} // namespace

std::u16string DialogTemplate::Item::className() const
{
    if (!windowClass.present) return u"";
    if (!windowClass.isOrdinal) return windowClass.text;
    switch (windowClass.ordinal) {
    case 0x0080:
        return u"Button";
    case 0x0081:
        return u"Edit";
    case 0x0082:
        return u"Static";
    case 0x0083:
        return u"ListBox";
    case 0x0084:
        return u"ScrollBar";
    case 0x0085:
        return u"ComboBox";
    default: {
        // Digits are written backwards, then turned round, which also keeps
        // clear of a false -Wrestrict warning that g++ 12 gives for
        // prepending to a temporary u16string at -O3.
        std::u16string s;
        unsigned v = windowClass.ordinal;
        do {
            s.push_back(static_cast<char16_t>(u'0' + v % 10));
            v /= 10;
        } while (v != 0);
        s.push_back(u'#');
        return std::u16string(s.rbegin(), s.rend());
    }
    }
}

std::optional<DialogTemplate> DialogTemplate::parse(const BYTE* bytes, size_t size, std::string& error)
{
    DialogTemplate t;
    if (bytes == nullptr) {
        error = "dialog template: no data";
        return std::nullopt;
    }
    Reader r(bytes, size, error);
    WORD version = 0, signature = 0;
    if (!r.word(version, "signature")) return std::nullopt;
    if (!r.word(signature, "signature")) return std::nullopt;
    WORD count = 0;
    if (version == 1 && signature == 0xFFFF) {
        t.extended = true;
        if (!r.dword(t.helpId, "help id") || !r.dword(t.exStyle, "extended style") || !r.dword(t.style, "style"))
            return std::nullopt;
    } else {
        // The classic form starts with the style and extended style.
        t.style = static_cast<DWORD>(version) | static_cast<DWORD>(signature) << 16;
        if (!r.dword(t.exStyle, "extended style")) return std::nullopt;
    }
    t.countOffset = r.pos();
    if (!r.word(count, "item count") || !r.shortValue(t.x, "x") || !r.shortValue(t.y, "y") ||
        !r.shortValue(t.cx, "width") || !r.shortValue(t.cy, "height"))
        return std::nullopt;
    if (!r.nameOrOrdinal(t.menu, "menu") || !r.nameOrOrdinal(t.windowClass, "class") ||
        !r.nameOrOrdinal(t.title, "title"))
        return std::nullopt;
    if (t.style & kDsSetFont) {
        t.hasFont = true;
        if (!r.word(t.pointSize, "font size")) return std::nullopt;
        if (t.extended) {
            if (!r.word(t.weight, "font weight") || !r.byte(t.italic, "font italic") ||
                !r.byte(t.charset, "font charset"))
                return std::nullopt;
        }
        if (!r.string(t.typeface, "typeface")) return std::nullopt;
    }
    t.headerSize = r.pos();
    for (WORD i = 0; i < count; ++i) {
        Item item;
        r.alignDword();
        item.offset = r.pos();
        if (t.extended) {
            if (!r.dword(item.helpId, "item help id") || !r.dword(item.exStyle, "item extended style") ||
                !r.dword(item.style, "item style"))
                return std::nullopt;
        } else {
            if (!r.dword(item.style, "item style") || !r.dword(item.exStyle, "item extended style"))
                return std::nullopt;
        }
        if (!r.shortValue(item.x, "item x") || !r.shortValue(item.y, "item y") ||
            !r.shortValue(item.cx, "item width") || !r.shortValue(item.cy, "item height"))
            return std::nullopt;
        if (t.extended) {
            if (!r.dword(item.id, "item id")) return std::nullopt;
        } else {
            WORD id;
            if (!r.word(id, "item id")) return std::nullopt;
            item.id = id;
        }
        if (!r.nameOrOrdinal(item.windowClass, "item class") || !r.nameOrOrdinal(item.title, "item title"))
            return std::nullopt;
        WORD extra = 0;
        if (!r.word(extra, "item creation data size")) return std::nullopt;
        // The classic form counts its own size word; the extended one does not.
        size_t n = extra;
        if (!t.extended && extra != 0) {
            if (extra < 2) {
                error = "dialog template: item creation data size " + std::to_string(extra) + " is too small";
                return std::nullopt;
            }
            n = extra - 2u;
        }
        if (!r.bytes(item.creationData, n, "item creation data")) return std::nullopt;
        item.size = r.pos() - item.offset;
        t.items.push_back(std::move(item));
    }
    error.clear();
    return t;
}

std::vector<BYTE> DialogTemplate::withoutItems(const BYTE* bytes, const std::vector<bool>& drop) const
{
    std::vector<BYTE> out(bytes, bytes + headerSize);
    WORD kept = 0;
    for (size_t i = 0; i < items.size(); ++i) {
        if (i < drop.size() && drop[i]) continue;
        out.resize((out.size() + 3) & ~static_cast<size_t>(3), 0);
        out.insert(out.end(), bytes + items[i].offset, bytes + items[i].offset + items[i].size);
        ++kept;
    }
    out[countOffset] = static_cast<BYTE>(kept & 0xFF);
    out[countOffset + 1] = static_cast<BYTE>(kept >> 8);
    return out;
}

int DialogTemplate::firstTabStop() const
{
    for (size_t i = 0; i < items.size(); ++i) {
        const DWORD s = items[i].style;
        if ((s & kWsTabStop) && (s & kWsVisible) && !(s & kWsDisabled)) return static_cast<int>(i);
    }
    return -1;
}

} // namespace quarrow
