#include "library/CheckedWrite.h"

#include "library/UserNotices.h"
#include "platform/AtomicFileWrite.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

bool holdsExactly(const QString &target, const QByteArray &bytes, bool textMode) {
    const QFileInfo info(target);
    // Text mode may add carriage returns, so the size only rules out a match in binary mode.
    if (!info.isFile() || (!textMode && info.size() != bytes.size()))
        return false;
    QFile file(target);
    if (!file.open(textMode ? QIODevice::ReadOnly | QIODevice::Text : QIODevice::ReadOnly))
        return false;
    return file.read(bytes.size() + 1) == bytes;
}

} // namespace

QString writeTarget(const QString &path) {
    const QFileInfo info(path);
    if (!info.isSymLink())
        return path;
    const QString canonical = info.canonicalFilePath();
    // A dangling link: the file it names is created.
    return canonical.isEmpty() ? info.symLinkTarget() : canonical;
}

bool isSpecialFile(const QString &path) {
    const QFileInfo info(writeTarget(path));
    return info.exists() && !info.isFile();
}

bool writeFileChecked(const QString &path, const QByteArray &bytes, bool textMode, QString *error,
                      bool skipWhenSame, const std::function<bool()> &stillReplaceable, QString *replaced) {
    if (replaced)
        replaced->clear();
    const QString target = writeTarget(path);
    if (isSpecialFile(target)) {
        *error = QStringLiteral("不是普通文件");
        return false;
    }
    if (skipWhenSame && holdsExactly(target, bytes, textMode))
        return true;
    // A folder deleted while the program runs is made again, so the change is not held in
    // memory alone.
    const QString folder = QFileInfo(target).absolutePath();
    if (!QFileInfo(folder).isDir()) {
        if (!makePrivateFolder(folder, false)) {
            *error = QStringLiteral("文件夹 %1 不存在，且无法重新创建").arg(QDir::toNativeSeparators(folder));
            return false;
        }
        const QString shown = QDir::toNativeSeparators(folder);
        tellUser(QStringLiteral("recreated:") + shown,
                 QStringLiteral("文件夹 %1 已不存在，Verbolin 已重新创建它并在其中保存。").arg(shown),
                 QStringLiteral("the folder %1 was gone; it was made again to save into it").arg(shown));
    }
    return replaceFileContents(target, bytes, textMode, error, stillReplaceable, replaced);
}
