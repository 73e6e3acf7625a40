#pragma once

#include <functional>

class QMimeData;

// Qt's clipboard where the compositor takes a clipboard only from the client with the
// keyboard focus and offers no other way (GNOME). When no window of ours has the focus, a
// tiny window of our own is shown for the moment it takes to get it, the clipboard is set,
// and the window hidden again; the compositor hands the focus back to the window the user
// was in. That takes a few turns of the event loop, so it runs in the background, and the
// keys meant for that window (the paste) wait for it: afterOwnWindowClipboard.

// Sets the clipboard (taking `mime`): at once while a window of ours has the focus, else
// through the tiny window. Returns false only when it is known at once that it failed.
bool setClipboardThroughOwnWindow(QMimeData *mime);

// Runs `then` once every clipboard change asked for so far is done and the focus is back
// where it was (at once if none is under way), in the order asked. `clipboardSet` says
// whether the last change took: a paste after a failed one would paste what the clipboard
// held before. A window that does not get the focus within a second counts as failed.
void afterOwnWindowClipboard(std::function<void(bool clipboardSet)> then);

// The keys sent next (through afterOwnWindowClipboard) wait until the user has let go of
// every modifier: the tiny window, which sees them once it has the focus, is shown for the
// moment it takes. For a hotkey's phrase that sets no clipboard first, where the desktop
// runs the hotkey while its keys are down and they would combine with the phrase's.
void awaitModifierReleaseThroughOwnWindow();

// Whether a clipboard change through the tiny window is under way (or waits to start).
bool ownWindowClipboardBusy();
