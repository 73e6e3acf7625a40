#pragma once

#include <cstdint>
#include <functional>
#include <vector>

// The active keyboard grab that the press of a passively grabbed key starts on X11. While
// it lasts, every key event, synthetic ones included, comes to this program instead of the
// focused window, so output started by such a press must end it first.
namespace X11KeyboardGrab {

// Ends this program's active keyboard grab at once (nothing when there is none) and tells
// the listener. What the user still holds then goes to the focused window, release included.
void end();

// Told whenever end() ends a grab: the keyboard hook forgets the grab it was tracking.
void setEndListener(std::function<void()> listener);

// Keys whose press this program took before ending the grab: their release goes
// elsewhere, so the server is asked until they are up.
void markHeld(std::uint8_t keycode);
// A release of the key that reached this program (plain auto-repeat sends a release and a
// press with the same time).
void noteRelease(std::uint8_t keycode, std::uint32_t time);
// Whether a press of the key at that time is the auto-repeat of a held key rather than a
// new press.
bool isAutoRepeat(std::uint8_t keycode, std::uint32_t time);

// Whether a press is one of the program's global hotkeys (kept with them, in GlobalHotkey_x11.cpp).
bool isHotkey(std::uint8_t keycode, std::uint16_t state);

// A key by its keycode, with core modifier masks (Shift, Control, Mod1 for Alt, Mod4).
struct KeyWithModifiers {
    std::uint8_t keycode = 0;
    std::uint16_t modifiers = 0;
};

// Lets go of the program's global hotkeys for these combinations until resumeHotkeys():
// the program's own synthetic presses of them go to the focused window instead of firing
// them (a terminal's paste chord may be the hotkey itself). False when none was let go.
// The caller sends its keys, waits until the server has handled them (XSync), then
// resumes at once.
bool suspendHotkeys(const std::vector<KeyWithModifiers> &combinations);
void resumeHotkeys();

} // namespace X11KeyboardGrab
