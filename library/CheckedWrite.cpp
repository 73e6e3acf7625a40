#include "library/CheckedWrite.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

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
                      bool skipWhenSame) {
    const QString target = writeTarget(path);
    if (isSpecialFile(target)) {
        *error = QStringLiteral("不是普通文件");
        return false;
    }
    if (skipWhenSame && holdsExactly(target, bytes, textMode))
        return true;
    QSaveFile file(target);
    if (!file.open(textMode ? QIODevice::WriteOnly | QIODevice::Text : QIODevice::WriteOnly)) {
        *error = file.errorString();
        return false;
    }
    // QSaveFile::commit() renames even after a short write: check each step first.
    const bool written =
        file.write(bytes) == bytes.size() && file.flush() && file.error() == QFileDevice::NoError;
    if (!written) {
        *error = file.error() == QFileDevice::NoError ? QStringLiteral("写入不完整（磁盘空间可能不足）")
                                                      : file.errorString();
        file.cancelWriting();
        return false;
    }
    if (!file.commit()) {
        *error = file.errorString();
        return false;
    }
    return true;
}
