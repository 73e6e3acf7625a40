#pragma once

#include <QKeySequence>
#include <QList>
#include <QString>

class GlobalHotkey;
class QWidget;

// Hotkeys are stored as portable text ("Ctrl+Shift+V"); the empty string means none.
QString hotkeyText(const QKeySequence &sequence);
// Stored text back to a key sequence, read in the native form.
QKeySequence hotkeySequence(const QString &text);

// Why a key sequence may not be a hotkey, as the warning text shown to the user; empty
// when it may. inUse holds the sequences other hotkeys already have.
QString hotkeyRefusal(const QKeySequence &sequence, const QList<QKeySequence> &inUse);

// True when the sequence may be used; otherwise the warning has been shown, with parent
// as its parent. ownHotkey is the checked phrase's own entry, which does not count as a
// duplicate (nullptr for none).
bool checkPhraseHotkey(const QKeySequence &sequence, const QList<GlobalHotkey *> &hotkeys, QWidget *parent,
                       const GlobalHotkey *ownHotkey);
