#include "platform/GlobalHotkey.h"

#include "platform/GlobalHotkeyBackend.h"

namespace {

// The combination that counts: the first one; none for an empty sequence or a bare
// modifier.
QKeyCombination firstCombination(const QKeySequence &sequence) {
    if (sequence.isEmpty())
        return QKeyCombination(Qt::Key_unknown);
    const QKeyCombination combination = sequence[0];
    switch (combination.key()) {
    case Qt::Key_unknown:
    case Qt::Key_Control:
    case Qt::Key_Shift:
    case Qt::Key_Alt:
    case Qt::Key_Meta:
    case Qt::Key_AltGr:
    case Qt::Key_Super_L:
    case Qt::Key_Super_R:
        return QKeyCombination(Qt::Key_unknown);
    default:
        return combination;
    }
}

} // namespace

GlobalHotkey::GlobalHotkey(const QKeySequence &shortcut, bool autoRegister, QObject *parent)
    : QObject(parent) {
    setShortcut(shortcut, autoRegister);
}

GlobalHotkey::~GlobalHotkey() {
    setRegistered(false);
}

bool GlobalHotkey::setRegistered(bool registered) {
    if (registered == m_registered)
        return true;
    if (!registered) {
        GlobalHotkeyBackend::release(this);
        m_registered = false;
        return true;
    }
    const QKeyCombination combination = firstCombination(m_shortcut);
    if (combination.key() == Qt::Key_unknown)
        return false;
    m_registered = GlobalHotkeyBackend::grab(this, combination);
    return m_registered;
}

bool GlobalHotkey::setShortcut(const QKeySequence &shortcut, bool autoRegister) {
    setRegistered(false);
    m_shortcut = shortcut.isEmpty() ? QKeySequence() : QKeySequence(shortcut[0]);
    if (autoRegister)
        return setRegistered(true);
    const QKeyCombination combination = firstCombination(m_shortcut);
    return combination.key() != Qt::Key_unknown && GlobalHotkeyBackend::canMap(combination);
}
