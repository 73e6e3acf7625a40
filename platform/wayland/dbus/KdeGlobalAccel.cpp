#include "KdeGlobalAccel.h"

#include "PortalWire.h"

#include <QDBusError>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QPointer>

namespace {
QString service() {
    return QStringLiteral("org.kde.kglobalaccel");
}
QString objectPath() {
    return QStringLiteral("/kglobalaccel");
}
QString interface() {
    return QStringLiteral("org.kde.KGlobalAccel");
}
QString componentInterface() {
    return QStringLiteral("org.kde.kglobalaccel.Component");
}

// Flags of the daemon's set call: the action is present now, and the keys given are the
// ones to use (not those the daemon remembers from an earlier run).
constexpr uint setPresent = 2;
constexpr uint noAutoloading = 4;
} // namespace

KdeGlobalAccel::KdeGlobalAccel(const QString &componentUnique, const QString &componentFriendly,
                               const QDBusConnection &bus, QObject *parent)
    : QObject(parent), m_bus(bus), m_component(componentUnique), m_componentFriendly(componentFriendly) {
    registerPortalWireTypes();
}

KdeGlobalAccel::~KdeGlobalAccel() {
    const QStringList names = m_keys.keys();
    for (const QString &name : names)
        unregisterCombination(name);
    if (m_listening)
        m_bus.disconnect(service(), m_componentPath, componentInterface(),
                         QStringLiteral("globalShortcutPressed"), this,
                         SLOT(onPressed(QString, QString, qlonglong)));
}

QStringList KdeGlobalAccel::actionId(const QString &combination, const QString &friendlyName) const {
    return {m_component, combination, m_componentFriendly,
            friendlyName.isEmpty() ? combination : friendlyName};
}

void KdeGlobalAccel::registerCombination(const QString &combination, QKeyCombination keys,
                                         const QString &friendlyName) {
    const int qtKeyCombination = keys.toCombined();
    m_keys.insert(combination, qtKeyCombination);
    const QStringList action = actionId(combination, friendlyName);
    QDBusMessage doRegister =
        QDBusMessage::createMethodCall(service(), objectPath(), interface(), QStringLiteral("doRegister"));
    doRegister << action;
    m_bus.asyncCall(doRegister);
    // The daemon handles one caller's messages in order: the set follows the register.
    setKeys(combination, action, qtKeyCombination, false);
}

QDBusMessage KdeGlobalAccel::setKeysCall(const QStringList &action, int qtKeyCombination,
                                         bool oldMethod) const {
    QDBusMessage call;
    if (oldMethod) {
        // Daemons before the key-sequence call take a list of single keys.
        call = QDBusMessage::createMethodCall(service(), objectPath(), interface(),
                                              QStringLiteral("setShortcut"));
        call << action << QVariant::fromValue(QList<int>{qtKeyCombination}) << (setPresent | noAutoloading);
    } else {
        KeySequenceWire sequence;
        sequence.keys[0] = qtKeyCombination;
        call = QDBusMessage::createMethodCall(service(), objectPath(), interface(),
                                              QStringLiteral("setShortcutKeys"));
        call << action << QVariant::fromValue(KeySequenceWireList{sequence}) << (setPresent | noAutoloading);
    }
    return call;
}

bool KdeGlobalAccel::granted(const QDBusMessage &reply, int qtKeyCombination, bool oldMethod) {
    const QVariant value = reply.arguments().value(0);
    if (oldMethod)
        return qdbus_cast<QList<int>>(value).contains(qtKeyCombination);
    bool given = false;
    for (const KeySequenceWire &sequence : qdbus_cast<KeySequenceWireList>(value))
        given = given || sequence.keys[0] == qtKeyCombination;
    return given;
}

void KdeGlobalAccel::setKeys(const QString &combination, const QStringList &action, int qtKeyCombination,
                             bool oldMethod) {
    auto *watcher =
        new QDBusPendingCallWatcher(m_bus.asyncCall(setKeysCall(action, qtKeyCombination, oldMethod)), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, watcher, combination, action, qtKeyCombination, oldMethod] {
                watcher->deleteLater();
                // Dropped or replaced while the daemon answered: the newer call reports.
                if (m_keys.value(combination, 0) != qtKeyCombination)
                    return;
                const QDBusMessage reply = watcher->reply();
                if (reply.type() == QDBusMessage::ErrorMessage) {
                    if (!oldMethod &&
                        reply.errorName() == QDBusError::errorString(QDBusError::UnknownMethod)) {
                        setKeys(combination, action, qtKeyCombination, true);
                        return;
                    }
                    m_keys.remove(combination);
                    emit registered(combination, false);
                    return;
                }
                if (!granted(reply, qtKeyCombination, oldMethod)) {
                    // Held by another program: leave no half-registered action behind.
                    unregisterCombination(combination);
                    emit registered(combination, false);
                    return;
                }
                listenToComponent();
                emit registered(combination, true);
            });
}

KdeGlobalAccel::Answer KdeGlobalAccel::registerCombinationNow(const QString &combination,
                                                              QKeyCombination keys,
                                                              const QString &friendlyName, int timeoutMs) {
    const int qtKeyCombination = keys.toCombined();
    m_keys.insert(combination, qtKeyCombination);
    const QStringList action = actionId(combination, friendlyName);
    QDBusMessage doRegister =
        QDBusMessage::createMethodCall(service(), objectPath(), interface(), QStringLiteral("doRegister"));
    doRegister << action;
    // One caller's messages are handled in order: the set follows the register.
    m_bus.asyncCall(doRegister);
    QDBusMessage reply = m_bus.call(setKeysCall(action, qtKeyCombination, false), QDBus::Block, timeoutMs);
    bool oldMethod = false;
    if (reply.type() == QDBusMessage::ErrorMessage &&
        reply.errorName() == QDBusError::errorString(QDBusError::UnknownMethod)) {
        oldMethod = true;
        reply = m_bus.call(setKeysCall(action, qtKeyCombination, true), QDBus::Block, timeoutMs);
    }
    if (reply.type() != QDBusMessage::ReplyMessage || !granted(reply, qtKeyCombination, oldMethod)) {
        // Refused, held by another program or no answer in time: nothing left half-registered.
        unregisterCombination(combination);
        const bool silent = reply.type() == QDBusMessage::ErrorMessage &&
                            (reply.errorName() == QDBusError::errorString(QDBusError::NoReply) ||
                             reply.errorName() == QDBusError::errorString(QDBusError::Timeout));
        return silent ? Answer::NoAnswer : Answer::Refused;
    }
    listenToComponent();
    return Answer::Granted;
}

void KdeGlobalAccel::listenToComponent() {
    if (m_listening)
        return;
    m_listening = true;
    QDBusMessage call =
        QDBusMessage::createMethodCall(service(), objectPath(), interface(), QStringLiteral("getComponent"));
    call << m_component;
    auto *watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, watcher] {
        watcher->deleteLater();
        QDBusPendingReply<QDBusObjectPath> reply = *watcher;
        if (reply.isError()) {
            m_listening = false;
            return;
        }
        m_componentPath = reply.value().path();
        m_bus.connect(service(), m_componentPath, componentInterface(),
                      QStringLiteral("globalShortcutPressed"), this,
                      SLOT(onPressed(QString, QString, qlonglong)));
    });
}

void KdeGlobalAccel::unregisterCombination(const QString &combination) {
    m_keys.remove(combination);
    QDBusMessage call =
        QDBusMessage::createMethodCall(service(), objectPath(), interface(), QStringLiteral("unregister"));
    call << m_component << combination;
    m_bus.asyncCall(call);
}

bool KdeGlobalAccel::unregisterCombinationNow(const QString &combination, int timeoutMs) {
    m_keys.remove(combination);
    QDBusMessage call =
        QDBusMessage::createMethodCall(service(), objectPath(), interface(), QStringLiteral("unregister"));
    call << m_component << combination;
    return m_bus.call(call, QDBus::Block, timeoutMs).type() == QDBusMessage::ReplyMessage;
}

void KdeGlobalAccel::onPressed(const QString &component, const QString &action, qlonglong timestamp) {
    Q_UNUSED(timestamp);
    if (component == m_component && m_keys.contains(action))
        emit activated(action);
}
