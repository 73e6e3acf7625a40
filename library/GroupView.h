#pragma once

#include <QString>

// Keeps the phrase list showing the current group's phrases that match the search text.
void refilterPhraseList();
void onCurrentGroupChanged(int index);
void onSearchTextChanged(const QString &text);
