#include "platform/Autostart.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

namespace {

QByteArray currentEntry() {
    return autostartDesktopEntry(QCoreApplication::applicationFilePath());
}

bool writeEntry(const QByteArray &entry) {
    const QString path = autostartEntryLocation();
    if (!QDir().mkpath(QFileInfo(path).absolutePath()))
        return false;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write(entry);
    return file.commit();
}

} // namespace

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
    if (file.open(QIODevice::ReadOnly) && file.readAll() == entry)
        return false;
    file.close();
    return writeEntry(entry);
}
