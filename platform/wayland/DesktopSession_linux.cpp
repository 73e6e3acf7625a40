// Linux: X11 serves every need itself; under Wayland the compositor is asked which of the
// protocols the program speaks it offers, and the session bus whether KDE's global
// accelerator daemon is there.
#include "platform/DesktopSession.h"

#include "platform/wayland/KdeGlobalAccelHotkeys.h"
#include "platform/wayland/WaylandOutput.h"

#include <QGuiApplication>

bool isWaylandSession() {
    return QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
}

SessionMechanisms sessionMechanisms() {
    SessionMechanisms m;
    if (!isWaylandSession()) {
        m.hotkeys = QStringLiteral("X11 key grabs");
        m.clipboard = QStringLiteral("the X11 clipboard");
        m.keys = QStringLiteral("XTest");
        return m;
    }
    const WaylandOutput *output = WaylandOutput::instance();
    m.automaticHotkeys = kdeglobalaccelhotkeys::available();
    m.hotkeys = m.automaticHotkeys
                    ? QStringLiteral("KGlobalAccel (org.kde.kglobalaccel)")
                    : QStringLiteral("none of the desktop's: bind \"verbolin --hotkey COMBINATION\" in its "
                                     "keyboard settings");
    m.clipboardWithoutFocus = output && output->hasDataControl();
    m.clipboard = m.clipboardWithoutFocus
                      ? QStringLiteral("data control (zwlr_data_control_manager_v1)")
                      : QStringLiteral("Qt's clipboard, only while a window of Verbolin has the focus");
    m.syntheticKeys = output && output->canSendKeys();
    m.keys = m.syntheticKeys ? output->keysMechanism() : QStringLiteral("none");
    return m;
}

int numberRowKey(quint32 nativeScanCode) {
    // X11 and Wayland key codes: the evdev code plus 8.
    constexpr quint32 first = 10; // the key of 1; the key of 0 follows the key of 9
    if (nativeScanCode < first || nativeScanCode > first + 9)
        return 0;
    return nativeScanCode == first + 9 ? Qt::Key_0 : Qt::Key_1 + int(nativeScanCode - first);
}
