#include "app/InstallLayout.h"

#include <QDir>
#include <QFileInfo>

namespace {

QString besideIcons(const QString &executableFolder) {
    return QDir(executableFolder).filePath(QStringLiteral("icons"));
}

QString sharedIcons(const QString &executableFolder) {
    return QDir::cleanPath(QDir(executableFolder).filePath(QStringLiteral("../share/verbolin/icons")));
}

} // namespace

bool isInstalledLayout(const QString &executableFolder) {
    return !QFileInfo(besideIcons(executableFolder)).isDir() &&
           QFileInfo(sharedIcons(executableFolder)).isDir();
}

QString iconsFolderFor(const QString &executableFolder) {
    return isInstalledLayout(executableFolder) ? sharedIcons(executableFolder)
                                               : besideIcons(executableFolder);
}
