#include "platform/win/Win32Windows.h"

#include <windows.h>

namespace {

HWND toHwnd(std::uintptr_t h) {
    return reinterpret_cast<HWND>(h);
}

bool isSameOrChild(HWND parent, HWND window) {
    return window == parent || IsChild(parent, window);
}

} // namespace

namespace Win32Windows {

void setNoActivate(std::uintptr_t hwnd, bool noActivate, bool refreshFrame) {
    const HWND h = toHwnd(hwnd);
    if (!h)
        return;
    const LONG_PTR style = GetWindowLongPtrW(h, GWL_EXSTYLE);
    const LONG_PTR wanted = noActivate ? (style | WS_EX_NOACTIVATE) : (style & ~LONG_PTR(WS_EX_NOACTIVATE));
    if (wanted != style)
        SetWindowLongPtrW(h, GWL_EXSTYLE, wanted);
    // SWP_NOACTIVATE: without it SetWindowPos activates the window, the very thing the
    // style is there to prevent.
    if (refreshFrame)
        SetWindowPos(h, nullptr, 0, 0, 0, 0,
                     SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
}

bool hasNoActivate(std::uintptr_t hwnd) {
    const HWND h = toHwnd(hwnd);
    return h && (GetWindowLongPtrW(h, GWL_EXSTYLE) & WS_EX_NOACTIVATE) != 0;
}

void showNoActivate(std::uintptr_t hwnd, bool topmost) {
    const HWND h = toHwnd(hwnd);
    if (!h)
        return;
    ShowWindow(h, SW_SHOWNOACTIVATE);
    // Without topmost the window goes to the top of the normal z-order; it is not made
    // non-topmost, which would fight the always-on-top window flag.
    SetWindowPos(h, topmost ? HWND_TOPMOST : HWND_TOP, 0, 0, 0, 0,
                 SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
}

std::uintptr_t foregroundWindow() {
    return reinterpret_cast<std::uintptr_t>(GetForegroundWindow());
}

bool isWindow(std::uintptr_t hwnd) {
    return hwnd && IsWindow(toHwnd(hwnd));
}

bool setForegroundWindow(std::uintptr_t hwnd) {
    return isWindow(hwnd) && SetForegroundWindow(toHwnd(hwnd));
}

bool isOnTopAtCentre(std::uintptr_t hwnd) {
    const HWND h = toHwnd(hwnd);
    RECT r;
    if (!h || !GetWindowRect(h, &r))
        return true;
    const POINT centre{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    const HWND at = WindowFromPoint(centre);
    if (!at)
        return false;
    return GetAncestor(at, GA_ROOT) == h;
}

MouseActivate mouseActivateAnswer(std::uintptr_t target, std::uintptr_t pickWindow,
                                  std::uintptr_t activatingChild) {
    const HWND t = toHwnd(target);
    if (!t || !pickWindow)
        return MouseActivate::NotHandled;
    if (activatingChild && isSameOrChild(toHwnd(activatingChild), t))
        return MouseActivate::Activate;
    if (isSameOrChild(toHwnd(pickWindow), t))
        return MouseActivate::NoActivate;
    return MouseActivate::NotHandled;
}

} // namespace Win32Windows
