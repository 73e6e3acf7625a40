#pragma once

#include <QList>

class GlobalHotkey;
class QListWidget;
class QObject;

// One entry per row of the phrase list, in row order: the phrase's own global hotkey, or
// nullptr for a phrase without one. The one list of the process; the hotkey editors'
// filters and the edit window read it.
QList<GlobalHotkey *> &phraseHotkeys();

// Drops every hotkey of the list and makes one per row again, children of parent. A
// hotkey inputs its phrase's text when pressed, wherever the user is; the pick window
// plays no part.
void rebuildPhraseHotkeys(QListWidget *list, QList<GlobalHotkey *> &hotkeys, QObject *parent);

// The same for the program's phrase list and list. Every change that adds, removes or
// reorders phrases calls it, so that no hotkey refers to a gone row.
void rebuildPhraseHotkeys();
