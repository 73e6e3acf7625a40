#pragma once

#include "platform/wayland/dbus/PortalWire.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QDBusVirtualObject>
#include <QList>
#include <QStringList>
#include <QTimer>

// The desktop portal as the tests need it: RemoteDesktop and GlobalShortcuts with the
// Request/Response pattern, answering as told and recording what it was asked.
class FakePortal : public QDBusVirtualObject {
public:
    struct Key {
        QString method;
        int key;
        uint state;
    };

    // 0: the interface is not there.
    uint remoteDesktopVersion = 2;
    uint availableDeviceTypes = 3;
    uint globalShortcutsVersion = 1;
    // The answer to each request (0 granted, 1 cancelled, 2 other).
    uint createSessionAnswer = 0;
    uint selectDevicesAnswer = 0;
    uint startAnswer = 0;
    uint bindAnswer = 0;
    uint grantedDevices = 1;
    // Restore token given at Start when persistence was asked for.
    QString tokenToIssue = QStringLiteral("restore-1");
    // Answers nothing at all (a hung portal).
    bool hang = false;
    // How long the answer to Start takes (a user reading the consent dialog).
    int startDelayMs = 0;

    QStringList calls;
    QVariantMap selectDevicesOptions;
    QList<Key> keys;
    QList<PortalShortcutWireList> binds;
    QStringList sessions;
    QStringList closedSessions;

    explicit FakePortal(const QDBusConnection &bus) : m_bus(bus) {}

    bool install() {
        return m_bus.registerVirtualObject(PortalNames::objectPath(), this, QDBusConnection::SubPath) &&
               m_bus.registerService(PortalNames::service());
    }
    void uninstall() {
        m_bus.unregisterService(PortalNames::service());
        m_bus.unregisterObject(PortalNames::objectPath(), QDBusConnection::UnregisterTree);
    }

    QString lastSession() const { return sessions.value(sessions.size() - 1); }

    void closeSessionFromDesktop(const QString &session) {
        QDBusMessage signal =
            QDBusMessage::createSignal(session, PortalNames::session(), QStringLiteral("Closed"));
        signal << QVariantMap();
        m_bus.send(signal);
    }

    void activate(const QString &session, const QString &id) {
        QDBusMessage signal = QDBusMessage::createSignal(
            PortalNames::objectPath(), PortalNames::globalShortcuts(), QStringLiteral("Activated"));
        signal << QVariant::fromValue(QDBusObjectPath(session)) << id << qulonglong(1234) << QVariantMap();
        m_bus.send(signal);
    }

    QString introspect(const QString &) const override { return {}; }

    bool handleMessage(const QDBusMessage &message, const QDBusConnection &connection) override {
        if (hang)
            return true;
        const QString interface = message.interface();
        const QString member = message.member();
        const QList<QVariant> args = message.arguments();
        if (interface == PortalNames::properties() && member == QLatin1String("Get"))
            return property(message, args.value(0).toString(), args.value(1).toString());
        if (interface == PortalNames::session() && member == QLatin1String("Close")) {
            closedSessions << message.path();
            sessions.removeAll(message.path());
            connection.send(message.createReply());
            return true;
        }
        const bool offered = (interface == PortalNames::remoteDesktop() && remoteDesktopVersion > 0) ||
                             (interface == PortalNames::globalShortcuts() && globalShortcutsVersion > 0);
        if (!offered) {
            connection.send(message.createErrorReply(QDBusError::UnknownInterface, interface));
            return true;
        }
        calls << member;
        if (member == QLatin1String("NotifyKeyboardKeysym") ||
            member == QLatin1String("NotifyKeyboardKeycode")) {
            if (!sessions.contains(args.value(0).value<QDBusObjectPath>().path())) {
                connection.send(
                    message.createErrorReply(QDBusError::AccessDenied, QStringLiteral("no session")));
                return true;
            }
            keys.append({member, args.value(2).toInt(), args.value(3).toUInt()});
            connection.send(message.createReply());
            return true;
        }
        const QVariantMap options = qdbus_cast<QVariantMap>(args.value(args.size() - 1));
        QString sender = message.service().mid(1);
        sender.replace(QLatin1Char('.'), QLatin1Char('_'));
        const QString request = PortalNames::objectPath() + QStringLiteral("/request/") + sender +
                                QLatin1Char('/') + options.value(QStringLiteral("handle_token")).toString();
        uint answer = 2;
        QVariantMap results;
        if (member == QLatin1String("CreateSession")) {
            answer = createSessionAnswer;
            const QString session = PortalNames::objectPath() + QStringLiteral("/session/") + sender +
                                    QLatin1Char('/') +
                                    options.value(QStringLiteral("session_handle_token")).toString();
            if (answer == 0) {
                sessions << session;
                results.insert(QStringLiteral("session_handle"), session);
            }
        } else if (member == QLatin1String("SelectDevices")) {
            answer = selectDevicesAnswer;
            selectDevicesOptions = options;
        } else if (member == QLatin1String("Start")) {
            answer = startAnswer;
            results.insert(QStringLiteral("devices"), grantedDevices);
            if (selectDevicesOptions.value(QStringLiteral("persist_mode")).toUInt() == 2)
                results.insert(QStringLiteral("restore_token"), tokenToIssue);
        } else if (member == QLatin1String("BindShortcuts")) {
            answer = bindAnswer;
            const auto shortcuts = qdbus_cast<PortalShortcutWireList>(args.value(1));
            binds << shortcuts;
            PortalShortcutWireList bound;
            for (const PortalShortcutWire &shortcut : shortcuts)
                bound.append(
                    {shortcut.id,
                     {{QStringLiteral("description"),
                       shortcut.properties.value(QStringLiteral("description"))},
                      {QStringLiteral("trigger_description"),
                       QStringLiteral("Press ") +
                           shortcut.properties.value(QStringLiteral("preferred_trigger")).toString()}}});
            results.insert(QStringLiteral("shortcuts"), QVariant::fromValue(bound));
        }
        connection.send(message.createReply(QVariant::fromValue(QDBusObjectPath(request))));
        QDBusConnection bus = connection;
        const int delayMs = member == QLatin1String("Start") ? startDelayMs : 0;
        QTimer::singleShot(delayMs, [bus, request, answer, results]() mutable {
            QDBusMessage response =
                QDBusMessage::createSignal(request, PortalNames::request(), QStringLiteral("Response"));
            response << answer << results;
            bus.send(response);
        });
        return true;
    }

private:
    bool property(const QDBusMessage &message, const QString &interface, const QString &name) {
        QVariant value;
        if (interface == PortalNames::remoteDesktop() && remoteDesktopVersion > 0) {
            if (name == QLatin1String("version"))
                value = remoteDesktopVersion;
            else if (name == QLatin1String("AvailableDeviceTypes"))
                value = availableDeviceTypes;
        } else if (interface == PortalNames::globalShortcuts() && globalShortcutsVersion > 0) {
            if (name == QLatin1String("version"))
                value = globalShortcutsVersion;
        }
        if (!value.isValid())
            m_bus.send(message.createErrorReply(QDBusError::InvalidArgs, QStringLiteral("no such property")));
        else
            m_bus.send(message.createReply(QVariant::fromValue(QDBusVariant(value))));
        return true;
    }

    QDBusConnection m_bus;
};

// KDE's global accelerator daemon as the tests need it.
class FakeGlobalAccel : public QDBusVirtualObject {
public:
    // A daemon that knows only the older call with single keys.
    bool oldDaemon = false;
    // Keys another program holds: setting them gives no keys.
    QList<int> takenKeys;
    // A hung daemon: no answer to setting keys.
    bool silent = false;

    QList<QStringList> registeredActions;
    QMap<QString, int> keysByAction;
    QStringList unregistered;

    explicit FakeGlobalAccel(const QDBusConnection &bus) : m_bus(bus) {}

    bool install() {
        return m_bus.registerVirtualObject(QStringLiteral("/kglobalaccel"), this) &&
               m_bus.registerService(QStringLiteral("org.kde.kglobalaccel"));
    }
    void uninstall() {
        m_bus.unregisterService(QStringLiteral("org.kde.kglobalaccel"));
        m_bus.unregisterObject(QStringLiteral("/kglobalaccel"));
    }

    void press(const QString &component, const QString &action) {
        QDBusMessage signal = QDBusMessage::createSignal(QStringLiteral("/component/") + component,
                                                         QStringLiteral("org.kde.kglobalaccel.Component"),
                                                         QStringLiteral("globalShortcutPressed"));
        signal << component << action << qlonglong(99);
        m_bus.send(signal);
    }

    QString introspect(const QString &) const override { return {}; }

    bool handleMessage(const QDBusMessage &message, const QDBusConnection &connection) override {
        const QString member = message.member();
        const QList<QVariant> args = message.arguments();
        if (silent && member.startsWith(QLatin1String("setShortcut"))) {
            return true;
        } else if (member == QLatin1String("doRegister")) {
            registeredActions << args.value(0).toStringList();
            connection.send(message.createReply());
        } else if (member == QLatin1String("setShortcutKeys") && !oldDaemon) {
            const QStringList action = args.value(0).toStringList();
            const auto sequences = qdbus_cast<KeySequenceWireList>(args.value(1));
            const int key = sequences.value(0).keys[0];
            KeySequenceWireList granted;
            if (!takenKeys.contains(key)) {
                keysByAction.insert(action.value(1), key);
                granted = sequences;
            }
            connection.send(message.createReply(QVariant::fromValue(granted)));
        } else if (member == QLatin1String("setShortcut") && oldDaemon) {
            const QStringList action = args.value(0).toStringList();
            const auto keys = qdbus_cast<QList<int>>(args.value(1));
            QList<int> granted;
            if (!takenKeys.contains(keys.value(0))) {
                keysByAction.insert(action.value(1), keys.value(0));
                granted = keys;
            }
            connection.send(message.createReply(QVariant::fromValue(granted)));
        } else if (member == QLatin1String("getComponent")) {
            connection.send(message.createReply(QVariant::fromValue(
                QDBusObjectPath(QStringLiteral("/component/") + args.value(0).toString()))));
        } else if (member == QLatin1String("unregister")) {
            unregistered << args.value(1).toString();
            keysByAction.remove(args.value(1).toString());
            connection.send(message.createReply(true));
        } else {
            connection.send(message.createErrorReply(QDBusError::UnknownMethod, member));
        }
        return true;
    }

private:
    QDBusConnection m_bus;
};

// KDE Plasma's keyboard layout service: tells the layout in use and announces changes.
class FakeKeyboardLayouts : public QDBusVirtualObject {
public:
    uint layout = 0;

    explicit FakeKeyboardLayouts(const QDBusConnection &bus) : m_bus(bus) {}

    bool install() {
        return m_bus.registerVirtualObject(QStringLiteral("/Layouts"), this) &&
               m_bus.registerService(QStringLiteral("org.kde.keyboard"));
    }
    void uninstall() {
        m_bus.unregisterService(QStringLiteral("org.kde.keyboard"));
        m_bus.unregisterObject(QStringLiteral("/Layouts"));
    }

    void switchTo(uint index) {
        layout = index;
        QDBusMessage signal =
            QDBusMessage::createSignal(QStringLiteral("/Layouts"), QStringLiteral("org.kde.KeyboardLayouts"),
                                       QStringLiteral("layoutChanged"));
        signal << index;
        m_bus.send(signal);
    }

    QString introspect(const QString &) const override { return {}; }

    bool handleMessage(const QDBusMessage &message, const QDBusConnection &connection) override {
        if (message.member() == QLatin1String("getLayout"))
            connection.send(message.createReply(layout));
        else
            connection.send(message.createErrorReply(QDBusError::UnknownMethod, message.member()));
        return true;
    }

private:
    QDBusConnection m_bus;
};
