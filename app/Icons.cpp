#include "app/Icons.h"

#include "app/InstallLayout.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <cstdio>

QIcon programIcon(const QString &fileName) {
    const QString folder = iconsFolderFor(QCoreApplication::applicationDirPath());
    static bool warned = false;
    if (!warned && !QFileInfo(folder).isDir()) {
        warned = true;
        std::fprintf(stderr, "verbolin: the icons folder %s is missing; icons stay empty.\n",
                     qPrintable(QDir::toNativeSeparators(folder)));
    }
    return QIcon(QDir(folder).filePath(fileName));
}
