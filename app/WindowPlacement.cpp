#include "app/WindowPlacement.h"

#include "app/AppContext.h"
#include "app/ConfigStore.h"
#include "app/WindowReach.h"
#include "pickwindow/ActivationModel.h"

#include <QApplication>
#include <QCursor>
#include <QEvent>
#include <QHash>
#include <QJsonObject>
#include <QScreen>
#include <QWidget>

namespace {

// The config keys of a window's stored position.
const char *positionKeyPrefix(const QWidget *window) {
    const AppContext &c = appContext();
    if (window == c.pickWindow)
        return "chuangkou";
    if (window == c.settingsWindow)
        return "shezhichuangkou";
    if (window == c.addWindow.window)
        return "tianjiachuangkou";
    if (window == c.editWindow.window)
        return "xiugaichuangkou";
    return nullptr;
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
bool storePosition(const char *prefix, const QWidget *window) {
    const auto substitute = substitutePositions().constFind(window);
    if (substitute != substitutePositions().constEnd()) {
        if (*substitute == window->pos())
            return false;
        substitutePositions().erase(substitute);
    }
    const QString x = QLatin1String(prefix) + QStringLiteral("_x");
    const QString y = QLatin1String(prefix) + QStringLiteral("_y");
    QJsonObject &config = configObject();
    if (config.value(x) == QJsonValue(window->x()) && config.value(y) == QJsonValue(window->y()))
        return false;
    config.insert(x, window->x());
    config.insert(y, window->y());
    return true;
}

} // namespace

void moveToSavedPosition(QWidget *window) {
    const char *prefix = positionKeyPrefix(window);
    if (!prefix)
        return;
    const QString key = QLatin1String(prefix);
    const QPoint saved(configInt(key + QStringLiteral("_x")), configInt(key + QStringLiteral("_y")));
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
    if (pickWindow->isVisible() &&
        (configBool(QStringLiteral("zhiding")) || pickWindowOnTopCheck(pickWindow))) {
        if (QWidget *popup = QApplication::activePopupWidget())
            popup->close();
        pickWindow->close();
        return;
    }
    moveToSavedPosition(pickWindow);
    showPickWindowNoActivate(pickWindow);
}

WindowMoveFilter::WindowMoveFilter(QWidget *pickWindow, QWidget *settingsWindow, QWidget *addWindow,
                                   QWidget *editWindow, const QString &configPath, QObject *parent)
    : QObject(parent), pickWindow(pickWindow), settingsWindow(settingsWindow), addWindow(addWindow),
      editWindow(editWindow), configPath(configPath) {}

bool WindowMoveFilter::eventFilter(QObject *watched, QEvent *event) {
    if (event->type() == QEvent::Move) {
        // Showing a window sends moves to where it already is: only a new position is saved.
        bool changed = false;
        if (watched == pickWindow)
            changed = storePosition("chuangkou", pickWindow);
        else if (settingsWindow->isActiveWindow())
            changed = storePosition("shezhichuangkou", settingsWindow);
        else if (addWindow->isActiveWindow())
            changed = storePosition("tianjiachuangkou", addWindow);
        else if (editWindow->isActiveWindow())
            changed = storePosition("xiugaichuangkou", editWindow);
        if (changed)
            saveConfig(configPath);
    }
    return QObject::eventFilter(watched, event);
}
