#include "platform/wayland/KdeGlobalAccelHotkeys.h"

#include "platform/GlobalHotkey.h"
#include "platform/wayland/dbus/KdeGlobalAccel.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDeadlineTimer>
#include <QHash>
#include <QKeySequence>
#include <QPointer>

#include <cstdio>

namespace {

// How long a registration waits for the daemon; it answers in a moment when it is there.
constexpr int answerTimeoutMs = 1000;
// How long registrations are refused at once after the daemon did not answer.
constexpr int silentPauseMs = 10000;

struct Registry {
    QHash<GlobalHotkey *, QString> names; // owner -> the combination's portable text
    QPointer<KdeGlobalAccel> accel;
    // The daemon let a registration wait in vain: the next ones are not waited for until
    // this time (a hung daemon must not hold the program up once per phrase hotkey).
    QDeadlineTimer silentUntil;
};

Registry &registry() {
    static Registry r;
    return r;
}

QString nameOf(QKeyCombination combination) {
    return QKeySequence(combination).toString(QKeySequence::PortableText);
}

KdeGlobalAccel *accel() {
    Registry &r = registry();
    if (!r.accel && QCoreApplication::instance()) {
        r.accel = new KdeGlobalAccel(QStringLiteral("verbolin"), QStringLiteral("Verbolin"),
                                     QDBusConnection::sessionBus(), QCoreApplication::instance());
        QObject::connect(r.accel, &KdeGlobalAccel::activated, r.accel, [](const QString &name) {
            // Queued: a slot may delete hotkeys while this loop runs. Every owner of a shared
            // combination hears of it.
            const Registry &now = registry();
            for (auto it = now.names.cbegin(); it != now.names.cend(); ++it)
                if (it.value() == name)
                    QMetaObject::invokeMethod(it.key(), &GlobalHotkey::activated, Qt::QueuedConnection);
        });
    }
    return r.accel;
}

} // namespace

bool kdeglobalaccelhotkeys::available() {
    static const bool there = [] {
        QDBusConnection bus = QDBusConnection::sessionBus();
        if (!bus.isConnected())
            return false;
        QDBusMessage ask = QDBusMessage::createMethodCall(
            QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
            QStringLiteral("org.freedesktop.DBus"), QStringLiteral("NameHasOwner"));
        ask << QStringLiteral("org.kde.kglobalaccel");
        const QDBusMessage reply = bus.call(ask, QDBus::Block, answerTimeoutMs);
        return reply.type() == QDBusMessage::ReplyMessage && reply.arguments().value(0).toBool();
    }();
    return there;
}

bool kdeglobalaccelhotkeys::canMap(QKeyCombination combination) {
    // The daemon takes any key Qt names.
    return combination.key() != Qt::Key_unknown && !nameOf(combination).isEmpty();
}

bool kdeglobalaccelhotkeys::grab(GlobalHotkey *owner, QKeyCombination combination) {
    if (!canMap(combination) || !available())
        return false;
    KdeGlobalAccel *daemon = accel();
    if (!daemon)
        return false;
    Registry &r = registry();
    const QString name = nameOf(combination);
    // A combination this program holds already is shared: both owners fire.
    for (auto it = r.names.cbegin(); it != r.names.cend(); ++it) {
        if (it.value() == name) {
            r.names.insert(owner, name);
            return true;
        }
    }
    if (!r.silentUntil.hasExpired())
        return false;
    const KdeGlobalAccel::Answer answer =
        daemon->registerCombinationNow(name, combination, name, answerTimeoutMs);
    if (answer == KdeGlobalAccel::Answer::NoAnswer) {
        std::fprintf(stderr,
                     "verbolin: the desktop's global shortcut service did not answer; the hotkey %s is not "
                     "registered\n",
                     qPrintable(name));
        r.silentUntil = QDeadlineTimer(silentPauseMs);
    }
    if (answer != KdeGlobalAccel::Answer::Granted)
        return false;
    r.names.insert(owner, name);
    return true;
}

void kdeglobalaccelhotkeys::release(GlobalHotkey *owner) {
    Registry &r = registry();
    const auto it = r.names.constFind(owner);
    if (it == r.names.cend())
        return;
    const QString name = it.value();
    r.names.erase(it);
    for (const QString &other : std::as_const(r.names))
        if (other == name)
            return;
    if (r.accel)
        r.accel->unregisterCombination(name);
}
