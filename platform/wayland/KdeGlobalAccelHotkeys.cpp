#include "platform/wayland/KdeGlobalAccelHotkeys.h"

#include "platform/GlobalHotkey.h"
#include "platform/HotkeyKeyMap.h"
#include "platform/wayland/HotkeyOwners.h"
#include "platform/wayland/dbus/KdeGlobalAccel.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDeadlineTimer>
#include <QHash>
#include <QPointer>

#include <algorithm>
#include <cstdio>

namespace {

// How long a registration waits for the daemon; it answers in a moment when it is there.
constexpr int answerTimeoutMs = 1000;
// How long registrations are refused at once after the daemon did not answer.
constexpr int silentPauseMs = 10000;

struct Registry {
    HotkeyOwners owners;
    QPointer<KdeGlobalAccel> accel;
    // The daemon let a registration wait in vain: the next ones are not waited for until
    // this time (a hung daemon must not hold the program up once per phrase hotkey).
    QDeadlineTimer silentUntil;
};

Registry &registry() {
    static Registry r;
    return r;
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
            for (GlobalHotkey *owner : now.owners.ownersOf(name))
                QMetaObject::invokeMethod(owner, &GlobalHotkey::activated, Qt::QueuedConnection);
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
    return combination.key() != Qt::Key_unknown && !HotkeyOwners::nameOf(combination).isEmpty();
}

bool kdeglobalaccelhotkeys::grab(GlobalHotkey *owner, QKeyCombination combination) {
    if (!canMap(combination) || !available())
        return false;
    KdeGlobalAccel *daemon = accel();
    if (!daemon)
        return false;
    Registry &r = registry();
    const QString name = HotkeyOwners::nameOf(combination);
    // A combination this program holds already is shared: both owners fire.
    if (r.owners.holds(name)) {
        r.owners.add(owner, name, combination);
        return true;
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
    r.owners.add(owner, name, combination);
    return true;
}

void kdeglobalaccelhotkeys::release(GlobalHotkey *owner) {
    Registry &r = registry();
    const QString name = r.owners.remove(owner);
    if (!name.isEmpty() && r.accel)
        r.accel->unregisterCombination(name);
}

namespace {

// Whether pressing the virtual key with these modifiers fires the combination.
bool fires(const KeyPressCombination &press, QKeyCombination combination) {
    const Qt::KeyboardModifiers modifiers = combination.keyboardModifiers();
    unsigned wanted = 0;
    wanted |= modifiers.testFlag(Qt::ShiftModifier) ? unsigned(KeyPressCombination::Shift) : 0u;
    wanted |= modifiers.testFlag(Qt::ControlModifier) ? unsigned(KeyPressCombination::Control) : 0u;
    wanted |= modifiers.testFlag(Qt::AltModifier) ? unsigned(KeyPressCombination::Alt) : 0u;
    wanted |= modifiers.testFlag(Qt::MetaModifier) ? unsigned(KeyPressCombination::Meta) : 0u;
    return press.modifiers == wanted && press.virtualKey != 0 &&
           press.virtualKey == windowsHotkeyKey(combination.key(), modifiers).virtualKey;
}

} // namespace

QStringList kdeglobalaccelhotkeys::suspend(const std::vector<KeyPressCombination> &presses) {
    Registry &r = registry();
    QStringList suspended;
    if (!r.accel)
        return suspended;
    for (auto it = r.owners.combinations().cbegin(); it != r.owners.combinations().cend(); ++it) {
        const QKeyCombination combination = it.value();
        if (std::none_of(presses.cbegin(), presses.cend(),
                         [combination](const KeyPressCombination &p) { return fires(p, combination); }))
            continue;
        r.accel->unregisterCombinationNow(it.key(), answerTimeoutMs);
        suspended.append(it.key());
    }
    return suspended;
}

void kdeglobalaccelhotkeys::resume(const QStringList &names) {
    Registry &r = registry();
    for (const QString &name : names) {
        // Released meanwhile: nothing to take back.
        if (!r.owners.holds(name) || !r.accel)
            continue;
        // Another program may have taken the combination in the moment it was free: then it
        // stays with that program, as a refused registration would.
        if (r.accel->registerCombinationNow(name, r.owners.combinations().value(name), name,
                                            answerTimeoutMs) != KdeGlobalAccel::Answer::Granted)
            std::fprintf(stderr, "verbolin: the hotkey %s could not be registered again\n", qPrintable(name));
    }
}
