#include "platform/Autostart.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

namespace {

AutostartFileAccess &fileAccess() {
    static AutostartFileAccess access;
    return access;
}

QByteArray currentEntry() {
    return autostartDesktopEntry(QCoreApplication::applicationFilePath());
}

bool writeEntry(const QByteArray &entry) {
    const AutostartFileAccess &access = fileAccess();
    if (!access.write)
        return false;
    const QString path = autostartEntryLocation();
    QString error = QStringLiteral("无法创建文件夹");
    const bool written = QDir().mkpath(QFileInfo(path).absolutePath()) && access.write(path, entry, &error);
    if (access.written)
        access.written(path, written ? QString() : error);
    return written;
}

} // namespace

void setAutostartFileAccess(AutostartFileAccess access) {
    fileAccess() = std::move(access);
}

QString autostartEntryLocation() {
    // Follows $XDG_CONFIG_HOME, falling back to ~/.config, as session managers do.
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/autostart/verbolin.desktop");
}

void setAutostartEntry(bool on) {
    if (on)
        writeEntry(currentEntry());
    else
        QFile::remove(autostartEntryLocation());
}

bool syncAutostartEntry() {
    const QByteArray entry = currentEntry();
    QFile file(autostartEntryLocation());
    // Something that is no regular file (a FIFO, a device) is neither read nor replaced.
    if (!fileAccess().isSpecialFile || fileAccess().isSpecialFile(file.fileName()) ||
        (file.open(QIODevice::ReadOnly) && file.read(entry.size() + 1) == entry))
        return false;
    file.close();
    return writeEntry(entry);
}
