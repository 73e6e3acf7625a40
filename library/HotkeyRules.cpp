#include "library/HotkeyRules.h"

#include "platform/GlobalHotkey.h"

#include <QMessageBox>

namespace {

bool hasModifier(const QString &text) {
    for (const char *name : {"Ctrl", "Alt", "Shift", "Meta"})
        if (text.contains(QLatin1String(name)))
            return true;
    return false;
}

bool isModifierName(const QString &part) {
    for (const char *name : {"Ctrl", "Alt", "Shift", "Meta"})
        if (part == QLatin1String(name))
            return true;
    return false;
}

// Keys that make a hotkey on their own, without a modifier.
bool isLoneKeyAllowed(const QString &text) {
    for (const char *name : {"F1", "F2", "F3", "F4", "F5", "F6", "F7", "F8", "F9", "F10", "F11", "Ins"})
        if (text == QLatin1String(name))
            return true;
    return false;
}

} // namespace

QString hotkeyText(const QKeySequence &sequence) {
    return sequence.toString(QKeySequence::PortableText);
}

QKeySequence hotkeySequence(const QString &text) {
    return QKeySequence(text, QKeySequence::NativeText);
}

QString hotkeyRefusal(const QKeySequence &sequence, const QList<QKeySequence> &inUse) {
    if (sequence.isEmpty())
        return QStringLiteral("快捷键不能为空  ");
    if (sequence.count() != 1)
        return QStringLiteral("快捷键不能为多个快捷键的组合  ");
    const QString text = hotkeyText(sequence);
    const bool mainKey = !isModifierName(text.split(QLatin1Char('+')).constLast());
    if (!isLoneKeyAllowed(text) && !(hasModifier(text) && mainKey))
        return QStringLiteral("快捷键必须包含至少一个修饰键（Ctrl/Alt/Shift/Meta）和一个主键；  \n"
                              "或者是一个单独的F1~F11、Insert。  ");
    if (inUse.contains(sequence))
        return QStringLiteral("快捷键已被使用  ");
    return QString();
}

bool checkPhraseHotkey(const QKeySequence &sequence, const QList<GlobalHotkey *> &hotkeys, QWidget *parent,
                       const GlobalHotkey *ownHotkey) {
    QList<QKeySequence> inUse;
    for (const GlobalHotkey *hotkey : hotkeys)
        if (hotkey && hotkey != ownHotkey)
            inUse << hotkey->shortcut();
    const QString refusal = hotkeyRefusal(sequence, inUse);
    if (refusal.isEmpty())
        return true;
    QMessageBox::warning(parent, QStringLiteral("快捷键不合规"), refusal, QMessageBox::Ok);
    return false;
}
