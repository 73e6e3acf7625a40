#pragma once

#include <QIcon>
#include <QString>

// Icons are files in the icons folder (see InstallLayout.h); a missing file gives an empty icon.
QIcon programIcon(const QString &fileName);

// The program's icon as the windows carry it: drawn once at the sizes that title bars, task
// bars and window switchers show.
QIcon programWindowIcon();

// The path of an icon file, for stylesheets.
QString programIconPath(const QString &fileName);

inline const QString appIconFile = QStringLiteral("软件图标.svg");
inline const QString settingsIconFile = QStringLiteral("settings.svg");
inline const QString addIconFile = QStringLiteral("add.svg");
inline const QString pinnedIconFile = QStringLiteral("实心图钉.svg");
inline const QString unpinnedIconFile = QStringLiteral("空心图钉.svg");
inline const QString clearIconFile = QStringLiteral("clear.svg");
