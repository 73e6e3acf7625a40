#pragma once

#include <QString>

// The folder of config.json, data.json and tab.json: the executable's folder, or the
// user's application data folder when the executable's folder is not writable (an
// installed program). An installed tree (see InstallLayout.h) always uses the latter.
QString chooseDataFolder(const QString &executableFolder, const QString &fallbackFolder);
QString dataFolder();
