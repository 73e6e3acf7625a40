#pragma once

#include <QString>

class QListWidget;

// The badge of the n-th shown row (from 0): "1"–"9", "0", "A"–"Z", then none.
QString badgeForShownRow(int n);

// The phrase list's own stylesheet for a group's item height and the configured paddings.
QString phraseItemStyleSheet(int itemHeight);

// Shows the rows of the group that match the search text (in the phrase text or, failing
// that, the remark; case-insensitive), hides the others, and numbers the shown rows' badges.
void filterPhraseList(QListWidget *list, const QString &group, const QString &searchText);

// Makes the first shown row current; with every row hidden the current item stays.
void selectFirstVisiblePhrase(QListWidget *list);
