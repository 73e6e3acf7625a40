// The program's Win32 code the Windows build's tests and road do not reach, run under wine:
// hotkeys, keys, the clipboard, the pick window's styles and the keyboard hook. Exit code 0: all pass.

#include "platform/HookKeys.h"
#include "platform/KeyboardHook.h"
#include "platform/win/Win32Hotkey.h"
#include "platform/win/Win32Input.h"
#include "platform/win/Win32Windows.h"

#include <windows.h>

#include <shellapi.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {

int failures = 0;
std::vector<int> hotkeysFired; // the ids of the hotkeys that fired

void check(bool ok, const char *what) {
    std::printf("%s: %s\n", ok ? "PASS" : "FAIL", what);
    std::fflush(stdout);
    failures += ok ? 0 : 1;
}

void pump(DWORD ms) {
    const DWORD end = GetTickCount() + ms;
    do {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (Win32Hotkey::hotkeyIdOfMessage(&msg) >= 0)
                hotkeysFired.push_back(Win32Hotkey::hotkeyIdOfMessage(&msg));
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        Sleep(5);
    } while (static_cast<LONG>(end - GetTickCount()) > 0);
}

std::uintptr_t u(HWND h) {
    return reinterpret_cast<std::uintptr_t>(h);
}

// What reached the target window: key-downs (with the extended bit as 0x10000) and key-ups.
std::vector<UINT> keyDowns, keyUps;
HWND target = nullptr, pickWindow = nullptr, searchBox = nullptr;

std::vector<UINT> plainKeyDowns() {
    std::vector<UINT> plain;
    for (const UINT vk : keyDowns)
        plain.push_back(vk & 0xFFFF);
    return plain;
}

LRESULT CALLBACK windowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (hwnd == target && (msg == WM_KEYDOWN || msg == WM_SYSKEYDOWN))
        keyDowns.push_back(static_cast<UINT>(wParam) | ((lParam & (1 << 24)) ? 0x10000 : 0));
    else if (hwnd == target && (msg == WM_KEYUP || msg == WM_SYSKEYUP))
        keyUps.push_back(static_cast<UINT>(wParam));
    else
        return DefWindowProcW(hwnd, msg, wParam, lParam);
    return 0;
}

HWND makeWindow(const wchar_t *title, int x, int y, int w, int h, DWORD exStyle = 0, HWND parent = nullptr) {
    return CreateWindowExW(exStyle, L"VerbolinWineTest", title,
                           parent ? WS_CHILD | WS_VISIBLE : WS_OVERLAPPEDWINDOW, x, y, w, h, parent, nullptr,
                           GetModuleHandleW(nullptr), nullptr);
}

void bringToFront(HWND hwnd) {
    ShowWindow(hwnd, SW_SHOW);
    SetForegroundWindow(hwnd);
    SetFocus(hwnd);
    pump(100);
    keyDowns.clear();
    keyUps.clear();
    hotkeysFired.clear();
}

// Keys as another program injects them (or a keyboard types them): without the program's mark.
void sendAsUser(const std::vector<KeyEvent> &events) {
    for (const KeyEvent &event : events) {
        INPUT input{};
        input.type = INPUT_KEYBOARD;
        input.ki.wVk = event.virtualKey;
        input.ki.dwFlags = (event.up ? KEYEVENTF_KEYUP : 0) | (event.extended ? KEYEVENTF_EXTENDEDKEY : 0);
        SendInput(1, &input, sizeof input);
    }
}

// Sends the events as written, as the user's, or taps each key (the modifier held around it); then the
// windows see them.
void send(std::initializer_list<KeyEvent> events) {
    sendAsUser(events);
    pump(200);
}
void tap(std::initializer_list<WORD> vks, WORD modifier = 0) {
    for (const WORD vk : vks) {
        if (modifier)
            send({{modifier, false}, {vk, false}, {vk, true}, {modifier, true}});
        else
            send({{vk, false}, {vk, true}});
    }
}

bool held(std::uint16_t vk) {
    return (GetAsyncKeyState(vk) & 0x8000) != 0;
}

void hotkeysAndInput() {
    using namespace Win32Hotkey;
    check(registerHotkey(1, ModControl | ModShift, 'V') && !registerHotkey(2, ModControl | ModShift, 'V'),
          "a combination held under one id is refused under another");
    unregisterHotkey(1);
    check(virtualKeyOfCharacter(u'a') == 'A' && virtualKeyOfCharacter(u'!') == '1' &&
              virtualKeyOfCharacter(u'/') == VK_OEM_2 && virtualKeyOfCharacter(u'\u4e2d') == 0,
          "a character maps to the key that types it (US layout), or to none");

    bringToFront(target);
    win32SendKeyEventsOneByOne(chordKeyEvents({0xA2}, 0x2D));
    pump(200);
    check(keyDowns == std::vector<UINT>{VK_CONTROL, VK_INSERT | 0x10000},
          "Ctrl+Insert reaches the window with Insert extended and Ctrl not");

    // Wine tells right Shift from left only by its scan code, which these events do not
    // carry, so the keys held here are left-hand ones plus the extended left Windows key.
    send({{0xA2, false}, {0xA0, false}, {0x5B, false, true}});
    check(held(0xA2) && held(0xA0) && held(0x5B), "left Ctrl, left Shift and left Win count as held");
    const HeldModifiers found = win32ReleaseHeldModifiers();
    pump(200);
    check(found == HeldModifiers{true, false, false, false, true, false, true, false},
          "the release reports left Ctrl, left Shift and left Win as held");
    check(!held(0xA2) && !held(0xA0) && !held(0x5B) && !held(VK_CONTROL) && !held(VK_SHIFT),
          "no modifier counts as held after the release");
    check(win32ReleaseHeldModifiers() == HeldModifiers{}, "a second release finds nothing held");
}

bool contains(const std::vector<UINT> &keys, UINT key) {
    return std::find(keys.begin(), keys.end(), key) != keys.end();
}

// A terminal's paste chord may be the program's hotkey, and a phrase may press a phrase's hotkey:
// the program's own keys reach the focused window and fire none of its hotkeys.
void ownKeysPastOwnHotkeys() {
    using namespace Win32Hotkey;
    const std::vector<KeyEvent> ctrlShiftV = chordKeyEvents({0xA2, 0xA0}, 'V');
    const std::vector<KeyEvent> ctrlAltP = chordKeyEvents({0xA2, 0xA4}, 'P');
    check(registerHotkey(7, ModControl | ModShift, 'V') && registerHotkey(8, ModControl | ModAlt, 'P'),
          "Ctrl+Shift+V and Ctrl+Alt+P register");
    bringToFront(target);
    sendAsUser(ctrlShiftV);
    pump(200);
    check(hotkeysFired == std::vector<int>{7} && !contains(keyDowns, 'V'),
          "a registered hotkey takes injected keys: the window never sees them");

    for (const bool oneByOne : {false, true}) {
        bringToFront(target);
        const std::vector<int> letGo = win32SendKeyEventsPastHotkeys(ctrlShiftV, oneByOne);
        pump(200);
        check(letGo == std::vector<int>{7} && hotkeysFired.empty() && contains(keyDowns, 'V'),
              "the program's own Ctrl+Shift+V reaches the window and fires no hotkey");
        const std::vector<int> letGoToo = win32SendKeyEventsPastHotkeys(ctrlAltP, oneByOne);
        pump(200);
        check(letGoToo == std::vector<int>{8} && hotkeysFired.empty() && contains(keyDowns, 'P'),
              "a phrase pressing a phrase's hotkey reaches the window and fires nothing");
        resumeHotkeys(letGo);
        resumeHotkeys(letGoToo);
        sendAsUser(ctrlShiftV);
        sendAsUser(ctrlAltP);
        pump(200);
        check(hotkeysFired == std::vector<int>{7, 8},
              "given back, the hotkeys fire for the user's keys again");
    }

    bringToFront(target);
    const std::vector<int> pasted = win32SendKeyEventsPastHotkeys(pasteShortcutEvents(), false);
    pump(200);
    check(pasted.empty() && contains(keyDowns, 'V') && hotkeysFired.empty(),
          "Ctrl+V lets go of no hotkey: Ctrl+Shift+V is another combination");

    const Combination hotkey{ModControl | ModShift, 'V'};
    bringToFront(target);
    const std::vector<int> outer = suspendHotkeys({hotkey, {0, 'Q'}});
    const std::vector<int> inner = suspendHotkeys({hotkey});
    resumeHotkeys(inner);
    sendAsUser(ctrlShiftV);
    pump(200);
    const bool freeWhileOuter = hotkeysFired.empty() && contains(keyDowns, 'V');
    resumeHotkeys(outer);
    sendAsUser(ctrlShiftV);
    pump(200);
    check(outer == std::vector<int>{7} && freeWhileOuter && hotkeysFired == std::vector<int>{7},
          "nested, a hotkey comes back with the last of its suspensions");

    const std::vector<int> dropped = suspendHotkeys({hotkey});
    unregisterHotkey(7);
    resumeHotkeys(dropped);
    check(registerHotkey(9, ModControl | ModShift, 'V'), "one unregistered while let go is not taken again");
    unregisterHotkey(9);
    unregisterHotkey(8);
}

struct ClipboardRead {
    std::wstring text, path;
    int formatCount = 0, privateFormats = 0;
    UINT fileCount = 0;
};

ClipboardRead readClipboard() {
    ClipboardRead read;
    if (!OpenClipboard(nullptr))
        return read;
    read.formatCount = CountClipboardFormats();
    for (const wchar_t *name : win32PrivateClipboardFormats) {
        HANDLE data = GetClipboardData(RegisterClipboardFormatW(name));
        const auto *value = data ? static_cast<const DWORD *>(GlobalLock(data)) : nullptr;
        read.privateFormats += value && GlobalSize(data) >= sizeof(DWORD) && *value == 0 ? 1 : 0;
        if (value)
            GlobalUnlock(data);
    }
    if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
        read.text = static_cast<const wchar_t *>(GlobalLock(data));
        GlobalUnlock(data);
    }
    if (HANDLE data = GetClipboardData(CF_HDROP)) {
        wchar_t buffer[MAX_PATH * 2] = {};
        read.fileCount = DragQueryFileW(static_cast<HDROP>(data), 0xFFFFFFFF, nullptr, 0);
        DragQueryFileW(static_cast<HDROP>(data), 0, buffer, MAX_PATH * 2);
        read.path = buffer;
    }
    CloseClipboard();
    return read;
}

std::wstring tempPath(const wchar_t *name) {
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    return std::wstring(temp) + name;
}

// Another program holding the clipboard open.
HANDLE clipboardTaken, clipboardMayClose;
DWORD WINAPI holdClipboard(LPVOID) {
    HWND window = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    const bool opened = window && OpenClipboard(window);
    SetEvent(clipboardTaken);
    WaitForSingleObject(clipboardMayClose, 5000);
    if (opened)
        CloseClipboard();
    DestroyWindow(window);
    return 0;
}

void clipboard() {
    const std::wstring kept = L"用户复制的 text";
    check(win32PutTextOnClipboard(kept) && readClipboard().text == kept &&
              readClipboard().privateFormats == 3,
          "a phrase's text goes on the clipboard marked private");
    // Emptied without an owner, the clipboard refuses SetClipboardData on real Windows.
    check(GetClipboardOwner() != nullptr, "a window of the program owns the clipboard");

    CreateDirectoryW(tempPath(L"短语 测试").c_str(), nullptr);
    const std::wstring path = tempPath(L"短语 测试\\图 片 1.png");
    CloseHandle(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    for (const wchar_t *refused : {L"不存在的文件.png", L"短语 测试"})
        check(!win32PutFileOnClipboard(tempPath(refused)) && readClipboard().text == kept,
              "a missing file or a folder is refused and leaves the clipboard alone");
    clipboardTaken = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    clipboardMayClose = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HANDLE holder = CreateThread(nullptr, 0, holdClipboard, nullptr, 0, nullptr);
    WaitForSingleObject(clipboardTaken, 5000);
    const bool putWhileBusy = win32PutFileOnClipboard(path);
    SetEvent(clipboardMayClose);
    WaitForSingleObject(holder, 5000);
    check(!putWhileBusy && readClipboard().text == kept,
          "a busy clipboard is a failure and keeps its content");

    check(win32PutFileOnClipboard(path), "a file goes on the clipboard");
    const ClipboardRead read = readClipboard();
    check(read.fileCount == 1 && read.path == path && read.privateFormats == 3 && read.formatCount == 4,
          "as its one path, marked private, and nothing else");
}

// The pick window: styles, mouse activation, cover.
void pickWindowStyles() {
    using namespace Win32Windows;
    bringToFront(target);
    setNoActivate(u(pickWindow), true, true);
    showNoActivate(u(pickWindow), false);
    pump(50);
    check(!(GetWindowLongPtrW(pickWindow, GWL_EXSTYLE) & WS_EX_TOPMOST),
          "shown without topmost it is not topmost");
    showNoActivate(u(pickWindow), true);
    pump(50);
    check((GetWindowLongPtrW(pickWindow, GWL_EXSTYLE) & WS_EX_TOPMOST) && GetForegroundWindow() == target,
          "shown with topmost it becomes topmost, and the target stays in front");
    SetWindowPos(pickWindow, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    setNoActivate(u(pickWindow), false, true);
    pump(50);
    check(!hasNoActivate(u(pickWindow)) && GetForegroundWindow() == target,
          "the style comes off for search mode without activating the window");
    setNoActivate(u(pickWindow), true, false);
    check(hasNoActivate(u(pickWindow)), "the style goes back on without a frame refresh");

    HWND searchChild = makeWindow(L"", 2, 2, 20, 10, 0, searchBox);
    const std::uintptr_t pick = u(pickWindow), search = u(searchBox);
    check(mouseActivateAnswer(u(searchChild), pick, search) == MouseActivate::Activate &&
              mouseActivateAnswer(search, pick, 0) == MouseActivate::NoActivate &&
              mouseActivateAnswer(u(target), pick, search) == MouseActivate::NotHandled,
          "a click in the search box activates, without one it is the pick window, other windows are left");
    DestroyWindow(searchChild);

    SetWindowPos(pickWindow, nullptr, 100, 100, 300, 200, SWP_NOZORDER | SWP_NOACTIVATE);
    showNoActivate(u(pickWindow), false);
    pump(50);
    check(isOnTopAtCentre(u(pickWindow)), "an uncovered window is on top at its centre");
    HWND cover = makeWindow(L"cover", 200, 150, 150, 120);
    ShowWindow(cover, SW_SHOWNOACTIVATE);
    SetWindowPos(cover, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    pump(50);
    check(!isOnTopAtCentre(u(pickWindow)), "a window covering its centre puts it below");
    SetWindowPos(cover, HWND_TOP, 600, 500, 0, 0, SWP_NOSIZE | SWP_NOACTIVATE);
    pump(50);
    check(isOnTopAtCentre(u(pickWindow)), "a window above it away from its centre does not");
    DestroyWindow(cover);
}

void keyboardHook() {
    std::vector<HookKeyEvent> seen;
    bool removeWhenCalled = false;
    KeyboardHook *self = nullptr;
    KeyboardHook hook([&](const HookKeyEvent &event) {
        seen.push_back(event);
        if (removeWhenCalled)
            self->remove();
        return event.vk == HookVk::Down || event.vk == HookVk::Escape;
    });
    self = &hook;
    check(!hook.isInstalled() && hook.install() && hook.isInstalled() && hook.install(),
          "the hook installs, says so, and again is harmless");

    bringToFront(target);
    tap({VK_DOWN, 'X', VK_ESCAPE});
    check(seen.size() == 3 && seen[0].vk == VK_DOWN && seen[1].vk == 'X' && seen[2].vk == VK_ESCAPE,
          "the hook is offered every key-down, only key-downs, in order");
    check(plainKeyDowns() == std::vector<UINT>{'X'} && std::count(keyUps.begin(), keyUps.end(), VK_DOWN) == 1,
          "consumed key-downs never reach the target, their key-ups and the other key do");

    // Modifiers are read from the key state, not from the hook's flags (wine sets no LLKHF_ALTDOWN).
    for (const auto &[vk, reported] :
         {std::pair<WORD, unsigned>{VK_SHIFT, HookShift}, {VK_CONTROL, HookControl}, {VK_MENU, HookAlt}}) {
        seen.clear();
        tap({'3'}, vk);
        check(!seen.empty() && seen.back().vk == '3' && seen.back().modifiers == reported,
              "a key pressed with Shift, Ctrl or Alt held reports that modifier");
    }

    // A consumed key's further key-downs while held are its auto-repeat; a key let pass repeats plainly.
    seen.clear();
    send({{VK_DOWN, false}, {VK_DOWN, false}, {'X', false}, {'X', false}});
    send({{VK_DOWN, true}, {'X', true}, {VK_DOWN, false}, {VK_DOWN, true}});
    check(seen.size() == 5 && !seen[0].repeat && seen[1].repeat && !seen[2].repeat && !seen[3].repeat &&
              !seen[4].repeat,
          "only the key-downs of a consumed key still held are reported as its auto-repeat");

    seen.clear();
    bool takingKeys = false;
    hook.setTakingKeys([&] { return takingKeys; });
    tap({VK_DOWN});
    const bool askedWhileNotTaking = !seen.empty();
    takingKeys = true;
    tap({VK_DOWN});
    check(!askedWhileNotTaking && seen.size() == 1, "the handler is asked only while the owner takes keys");

    seen.clear();
    bringToFront(target);
    removeWhenCalled = true;
    tap({VK_DOWN, VK_UP});
    check(!hook.isInstalled() && seen.size() == 1 && plainKeyDowns() == std::vector<UINT>{VK_UP},
          "a handler removing its own hook still consumes its key; the next one reaches the target");
    removeWhenCalled = false;
    seen.clear();
    bringToFront(target);
    tap({VK_DOWN, VK_ESCAPE});
    check(seen.empty() && plainKeyDowns() == std::vector<UINT>{VK_DOWN, VK_ESCAPE},
          "a removed hook is offered nothing and every key reaches the target");
    const bool reinstalled = hook.install();
    tap({'X'});
    check(reinstalled && seen.size() == 1, "reinstalled, it is asked once per key: the removed one is gone");

    seen.clear();
    bringToFront(target);
    win32SendKeyEventsOneByOne(chordKeyEvents({}, VK_DOWN));
    pump(200);
    tap({VK_DOWN});
    check(seen.size() == 1 && plainKeyDowns() == std::vector<UINT>{VK_DOWN},
          "the program's own keys pass the hook without being offered; the user's still are");
}

} // namespace

int wmain() {
    WNDCLASSW wc{};
    wc.lpfnWndProc = windowProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"VerbolinWineTest";
    RegisterClassW(&wc);
    target = makeWindow(L"target", 500, 300, 300, 200);
    pickWindow = makeWindow(L"pick", 100, 100, 300, 200, WS_EX_NOACTIVATE);
    searchBox = makeWindow(L"", 10, 10, 200, 30, 0, pickWindow);
    if (!target || !pickWindow || !searchBox) {
        std::printf("FAIL: cannot create the test windows\n");
        return 2;
    }
    hotkeysAndInput();
    ownKeysPastOwnHotkeys();
    clipboard();
    pickWindowStyles();
    keyboardHook();
    std::printf("%d check(s) failed\n", failures);
    return failures == 0 ? 0 : 1;
}
