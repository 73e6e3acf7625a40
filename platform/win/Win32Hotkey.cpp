#include "platform/win/Win32Hotkey.h"

#include <windows.h>

static_assert(Win32Hotkey::ModAlt == MOD_ALT && Win32Hotkey::ModControl == MOD_CONTROL &&
                  Win32Hotkey::ModShift == MOD_SHIFT && Win32Hotkey::ModWin == MOD_WIN,
              "modifier bits differ from the system's");

#ifndef MOD_NOREPEAT
#define MOD_NOREPEAT 0x4000
#endif

namespace Win32Hotkey {

bool registerHotkey(int id, unsigned modifiers, unsigned virtualKey) {
    if (id <= 0 || id > 0xBFFF || virtualKey == 0 || virtualKey > 0xFF)
        return false;
    // No auto-repeat: holding the combination down must fire once. A held toggle hotkey
    // would otherwise flash the pick window open and shut, and a held phrase hotkey
    // would type its phrase again with every repeat.
    return RegisterHotKey(nullptr, id, modifiers | MOD_NOREPEAT, virtualKey) != 0;
}

void unregisterHotkey(int id) {
    UnregisterHotKey(nullptr, id);
}

int hotkeyIdOfMessage(const void *msg) {
    const MSG *m = static_cast<const MSG *>(msg);
    if (m == nullptr || m->message != WM_HOTKEY || m->hwnd != nullptr)
        return -1;
    return static_cast<int>(m->wParam);
}

unsigned virtualKeyOfCharacter(char16_t ch) {
    const SHORT scan = VkKeyScanW(static_cast<WCHAR>(ch));
    if (scan == -1)
        return 0;
    // The high byte says which shift state types the character; the hotkey's own
    // modifiers already say which are held, so only the key itself counts.
    return static_cast<unsigned>(scan) & 0xFF;
}

} // namespace Win32Hotkey
