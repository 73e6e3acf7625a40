#include "app/WindowPlacement.h"

#include "app/WindowReach.h"
#include "library/AppContext.h"
#include "library/ConfigStore.h"
#include "library/Settings.h"
#include "pickwindow/ActivationModel.h"

#include <QApplication>
#include <QCursor>
#include <QEvent>
#include <QHash>
#include <QScreen>
#include <QWidget>

#include <optional>

namespace {

// Which stored position belongs to a window; none for the windows that have none.
std::optional<settings::SavedWindow> savedWindowOf(const QWidget *window) {
    const AppContext &c = appContext();
    if (window == c.pickWindow)
        return settings::SavedWindow::Pick;
    if (window == c.settingsWindow)
        return settings::SavedWindow::Settings;
    if (window == c.addWindow.window)
        return settings::SavedWindow::Add;
    if (window == c.editWindow.window)
        return settings::SavedWindow::Edit;
    return std::nullopt;
}

// Windows the program put elsewhere than their saved, out-of-reach position, and where.
// Until the user moves such a window, its saved position stays as it is: the screen it
// belongs to may come back.
QHash<const QWidget *, QPoint> &substitutePositions() {
    static QHash<const QWidget *, QPoint> positions;
    return positions;
}

ScreenArea areaOf(const QScreen *screen) {
    return {screen->geometry(), screen->availableGeometry()};
}

QList<ScreenArea> screenAreas() {
    QList<ScreenArea> areas;
    for (const QScreen *screen : QGuiApplication::screens())
        areas.append(areaOf(screen));
    return areas;
}

// Returns whether the stored position changed. Nothing is stored while the window still
// stands where the program put it in place of its saved position.
bool storePosition(settings::SavedWindow which, const QWidget *window) {
    const auto substitute = substitutePositions().constFind(window);
    if (substitute != substitutePositions().constEnd()) {
        if (*substitute == window->pos())
            return false;
        substitutePositions().erase(substitute);
    }
    return settings::setSavedPosition(which, window->pos());
}

} // namespace

void moveToSavedPosition(QWidget *window) {
    const std::optional<settings::SavedWindow> which = savedWindowOf(window);
    if (!which)
        return;
    const QPoint saved = settings::savedPosition(*which);
    const QScreen *mouseScreen = QGuiApplication::screenAt(QCursor::pos());
    if (!mouseScreen)
        mouseScreen = QGuiApplication::primaryScreen();
    // Without any screen there is nothing to measure against.
    if (!mouseScreen) {
        window->move(saved);
        return;
    }
    // The windows other than the pick window open beside it on a new install.
    const int besideOffset = window == appContext().pickWindow ? 0 : 501;
    const QPoint position = reachablePosition(saved, window->frameGeometry().size(), screenAreas(),
                                              areaOf(mouseScreen), besideOffset);
    if (position == saved)
        substitutePositions().remove(window);
    else
        substitutePositions().insert(window, position);
    window->move(position);
}

void showAtSavedPosition(QWidget *window) {
    moveToSavedPosition(window);
    showWindow(window);
}

bool (*pickWindowOnTopCheck)(QWidget *window) = &isOnTopAtCentre;

void toggleFromGlobalHotkey() {
    QWidget *pickWindow = appContext().pickWindow;
    if (pickWindow->isVisible() && (settings::alwaysOnTop() || pickWindowOnTopCheck(pickWindow))) {
        if (QWidget *popup = QApplication::activePopupWidget())
            popup->close();
        pickWindow->close();
        return;
    }
    moveToSavedPosition(pickWindow);
    showPickWindowNoActivate(pickWindow);
}

WindowMoveFilter::WindowMoveFilter(const QString &configPath, QObject *parent)
    : QObject(parent), configPath(configPath) {}

namespace {

bool isActive(const QWidget *window) {
    // Windows built on first use may not exist yet.
    return window && window->isActiveWindow();
}

} // namespace

bool WindowMoveFilter::eventFilter(QObject *watched, QEvent *event) {
    if (event->type() == QEvent::Move) {
        // Showing a window sends moves to where it already is: only a new position is saved.
        const AppContext &c = appContext();
        bool changed = false;
        if (watched == c.pickWindow)
            changed = storePosition(settings::SavedWindow::Pick, c.pickWindow);
        else if (isActive(c.settingsWindow))
            changed = storePosition(settings::SavedWindow::Settings, c.settingsWindow);
        else if (isActive(c.addWindow.window))
            changed = storePosition(settings::SavedWindow::Add, c.addWindow.window);
        else if (isActive(c.editWindow.window))
            changed = storePosition(settings::SavedWindow::Edit, c.editWindow.window);
        if (changed)
            saveConfig(configPath);
    }
    return QObject::eventFilter(watched, event);
}
