#include "host/gtk/GtkKeyMap.h"

#include "win32/WinUser.h"

#include <gdk/gdk.h>

namespace quarrow {

UINT GtkKeyMap::virtualKey(unsigned keyval)
{
    if (keyval >= GDK_KEY_a && keyval <= GDK_KEY_z) return 'A' + (keyval - GDK_KEY_a);
    if (keyval >= GDK_KEY_A && keyval <= GDK_KEY_Z) return 'A' + (keyval - GDK_KEY_A);
    if (keyval >= GDK_KEY_0 && keyval <= GDK_KEY_9) return '0' + (keyval - GDK_KEY_0);
    if (keyval >= GDK_KEY_KP_0 && keyval <= GDK_KEY_KP_9) return VK_NUMPAD0 + (keyval - GDK_KEY_KP_0);
    // F1 to F24 have consecutive codes on both sides.
    if (keyval >= GDK_KEY_F1 && keyval <= GDK_KEY_F24) return VK_F1 + (keyval - GDK_KEY_F1);

    switch (keyval) {
    case GDK_KEY_BackSpace:
        return VK_BACK;
    case GDK_KEY_Tab:
    case GDK_KEY_ISO_Left_Tab: // shift+tab
    case GDK_KEY_KP_Tab:
        return VK_TAB;
    case GDK_KEY_Clear:
        return VK_CLEAR;
    case GDK_KEY_Return:
    case GDK_KEY_KP_Enter:
    case GDK_KEY_ISO_Enter:
        return VK_RETURN;
    case GDK_KEY_Shift_L:
    case GDK_KEY_Shift_R:
        return VK_SHIFT;
    case GDK_KEY_Control_L:
    case GDK_KEY_Control_R:
        return VK_CONTROL;
    case GDK_KEY_Alt_L:
    case GDK_KEY_Alt_R:
    case GDK_KEY_Meta_L:
    case GDK_KEY_Meta_R:
    case GDK_KEY_ISO_Level3_Shift: // AltGr
        return VK_MENU;
    case GDK_KEY_Pause:
        return VK_PAUSE;
    case GDK_KEY_Caps_Lock:
        return VK_CAPITAL;
    case GDK_KEY_Escape:
        return VK_ESCAPE;
    case GDK_KEY_space:
    case GDK_KEY_KP_Space:
        return VK_SPACE;
    case GDK_KEY_Page_Up:
    case GDK_KEY_KP_Page_Up:
        return VK_PRIOR;
    case GDK_KEY_Page_Down:
    case GDK_KEY_KP_Page_Down:
        return VK_NEXT;
    case GDK_KEY_End:
    case GDK_KEY_KP_End:
        return VK_END;
    case GDK_KEY_Home:
    case GDK_KEY_KP_Home:
        return VK_HOME;
    case GDK_KEY_Left:
    case GDK_KEY_KP_Left:
        return VK_LEFT;
    case GDK_KEY_Up:
    case GDK_KEY_KP_Up:
        return VK_UP;
    case GDK_KEY_Right:
    case GDK_KEY_KP_Right:
        return VK_RIGHT;
    case GDK_KEY_Down:
    case GDK_KEY_KP_Down:
        return VK_DOWN;
    case GDK_KEY_Select:
        return VK_SELECT;
    case GDK_KEY_Print:
        return VK_SNAPSHOT;
    case GDK_KEY_Execute:
        return VK_EXECUTE;
    case GDK_KEY_Insert:
    case GDK_KEY_KP_Insert:
        return VK_INSERT;
    case GDK_KEY_Delete:
    case GDK_KEY_KP_Delete:
        return VK_DELETE;
    case GDK_KEY_Help:
        return VK_HELP;
    case GDK_KEY_Super_L:
        return VK_LWIN;
    case GDK_KEY_Super_R:
        return VK_RWIN;
    case GDK_KEY_Menu:
        return VK_APPS;
    case GDK_KEY_KP_Multiply:
        return VK_MULTIPLY;
    case GDK_KEY_KP_Add:
        return VK_ADD;
    case GDK_KEY_KP_Separator:
        return VK_SEPARATOR;
    case GDK_KEY_KP_Subtract:
        return VK_SUBTRACT;
    case GDK_KEY_KP_Decimal:
        return VK_DECIMAL;
    case GDK_KEY_KP_Divide:
        return VK_DIVIDE;
    case GDK_KEY_Num_Lock:
        return VK_NUMLOCK;
    case GDK_KEY_Scroll_Lock:
        return VK_SCROLL;
    case GDK_KEY_semicolon:
    case GDK_KEY_colon:
        return kOem1;
    case GDK_KEY_equal:
    case GDK_KEY_plus:
        return kOemPlus;
    case GDK_KEY_comma:
    case GDK_KEY_less:
        return kOemComma;
    case GDK_KEY_minus:
    case GDK_KEY_underscore:
        return kOemMinus;
    case GDK_KEY_period:
    case GDK_KEY_greater:
        return kOemPeriod;
    case GDK_KEY_slash:
    case GDK_KEY_question:
        return kOem2;
    case GDK_KEY_grave:
    case GDK_KEY_asciitilde:
        return kOem3;
    case GDK_KEY_bracketleft:
    case GDK_KEY_braceleft:
        return kOem4;
    case GDK_KEY_backslash:
    case GDK_KEY_bar:
        return kOem5;
    case GDK_KEY_bracketright:
    case GDK_KEY_braceright:
        return kOem6;
    case GDK_KEY_apostrophe:
    case GDK_KEY_quotedbl:
        return kOem7;
    // The shifted digits of the US layout stay on their digit keys.
    case GDK_KEY_exclam:
        return '1';
    case GDK_KEY_at:
        return '2';
    case GDK_KEY_numbersign:
        return '3';
    case GDK_KEY_dollar:
        return '4';
    case GDK_KEY_percent:
        return '5';
    case GDK_KEY_asciicircum:
        return '6';
    case GDK_KEY_ampersand:
        return '7';
    case GDK_KEY_asterisk:
        return '8';
    case GDK_KEY_parenleft:
        return '9';
    case GDK_KEY_parenright:
        return '0';
    default:
        return 0;
    }
}

char16_t GtkKeyMap::character(unsigned keyval, bool control)
{
    if (control) {
        if (keyval >= GDK_KEY_a && keyval <= GDK_KEY_z) return static_cast<char16_t>(1 + keyval - GDK_KEY_a);
        if (keyval >= GDK_KEY_A && keyval <= GDK_KEY_Z) return static_cast<char16_t>(1 + keyval - GDK_KEY_A);
    }
    switch (keyval) {
    // Keys whose characters GDK does not report but the platform types.
    case GDK_KEY_BackSpace:
        return 0x08;
    case GDK_KEY_Tab:
    case GDK_KEY_ISO_Left_Tab:
    case GDK_KEY_KP_Tab:
        return u'\t';
    case GDK_KEY_Return:
    case GDK_KEY_KP_Enter:
    case GDK_KEY_ISO_Enter:
        return u'\r';
    case GDK_KEY_Escape:
        return 0x1B;
    // GDK reports DEL for the delete keys; the platform's delete key types
    // nothing.
    case GDK_KEY_Delete:
    case GDK_KEY_KP_Delete:
        return 0;
    default:
        break;
    }
    const guint32 c = gdk_keyval_to_unicode(keyval);
    if (c == 0 || c > 0xFFFF || (c >= 0xD800 && c <= 0xDFFF)) return 0;
    return static_cast<char16_t>(c);
}

} // namespace quarrow
