// Runs the Win32 half of the pick window's activation model under wine: the
// non-activating window, the WM_MOUSEACTIVATE answer, the low-level keyboard hook,
// giving the foreground back, and the covered-at-centre test. Exit code 0 = pass.
#include "platform/HookKeys.h"
#include "platform/KeyboardHook.h"
#include "platform/win/Win32Windows.h"
#include "tests/wine/WineCheck.h"

#include <windows.h>

#include <cstdio>
#include <map>
#include <vector>

namespace {

using winecheck::check;

// Key-downs and key-ups each window's message queue received.
std::map<HWND, std::vector<UINT>> keyDowns;
std::map<HWND, std::vector<UINT>> keyUps;
HWND pickWindow = nullptr;
HWND searchBox = nullptr;

LRESULT CALLBACK windowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
        keyDowns[hwnd].push_back(static_cast<UINT>(wParam));
        return 0;
    case WM_KEYUP:
    case WM_SYSKEYUP:
        keyUps[hwnd].push_back(static_cast<UINT>(wParam));
        return 0;
    case WM_MOUSEACTIVATE:
        // What the program's native event filter answers for the passive pick window.
        switch (Win32Windows::mouseActivateAnswer(reinterpret_cast<std::uintptr_t>(hwnd),
                                                  reinterpret_cast<std::uintptr_t>(pickWindow),
                                                  reinterpret_cast<std::uintptr_t>(searchBox))) {
        case Win32Windows::MouseActivate::Activate:
            return Win32Windows::maActivate;
        case Win32Windows::MouseActivate::NoActivate:
            return Win32Windows::maNoActivate;
        case Win32Windows::MouseActivate::NotHandled:
            break;
        }
        break;
    default:
        break;
    }
    return DefWindowProcW(hwnd, msg, wParam, lParam);
}

void pump(DWORD ms) {
    const DWORD end = GetTickCount() + ms;
    do {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        Sleep(5);
    } while (static_cast<LONG>(end - GetTickCount()) > 0);
}

HWND makeWindow(const wchar_t *title, int x, int y, int w, int h, DWORD exStyle = 0) {
    HWND hwnd = CreateWindowExW(exStyle, L"VerbolinActivationTest", title, WS_OVERLAPPEDWINDOW, x, y, w, h,
                                nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    return hwnd;
}

HWND makeChild(HWND parent, int x, int y, int w, int h) {
    return CreateWindowExW(0, L"VerbolinActivationTest", L"", WS_CHILD | WS_VISIBLE, x, y, w, h, parent,
                           nullptr, GetModuleHandleW(nullptr), nullptr);
}

void bringToFront(HWND hwnd) {
    ShowWindow(hwnd, SW_SHOW);
    SetForegroundWindow(hwnd);
    SetFocus(hwnd);
    pump(100);
}

// Taps each key in turn, then lets the windows see them.
void tap(std::initializer_list<WORD> vks) {
    for (WORD vk : vks)
        winecheck::pressCombination({vk});
    pump(200);
}

void tapWith(WORD modifier, WORD vk) {
    winecheck::pressCombination({modifier, vk});
    pump(200);
}

void clickAt(int x, int y) {
    SetCursorPos(x, y);
    INPUT inputs[2]{};
    inputs[0].type = INPUT_MOUSE;
    inputs[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    inputs[1].type = INPUT_MOUSE;
    inputs[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    SendInput(2, inputs, sizeof(INPUT));
    pump(200);
}

std::uintptr_t u(HWND h) {
    return reinterpret_cast<std::uintptr_t>(h);
}

bool contains(const std::vector<UINT> &v, UINT x) {
    for (UINT y : v) {
        if (y == x)
            return true;
    }
    return false;
}

void testNoActivateWindow(HWND target) {
    bringToFront(target);
    check(GetForegroundWindow() == target, "the target window is in the foreground to begin with");

    Win32Windows::setNoActivate(u(pickWindow), true, true);
    pump(50);
    check(Win32Windows::hasNoActivate(u(pickWindow)), "the pick window carries WS_EX_NOACTIVATE");
    check(GetForegroundWindow() == target, "refreshing the hidden window's frame does not activate it");
    Win32Windows::showNoActivate(u(pickWindow), false);
    pump(100);
    check(IsWindowVisible(pickWindow), "showing without activation makes the pick window visible");
    check(GetForegroundWindow() == target, "showing without activation keeps the target in the foreground");
    check(!(GetWindowLongPtrW(pickWindow, GWL_EXSTYLE) & WS_EX_TOPMOST),
          "shown without topmost it is not topmost");

    Win32Windows::showNoActivate(u(pickWindow), true);
    pump(50);
    check(GetWindowLongPtrW(pickWindow, GWL_EXSTYLE) & WS_EX_TOPMOST,
          "shown with topmost it becomes topmost");
    check(GetForegroundWindow() == target, "making it topmost keeps the target in the foreground");
    SetWindowPos(pickWindow, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);

    Win32Windows::setNoActivate(u(pickWindow), false, true);
    pump(50);
    check(!Win32Windows::hasNoActivate(u(pickWindow)), "the style comes off for search mode");
    check(GetForegroundWindow() == target, "taking the style off does not by itself activate the window");
    Win32Windows::setNoActivate(u(pickWindow), true, true);
    pump(50);
    check(GetForegroundWindow() == target, "refreshing the visible window's frame does not activate it");
    Win32Windows::setNoActivate(u(pickWindow), true, false);
    check(Win32Windows::hasNoActivate(u(pickWindow)), "the style goes back on without a frame refresh");
}

void testMouseActivate(HWND target) {
    HWND pickChild = makeChild(pickWindow, 10, 60, 100, 30);
    HWND searchChild = makeChild(searchBox, 2, 2, 20, 10);
    using MA = Win32Windows::MouseActivate;
    const std::uintptr_t pick = u(pickWindow), search = u(searchBox);
    check(Win32Windows::mouseActivateAnswer(pick, pick, search) == MA::NoActivate,
          "a click on the pick window itself does not activate it");
    check(Win32Windows::mouseActivateAnswer(u(pickChild), pick, search) == MA::NoActivate,
          "a click on a child of the pick window does not activate it");
    check(Win32Windows::mouseActivateAnswer(search, pick, search) == MA::Activate,
          "a click on the search box activates the window");
    check(Win32Windows::mouseActivateAnswer(u(searchChild), pick, search) == MA::Activate,
          "a click on a child of the search box activates the window");
    check(Win32Windows::mouseActivateAnswer(search, pick, 0) == MA::NoActivate,
          "without an activating child the search box is just part of the pick window");
    check(Win32Windows::mouseActivateAnswer(u(target), pick, search) == MA::NotHandled,
          "a click on another window is left alone");
    check(SendMessageW(pickWindow, WM_MOUSEACTIVATE, reinterpret_cast<WPARAM>(pickWindow),
                       MAKELPARAM(HTCLIENT, WM_LBUTTONDOWN)) == Win32Windows::maNoActivate,
          "the pick window answers WM_MOUSEACTIVATE with MA_NOACTIVATE");

    bringToFront(target);
    RECT r;
    GetWindowRect(pickChild, &r);
    clickAt((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    check(GetForegroundWindow() == target,
          "a real click on the passive pick window keeps the target in front");
    DestroyWindow(pickChild);
    DestroyWindow(searchChild);
}

void testKeyboardHook(HWND target) {
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
    check(!hook.isInstalled(), "a new hook is not installed");
    check(hook.install(), "the low-level hook installs");
    check(hook.isInstalled(), "the installed hook says so");
    check(hook.install(), "installing twice is harmless");

    bringToFront(target);
    keyDowns.clear();
    keyUps.clear();
    tap({VK_DOWN, 'X', VK_ESCAPE});
    check(seen.size() == 3, "the hook is offered every key-down, and only key-downs");
    check(seen.size() == 3 && seen[0].vk == VK_DOWN && seen[1].vk == 'X' && seen[2].vk == VK_ESCAPE,
          "the hook gets the virtual-key codes in order");
    check(!contains(keyDowns[target], VK_DOWN) && !contains(keyDowns[target], VK_ESCAPE),
          "consumed key-downs never reach the target's queue");
    check(keyDowns[target].size() == 1 && contains(keyDowns[target], 'X'),
          "the key the handler lets pass reaches the target exactly once");
    check(contains(keyUps[target], VK_DOWN), "the key-up of a consumed key still reaches the target");

    seen.clear();
    tapWith(VK_SHIFT, '3');
    check(!seen.empty() && seen.back().vk == '3' && seen.back().modifiers == HookShift,
          "a key pressed with Shift held reports Shift");
    seen.clear();
    tapWith(VK_CONTROL, '3');
    check(!seen.empty() && seen.back().vk == '3' && seen.back().modifiers == HookControl,
          "a key pressed with Ctrl held reports Ctrl");
    seen.clear();
    tapWith(VK_MENU, '3');
    check(!seen.empty() && seen.back().vk == '3' && seen.back().modifiers == HookAlt,
          "a key pressed with Alt held reports Alt (read from the key state, not the hook flags)");

    // Held long enough to repeat: a consumed key's further key-downs are its auto-repeat; a
    // key let pass repeats as plain key-downs. Its key-up ends the hold.
    seen.clear();
    INPUT held[] = {winecheck::keyInput(VK_DOWN, false), winecheck::keyInput(VK_DOWN, false),
                    winecheck::keyInput('X', false),     winecheck::keyInput('X', false),
                    winecheck::keyInput(VK_DOWN, true),  winecheck::keyInput('X', true),
                    winecheck::keyInput(VK_DOWN, false), winecheck::keyInput(VK_DOWN, true)};
    SendInput(8, held, sizeof(INPUT));
    pump(200);
    check(seen.size() == 5 && !seen[0].repeat && seen[1].repeat && !seen[2].repeat && !seen[3].repeat &&
              !seen[4].repeat,
          "only the key-downs of a consumed key still held are reported as its auto-repeat");

    seen.clear();
    bool takingKeys = false;
    hook.setTakingKeys([&] { return takingKeys; });
    tap({VK_DOWN});
    check(seen.empty(), "while the owner takes no keys the handler is not asked");
    takingKeys = true;
    tap({VK_DOWN});
    check(seen.size() == 1, "once it takes keys again the handler is asked");

    seen.clear();
    keyDowns.clear();
    removeWhenCalled = true;
    tap({VK_DOWN, VK_UP});
    check(!hook.isInstalled(), "the handler can remove its own hook");
    check(seen.size() == 1 && !contains(keyDowns[target], VK_DOWN),
          "the key whose handler removed the hook is still consumed");
    check(contains(keyDowns[target], VK_UP), "after the removal the next key reaches the target");

    removeWhenCalled = false;
    seen.clear();
    keyDowns.clear();
    tap({VK_DOWN, VK_ESCAPE});
    check(seen.empty(), "a removed hook is offered nothing");
    check(contains(keyDowns[target], VK_DOWN) && contains(keyDowns[target], VK_ESCAPE),
          "after removal every key reaches the target");
    check(hook.install(), "the hook installs again after removal");
}

void testForeground(HWND target) {
    HWND other = makeWindow(L"other", 700, 400, 200, 150);
    bringToFront(other);
    check(Win32Windows::foregroundWindow() == u(other), "the foreground window is the one activated last");
    check(Win32Windows::setForegroundWindow(u(target)), "giving the foreground back is accepted");
    pump(100);
    check(Win32Windows::foregroundWindow() == u(target), "the saved window is in the foreground again");
    DestroyWindow(other);
    check(!Win32Windows::isWindow(u(other)), "a destroyed window is no window");
    check(!Win32Windows::setForegroundWindow(u(other)), "a destroyed window is not brought forward");
    check(!Win32Windows::isWindow(0), "a null handle is no window");
}

void testOnTopAtCentre() {
    SetWindowPos(pickWindow, nullptr, 100, 100, 300, 200, SWP_NOZORDER | SWP_NOACTIVATE);
    Win32Windows::showNoActivate(u(pickWindow), false);
    pump(50);
    check(Win32Windows::isOnTopAtCentre(u(pickWindow)), "an uncovered window is on top at its centre");

    HWND cover = makeWindow(L"cover", 200, 150, 150, 120);
    ShowWindow(cover, SW_SHOWNOACTIVATE);
    SetWindowPos(cover, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    pump(50);
    check(!Win32Windows::isOnTopAtCentre(u(pickWindow)), "a window covering its centre puts it below");

    Win32Windows::showNoActivate(u(pickWindow), false);
    pump(50);
    check(Win32Windows::isOnTopAtCentre(u(pickWindow)), "showing it again raises it over the cover");

    SetWindowPos(cover, HWND_TOP, 600, 500, 0, 0, SWP_NOSIZE | SWP_NOACTIVATE);
    pump(50);
    check(Win32Windows::isOnTopAtCentre(u(pickWindow)),
          "a window above it but away from its centre does not count");

    DestroyWindow(cover);
    check(Win32Windows::isOnTopAtCentre(0), "a window whose rectangle cannot be read counts as on top");
}

} // namespace

int wmain() {
    WNDCLASSW wc{};
    wc.lpfnWndProc = windowProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"VerbolinActivationTest";
    wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    RegisterClassW(&wc);

    HWND target = makeWindow(L"target", 500, 300, 300, 200);
    pickWindow = makeWindow(L"pick", 100, 100, 300, 200, WS_EX_NOACTIVATE);
    searchBox = makeChild(pickWindow, 10, 10, 200, 30);
    if (!target || !pickWindow || !searchBox) {
        std::printf("FAIL: cannot create the test windows\n");
        return 2;
    }

    testNoActivateWindow(target);
    testMouseActivate(target);
    testKeyboardHook(target);
    testForeground(target);
    testOnTopAtCentre();

    DestroyWindow(pickWindow);
    DestroyWindow(target);
    std::printf("%d failed\n", winecheck::failures());
    return winecheck::failures() == 0 ? 0 : 1;
}
