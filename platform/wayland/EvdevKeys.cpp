#include "platform/wayland/EvdevKeys.h"

#include <array>

namespace {

// Letters A to Z, row by row of a US keyboard.
constexpr std::array<std::uint32_t, 26> letterKeys = {
    30, 48, 46, 32, 18, 33, 34, 35, 23, 36, 37, 38, 50, // A to M
    49, 24, 25, 16, 19, 31, 20, 22, 47, 17, 45, 21, 44, // N to Z
};

} // namespace

std::uint32_t evdevKeyForVirtualKey(std::uint16_t virtualKey) {
    if (virtualKey >= 0x41 && virtualKey <= 0x5A)
        return letterKeys[virtualKey - 0x41];
    // The number row: 1 to 9 are codes 2 to 10, 0 is 11.
    if (virtualKey == 0x30)
        return 11;
    if (virtualKey >= 0x31 && virtualKey <= 0x39)
        return 2 + (virtualKey - 0x31);
    // F1 to F10 are 59 to 68, F11 and F12 are 87 and 88, F13 to F24 are 183 to 194.
    if (virtualKey >= 0x70 && virtualKey <= 0x79)
        return 59 + (virtualKey - 0x70);
    if (virtualKey == 0x7A || virtualKey == 0x7B)
        return 87 + (virtualKey - 0x7A);
    if (virtualKey >= 0x7C && virtualKey <= 0x87)
        return 183 + (virtualKey - 0x7C);
    switch (virtualKey) {
    case 0x08: // Backspace
        return 14;
    case 0x09: // Tab
        return 15;
    case 0x0D: // Enter
        return 28;
    case 0x1B: // Esc
        return 1;
    case 0x20: // Space
        return 57;
    case 0x21: // Page Up
        return 104;
    case 0x22: // Page Down
        return 109;
    case 0x23: // End
        return 107;
    case 0x24: // Home
        return 102;
    case 0x25: // Left
        return 105;
    case 0x26: // Up
        return 103;
    case 0x27: // Right
        return 106;
    case 0x28: // Down
        return 108;
    case 0x2D: // Insert
        return 110;
    case 0x2E: // Delete
        return 111;
    case 0x10: // generic Shift, Ctrl and Alt act as the left-hand keys
    case 0xA0:
        return 42;
    case 0xA1:
        return 54;
    case 0x11:
    case 0xA2:
        return 29;
    case 0xA3:
        return 97;
    case 0x12:
    case 0xA4:
        return 56;
    case 0xA5:
        return 100;
    case 0x5B:
        return 125;
    case 0x5C:
        return 126;
    default:
        return 0;
    }
}

bool virtualKeyIsCharacter(std::uint16_t virtualKey) {
    return (virtualKey >= 0x41 && virtualKey <= 0x5A) || (virtualKey >= 0x30 && virtualKey <= 0x39);
}
