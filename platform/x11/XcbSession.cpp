#include "platform/x11/XcbSession.h"

#include <QGuiApplication>
#include <QHash>
#include <QtGui/qguiapplication_platform.h>

#include <X11/Xlib.h>
#include <xcb/xcb.h>

#include <cstdlib>

namespace {

QNativeInterface::QX11Application *x11() {
    if (!qGuiApp || QGuiApplication::platformName() != QLatin1String("xcb"))
        return nullptr;
    return qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
}

} // namespace

namespace XcbSession {

bool available() {
    return connection() != nullptr;
}

xcb_connection_t *connection() {
    QNativeInterface::QX11Application *app = x11();
    return app ? app->connection() : nullptr;
}

_XDisplay *display() {
    QNativeInterface::QX11Application *app = x11();
    return app ? app->display() : nullptr;
}

std::uint32_t rootWindow() {
    xcb_connection_t *c = connection();
    if (!c)
        return 0;
    if (_XDisplay *dpy = display())
        return static_cast<std::uint32_t>(DefaultRootWindow(dpy));
    const xcb_screen_t *screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    return screen ? screen->root : 0;
}

std::uint32_t atom(const char *name) {
    xcb_connection_t *c = connection();
    if (!c)
        return 0;
    static QHash<QByteArray, std::uint32_t> atoms;
    const QByteArray key(name);
    const auto found = atoms.constFind(key);
    if (found != atoms.constEnd())
        return *found;
    xcb_intern_atom_reply_t *reply = xcb_intern_atom_reply(
        c, xcb_intern_atom(c, 0, static_cast<std::uint16_t>(key.size()), name), nullptr);
    const std::uint32_t value = reply ? reply->atom : 0;
    std::free(reply);
    if (value)
        atoms.insert(key, value);
    return value;
}

} // namespace XcbSession
