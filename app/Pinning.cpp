#include "app/Pinning.h"

#include "app/Icons.h"
#include "app/WindowPlacement.h"
#include "library/AppContext.h"
#include "library/ConfigStore.h"
#include "library/Settings.h"
#include "pickwindow/ActivationModel.h"

#include <QPushButton>

void togglePin(QPushButton *pinButton) {
    const bool wasPinned = settings::isPinned();
    pinButton->setIcon(programIcon(wasPinned ? unpinnedIconFile : pinnedIconFile));
    pinButton->setToolTip(QStringLiteral("钉住/取消钉住窗口（ ` ）"));
    settings::setPinned(!wasPinned);
    saveConfig(appContext().configPath);
}

void onAlwaysOnTopToggled(bool on) {
    QWidget *pickWindow = appContext().pickWindow;
    settings::setAlwaysOnTop(on);
    // Changing the flags hides the window; it is shown again right below.
    pickWindow->setWindowFlag(Qt::WindowStaysOnTopHint, on);
    moveToSavedPosition(pickWindow);
    showWindow(pickWindow);
    saveConfig(appContext().configPath);
}
