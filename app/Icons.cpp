#include "app/Icons.h"

#include "app/InstallLayout.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QImageReader>

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

namespace {

// A Qt without its SVG plugin (the Windows build, whose Qt is built here from source
// without it) draws the PNG renderings that its build puts beside the SVG files.
QString drawableIconFile(const QString &fileName) {
    static const bool svgDrawable = QImageReader::supportedImageFormats().contains("svg");
    if (svgDrawable || !fileName.endsWith(QLatin1String(".svg")))
        return fileName;
    return fileName.chopped(4) + QLatin1String(".png");
}

} // namespace

QString programIconPath(const QString &fileName) {
    const QString folder = iconsFolderFor(QCoreApplication::applicationDirPath());
    static bool warned = false;
    if (!warned && !QFileInfo(folder).isDir()) {
        warned = true;
        std::fprintf(stderr, "verbolin: the icons folder %s is missing; icons stay empty.\n",
                     qPrintable(QDir::toNativeSeparators(folder)));
    }
    return QDir(folder).filePath(drawableIconFile(fileName));
}
