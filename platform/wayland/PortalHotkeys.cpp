#include "platform/wayland/PortalHotkeys.h"

#include "platform/GlobalHotkey.h"
#include "platform/HotkeyRefusal.h"
#include "platform/wayland/HotkeyOwners.h"
#include "platform/wayland/dbus/PortalGlobalShortcuts.h"
#include "platform/wayland/dbus/PortalWire.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QHash>
#include <QMap>
#include <QPointer>
#include <QTimer>

#include <cstdio>

namespace {

constexpr int answerTimeoutMs = 1000;

struct Registry {
    HotkeyOwners owners; // a combination's portable text is its shortcut's id
    QPointer<PortalGlobalShortcuts> portal;
    bool bindQueued = false;
};

Registry &registry() {
    static Registry r;
    return r;
}

PortalGlobalShortcuts *portal() {
    Registry &r = registry();
    if (r.portal || !QCoreApplication::instance())
        return r.portal;
    r.portal = new PortalGlobalShortcuts(QDBusConnection::sessionBus(), QCoreApplication::instance());
    QObject::connect(r.portal, &PortalGlobalShortcuts::activated, r.portal, [](const QString &id) {
        // Queued: a slot may delete hotkeys while this loop runs.
        const Registry &now = registry();
        for (GlobalHotkey *owner : now.owners.ownersOf(id))
            QMetaObject::invokeMethod(owner, &GlobalHotkey::activated, Qt::QueuedConnection);
    });
    QObject::connect(r.portal, &PortalGlobalShortcuts::bound, r.portal,
                     [](const QMap<QString, QString> &triggers) {
                         for (auto it = triggers.cbegin(); it != triggers.cend(); ++it)
                             std::fprintf(stderr, "verbolin: the desktop bound the hotkey %s to %s\n",
                                          qPrintable(it.key()), qPrintable(it.value()));
                     });
    QObject::connect(r.portal, &PortalGlobalShortcuts::refused, r.portal, &reportHotkeyRefusal);
    QObject::connect(r.portal, &PortalGlobalShortcuts::unavailable, r.portal, &reportHotkeyRefusal);
    return r.portal;
}

// Binds the set as it stands once the current pass of the event loop is over: the
// grabs and releases of one change (the settings, the start-up) make one request.
void bindLater() {
    Registry &r = registry();
    if (r.bindQueued || !portal())
        return;
    r.bindQueued = true;
    QTimer::singleShot(0, r.portal, [] {
        Registry &now = registry();
        now.bindQueued = false;
        QList<PortalGlobalShortcuts::Shortcut> shortcuts;
        for (auto it = now.owners.combinations().cbegin(); it != now.owners.combinations().cend(); ++it)
            shortcuts.append({it.key(), QStringLiteral("Verbolin: ") + it.key(),
                              PortalGlobalShortcuts::triggerFor(it.value())});
        now.portal->setShortcuts(shortcuts);
    });
}

} // namespace

bool portalhotkeys::available() {
    static const bool there = [] {
        QDBusConnection bus = QDBusConnection::sessionBus();
        if (!bus.isConnected())
            return false;
        QDBusMessage ask = QDBusMessage::createMethodCall(PortalNames::service(), PortalNames::objectPath(),
                                                          PortalNames::properties(), QStringLiteral("Get"));
        ask << PortalNames::globalShortcuts() << QStringLiteral("version");
        const QDBusMessage reply = bus.call(ask, QDBus::Block, answerTimeoutMs);
        return reply.type() == QDBusMessage::ReplyMessage &&
               reply.arguments().value(0).value<QDBusVariant>().variant().toUInt() > 0;
    }();
    return there;
}

bool portalhotkeys::canMap(QKeyCombination combination) {
    return combination.key() != Qt::Key_unknown && !PortalGlobalShortcuts::triggerFor(combination).isEmpty();
}

bool portalhotkeys::grab(GlobalHotkey *owner, QKeyCombination combination) {
    if (!canMap(combination) || !available())
        return false;
    Registry &r = registry();
    const QString name = HotkeyOwners::nameOf(combination);
    if (r.owners.add(owner, name, combination))
        bindLater();
    return true;
}

void portalhotkeys::release(GlobalHotkey *owner) {
    if (!registry().owners.remove(owner).isEmpty())
        bindLater();
}
