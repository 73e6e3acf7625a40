#pragma once

#include <QList>
#include <QtGlobal>

#include <functional>

// The parts of an X11 key grab that need no X server: which lock-key variants of a
// combination to grab, all or none of them, how to match a key event against a grab,
// and how to fire once per press while the key is held.

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

// Fires once per press. Held keys repeat as presses (detectable auto-repeat) or as
// release/press pairs carrying the same server time (plain auto-repeat); neither fires.
class KeyRepeatGate {
public:
    // True when this press is a new press, not a repeat.
    bool press(quint32 time);
    void release(quint32 time);

private:
    bool m_held = false;
    bool m_released = false;
    quint32 m_releaseTime = 0;
};
