#pragma once

#include <QString>

class QListWidgetItem;

// The group the add window puts a new phrase in, fixed when the window opens.
extern QString addTargetGroup;

// The phrase the edit window changes; nullptr once that phrase has been deleted.
QListWidgetItem *editTarget();
void setEditTarget(QListWidgetItem *item);

// Open the add or edit window at its saved position with freshly filled editors. The new
// phrase goes in right after the phrase given, wherever drags have taken it meanwhile, or
// at the end of the list when none is given or that phrase was deleted meanwhile.
void openAddWindow(const QString &group, QListWidgetItem *after);
void openEditWindow(QListWidgetItem *item);

// The add window's "添加" and the edit window's "修改".
void addPhraseFromWindow();
void applyPhraseEdit();

void deletePhrase(QListWidgetItem *item);

// After the list moved rows itself (a drag): the new order is saved.
void onPhraseRowsMoved();
