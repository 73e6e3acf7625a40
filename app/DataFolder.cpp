#include "app/DataFolder.h"

#include "app/InstallLayout.h"
#include "library/UserNotices.h"

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
    QDir().mkpath(fallbackFolder);
    const QDir from(executableFolder);
    const QDir to(fallbackFolder);
    bool found = false;
    QStringList copied;
    for (const QString &name : dataFileNames()) {
        // Only regular files: a FIFO or a device would block or never end.
        if (!QFileInfo(from.filePath(name)).isFile())
            continue;
        found = true;
        if (!QFileInfo::exists(to.filePath(name)) && QFile::copy(from.filePath(name), to.filePath(name)))
            copied << name;
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
        QDir().mkpath(perUserFolder);
        return perUserFolder;
    }
    return chooseDataFolder(executableFolder, perUserFolder);
}

namespace {

bool isAsciiLetterOrDigit(QChar c) {
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9');
}

// QSaveFile names its temporary "<file>.XXXXXX" beside the file. Told by hand: a regular
// expression here brought the whole expression engine into memory for one test a start.
bool isSaveTemporaryName(const QString &name) {
    for (const QLatin1String file :
         {QLatin1String("config.json."), QLatin1String("data.json."), QLatin1String("tab.json.")}) {
        if (!name.startsWith(file))
            continue;
        const QStringView suffix = QStringView(name).sliced(file.size());
        return suffix.size() == 6 && std::all_of(suffix.begin(), suffix.end(), isAsciiLetterOrDigit);
    }
    return false;
}

} // namespace

void removeStaleSaveTemporaries(const QString &folder) {
    const QDateTime minuteAgo = QDateTime::currentDateTime().addSecs(-60);
    const QDir dir(folder);
    for (const QFileInfo &entry : dir.entryInfoList(QDir::Files | QDir::Hidden | QDir::NoSymLinks)) {
        if (isSaveTemporaryName(entry.fileName()) && entry.lastModified() < minuteAgo)
            QFile::remove(entry.absoluteFilePath());
    }
}
