// Builds extended dialog templates (DLGTEMPLATEEX) in memory, for tests
// that make dialogs without a resource script. The builder owns the bytes;
// get() points into them while the builder lives.
#pragma once

#include <vector>

#include "support/WideString.h"
#include "win32/Windows.h"

namespace quarrow::test {

// Builds an extended dialog template (DLGTEMPLATEEX) in memory.
class TemplateBuilder {
public:
    TemplateBuilder(DWORD style, short x, short y, short cx, short cy, const WideString& title = _T(""),
                    bool font = true)
    {
        if (font) style |= DS_SETFONT;
        word(1);
        word(0xFFFF);
        dword(0); // help id
        dword(0); // extended style
        dword(style);
        m_countAt = m_bytes.size();
        word(0);
        word(static_cast<WORD>(x));
        word(static_cast<WORD>(y));
        word(static_cast<WORD>(cx));
        word(static_cast<WORD>(cy));
        word(0); // no menu
        word(0); // the dialog class
        text(title);
        if (font) {
            word(9);
            word(FW_NORMAL);
            m_bytes.push_back(0);
            m_bytes.push_back(1);
            text(_T("MS Shell Dlg"));
        }
    }

    TemplateBuilder& control(const WideString& cls, const WideString& title, DWORD id, DWORD style, short x,
                             short y, short cx, short cy)
    {
        while (m_bytes.size() % 4) m_bytes.push_back(0);
        dword(0);
        dword(0);
        dword(style | WS_CHILD | WS_VISIBLE);
        word(static_cast<WORD>(x));
        word(static_cast<WORD>(y));
        word(static_cast<WORD>(cx));
        word(static_cast<WORD>(cy));
        dword(id);
        if (cls == _T("Button")) {
            word(0xFFFF);
            word(0x0080);
        } else {
            text(cls);
        }
        text(title);
        word(0); // no creation data
        ++m_count;
        m_bytes[m_countAt] = static_cast<BYTE>(m_count);
        return *this;
    }

    const DLGTEMPLATE* get() const { return reinterpret_cast<const DLGTEMPLATE*>(m_bytes.data()); }

private:
    void word(WORD w)
    {
        m_bytes.push_back(static_cast<BYTE>(w & 0xFF));
        m_bytes.push_back(static_cast<BYTE>(w >> 8));
    }
    void dword(DWORD d)
    {
        word(static_cast<WORD>(d & 0xFFFF));
        word(static_cast<WORD>(d >> 16));
    }
    void text(const WideString& s)
    {
        for (WCHAR c : s) word(c);
        word(0);
    }

    std::vector<BYTE> m_bytes;
    size_t m_countAt = 0;
    int m_count = 0;
};

} // namespace quarrow::test
