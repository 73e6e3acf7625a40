#pragma once

#include "output/OutputAction.h"

#include <QString>
#include <QtGlobal>

// Windows virtual-key codes used by phrase output. Modifiers are the left-hand keys.
namespace VirtualKey {
constexpr quint16 Backspace = 0x08;
constexpr quint16 Tab = 0x09;
constexpr quint16 Enter = 0x0D;
constexpr quint16 Escape = 0x1B;
constexpr quint16 Space = 0x20;
constexpr quint16 Left = 0x25;
constexpr quint16 Up = 0x26;
constexpr quint16 Right = 0x27;
constexpr quint16 Down = 0x28;
constexpr quint16 Insert = 0x2D;
constexpr quint16 F1 = 0x70;
constexpr quint16 LeftWin = 0x5B;
constexpr quint16 LeftShift = 0xA0;
constexpr quint16 LeftCtrl = 0xA2;
constexpr quint16 LeftAlt = 0xA4;
} // namespace VirtualKey

// Maps a main key name ("Enter", "a", "7", "F5", ...) to its virtual-key code. The name
// is trimmed and matched in any case. On failure `code` is left as it was.
bool keyNameToVirtualKey(const QString &name, quint16 &code);

// Parses a chord such as "Ctrl+Shift+A": any modifiers, each at most once, and at most
// one main key. On success sets `kind` to KeyPress, appends the modifiers in the order
// Ctrl, Alt, Shift, Win and sets `mainKey` (0 when the chord has none). On failure
// `action` is left as it was.
bool parseKeyChord(const QString &text, OutputAction &action);
