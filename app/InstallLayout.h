#pragma once

#include <QString>

// The read-only files' folders of the two ways the program is laid out: a build or
// portable folder keeps "icons" beside the executable; an installed tree (a package
// under /usr) keeps them in "../share/verbolin/icons" relative to it.

// True when the executable sits in an installed tree: nothing beside it but the share
// folder above it.
bool isInstalledLayout(const QString &executableFolder);

// The folder the icons are loaded from (it may not exist when the icons are missing).
QString iconsFolderFor(const QString &executableFolder);
