#include "app/DataFolder.h"

#include "app/InstallLayout.h"
#include "library/JsonFile.h"
#include "library/UserNotices.h"
#include "platform/AtomicFileWrite.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryFile>

#include <algorithm>

namespace {

// Permission bits do not tell (root, ACLs, read-only mounts): try to create a file.
bool canCreateFilesIn(const QString &folder) {
    QTemporaryFile probe(QDir(folder).filePath(QStringLiteral(".verbolin-write-test-XXXXXX")));
    return probe.open();
}

} // namespace

const QStringList &dataFileNames() {
    static const QStringList names = {QStringLiteral("config.json"), QStringLiteral("data.json"),
                                      QStringLiteral("tab.json")};
    return names;
}

QString chooseDataFolder(const QString &executableFolder, const QString &fallbackFolder) {
    if (canCreateFilesIn(executableFolder))
        return executableFolder;
    makePrivateFolder(fallbackFolder, true);
    const QDir from(executableFolder);
    const QDir to(fallbackFolder);
    bool found = false;
    QStringList copied;
    for (const QString &name : dataFileNames()) {
        // Only regular files: a FIFO or a device would block or never end.
        if (!QFileInfo(from.filePath(name)).isFile())
            continue;
        found = true;
        if (!QFileInfo::exists(to.filePath(name)) && QFile::copy(from.filePath(name), to.filePath(name))) {
            // The copy keeps its owner's permissions only, as every file saved there.
            const QFileDevice::Permissions ownerOnly = QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                       QFileDevice::ReadUser | QFileDevice::WriteUser;
            QFile::setPermissions(to.filePath(name), QFile::permissions(to.filePath(name)) & ownerOnly);
            copied << name;
        }
    }
    if (found) {
        const QString shownFrom = QDir::toNativeSeparators(from.absolutePath());
        const QString shownTo = QDir::toNativeSeparators(to.absolutePath());
        QString message =
            QStringLiteral("程序所在文件夹 %1 不可写，Verbolin 的数据保存在 %2。").arg(shownFrom, shownTo);
        if (!copied.isEmpty())
            message +=
                QStringLiteral("程序所在文件夹中的 %1 已复制到那里。").arg(copied.join(QStringLiteral("、")));
        tellUser(QStringLiteral("folder:") + shownTo, message,
                 QStringLiteral("%1 is not writable; the data files live in %2 (copied from there: %3)")
                     .arg(shownFrom, shownTo, copied.join(QStringLiteral(", "))));
    }
    return fallbackFolder;
}

QString dataFolder() {
    const QString executableFolder = QCoreApplication::applicationDirPath();
    const QString perUserFolder = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    // An installed program never writes beside its executable, even when it could (root).
    if (isInstalledLayout(executableFolder)) {
        makePrivateFolder(perUserFolder, true);
        return perUserFolder;
    }
    return chooseDataFolder(executableFolder, perUserFolder);
}

void removeStaleSaveTemporaries(const QString &folder) {
    const QDateTime minuteAgo = QDateTime::currentDateTime().addSecs(-60);
    const QDir dir(folder);
    for (const QFileInfo &entry : dir.entryInfoList(QDir::Files | QDir::Hidden | QDir::NoSymLinks)) {
        const QString name = entry.fileName();
        const auto file = std::find_if(dataFileNames().begin(), dataFileNames().end(),
                                       [&](const QString &file) { return isSaveTemporaryOf(name, file); });
        if (file != dataFileNames().end() && entry.lastModified() < minuteAgo)
            settleLeftOverTemporary(dir.filePath(*file), entry.absoluteFilePath());
    }
}
