#pragma once

#include <QString>

class QListWidgetItem;
struct PhraseEditorWidgets;

// The group the add window puts a new phrase in, fixed when the window opens.
extern QString addTargetGroup;

// The phrase the edit window changes; nullptr once that phrase has been deleted.
QListWidgetItem *editTarget();
void setEditTarget(QListWidgetItem *item);

// Where the add window puts its new phrase: the group, and right after the phrase given,
// wherever drags have taken it meanwhile, or at the end of the list when none is given or
// that phrase was deleted meanwhile.
void setAddTarget(const QString &group, QListWidgetItem *after);

// The editors of the add or edit window emptied, or filled with a phrase's text, remark
// and hotkey.
void clearEditors(const PhraseEditorWidgets &w);
void fillEditors(const PhraseEditorWidgets &w, const QListWidgetItem *item);

// The add window's "添加" and the edit window's "修改".
void addPhraseFromWindow();
void applyPhraseEdit();

void deletePhrase(QListWidgetItem *item);

// After the list moved rows itself (a drag): the new order is saved.
void onPhraseRowsMoved();
