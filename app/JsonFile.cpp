#include "app/JsonFile.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QSet>

#include <cstdio>

namespace {

QSet<QString> &protectedPaths() {
    static QSet<QString> paths;
    return paths;
}

QString canonicalKey(const QString &path) {
    return QFileInfo(path).absoluteFilePath();
}

} // namespace

JsonFileRead readJsonFile(const QString &path) {
    JsonFileRead result;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return result;
    result.opened = true;
    result.document = QJsonDocument::fromJson(file.readAll());
    return result;
}

bool writeJsonFile(const QString &path, const QJsonDocument &document) {
    if (isWriteProtected(path))
        return false;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Text))
        return false;
    file.write(document.toJson(QJsonDocument::Indented));
    return file.commit();
}

QString keepUnreadableFile(const QString &path) {
    const QFileInfo info(path);
    const QString stamp = QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    QString backup = info.absoluteFilePath() + QStringLiteral(".unreadable-") + stamp;
    for (int n = 2; QFile::exists(backup); ++n)
        backup = info.absoluteFilePath() + QStringLiteral(".unreadable-") + stamp + QLatin1Char('-') +
                 QString::number(n);
    if (QFile::copy(path, backup)) {
        std::fprintf(stderr, "verbolin: %s could not be read; its content was kept in %s\n",
                     qPrintable(info.fileName()), qPrintable(QFileInfo(backup).fileName()));
        return backup;
    }
    protectedPaths().insert(canonicalKey(path));
    std::fprintf(stderr,
                 "verbolin: %s could not be read and no copy of it could be made; "
                 "it will not be overwritten\n",
                 qPrintable(info.absoluteFilePath()));
    return QString();
}

bool isWriteProtected(const QString &path) {
    return protectedPaths().contains(canonicalKey(path));
}
