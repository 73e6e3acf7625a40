#pragma once

#include <cstdint>

// The Win32 window calls behind the pick window's activation model, on plain handles
// (an HWND as an integer) so that they stay free of Qt and the wine test driver runs
// exactly this code.
namespace Win32Windows {

// Adds or removes WS_EX_NOACTIVATE; refreshFrame then applies it to the frame at once.
void setNoActivate(std::uintptr_t hwnd, bool noActivate, bool refreshFrame);
bool hasNoActivate(std::uintptr_t hwnd);

// ShowWindow(SW_SHOWNOACTIVATE), then raised to the top of the normal z-order, or made
// topmost, without activation.
void showNoActivate(std::uintptr_t hwnd, bool topmost);

std::uintptr_t foregroundWindow();
bool isWindow(std::uintptr_t hwnd);
// SetForegroundWindow; false when the system refused it.
bool setForegroundWindow(std::uintptr_t hwnd);

// Whether the window itself is what the desktop shows at its centre. A window whose
// rectangle cannot be read counts as on top, no window at the point as not on top.
bool isOnTopAtCentre(std::uintptr_t hwnd);

// The WM_MOUSEACTIVATE answer for a click on target while the pick window is passive:
// the activating child (the search box; 0 for none) or one of its children activates,
// the rest of the pick window does not, other windows are left alone.
enum class MouseActivate { NotHandled, Activate, NoActivate };
MouseActivate mouseActivateAnswer(std::uintptr_t target, std::uintptr_t pickWindow,
                                  std::uintptr_t activatingChild);

constexpr unsigned mouseActivateMessage = 0x0021; // WM_MOUSEACTIVATE
constexpr long maActivate = 1;                    // MA_ACTIVATE
constexpr long maNoActivate = 3;                  // MA_NOACTIVATE

} // namespace Win32Windows
