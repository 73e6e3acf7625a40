#include "platform/win/Win32Hotkey.h"

#include <windows.h>

#include <algorithm>
#include <map>

static_assert(Win32Hotkey::ModAlt == MOD_ALT && Win32Hotkey::ModControl == MOD_CONTROL &&
                  Win32Hotkey::ModShift == MOD_SHIFT && Win32Hotkey::ModWin == MOD_WIN,
              "modifier bits differ from the system's");

#ifndef MOD_NOREPEAT
#define MOD_NOREPEAT 0x4000
#endif

namespace {

struct Registration {
    unsigned modifiers = 0;
    unsigned virtualKey = 0;
    int suspensions = 0; // let go while above 0
};

// The hotkeys this thread registered, by id.
std::map<int, Registration> &registrations() {
    static std::map<int, Registration> r;
    return r;
}

bool registerWithSystem(int id, const Registration &registration) {
    // No auto-repeat: holding the combination down must fire once. A held toggle hotkey
    // would otherwise flash the pick window open and shut, and a held phrase hotkey
    // would type its phrase again with every repeat.
    return RegisterHotKey(nullptr, id, registration.modifiers | MOD_NOREPEAT, registration.virtualKey) != 0;
}

} // namespace

namespace Win32Hotkey {

bool registerHotkey(int id, unsigned modifiers, unsigned virtualKey) {
    if (id <= 0 || id > 0xBFFF || virtualKey == 0 || virtualKey > 0xFF || registrations().count(id))
        return false;
    const Registration registration{modifiers, virtualKey, 0};
    if (!registerWithSystem(id, registration))
        return false;
    registrations()[id] = registration;
    return true;
}

void unregisterHotkey(int id) {
    const auto found = registrations().find(id);
    if (found == registrations().end())
        return;
    if (found->second.suspensions == 0)
        UnregisterHotKey(nullptr, id);
    registrations().erase(found);
}

std::vector<int> suspendHotkeys(const std::vector<Combination> &combinations) {
    std::vector<int> ids;
    for (auto &[id, registration] : registrations()) {
        const unsigned modifiers = registration.modifiers, virtualKey = registration.virtualKey;
        if (std::none_of(combinations.begin(), combinations.end(), [&](const Combination &c) {
                return c.modifiers == modifiers && c.virtualKey == virtualKey;
            }))
            continue;
        if (registration.suspensions++ == 0)
            UnregisterHotKey(nullptr, id);
        ids.push_back(id);
    }
    return ids;
}

void resumeHotkeys(const std::vector<int> &ids) {
    for (const int id : ids) {
        const auto found = registrations().find(id);
        if (found == registrations().end() || found->second.suspensions == 0)
            continue;
        // Another program may have taken the combination in the moment it was free: then
        // it stays with that program, as a refused registration would.
        if (--found->second.suspensions == 0 && !registerWithSystem(id, found->second))
            registrations().erase(found);
    }
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
