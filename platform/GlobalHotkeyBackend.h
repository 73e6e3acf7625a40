#pragma once

#include <QKeyCombination>

class GlobalHotkey;

// What each system's backend (one source file per system) provides to GlobalHotkey. A
// backend emits GlobalHotkey::activated, queued, when a held combination is pressed.
namespace GlobalHotkeyBackend {

// Whether the system has a key for the combination.
bool canMap(QKeyCombination combination);
// Claims the combination system-wide for owner, or shares the claim of another owner of
// the same combination. False when it cannot be mapped, is held by another program, or
// no session supports hotkeys.
bool grab(GlobalHotkey *owner, QKeyCombination combination);
// Releases what grab claimed for owner (the system's claim once no owner shares it);
// nothing when it holds nothing.
void release(GlobalHotkey *owner);

} // namespace GlobalHotkeyBackend
