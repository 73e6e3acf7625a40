#pragma once

#include <QDBusArgument>
#include <QList>
#include <QString>
#include <QVariantMap>

#include <array>

// Names of the desktop portal on the session bus.
namespace PortalNames {
inline QString service() {
    return QStringLiteral("org.freedesktop.portal.Desktop");
}
inline QString objectPath() {
    return QStringLiteral("/org/freedesktop/portal/desktop");
}
inline QString remoteDesktop() {
    return QStringLiteral("org.freedesktop.portal.RemoteDesktop");
}
inline QString globalShortcuts() {
    return QStringLiteral("org.freedesktop.portal.GlobalShortcuts");
}
inline QString request() {
    return QStringLiteral("org.freedesktop.portal.Request");
}
inline QString session() {
    return QStringLiteral("org.freedesktop.portal.Session");
}
inline QString properties() {
    return QStringLiteral("org.freedesktop.DBus.Properties");
}
} // namespace PortalNames

// One shortcut as the GlobalShortcuts portal carries it: (sa{sv}).
struct PortalShortcutWire {
    QString id;
    QVariantMap properties;
};
using PortalShortcutWireList = QList<PortalShortcutWire>;
Q_DECLARE_METATYPE(PortalShortcutWire)

QDBusArgument &operator<<(QDBusArgument &argument, const PortalShortcutWire &shortcut);
const QDBusArgument &operator>>(const QDBusArgument &argument, PortalShortcutWire &shortcut);

// A key sequence as the global accelerator daemon carries it: (ai), four combined Qt key
// codes, unused places 0.
struct KeySequenceWire {
    std::array<int, 4> keys{};
    bool operator==(const KeySequenceWire &other) const { return keys == other.keys; }
};
using KeySequenceWireList = QList<KeySequenceWire>;
Q_DECLARE_METATYPE(KeySequenceWire)

QDBusArgument &operator<<(QDBusArgument &argument, const KeySequenceWire &sequence);
const QDBusArgument &operator>>(const QDBusArgument &argument, KeySequenceWire &sequence);

// Registers the types above with Qt D-Bus; safe to call more than once.
void registerPortalWireTypes();

// Reads an a(sa{sv}) value found inside a variant of a portal's results.
PortalShortcutWireList shortcutsFromVariant(const QVariant &value);

// A value of a portal's results that is an object path, sent as "s" or as "o".
QString objectPathFromVariant(const QVariant &value);
