#include "app/Icons.h"

#include "app/InstallLayout.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QPixmap>

#include <cstdio>

namespace {

// One icon per file: each QIcon of a file path reads and renders the file anew, and the
// same icons serve several windows, the tray and the pin button's every toggle.
QHash<QString, QIcon> &loadedIcons() {
    static QHash<QString, QIcon> loaded;
    return loaded;
}

// A Qt without its SVG icon engine (the Windows build, whose Qt is built here from source
// without it) draws the PNG renderings that its build puts beside the SVG files. Learnt
// from the first SVG file there is, whose icon is kept: asking Qt for its image formats
// instead went through every image plugin, which cost more than loading all the icons.
bool svgDrawable(const QString &folder, const QString &svgFile) {
    static int drawable = -1;
    if (drawable < 0) {
        const QString path = QDir(folder).filePath(svgFile);
        if (!QFileInfo::exists(path))
            return true; // nothing learnt: that icon stays empty either way
        const QIcon icon(path);
        // Without the engine the icon is not empty, it just draws nothing.
        drawable = icon.pixmap(QSize(16, 16)).isNull() ? 0 : 1;
        if (drawable)
            loadedIcons().insert(svgFile, icon);
    }
    return drawable == 1;
}

QString drawableIconFile(const QString &folder, const QString &fileName) {
    if (!fileName.endsWith(QLatin1String(".svg")) || svgDrawable(folder, fileName))
        return fileName;
    return fileName.chopped(4) + QLatin1String(".png");
}

} // namespace

QIcon programIcon(const QString &fileName) {
    QHash<QString, QIcon> &loaded = loadedIcons();
    if (const auto found = loaded.constFind(fileName); found != loaded.constEnd())
        return *found;
    const QString path = programIconPath(fileName);
    if (const auto found = loaded.constFind(fileName); found != loaded.constEnd())
        return *found; // the one that told whether SVG files are drawn
    const QIcon icon(path);
    loaded.insert(fileName, icon);
    return icon;
}

QIcon programWindowIcon() {
    // Given the SVG file itself, an X11 window carries the icon drawn at 16 to 128 pixels
    // (87 KB), which the window manager reads again at every show of the window before it
    // maps it.
    const QString key = QStringLiteral("window:") + appIconFile;
    QHash<QString, QIcon> &loaded = loadedIcons();
    if (const auto found = loaded.constFind(key); found != loaded.constEnd())
        return *found;
    const QIcon source = programIcon(appIconFile);
    QIcon drawn;
    for (const int size : {16, 24, 32, 48}) {
        const QPixmap pixmap = source.pixmap(QSize(size, size), 1.0);
        if (!pixmap.isNull())
            drawn.addPixmap(pixmap);
    }
    const QIcon icon = drawn.isNull() ? source : drawn;
    loaded.insert(key, icon);
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
    return QDir(folder).filePath(drawableIconFile(folder, fileName));
}
