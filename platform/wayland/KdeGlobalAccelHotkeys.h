#pragma once

#include <QKeyCombination>

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

} // namespace kdeglobalaccelhotkeys
