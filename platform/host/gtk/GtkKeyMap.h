// What a key of the X keyboard is to the window system: the translation
// from GDK key values to virtual-key codes and to the character a key
// press types. Used by the GTK backend (host/gtk/GtkBackend.h) when it
// turns real key events into the window system's input; it holds no state.
#pragma once

#include "win32/WinDef.h"

namespace quarrow {

class GtkKeyMap {
public:
    // The virtual-key code of a GDK key value, or 0 for a key the window
    // system has no code for. Letters map to their capitals, both shift,
    // control and alt keys to VK_SHIFT, VK_CONTROL and VK_MENU, the keypad
    // to the VK_NUMPAD codes, and punctuation to the VK_OEM codes of the US
    // layout.
    static UINT virtualKey(unsigned keyval);

    // The UTF-16 character a press of `keyval` types (0 when it types none
    // or its character lies outside the basic plane). With control held,
    // letters type the control characters 0x01 to 0x1A, as on the platform.
    static char16_t character(unsigned keyval, bool control);

    // The virtual-key codes of the OEM punctuation keys (US layout), with
    // the platform's values.
    static constexpr UINT kOem1 = 0xBA;      // VK_OEM_1: ; and :
    static constexpr UINT kOemPlus = 0xBB;   // VK_OEM_PLUS: = and +
    static constexpr UINT kOemComma = 0xBC;  // VK_OEM_COMMA
    static constexpr UINT kOemMinus = 0xBD;  // VK_OEM_MINUS
    static constexpr UINT kOemPeriod = 0xBE; // VK_OEM_PERIOD
    static constexpr UINT kOem2 = 0xBF;      // VK_OEM_2: / and ?
    static constexpr UINT kOem3 = 0xC0;      // VK_OEM_3: ` and ~
    static constexpr UINT kOem4 = 0xDB;      // VK_OEM_4: [ and {
    static constexpr UINT kOem5 = 0xDC;      // VK_OEM_5: \ and |
    static constexpr UINT kOem6 = 0xDD;      // VK_OEM_6: ] and }
    static constexpr UINT kOem7 = 0xDE;      // VK_OEM_7: ' and "
};

} // namespace quarrow
