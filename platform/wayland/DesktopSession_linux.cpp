// Linux: X11 serves every need itself; under Wayland the compositor is asked which of the
// protocols the program speaks it offers, and the session bus whether KDE's global
// accelerator daemon is there.
#include "platform/DesktopSession.h"

#include "platform/wayland/DesktopKeyboardPortal.h"
#include "platform/wayland/GnomeCustomShortcuts.h"
#include "platform/wayland/KdeGlobalAccelHotkeys.h"
#include "platform/wayland/PortalHotkeys.h"
#include "platform/wayland/WaylandOutput.h"
#include "platform/wayland/dbus/PortalKeyOutput.h"

#include <QGuiApplication>

namespace {

// Keys through the keyboard the desktop portal lends, once asked for (startDesktopKeyboard).
void describePortalKeyboard(SessionMechanisms &m) {
    const PortalKeyOutput *portal = desktopPortalKeyboard();
    if (!portal)
        return;
    const QString name = QStringLiteral("the desktop portal's RemoteDesktop keyboard");
    switch (portal->state()) {
    case PortalKeyOutput::State::Ready:
        m.syntheticKeys = true;
        m.keys = name;
        break;
    case PortalKeyOutput::State::Idle:
    case PortalKeyOutput::State::Starting:
        // Told again once the desktop answers; a refusal is told to the user then.
        m.syntheticKeys = true;
        m.keys = name + QStringLiteral(" (asked for, waiting for the desktop's answer)");
        break;
    case PortalKeyOutput::State::Unusable:
        m.keys = QStringLiteral("none (") + name + QStringLiteral(" was refused or is not there)");
        break;
    }
}

} // namespace

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
    if (kdeglobalaccelhotkeys::available())
        m.hotkeys = QStringLiteral("KGlobalAccel (org.kde.kglobalaccel)");
    else if (portalhotkeys::available())
        m.hotkeys = QStringLiteral("the desktop portal's GlobalShortcuts (the desktop may ask you once)");
    m.automaticHotkeys = !m.hotkeys.isEmpty();
    if (!m.automaticHotkeys)
        m.hotkeys = QStringLiteral("none of the desktop's: bind \"verbolin --hotkey COMBINATION\" in its "
                                   "keyboard settings");
    m.clipboardWithoutFocus = output && output->hasDataControl();
    m.clipboard = m.clipboardWithoutFocus
                      ? QStringLiteral("data control (zwlr_data_control_manager_v1)")
                      : QStringLiteral("Qt's clipboard, set by a window of Verbolin that takes the focus for "
                                       "a moment");
    m.syntheticKeys = output && output->canSendKeys();
    m.keys = m.syntheticKeys ? output->keysMechanism() : QStringLiteral("none");
    if (!m.syntheticKeys)
        describePortalKeyboard(m);
    return m;
}

QStringList desktopShortcutCommands() {
    if (!isWaylandSession() ||
        !qEnvironmentVariable("XDG_CURRENT_DESKTOP").split(u':').contains(QLatin1String("GNOME")))
        return {};
    return gnomeshortcuts::customShortcutCommands();
}

int numberRowKey(quint32 nativeScanCode) {
    // X11 and Wayland key codes: the evdev code plus 8.
    constexpr quint32 first = 10; // the key of 1; the key of 0 follows the key of 9
    if (nativeScanCode < first || nativeScanCode > first + 9)
        return 0;
    return nativeScanCode == first + 9 ? Qt::Key_0 : Qt::Key_1 + int(nativeScanCode - first);
}
