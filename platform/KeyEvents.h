#pragma once

// Key events of synthetic input, built without any native header so that the Windows
// and X11 backends and the tests share one definition of what is sent.

#include <array>
#include <cstdint>
#include <vector>

// One key going down or up, named by its Windows virtual-key code.
struct KeyEvent {
    std::uint16_t virtualKey = 0;
    bool up = false;
    bool extended = false;

    bool operator==(const KeyEvent &other) const {
        return virtualKey == other.virtualKey && up == other.up && extended == other.extended;
    }
    bool operator!=(const KeyEvent &other) const { return !(*this == other); }
};

// Navigation keys, Insert, Delete and the Windows keys need the extended flag, or the
// system reads them as their numeric-keypad twins.
bool isExtendedKey(std::uint16_t virtualKey);

KeyEvent keyEvent(std::uint16_t virtualKey, bool up);

// Modifiers down in the given order, the main key (0 = none) down and up, then the
// modifiers up in reverse order.
std::vector<KeyEvent> chordKeyEvents(const std::vector<std::uint16_t> &modifiers, std::uint16_t mainKey);

// A key-down of a key that is no modifier, with the modifiers that the same events hold
// down at that moment: the combination the system sees, and that may be a hotkey.
struct KeyPressCombination {
    enum Modifier : unsigned { Shift = 1, Control = 2, Alt = 4, Meta = 8 };
    std::uint16_t virtualKey = 0;
    unsigned modifiers = 0;

    bool operator==(const KeyPressCombination &other) const {
        return virtualKey == other.virtualKey && modifiers == other.modifiers;
    }
};

// The combinations the events press, in order. Shift, Ctrl, Alt and the Windows keys
// (left, right or either) are modifiers; a key pressed twice with the same ones counts once.
std::vector<KeyPressCombination> keyPressCombinations(const std::vector<KeyEvent> &events);

// Left Ctrl down, V down, V up, left Ctrl up.
std::vector<KeyEvent> pasteShortcutEvents();

// The modifier keys checked before output starts, in the order they are checked and
// released: left/right Ctrl, left/right Alt, left/right Shift, left/right Windows.
constexpr std::array<std::uint16_t, 8> releasableModifierKeys = {0xA2, 0xA3, 0xA4, 0xA5,
                                                                 0xA0, 0xA1, 0x5B, 0x5C};

// Held state of the keys of releasableModifierKeys, index for index.
using HeldModifiers = std::array<bool, 8>;

// One key-up per held key, in the order of releasableModifierKeys.
std::vector<KeyEvent> modifierReleaseEvents(const HeldModifiers &held);
