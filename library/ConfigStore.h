#pragma once

#include <QJsonObject>
#include <QSize>
#include <QString>

#include <functional>

// The store of the process-wide settings object (configObject, library/Settings.h): it
// mirrors config.json.

// Fills configObject from the file. An existing file is only repaired in memory (the
// caller saves); a missing one gets the complete default set, written at once.
void loadConfig(const QString &path);

// Writes configObject whole, atomically. A failed write leaves the file as it was, tells
// the user and is retried; the value stays in memory. A file changed by someone else
// since it was last read or written is read first: its settings, with the program's own
// changes since then on top, are what is written (and the handler below is called).
bool saveConfig(const QString &path);

// Called when saveConfig took in settings changed outside, so that they are applied.
void setConfigChangedOutsideHandler(std::function<void()> handler);
