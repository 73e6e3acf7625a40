#pragma once

#include <QJsonObject>
#include <QSize>
#include <QString>

// The process-wide settings object; it mirrors config.json and every reader reads its
// key at the moment of use.
QJsonObject &configObject();

// Fills configObject from the file. An existing file is only repaired in memory (the
// caller saves); a missing one gets the complete default set, written at once.
void loadConfig(const QString &path);

// Writes configObject whole, atomically. A failed write leaves the file as it was.
void saveConfig(const QString &path);

// The complete set for a new file, positions centred for a 500-pixel window on a
// screen of the given size.
QJsonObject defaultConfig(QSize screenSize);

// Typed reads with read defaults: missing or mistyped values give the default.
int configInt(const QString &key, int readDefault = 0);
bool configBool(const QString &key, bool readDefault = false);
QString configString(const QString &key);
