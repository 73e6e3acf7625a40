#include "app/Icons.h"

#include <QCoreApplication>
#include <QHash>

QIcon programIcon(const QString &fileName) {
    // One icon per file: each QIcon of a file path reads and renders the file anew, and the
    // same icons serve several windows, the tray and the pin button's every toggle.
    static QHash<QString, QIcon> loaded;
    const auto found = loaded.constFind(fileName);
    if (found != loaded.constEnd())
        return *found;
    const QIcon icon(programIconPath(fileName));
    loaded.insert(fileName, icon);
    return icon;
}

QString programIconPath(const QString &fileName) {
    return QCoreApplication::applicationDirPath() + QStringLiteral("/icons/") + fileName;
}
