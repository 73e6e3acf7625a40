#pragma once

#include <QtGlobal>
#include <qnamespace.h>

// How a Qt key combination becomes a system hotkey: Windows virtual keys and
// RegisterHotKey modifiers, X11 keysyms and core modifier masks. Plain tables, so they
// are tested on any system.

// The Windows key of a hotkey: a fixed virtual key, or a character whose key depends on
// the active keyboard layout (punctuation, letters outside A-Z). Both zero: no key.
struct WindowsHotkeyKey {
    unsigned virtualKey = 0;
    char16_t layoutCharacter = 0;
};

WindowsHotkeyKey windowsHotkeyKey(Qt::Key key, Qt::KeyboardModifiers modifiers);
// RegisterHotKey modifier bits for Ctrl, Alt, Shift and Meta (the Windows key).
unsigned windowsHotkeyModifiers(Qt::KeyboardModifiers modifiers);

// The keysym of the key; 0 when there is none.
quint32 x11HotkeyKeysym(Qt::Key key, Qt::KeyboardModifiers modifiers);
// Core modifier masks: Shift, Control, Mod1 for Alt, Mod4 for Meta (Super).
quint16 x11HotkeyModifiers(Qt::KeyboardModifiers modifiers);
