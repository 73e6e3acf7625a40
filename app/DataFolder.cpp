#include "app/DataFolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QStandardPaths>
#include <QTemporaryFile>

namespace {

// Permission bits do not tell (root, ACLs, read-only mounts): try to create a file.
bool canCreateFilesIn(const QString &folder) {
    QTemporaryFile probe(QDir(folder).filePath(QStringLiteral(".verbolin-write-test-XXXXXX")));
    return probe.open();
}

} // namespace

QString chooseDataFolder(const QString &executableFolder, const QString &fallbackFolder) {
    if (canCreateFilesIn(executableFolder))
        return executableFolder;
    QDir().mkpath(fallbackFolder);
    return fallbackFolder;
}

QString dataFolder() {
    return chooseDataFolder(QCoreApplication::applicationDirPath(),
                            QStandardPaths::writableLocation(QStandardPaths::AppDataLocation));
}
