#include "DesktopServiceProbe.h"

#include "PortalWire.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusVariant>
#include <QPointer>
#include <QTimer>

#include <memory>

void readPortalProperty(const QDBusConnection &bus, const QString &interface, const QString &property,
                        int timeoutMs, QObject *context, std::function<void(uint value)> done) {
    QDBusMessage get = QDBusMessage::createMethodCall(PortalNames::service(), PortalNames::objectPath(),
                                                      PortalNames::properties(), QStringLiteral("Get"));
    get << interface << property;
    auto *watcher = new QDBusPendingCallWatcher(bus.asyncCall(get, timeoutMs), context);
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, context, [watcher, done] {
        watcher->deleteLater();
        QDBusPendingReply<QDBusVariant> reply = *watcher;
        uint value = 0;
        if (!reply.isError()) {
            bool ok = false;
            value = reply.value().variant().toUInt(&ok);
            if (!ok)
                value = 0;
        }
        done(value);
    });
}

namespace {

struct ProbeState {
    DesktopServices services;
    int pending = 0;
    bool finished = false;
    std::function<void(const DesktopServices &)> done;

    void finish() {
        if (finished)
            return;
        finished = true;
        done(services);
    }
    void oneAnswered() {
        if (--pending == 0)
            finish();
    }
};

} // namespace

void probeDesktopServices(const QDBusConnection &bus, int timeoutMs, QObject *context,
                          std::function<void(const DesktopServices &)> done) {
    auto state = std::make_shared<ProbeState>();
    state->done = std::move(done);
    state->pending = 4;

    // Every call carries the timeout; the guard below also covers a bus that does not
    // answer at all.
    auto *guard = new QTimer(context);
    guard->setSingleShot(true);
    QObject::connect(guard, &QTimer::timeout, context, [state, guard] {
        guard->deleteLater();
        state->finish();
    });
    guard->start(timeoutMs + 100);

    QDBusMessage hasOwner = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("NameHasOwner"));
    hasOwner << QStringLiteral("org.kde.kglobalaccel");
    auto *watcher = new QDBusPendingCallWatcher(bus.asyncCall(hasOwner, timeoutMs), context);
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, context, [state, watcher] {
        watcher->deleteLater();
        QDBusPendingReply<bool> reply = *watcher;
        if (!state->finished)
            state->services.kdeGlobalAccel = !reply.isError() && reply.value();
        state->oneAnswered();
    });

    readPortalProperty(bus, PortalNames::remoteDesktop(), QStringLiteral("version"), timeoutMs, context,
                       [state](uint version) {
                           if (!state->finished)
                               state->services.remoteDesktopVersion = version;
                           state->oneAnswered();
                       });
    readPortalProperty(bus, PortalNames::remoteDesktop(), QStringLiteral("AvailableDeviceTypes"), timeoutMs,
                       context, [state](uint types) {
                           if (!state->finished)
                               state->services.remoteDesktopDeviceTypes = types;
                           state->oneAnswered();
                       });
    readPortalProperty(bus, PortalNames::globalShortcuts(), QStringLiteral("version"), timeoutMs, context,
                       [state](uint version) {
                           if (!state->finished)
                               state->services.globalShortcutsVersion = version;
                           state->oneAnswered();
                       });
}
