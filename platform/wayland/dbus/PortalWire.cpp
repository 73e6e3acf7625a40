#include "PortalWire.h"

#include <QDBusMetaType>
#include <QDBusObjectPath>

QDBusArgument &operator<<(QDBusArgument &argument, const PortalShortcutWire &shortcut) {
    argument.beginStructure();
    argument << shortcut.id << shortcut.properties;
    argument.endStructure();
    return argument;
}

const QDBusArgument &operator>>(const QDBusArgument &argument, PortalShortcutWire &shortcut) {
    argument.beginStructure();
    argument >> shortcut.id >> shortcut.properties;
    argument.endStructure();
    return argument;
}

QDBusArgument &operator<<(QDBusArgument &argument, const KeySequenceWire &sequence) {
    argument.beginStructure();
    argument.beginArray(qMetaTypeId<int>());
    for (int key : sequence.keys)
        argument << key;
    argument.endArray();
    argument.endStructure();
    return argument;
}

const QDBusArgument &operator>>(const QDBusArgument &argument, KeySequenceWire &sequence) {
    sequence = KeySequenceWire{};
    argument.beginStructure();
    argument.beginArray();
    size_t i = 0;
    while (!argument.atEnd()) {
        int key = 0;
        argument >> key;
        if (i < sequence.keys.size())
            sequence.keys[i++] = key;
    }
    argument.endArray();
    argument.endStructure();
    return argument;
}

void registerPortalWireTypes() {
    static const bool done = [] {
        // A slot taking an object path (the portal's Activated signal) is connected only
        // once the type is known by name; nothing else may have made it known yet.
        qRegisterMetaType<QDBusObjectPath>();
        qDBusRegisterMetaType<PortalShortcutWire>();
        qDBusRegisterMetaType<PortalShortcutWireList>();
        qDBusRegisterMetaType<KeySequenceWire>();
        qDBusRegisterMetaType<KeySequenceWireList>();
        return true;
    }();
    Q_UNUSED(done);
}

PortalShortcutWireList shortcutsFromVariant(const QVariant &value) {
    registerPortalWireTypes();
    if (value.canConvert<QDBusArgument>()) {
        const auto argument = value.value<QDBusArgument>();
        if (argument.currentSignature() == QLatin1String("a(sa{sv})"))
            return qdbus_cast<PortalShortcutWireList>(argument);
        return {};
    }
    return value.value<PortalShortcutWireList>();
}

QString objectPathFromVariant(const QVariant &value) {
    if (value.canConvert<QDBusObjectPath>() && value.userType() == qMetaTypeId<QDBusObjectPath>())
        return value.value<QDBusObjectPath>().path();
    if (value.userType() == QMetaType::QString)
        return value.toString();
    return {};
}
