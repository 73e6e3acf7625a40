#include "app/WindowPlacement.h"

#include "app/AppContext.h"
#include "app/ConfigStore.h"
#include "pickwindow/ShowWindow.h"

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

} // namespace

void showAtSavedPosition(QWidget *window) {
    if (const char *prefix = positionKeyPrefix(window)) {
        const QString key = QLatin1String(prefix);
        window->move(configInt(key + QStringLiteral("_x")), configInt(key + QStringLiteral("_y")));
    }
    showWindow(window);
}
