#include "platform/x11/X11KeySyms.h"

#include <X11/keysym.h>

unsigned long x11KeysymForVirtualKey(std::uint16_t virtualKey) {
    // Letters map to their lower-case keysyms: the upper-case ones would imply Shift.
    if (virtualKey >= 0x41 && virtualKey <= 0x5A)
        return XK_a + (virtualKey - 0x41);
    if (virtualKey >= 0x30 && virtualKey <= 0x39)
        return XK_0 + (virtualKey - 0x30);
    if (virtualKey >= 0x70 && virtualKey <= 0x87)
        return XK_F1 + (virtualKey - 0x70);
    switch (virtualKey) {
    case 0x08:
        return XK_BackSpace;
    case 0x09:
        return XK_Tab;
    case 0x0D:
        return XK_Return;
    case 0x1B:
        return XK_Escape;
    case 0x20:
        return XK_space;
    case 0x21:
        return XK_Prior;
    case 0x22:
        return XK_Next;
    case 0x23:
        return XK_End;
    case 0x24:
        return XK_Home;
    case 0x25:
        return XK_Left;
    case 0x26:
        return XK_Up;
    case 0x27:
        return XK_Right;
    case 0x28:
        return XK_Down;
    case 0x2D:
        return XK_Insert;
    case 0x2E:
        return XK_Delete;
    case 0x10: // generic Shift, Ctrl and Alt act as the left-hand keys
    case 0xA0:
        return XK_Shift_L;
    case 0xA1:
        return XK_Shift_R;
    case 0x11:
    case 0xA2:
        return XK_Control_L;
    case 0xA3:
        return XK_Control_R;
    case 0x12:
    case 0xA4:
        return XK_Alt_L;
    case 0xA5:
        return XK_Alt_R;
    case 0x5B:
        return XK_Super_L;
    case 0x5C:
        return XK_Super_R;
    default:
        return 0;
    }
}
