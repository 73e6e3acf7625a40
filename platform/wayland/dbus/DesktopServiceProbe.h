#pragma once

#include <QDBusConnection>
#include <QObject>

#include <functional>

// What the session bus offers for global shortcuts and synthetic keys under Wayland.
// A version of 0 means the interface is not there.
struct DesktopServices {
    bool kdeGlobalAccel = false;       // org.kde.kglobalaccel has an owner now
    uint remoteDesktopVersion = 0;     // org.freedesktop.portal.RemoteDesktop
    uint remoteDesktopDeviceTypes = 0; // its AvailableDeviceTypes (1 keyboard, 2 pointer, 4 touch)
    uint globalShortcutsVersion = 0;   // org.freedesktop.portal.GlobalShortcuts

    bool hasRemoteKeyboard() const { return remoteDesktopVersion > 0 && (remoteDesktopDeviceTypes & 1u); }
    bool none() const { return !kdeGlobalAccel && remoteDesktopVersion == 0 && globalShortcutsVersion == 0; }
};

// Asks the bus, without blocking, which of the services above are there, and calls `done`
// once, on the context's thread, with the answer. A service that does not answer within
// `timeoutMs` counts as absent, so a hung or slowly starting portal never holds up the
// start-up. Nothing is called if the context is gone first.
void probeDesktopServices(const QDBusConnection &bus, int timeoutMs, QObject *context,
                          std::function<void(const DesktopServices &)> done);

// Reads one unsigned property of the portal object; `done` gets 0 when the interface or
// property is missing, the portal is not running, or no answer comes within `timeoutMs`.
void readPortalProperty(const QDBusConnection &bus, const QString &interface, const QString &property,
                        int timeoutMs, QObject *context, std::function<void(uint value)> done);
