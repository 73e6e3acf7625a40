#pragma once

#include <QKeyCombination>

class GlobalHotkey;

// What each system's backend (one source file per system) provides to GlobalHotkey. A
// backend emits GlobalHotkey::activated, queued, when a held combination is pressed.
namespace GlobalHotkeyBackend {

// Whether the system has a key for the combination.
bool canMap(QKeyCombination combination);
// Claims the combination system-wide for owner. False when it cannot be mapped, is
// held by another program or by another owner, or no session supports hotkeys.
bool grab(GlobalHotkey *owner, QKeyCombination combination);
// Releases what grab claimed for owner; nothing when it holds nothing.
void release(GlobalHotkey *owner);

} // namespace GlobalHotkeyBackend
