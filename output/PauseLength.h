#pragma once

#include <QString>
#include <QtGlobal>

// Longest pause a phrase may ask for, in milliseconds and in seconds.
constexpr qint32 maxPauseMs = 2147483647;
constexpr double maxPauseSeconds = 2147483.647;

// Parses a pause length: "100ms", "2s", "2" (seconds), "0.5s", "1e1". Seconds are rounded
// half up to whole milliseconds. On failure `milliseconds` is left as it was.
bool parsePauseLength(const QString &text, qint32 &milliseconds);
