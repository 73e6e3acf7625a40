#include "app/WindowPlacement.h"

#include "app/AppContext.h"
#include "app/ConfigStore.h"
#include "pickwindow/ActivationModel.h"

#include <QApplication>
#include <QEvent>
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

// Returns whether the stored position changed.
bool storePosition(const char *prefix, const QWidget *window) {
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

void showAtSavedPosition(QWidget *window) {
    if (const char *prefix = positionKeyPrefix(window)) {
        const QString key = QLatin1String(prefix);
        window->move(configInt(key + QStringLiteral("_x")), configInt(key + QStringLiteral("_y")));
    }
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
    pickWindow->move(configInt(QStringLiteral("chuangkou_x")), configInt(QStringLiteral("chuangkou_y")));
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
