#pragma once

#include "platform/WindowActivation.h"

class KeyboardHook;
class QListWidgetItem;
class QString;
class QWidget;

// The pick window is passive (shown without taking the focus, keys taken through the
// keyboard hook) except in search mode, when it is active so that the user can type a
// search text; the window that was in front then gets the focus back afterwards.
extern bool searchMode;
extern NativeWindow savedForegroundWindow;

// Where no window can be shown without the focus and no hook can take keys (Wayland), the
// pick window is shown as an ordinary window that takes the focus; its keys then arrive as
// key events and mean what they mean through the hook. A chosen phrase hides it even when
// pinned, and its output waits until the focus is back where the user came from. Set once
// at start-up.
extern bool pickWindowTakesFocus;

// The system-wide hook that hands key-downs to the pick window's key handling; the
// start-up wiring makes it. Without one the pick window takes no keys while passive.
void setKeyboardHook(KeyboardHook *hook);
void installKeyboardHook();
// Where the hook takes keys away from other applications (X11 grabs), it is held only
// while the pick window is visible, passive and not blocked; called on every change.
void updateKeyboardHook();

// Shows the pick window without activation, on top as settings::alwaysOnTop says, and takes
// keys from its first paint on (at once when it was shown already).
void showPickWindowNoActivate(QWidget *window);

// The one way every window of the program is shown: the pick window without
// activation, any other window shown if hidden and then activated.
void showWindow(QWidget *window);

void enterSearchMode();
void leaveSearchMode(bool restoreForeground);
// Ends search mode when the user activated another window (queued after a focus-out).
void checkSearchFocusLost();

// True while the pick window must let every key pass: the program's own synthetic keys
// are arriving, or a modal dialog, a popup or one of the other windows is open.
bool pickKeysBlocked();
// True while the keyboard hook hands keys to the pick window: it is visible, passive
// (not in search mode) and not blocked.
bool pickWindowTakesKeys();

// Inputs a phrase chosen in the pick window: closes the window unless pinned, then
// starts the output into the focused application.
void inputPhraseItem(QListWidgetItem *item, QWidget *window);
// Inputs a phrase asked for by its own hotkey: where the pick window takes the focus and
// has it, the window is hidden first and the output waits for the focus to go back.
void inputPhraseFromHotkey(const QString &text);
void onPhraseClicked(QListWidgetItem *item);
