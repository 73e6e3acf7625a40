#include "platform/HotkeyGrabLogic.h"

namespace {
constexpr quint16 lockMask = 0x02;     // CapsLock
constexpr quint16 modifierBits = 0xFF; // Shift, Lock, Control, Mod1..Mod5; higher bits are buttons
} // namespace

QList<quint16> hotkeyLockVariants(quint16 modifiers, quint16 numLockMask) {
    QList<quint16> variants;
    for (const quint16 extra : {quint16(0), lockMask, numLockMask, quint16(lockMask | numLockMask)}) {
        const quint16 variant = modifiers | extra;
        if (!variants.contains(variant))
            variants.append(variant);
    }
    return variants;
}

bool grabAllOrNone(const QList<quint16> &variants, const std::function<bool(quint16)> &grab,
                   const std::function<void(quint16)> &release) {
    for (qsizetype i = 0; i < variants.size(); ++i) {
        if (!grab(variants.at(i))) {
            for (qsizetype j = i - 1; j >= 0; --j)
                release(variants.at(j));
            return false;
        }
    }
    return true;
}

quint16 hotkeyModifiersOfState(quint16 state, quint16 numLockMask) {
    return state & modifierBits & ~lockMask & ~numLockMask;
}
