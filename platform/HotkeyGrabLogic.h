#pragma once

#include <QList>
#include <QtGlobal>

#include <functional>

// The parts of an X11 key grab that need no X server: which lock-key variants of a
// combination to grab, all or none of them, and how to match a key event against a grab.

// The combination with every mix of CapsLock and NumLock, so the hotkey works whatever
// lock is on. numLockMask is 0 when no modifier carries NumLock.
QList<quint16> hotkeyLockVariants(quint16 modifiers, quint16 numLockMask);

// Grabs the variants in order. When one is refused, the ones already taken are released
// again (last first) and the result is false: a hotkey is held completely or not at all.
bool grabAllOrNone(const QList<quint16> &variants, const std::function<bool(quint16)> &grab,
                   const std::function<void(quint16)> &release);

// The modifiers of a key event's state as a grab names them: mouse buttons and the
// CapsLock and NumLock bits removed.
quint16 hotkeyModifiersOfState(quint16 state, quint16 numLockMask);
