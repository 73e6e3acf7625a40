#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

// Keys as the keyboard hook reports them: Windows virtual-key codes on every platform,
// so that the pick window's key handling is written once. Qt-free on purpose: the
// Windows hook and its wine test driver include it without Qt.

namespace HookVk {
constexpr std::uint32_t Tab = 0x09;
constexpr std::uint32_t Return = 0x0D;
constexpr std::uint32_t Shift = 0x10;
constexpr std::uint32_t Control = 0x11;
constexpr std::uint32_t Menu = 0x12; // Alt
constexpr std::uint32_t Escape = 0x1B;
constexpr std::uint32_t End = 0x23;
constexpr std::uint32_t Home = 0x24;
constexpr std::uint32_t Left = 0x25;
constexpr std::uint32_t Up = 0x26;
constexpr std::uint32_t Right = 0x27;
constexpr std::uint32_t Down = 0x28;
constexpr std::uint32_t Digit0 = 0x30;  // '0'..'9' are 0x30..0x39
constexpr std::uint32_t LetterA = 0x41; // 'A'..'Z' are 0x41..0x5A
constexpr std::uint32_t LeftWin = 0x5B;
constexpr std::uint32_t RightWin = 0x5C;
constexpr std::uint32_t Grave = 0xC0; // VK_OEM_3, left of the digit 1 on a US layout
} // namespace HookVk

// Modifiers held while a key went down (bit flags).
enum HookModifier : unsigned {
    HookNoModifier = 0,
    HookShift = 0x1,
    HookControl = 0x2,
    HookAlt = 0x4,
    HookMeta = 0x8, // the Windows key / Super
};

struct HookKeyEvent {
    std::uint32_t vk = 0;
    unsigned modifiers = HookNoModifier;
    // An auto-repeated key-down of a key whose first press was consumed.
    bool repeat = false;
};

// One key with one exact combination of modifiers that the hook takes on X11, where a
// system-wide hook is a set of grabs. Windows sees every key and needs no such list.
struct HookGrab {
    std::uint32_t vk = 0;
    unsigned modifiers = HookNoModifier;
    bool operator==(const HookGrab &o) const { return vk == o.vk && modifiers == o.modifiers; }
};

// The virtual key of a key of the keyboard as the current layout has it, or 0 for keys
// the hook does not map. Digits are the number-row keys by their place (XKB key names
// AE01..AE10, as the digit virtual keys are on Windows whatever the layout), the grave
// accent is the key left of 1 (TLDE), letters are the keys that type them at their base
// level, and the other keys go by their base keysym (Return also covers keypad Enter).
std::uint32_t vkOfKey(std::string_view xkbKeyName, std::uint32_t baseKeysym);

// Every key in vks with every modifier combination in modifierSets.
std::vector<HookGrab> hookGrabs(const std::vector<std::uint32_t> &vks,
                                const std::vector<unsigned> &modifierSets);

// The keys the pick window acts on while passive: navigation, Enter, Esc, Tab and the
// grave accent with any of Shift, Ctrl and Alt (they act whatever is held), and the badge
// keys 0-9 and A-Z without modifiers or with Shift only (with Ctrl or Alt they belong to
// the focused application, so they are not taken at all).
std::vector<HookGrab> pickWindowHookGrabs();
