#pragma once

#include <QJsonObject>
#include <QSize>
#include <QString>

#include <functional>

// The process-wide settings object; it mirrors config.json and every reader reads its
// key at the moment of use (through app/Settings.h).
QJsonObject &configObject();

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

// Typed reads with read defaults: missing or mistyped values give the default. The
// program reads through the accessors of app/Settings.h, which name the keys.
int configInt(const QString &key, int readDefault = 0);
bool configBool(const QString &key, bool readDefault = false);
QString configString(const QString &key);
