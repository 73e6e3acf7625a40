#pragma once

// The recording input backend: tests link it instead of the real platform library. It
// records every operation with its arguments and the key events it would send, and
// keeps a simulated clipboard and simulated held modifier keys.

#include "platform/KeyEvents.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <vector>

struct RecordedInputCall {
    QString operation;            // name of the operation called
    QString argument;             // the text or file path, where the operation takes one
    std::vector<KeyEvent> events; // key events the call sends, in order
    bool result = true;           // putFileOnClipboard's result
    qint64 atMs = 0;              // milliseconds since resetInputRecording
};

QList<RecordedInputCall> recordedInputCalls();

// Forgets the calls, restarts the clock, empties the clipboard, lets go of held keys.
void resetInputRecording();

// Keys that releaseHeldModifiers will find held (until it releases them).
void setSimulatedHeldModifiers(const HeldModifiers &held);

// What focusedWindowClasses answers (empty after resetInputRecording).
void setSimulatedFocusedWindowClasses(const QStringList &classes);
// As Wayland does: which window has the focus is not known (until the next reset).
void setSimulatedFocusedWindowUnknown(bool unknown);

// What the simulated clipboard holds: a text, or a file (its absolute path).
QString recordedClipboardText();
QString recordedClipboardFile();

// Another program (or the user) copies this text: the simulated clipboard changes without
// a recorded call.
void simulateOtherProgramCopying(const QString &text);
