// Runs the Win32 hotkey code for real (under wine on Linux): registration, WM_HOTKEY
// from synthetic key presses, refusal of a taken combination, release on unregister.
// Exit code 0 when every check passes.

#include "platform/win/Win32Hotkey.h"
#include "tests/wine/WineCheck.h"

#include <windows.h>

#include <cstdio>
#include <vector>

namespace {

using winecheck::check;

using winecheck::keyInput;
using winecheck::pressCombination;

constexpr int markerId = 99;
constexpr unsigned markerModifiers = Win32Hotkey::ModControl | Win32Hotkey::ModAlt;
constexpr WORD markerKey = 'M';

// Sends the marker hotkey, then pumps the thread's messages until its WM_HOTKEY arrives.
// Input is delivered in order, so every hotkey of the keys sent before has arrived by
// then; returns their ids. The wait bound only guards against a hang.
std::vector<int> hotkeysBeforeMarker() {
    pressCombination({VK_CONTROL, VK_MENU, markerKey});
    std::vector<int> ids;
    const ULONGLONG giveUp = GetTickCount64() + 10000;
    while (GetTickCount64() < giveUp) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            const int id = Win32Hotkey::hotkeyIdOfMessage(&msg);
            if (id == markerId)
                return ids;
            if (id >= 0)
                ids.push_back(id);
            DispatchMessageW(&msg);
        }
    }
    std::printf("the marker hotkey never arrived\n");
    ids.push_back(-1);
    return ids;
}

// Wine ignores MOD_NOREPEAT: there a held combination fires per repeat.
bool runningUnderWine() {
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

bool sameIds(const std::vector<int> &seen, std::initializer_list<int> expected) {
    if (seen != std::vector<int>(expected)) {
        std::printf("  hotkey ids seen:");
        for (const int id : seen)
            std::printf(" %d", id);
        std::printf("\n");
        return false;
    }
    return true;
}

} // namespace

int wmain() {
    const unsigned ctrlShift = Win32Hotkey::ModControl | Win32Hotkey::ModShift;
    check(Win32Hotkey::registerHotkey(markerId, markerModifiers, markerKey), "the marker hotkey registers");

    check(Win32Hotkey::registerHotkey(1, ctrlShift, 'V'), "Ctrl+Shift+V registers");
    pressCombination({VK_CONTROL, VK_SHIFT, 'V'});
    check(sameIds(hotkeysBeforeMarker(), {1}), "pressing Ctrl+Shift+V posts WM_HOTKEY with its id");

    pressCombination({VK_CONTROL, 'V'});
    pressCombination({VK_SHIFT, 'V'});
    pressCombination({'V'});
    check(sameIds(hotkeysBeforeMarker(), {}), "V with other modifiers posts nothing");

    check(!Win32Hotkey::registerHotkey(2, ctrlShift, 'V'), "a second registration of Ctrl+Shift+V fails");
    pressCombination({VK_CONTROL, VK_SHIFT, 'V'});
    check(sameIds(hotkeysBeforeMarker(), {1}), "after the refused second one the first still fires alone");

    // Held down: the key repeats as further key-downs before its one key-up.
    {
        std::vector<INPUT> held{keyInput(VK_CONTROL, false), keyInput(VK_SHIFT, false), keyInput('V', false),
                                keyInput('V', false),        keyInput('V', false),      keyInput('V', true),
                                keyInput(VK_SHIFT, true),    keyInput(VK_CONTROL, true)};
        SendInput(static_cast<UINT>(held.size()), held.data(), sizeof(INPUT));
        const std::vector<int> seen = hotkeysBeforeMarker();
        if (runningUnderWine() && !seen.empty() && seen == std::vector<int>(seen.size(), 1))
            std::printf("KNOWN WINE GAP: a held combination fired %d times (MOD_NOREPEAT ignored)\n",
                        static_cast<int>(seen.size()));
        else
            check(sameIds(seen, {1}), "a held combination fires once, not per repeat");
    }

    Win32Hotkey::unregisterHotkey(1);
    pressCombination({VK_CONTROL, VK_SHIFT, 'V'});
    check(sameIds(hotkeysBeforeMarker(), {}), "after unregistering, Ctrl+Shift+V posts nothing");
    check(Win32Hotkey::registerHotkey(2, ctrlShift, 'V'), "after unregistering, another id can take it");
    pressCombination({VK_CONTROL, VK_SHIFT, 'V'});
    check(sameIds(hotkeysBeforeMarker(), {2}), "and it fires with the new id");
    Win32Hotkey::unregisterHotkey(2);

    check(Win32Hotkey::registerHotkey(3, Win32Hotkey::ModShift, VK_F12), "Shift+F12 registers");
    pressCombination({VK_SHIFT, VK_F12});
    check(sameIds(hotkeysBeforeMarker(), {3}), "pressing Shift+F12 fires it");
    Win32Hotkey::unregisterHotkey(3);

    check(!Win32Hotkey::registerHotkey(0, ctrlShift, 'V'), "id 0 is refused");
    check(!Win32Hotkey::registerHotkey(0xC000, ctrlShift, 'V'), "ids above 0xBFFF are refused");
    check(!Win32Hotkey::registerHotkey(4, ctrlShift, 0), "no key is refused");

    MSG other = {};
    other.message = WM_KEYDOWN;
    check(Win32Hotkey::hotkeyIdOfMessage(&other) == -1, "other messages are no hotkey");
    check(Win32Hotkey::hotkeyIdOfMessage(nullptr) == -1, "no message is no hotkey");

    check(Win32Hotkey::virtualKeyOfCharacter(u'a') == 'A', "the character a is typed by the A key");
    check(Win32Hotkey::virtualKeyOfCharacter(u'!') == '1', "! is typed by the 1 key (US layout)");
    check(Win32Hotkey::virtualKeyOfCharacter(u'/') == VK_OEM_2, "/ is typed by VK_OEM_2 (US layout)");
    check(Win32Hotkey::virtualKeyOfCharacter(u'\u4e2d') == 0, "a character no key types has no key");

    Win32Hotkey::unregisterHotkey(markerId);
    std::printf("%d check(s) failed\n", winecheck::failures());
    return winecheck::failures() == 0 ? 0 : 1;
}
