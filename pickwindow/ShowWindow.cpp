#include "pickwindow/ShowWindow.h"

#include "app/AppContext.h"

#include <QWidget>

void showPickWindowNoActivate(QWidget *window) {
    window->setAttribute(Qt::WA_ShowWithoutActivating);
    if (!window->isVisible())
        window->show();
    window->raise();
}

void showWindow(QWidget *window) {
    if (window == appContext().pickWindow) {
        showPickWindowNoActivate(window);
        return;
    }
    if (window->isHidden())
        window->show();
    window->activateWindow();
}
