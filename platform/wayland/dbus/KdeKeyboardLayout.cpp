#include "KdeKeyboardLayout.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>

namespace {
QString service() {
    return QStringLiteral("org.kde.keyboard");
}
QString objectPath() {
    return QStringLiteral("/Layouts");
}
QString interface() {
    return QStringLiteral("org.kde.KeyboardLayouts");
}
} // namespace

KdeKeyboardLayout::KdeKeyboardLayout(const QDBusConnection &bus, QObject *parent)
    : QObject(parent), m_bus(bus) {
    m_bus.connect(service(), objectPath(), interface(), QStringLiteral("layoutChanged"), this,
                  SLOT(onLayoutChanged(uint)));
    const QDBusMessage ask =
        QDBusMessage::createMethodCall(service(), objectPath(), interface(), QStringLiteral("getLayout"));
    auto *watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(ask), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, watcher] {
        watcher->deleteLater();
        const QDBusPendingReply<uint> reply = *watcher;
        if (reply.isError() || m_heardChange || reply.value() == m_current)
            return;
        m_current = reply.value();
        emit changed(m_current);
    });
}

void KdeKeyboardLayout::onLayoutChanged(uint layout) {
    m_heardChange = true;
    if (layout == m_current)
        return;
    m_current = layout;
    emit changed(layout);
}
