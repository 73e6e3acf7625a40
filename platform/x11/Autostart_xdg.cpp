#include "platform/Autostart.h"

#include "app/CheckedWrite.h"
#include "app/UserNotices.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

namespace {

QByteArray currentEntry() {
    return autostartDesktopEntry(QCoreApplication::applicationFilePath());
}

bool writeEntry(const QByteArray &entry) {
    const QString path = autostartEntryLocation();
    QString error = QStringLiteral("无法创建文件夹");
    if (QDir().mkpath(QFileInfo(path).absolutePath()) && writeFileChecked(path, entry, false, &error)) {
        forgetCauses(QStringLiteral("autostart:"));
        return true;
    }
    tellUser(QStringLiteral("autostart:") + error,
             QStringLiteral("无法写入开机自启动项 %1：%2。").arg(path, error),
             QStringLiteral("could not write the autostart entry %1 (%2)").arg(path, error));
    return false;
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
    // Something that is no regular file (a FIFO, a device) is neither read nor replaced.
    if (isSpecialFile(file.fileName()) ||
        (file.open(QIODevice::ReadOnly) && file.read(entry.size() + 1) == entry))
        return false;
    file.close();
    return writeEntry(entry);
}
