#include "app/TrayIconSetup.h"

#include "app/Icons.h"
#include "app/SettingsWindowSetup.h"
#include "app/WindowPlacement.h"
#include "library/AppContext.h"

#include <QApplication>
#include <QMenu>
#include <QSystemTrayIcon>

void createTrayIcon(AppContext &c) {
    c.trayIcon = new QSystemTrayIcon(programIcon(appIconFile), qApp);
    QWidget *pickWindow = c.pickWindow;
    QObject::connect(c.trayIcon, &QSystemTrayIcon::activated, pickWindow,
                     [pickWindow](QSystemTrayIcon::ActivationReason reason) {
                         // A plain click always shows the window; the right button only opens the menu.
                         if (reason == QSystemTrayIcon::Trigger)
                             showAtSavedPosition(pickWindow);
                     });
    c.trayMenu = new QMenu;
    QAction *settings = c.trayMenu->addAction(QStringLiteral("设置"));
    QAction *quit = c.trayMenu->addAction(QStringLiteral("退出"));
    QObject::connect(settings, &QAction::triggered, c.trayMenu, &showSettingsWindow);
    QObject::connect(quit, &QAction::triggered, qApp, &QCoreApplication::quit);
    c.trayIcon->setContextMenu(c.trayMenu);
    c.trayIcon->show();
    c.trayIcon->setToolTip(QStringLiteral("Verbolin"));
}
