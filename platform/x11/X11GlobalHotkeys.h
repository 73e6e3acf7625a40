#pragma once

#include <QKeyCombination>

class GlobalHotkey;

// GlobalHotkey's backend in an X11 session: passive key grabs on the root window. The Linux
// backend (wayland/GlobalHotkey_linux.cpp) hands over to it outside Wayland.
namespace x11hotkeys {

bool canMap(QKeyCombination combination);
bool grab(GlobalHotkey *owner, QKeyCombination combination);
// Nothing when owner holds no grab of this backend.
void release(GlobalHotkey *owner);

} // namespace x11hotkeys
