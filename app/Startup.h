#pragma once

#include <QString>
#include <QStringList>

// Builds every store, window, filter and tray object in start-up order, on an existing
// application object, with the data files in the given folder; shows the pick window
// unless the arguments hold "--autostart" or "--hotkey".
void buildVerbolin(const QString &dataFolder, const QStringList &arguments);

// Takes down, while the application object still exists, what buildVerbolin made that the
// application's own end would take down too late: the tray icon (a child of the
// application, whose own window is gone by then) and its menu. Notices wait again.
void tearDownVerbolin();

// The whole program: single-instance guard, build, event loop.
int runVerbolin(int &argc, char **argv);
