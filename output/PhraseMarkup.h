#pragma once

#include "output/OutputAction.h"

// Turns a phrase's text into the actions that input it. Anything that is not a valid
// tag is typed as written; the only escape is a backslash directly before "<".
bool parsePhraseMarkup(const QString &phrase, QList<OutputAction> &actions);

// Reads the text between one "<" and the next ">". Returns false and leaves `action`
// untouched when it is not a valid tag.
bool parseTag(const QString &inner, OutputAction &action);

// Appends a Text action for `text` unless it is empty.
void appendTextAction(QList<OutputAction> &actions, const QString &text);

// Removes invisible bidirectional marks (often pasted along with a copied path) and
// trims whitespace.
QString cleanPathText(const QString &s);
