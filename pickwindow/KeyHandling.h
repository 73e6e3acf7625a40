#pragma once

#include "pickwindow/PickCommands.h"
#include "platform/HookKeys.h"

class QListWidgetItem;

// The roads by which a key reaches the pick window: the keyboard hook while the window is
// passive, the search box in search mode, and the application's key events while the
// pick window is otherwise the active window.
enum class KeyRoad { Hook, SearchBox, ActiveWindow };

// Does what a key asks, as its road allows; true means the key was acted on and is
// swallowed, false lets it go on to the focused application or widget.
bool carryOutPickCommand(const PickKeyCommand &command, KeyRoad road);

// Offered every key-down by the keyboard hook while the pick window is passive; true
// means the key was acted on and is swallowed.
bool handleHookKey(const HookKeyEvent &event);

// Offered every key press of the pick window while it has the focus where it must take it
// (pickWindowTakesFocus) and is not in search mode: the key means what it means through
// the hook. True means the key was acted on.
bool handleFocusedPickKey(int qtKey, bool shift, bool otherModifiers, bool autoRepeat);

// Moves the current phrase by one visible row, wrapping when configured.
void selectAdjacentPhrase(int step);
// The first (+1) or last (-1) visible row becomes current.
void selectEdgePhrase(int step);
// The phrase with badge number n (1-based over the visible rows), or none.
QListWidgetItem *visiblePhraseAt(int n);
// The current phrase, unless the filter hides it (then Enter has nothing to input).
QListWidgetItem *currentVisiblePhrase();
// The previous (-1) or next (+1) group, clamped at the ends.
void switchGroupBy(int step);
