#pragma once

#include <QKeyCombination>

class GlobalHotkey;

// GlobalHotkey's backend in a Wayland session whose desktop portal offers global shortcuts
// (GNOME 48 and later, KDE Plasma 6, Hyprland) and no KDE global accelerator daemon. The
// portal binds a whole set at once, and the desktop may show the user a dialog for it: the
// combinations grabbed or released in one pass of the event loop are bound together, in one
// request. grab() is true once the combination is asked for; the desktop's refusal comes
// later, through reportHotkeyRefusal() (the keys the desktop finally uses are its choice).
namespace portalhotkeys {

// Whether the session bus has the portal's GlobalShortcuts interface; asked once, at the
// first call, waiting at most a second.
bool available();
bool canMap(QKeyCombination combination);
bool grab(GlobalHotkey *owner, QKeyCombination combination);
void release(GlobalHotkey *owner);

} // namespace portalhotkeys
