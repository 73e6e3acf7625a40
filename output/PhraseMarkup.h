#pragma once

#include "output/OutputAction.h"

// Turns a phrase's text into the actions that input it. Anything that is not a valid
// tag is typed as written; the only escape is a backslash directly before "<".
bool parsePhraseMarkup(const QString &phrase, QList<OutputAction> &actions);
