#pragma once

#include "platform/KeyEvents.h"

#include <QKeyCombination>
#include <QStringList>

#include <vector>

class GlobalHotkey;

// GlobalHotkey's backend in a KDE Plasma Wayland session: each combination is registered
// with the desktop's global accelerator daemon (org.kde.kglobalaccel on the session bus),
// which takes the key from then on and tells us when it is pressed. Registrations change
// at run time like key grabs; owners of the same combination share one registration.
//
// grab() waits for the daemon's answer (a blocking D-Bus call, at most a second, without
// running the event loop), so its result is the daemon's: false for a combination another
// program holds or when the daemon does not answer in time. After a wait in vain, grabs
// fail at once for ten seconds, so a hung daemon costs the start-up one second, not one
// per phrase hotkey.
namespace kdeglobalaccelhotkeys {

// Whether the daemon is on the session bus; asked once, at the first call.
bool available();
bool canMap(QKeyCombination combination);
bool grab(GlobalHotkey *owner, QKeyCombination combination);
void release(GlobalHotkey *owner);

// Unregisters, until resume(), the registered combinations that these presses (see
// keyPressCombinations) would fire: the daemon would take the program's own synthetic keys
// (a terminal pastes on Ctrl+Shift+V, the default hotkey; a phrase may press a phrase's
// hotkey). Waits until the daemon has done it; the names let go, for resume().
QStringList suspend(const std::vector<KeyPressCombination> &presses);
// Registers them again, once the compositor has handled the keys.
void resume(const QStringList &names);

} // namespace kdeglobalaccelhotkeys
