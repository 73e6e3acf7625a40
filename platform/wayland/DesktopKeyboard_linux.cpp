// Linux: under Wayland, a compositor without a virtual keyboard (GNOME) sends keys only for
// the desktop portal's RemoteDesktop session.
#include "platform/DesktopKeyboard.h"
#include "platform/DesktopSession.h"
#include "platform/wayland/DesktopKeyboardPortal.h"
#include "platform/wayland/SeatKeymap.h"
#include "platform/wayland/WaylandOutput.h"
#include "platform/wayland/dbus/PortalKeyOutput.h"

#include <QCoreApplication>

#include <cstdio>

namespace {
PortalKeyOutput *portalKeyboard = nullptr;
} // namespace

PortalKeyOutput *desktopPortalKeyboard() {
    return portalKeyboard;
}

void startDesktopKeyboard(DesktopKeyboardHooks hooks) {
    if (portalKeyboard || !isWaylandSession())
        return;
    const WaylandOutput *output = WaylandOutput::instance();
    // The compositor's own ways (virtual keyboard, fake input) need no consent.
    if (output && output->canSendKeys())
        return;
    portalKeyboard = new PortalKeyOutput(QDBusConnection::sessionBus(), QCoreApplication::instance());
    // The layouts as the compositor tells them to our own connection (and again when they change).
    portalKeyboard->setLayoutProbe([](quint32 keysym) {
        const WaylandOutput *output = WaylandOutput::instance();
        return keymapTextCarries(output ? output->compositorKeymap() : QByteArray(), keysym);
    });
    QObject::connect(portalKeyboard, &PortalKeyOutput::ready, portalKeyboard, [] {
        std::fprintf(stderr, "verbolin: keys: the desktop portal's RemoteDesktop keyboard is ready\n");
    });
    QObject::connect(
        portalKeyboard, &PortalKeyOutput::keysDropped, portalKeyboard, [](int events, const QString &reason) {
            std::fprintf(stderr, "verbolin: %d key events not sent: %s\n", events, qPrintable(reason));
        });
    startWithHooks(portalKeyboard, hooks);
}
