#pragma once

#include "output/OutputAction.h"

#include <QString>

// Checks a parse result against its phrase by walking both side by side: every Text
// action is non-empty and never follows another Text action, every other action comes
// from a "<...>" span that parseTag accepts with that very result, and together they
// account for every character of the phrase, in order, with "\<" read as "<" and
// rejected tags kept verbatim. Returns an empty string when the result is consistent,
// otherwise what went wrong.
QString checkMarkupResult(const QString &phrase, const QList<OutputAction> &actions);
