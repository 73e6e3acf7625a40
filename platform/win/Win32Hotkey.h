#pragma once

// System-wide hotkeys through RegisterHotKey, without a window: WM_HOTKEY is posted to
// the queue of the thread that registered. Free of Qt so a plain Win32 driver runs it.

#include <vector>

namespace Win32Hotkey {

// The RegisterHotKey modifier bits.
constexpr unsigned ModAlt = 0x0001;
constexpr unsigned ModControl = 0x0002;
constexpr unsigned ModShift = 0x0004;
constexpr unsigned ModWin = 0x0008;

// Claims the combination for the calling thread under the given id (1..0xBFFF).
// False when another program or another id of this process already holds it.
bool registerHotkey(int id, unsigned modifiers, unsigned virtualKey);
void unregisterHotkey(int id);

// A key with RegisterHotKey modifier bits.
struct Combination {
    unsigned modifiers = 0;
    unsigned virtualKey = 0;
};

// Lets go of this program's hotkeys for these combinations, so that the program's own
// synthetic presses of them reach the focused window (a registered hotkey takes injected
// input too). Returns the ids let go; each must be given back to resumeHotkeys once the
// system has handled the keys. Nested suspensions of one id count: it is registered again
// when the last is resumed.
std::vector<int> suspendHotkeys(const std::vector<Combination> &combinations);
// Registers the ids again, unless unregisterHotkey dropped one meanwhile.
void resumeHotkeys(const std::vector<int> &ids);

// The id of a WM_HOTKEY message (msg points to a MSG), or -1 for any other message.
int hotkeyIdOfMessage(const void *msg);

// The virtual key that types ch in the active keyboard layout; 0 when no key does.
unsigned virtualKeyOfCharacter(char16_t ch);

} // namespace Win32Hotkey
