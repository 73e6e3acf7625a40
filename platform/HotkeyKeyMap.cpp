#include "platform/HotkeyKeyMap.h"

#include "platform/win/Win32Hotkey.h"

#include <QChar>

#include <iterator>

namespace {

// A key whose code does not depend on the keyboard layout.
struct FixedKey {
    Qt::Key key;
    unsigned virtualKey;
    quint32 keysym;
};

// Virtual keys from WinUser.h and keysyms from keysymdef.h / XF86keysym.h.
constexpr FixedKey fixedKeys[] = {
    {Qt::Key_Escape, 0x1B, 0xff1b},
    {Qt::Key_Tab, 0x09, 0xff09},
    {Qt::Key_Backtab, 0x09, 0xff09}, // Shift+Tab as a key sequence edit records it
    {Qt::Key_Backspace, 0x08, 0xff08},
    {Qt::Key_Return, 0x0D, 0xff0d},
    {Qt::Key_Enter, 0x0D, 0xff8d}, // keypad Enter
    {Qt::Key_Insert, 0x2D, 0xff63},
    {Qt::Key_Delete, 0x2E, 0xffff},
    {Qt::Key_Pause, 0x13, 0xff13},
    {Qt::Key_Print, 0x2C, 0xff61},
    {Qt::Key_Clear, 0x0C, 0xff0b},
    {Qt::Key_Home, 0x24, 0xff50},
    {Qt::Key_End, 0x23, 0xff57},
    {Qt::Key_Left, 0x25, 0xff51},
    {Qt::Key_Up, 0x26, 0xff52},
    {Qt::Key_Right, 0x27, 0xff53},
    {Qt::Key_Down, 0x28, 0xff54},
    {Qt::Key_PageUp, 0x21, 0xff55},
    {Qt::Key_PageDown, 0x22, 0xff56},
    {Qt::Key_CapsLock, 0x14, 0xffe5},
    {Qt::Key_NumLock, 0x90, 0xff7f},
    {Qt::Key_ScrollLock, 0x91, 0xff14},
    {Qt::Key_Menu, 0x5D, 0xff67},
    {Qt::Key_Help, 0x2F, 0xff6a},
    {Qt::Key_Space, 0x20, 0x0020},
    {Qt::Key_VolumeDown, 0xAE, 0x1008ff11},
    {Qt::Key_VolumeMute, 0xAD, 0x1008ff12},
    {Qt::Key_VolumeUp, 0xAF, 0x1008ff13},
    {Qt::Key_MediaPlay, 0xB3, 0x1008ff14},
    {Qt::Key_MediaTogglePlayPause, 0xB3, 0x1008ff14},
    {Qt::Key_MediaStop, 0xB2, 0x1008ff15},
    {Qt::Key_MediaPrevious, 0xB1, 0x1008ff16},
    {Qt::Key_MediaNext, 0xB0, 0x1008ff17},
};

// Keys of the numeric keypad, told apart from the main block by Qt::KeypadModifier.
constexpr FixedKey keypadKeys[] = {
    {Qt::Key_Asterisk, 0x6A, 0xffaa}, {Qt::Key_Plus, 0x6B, 0xffab},   {Qt::Key_Comma, 0x6C, 0xffac},
    {Qt::Key_Minus, 0x6D, 0xffad},    {Qt::Key_Period, 0x6E, 0xffae}, {Qt::Key_Slash, 0x6F, 0xffaf},
};

constexpr unsigned vkF1 = 0x70;
constexpr quint32 keysymF1 = 0xffbe;
constexpr unsigned vkNumpad0 = 0x60;
constexpr quint32 keysymKeypad0 = 0xffb0;

const FixedKey *findKey(const FixedKey *begin, const FixedKey *end, Qt::Key key) {
    for (const FixedKey *k = begin; k != end; ++k) {
        if (k->key == key)
            return k;
    }
    return nullptr;
}

const FixedKey *fixedKey(Qt::Key key, Qt::KeyboardModifiers modifiers) {
    if (modifiers.testFlag(Qt::KeypadModifier)) {
        if (const FixedKey *k = findKey(std::begin(keypadKeys), std::end(keypadKeys), key))
            return k;
    }
    return findKey(std::begin(fixedKeys), std::end(fixedKeys), key);
}

bool isFunctionKey(Qt::Key key) {
    return key >= Qt::Key_F1 && key <= Qt::Key_F24;
}

bool isDigit(Qt::Key key) {
    return key >= Qt::Key_0 && key <= Qt::Key_9;
}

// A key that types a character (Qt uses the upper-case code point for letters).
bool isCharacterKey(Qt::Key key) {
    const int code = static_cast<int>(key);
    return (code > 0x20 && code < 0x7F) || (code >= 0xA0 && code < 0xD800) ||
           (code >= 0xE000 && code <= 0xFFFF);
}

} // namespace

WindowsHotkeyKey windowsHotkeyKey(Qt::Key key, Qt::KeyboardModifiers modifiers) {
    WindowsHotkeyKey result;
    if (isDigit(key) && modifiers.testFlag(Qt::KeypadModifier)) {
        result.virtualKey = vkNumpad0 + (key - Qt::Key_0);
    } else if (isFunctionKey(key)) {
        result.virtualKey = vkF1 + (key - Qt::Key_F1);
    } else if (const FixedKey *k = fixedKey(key, modifiers)) {
        result.virtualKey = k->virtualKey;
    } else if ((key >= Qt::Key_A && key <= Qt::Key_Z) || isDigit(key)) {
        // Letters and digits have their own upper-case ASCII code as virtual key.
        result.virtualKey = static_cast<unsigned>(key);
    } else if (isCharacterKey(key)) {
        result.layoutCharacter = static_cast<char16_t>(QChar::toLower(static_cast<char32_t>(key)));
    }
    return result;
}

unsigned windowsHotkeyModifiers(Qt::KeyboardModifiers modifiers) {
    unsigned bits = 0;
    if (modifiers.testFlag(Qt::AltModifier))
        bits |= Win32Hotkey::ModAlt;
    if (modifiers.testFlag(Qt::ControlModifier))
        bits |= Win32Hotkey::ModControl;
    if (modifiers.testFlag(Qt::ShiftModifier))
        bits |= Win32Hotkey::ModShift;
    if (modifiers.testFlag(Qt::MetaModifier))
        bits |= Win32Hotkey::ModWin;
    return bits;
}

quint32 x11HotkeyKeysym(Qt::Key key, Qt::KeyboardModifiers modifiers) {
    if (isDigit(key) && modifiers.testFlag(Qt::KeypadModifier))
        return keysymKeypad0 + (key - Qt::Key_0);
    if (isFunctionKey(key))
        return keysymF1 + (key - Qt::Key_F1);
    if (const FixedKey *k = fixedKey(key, modifiers))
        return k->keysym;
    if (!isCharacterKey(key))
        return 0;
    // Latin-1 keysyms are the characters themselves, the rest are Unicode keysyms. The
    // lower-case letter names the key; Shift is a modifier of the hotkey.
    const char32_t lower = QChar::toLower(static_cast<char32_t>(key));
    return lower < 0x100 ? lower : (0x01000000 | lower);
}

quint16 x11HotkeyModifiers(Qt::KeyboardModifiers modifiers) {
    constexpr quint16 shiftMask = 0x01, controlMask = 0x04, mod1Mask = 0x08, mod4Mask = 0x40;
    quint16 mask = 0;
    if (modifiers.testFlag(Qt::ShiftModifier))
        mask |= shiftMask;
    if (modifiers.testFlag(Qt::ControlModifier))
        mask |= controlMask;
    if (modifiers.testFlag(Qt::AltModifier))
        mask |= mod1Mask;
    if (modifiers.testFlag(Qt::MetaModifier))
        mask |= mod4Mask;
    return mask;
}
