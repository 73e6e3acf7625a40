// The low-level keyboard hook of Windows. Kept free of Qt so that the wine test driver
// builds this very file.
#include "platform/KeyboardHook.h"

#include "platform/win/Win32Input.h"

#include <windows.h>

#include <algorithm>
#include <set>

struct KeyboardHook::Private {
    Handler handler;
    std::function<bool()> takingKeys;
    HHOOK hook = nullptr;
    // Keys whose press the handler consumed and that are not up yet: another key-down of
    // one is its auto-repeat.
    std::set<DWORD> consumedDown;
};

namespace {

// A low-level hook procedure gets no user data: the installed hooks are listed here.
std::vector<KeyboardHook::Private *> &installedHooks() {
    static std::vector<KeyboardHook::Private *> hooks;
    return hooks;
}

bool isDown(int vk) {
    return (GetAsyncKeyState(vk) & 0x8000) != 0;
}

// Read with GetAsyncKeyState rather than the hook's LLKHF_ALTDOWN flag, which is not
// set everywhere (wine leaves it out).
unsigned heldModifiers() {
    unsigned modifiers = HookNoModifier;
    if (isDown(VK_SHIFT))
        modifiers |= HookShift;
    if (isDown(VK_CONTROL))
        modifiers |= HookControl;
    if (isDown(VK_MENU))
        modifiers |= HookAlt;
    if (isDown(VK_LWIN) || isDown(VK_RWIN))
        modifiers |= HookMeta;
    return modifiers;
}

LRESULT CALLBACK keyboardHookProc(int nCode, WPARAM wParam, LPARAM lParam) {
    const bool down = wParam == WM_KEYDOWN || wParam == WM_SYSKEYDOWN;
    if (nCode == HC_ACTION && (down || wParam == WM_KEYUP || wParam == WM_SYSKEYUP)) {
        const auto *info = reinterpret_cast<const KBDLLHOOKSTRUCT *>(lParam);
        const DWORD vk = info->vkCode;
        // The program's own output passes untouched: its keys are never the user's commands.
        if ((info->flags & LLKHF_INJECTED) && info->dwExtraInfo == win32OwnInputSignature)
            return CallNextHookEx(nullptr, nCode, wParam, lParam);
        // Read once, and only when a hook takes keys: the hook sees every key of the desktop.
        bool modifiersRead = false;
        unsigned modifiers = HookNoModifier;
        // A copy: a handler may remove its hook (or another) while we walk the list.
        const std::vector<KeyboardHook::Private *> hooks = installedHooks();
        for (KeyboardHook::Private *hook : hooks) {
            const std::vector<KeyboardHook::Private *> &now = installedHooks();
            if (std::find(now.begin(), now.end(), hook) == now.end())
                continue;
            if (!down) {
                hook->consumedDown.erase(vk);
                continue;
            }
            if (!hook->handler || (hook->takingKeys && !hook->takingKeys()))
                continue;
            if (!modifiersRead) {
                modifiers = heldModifiers();
                modifiersRead = true;
            }
            const bool repeat = hook->consumedDown.count(vk) > 0;
            if (hook->handler(HookKeyEvent{static_cast<std::uint32_t>(vk), modifiers, repeat})) {
                hook->consumedDown.insert(vk);
                return 1;
            }
        }
    }
    return CallNextHookEx(nullptr, nCode, wParam, lParam);
}

} // namespace

KeyboardHook::KeyboardHook(Handler handler) : d(std::make_unique<Private>()) {
    d->handler = std::move(handler);
}

KeyboardHook::~KeyboardHook() {
    remove();
}

void KeyboardHook::setGrabs(std::vector<HookGrab>) {}

void KeyboardHook::setTakingKeys(std::function<bool()> takingKeys) {
    d->takingKeys = std::move(takingKeys);
}

bool KeyboardHook::install() {
    if (d->hook)
        return true;
    d->hook = SetWindowsHookExW(WH_KEYBOARD_LL, keyboardHookProc, GetModuleHandleW(nullptr), 0);
    if (!d->hook)
        return false;
    installedHooks().push_back(d.get());
    return true;
}

void KeyboardHook::remove() {
    if (!d->hook)
        return;
    UnhookWindowsHookEx(d->hook);
    d->hook = nullptr;
    std::vector<Private *> &hooks = installedHooks();
    hooks.erase(std::remove(hooks.begin(), hooks.end(), d.get()), hooks.end());
}

bool KeyboardHook::isInstalled() const {
    return d->hook != nullptr;
}

bool keyboardHookSeesEveryKey() {
    return true;
}
