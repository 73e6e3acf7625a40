#pragma once

#include <QString>

class PhraseListView;

// The phrase list's own stylesheet for a group's item height and the configured paddings.
QString phraseItemStyleSheet(int itemHeight);

// Shows the store rows of the group that match the search text (in the phrase text or the
// remark: case-insensitive, or spelled in pinyin) in the view, and no others. With
// settings::searchesAllGroups and a search text, the matching rows of every group, each
// tagged with its group's name.
void filterPhraseList(PhraseListView *view, const QString &group, const QString &searchText);

// Makes the first shown row current.
void selectFirstVisiblePhrase(PhraseListView *view);
