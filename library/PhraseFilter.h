#pragma once

#include <QString>

class PhraseListView;

// The phrase list's own stylesheet for a group's item height and the configured paddings.
QString phraseItemStyleSheet(int itemHeight);

// Shows the store rows of the group that match the search text (in the phrase text or,
// failing that, the remark; case-insensitive) in the view, and no others.
void filterPhraseList(PhraseListView *view, const QString &group, const QString &searchText);

// Makes the first shown row current.
void selectFirstVisiblePhrase(PhraseListView *view);
