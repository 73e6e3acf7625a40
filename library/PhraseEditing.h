#pragma once

#include <QString>

class QListWidgetItem;

// Where the add window puts a new phrase: its group, and the row after which it goes in
// (-1 for the end of the list). Fixed when the window opens.
extern QString addTargetGroup;
extern int addTargetRow;

// The phrase the edit window changes; nullptr once that phrase has been deleted.
QListWidgetItem *editTarget();
void setEditTarget(QListWidgetItem *item);

// Open the add or edit window at its saved position with freshly filled editors.
void openAddWindow(const QString &group, int afterRow);
void openEditWindow(QListWidgetItem *item);

// The add window's "添加" and the edit window's "修改".
void addPhraseFromWindow();
void applyPhraseEdit();

void deletePhrase(QListWidgetItem *item);

// After the list moved rows itself (a drag): the new order is saved.
void onPhraseRowsMoved();
