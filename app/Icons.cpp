#include "app/Icons.h"

#include "app/InstallLayout.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QHash>

#include <cstdio>

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
    const QString folder = iconsFolderFor(QCoreApplication::applicationDirPath());
    static bool warned = false;
    if (!warned && !QFileInfo(folder).isDir()) {
        warned = true;
        std::fprintf(stderr, "verbolin: the icons folder %s is missing; icons stay empty.\n",
                     qPrintable(QDir::toNativeSeparators(folder)));
    }
    return QDir(folder).filePath(fileName);
}
