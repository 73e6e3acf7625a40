#include "app/DataFolder.h"

#include "app/InstallLayout.h"

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
    const QString executableFolder = QCoreApplication::applicationDirPath();
    const QString perUserFolder = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    // An installed program never writes beside its executable, even when it could (root).
    if (isInstalledLayout(executableFolder)) {
        QDir().mkpath(perUserFolder);
        return perUserFolder;
    }
    return chooseDataFolder(executableFolder, perUserFolder);
}
