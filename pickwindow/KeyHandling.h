#pragma once

#include "platform/HookKeys.h"

class QListWidgetItem;

// Offered every key-down by the keyboard hook while the pick window is passive; true
// means the key was acted on and is swallowed.
bool handleHookKey(const HookKeyEvent &event);

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

// Badge number of a key code (Qt key codes of digits and letters equal their virtual
// keys): "1"–"9" → 1–9, "0" → 10, "A"–"Z" → 11–36; 0 for any other key.
int badgeNumberOfKey(int key);
