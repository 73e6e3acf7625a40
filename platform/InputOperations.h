#pragma once

// The operations through which phrase output reaches the focused application.
// Key codes are Windows virtual-key codes on every platform. None of them waits: all
// timing belongs to the caller. Refused synthetic events are lost silently.

#include "platform/KeyEvents.h"

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QStringList>
#include <QtGlobal>

class QString;

// One key down or up (the extended flag follows isExtendedKey).
void sendVirtualKey(quint16 virtualKey, bool keyUp);

// Presses the chord (modifiers in order, then the main key; 0 = none) and releases every
// key again before returning.
void pressKeyChord(const QList<quint16> &modifiers, quint16 mainKey);

// The focused application receives left Ctrl + V.
void sendPasteShortcut();

// The WM_CLASS names (instance, then class) of the window with the keyboard focus and of
// its ancestors, nearest first: they tell terminals apart. Empty on Windows, whose
// consoles paste on Ctrl+V like any program.
QStringList focusedWindowClasses();

// True where the system does not say which window has the focus (Wayland): the paste
// chord cannot follow it there.
bool focusedWindowUnknown();

// Sends a key-up for each of the eight Ctrl, Alt, Shift and Windows keys that is held,
// so that they do not combine with the output; returns which were held.
HeldModifiers releaseHeldModifiers();

// The output that follows comes from a hotkey, whose keys the user may still hold (a
// desktop runs a shortcut's command on the press). Where releaseHeldModifiers cannot let go
// of them for the user (GNOME, whose lent keyboard shares the seat with the real one), the
// keys sent next wait until the user has; elsewhere nothing.
void awaitHotkeyKeysLetGo();

// Replaces the clipboard content with exactly this plain text. What Verbolin puts on the
// clipboard is marked so that clipboard managers and the clipboard history leave it out.
void setClipboardText(const QString &text);

// Sets the X11 primary selection to this text (what xterm pastes on Shift+Insert);
// nothing on Windows.
void setPrimarySelectionText(const QString &text);

// Everything the clipboard holds, format by format, to be put back after an output.
using ClipboardContent = QList<QPair<QString, QByteArray>>;
ClipboardContent clipboardContent();
// Puts saved content back on the clipboard (empties it when the content is empty).
void restoreClipboardContent(const ClipboardContent &content);

// Whether the clipboard still holds what setClipboardText(text), or putFileOnClipboard(filePath),
// put there: false once anyone has copied something else.
bool clipboardHoldsText(const QString &text);
bool clipboardHoldsFile(const QString &filePath);

// Puts the one file on the clipboard, as a file drop. False, with the clipboard left
// as it was, when the path is not an existing regular file or the clipboard is busy.
bool putFileOnClipboard(const QString &filePath);
