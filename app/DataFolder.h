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
// The user's folder is open to its owner only.
QString chooseDataFolder(const QString &executableFolder, const QString &fallbackFolder);
QString dataFolder();

// Settles the save temporaries of the three files (".data.json.verbolin-tmp-xxxxxxxx", left
// by a kill during a save) older than a minute: removed, or kept as a recovered version
// when they hold one (see settleLeftOverTemporary). Nothing else is touched:
// "data.json.backup" or "data.json.241207" are the user's own.
void removeStaleSaveTemporaries(const QString &folder);
