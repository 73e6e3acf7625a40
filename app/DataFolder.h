#pragma once

#include <QString>
#include <QStringList>

// The names of the program's three data files.
const QStringList &dataFileNames();

// The folder of config.json, data.json and tab.json: the executable's folder, or the
// user's application data folder when the executable's folder is not writable (an
// installed program). An installed tree (see InstallLayout.h) always uses the latter.
// Files found beside a read-only executable are copied into the user's folder when it
// lacks them, so they are never hidden, and the user is told which folder is in use.
QString chooseDataFolder(const QString &executableFolder, const QString &fallbackFolder);
QString dataFolder();

// Removes save temporaries of the three files ("data.json.XXXXXX", left by a kill
// between writing and renaming) older than a minute.
void removeStaleSaveTemporaries(const QString &folder);
