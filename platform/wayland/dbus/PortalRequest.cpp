#include "PortalRequest.h"

#include "PortalWire.h"

#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QPointer>
#include <QRandomGenerator>

QString PortalRequest::newToken() {
    static quint32 counter = 0;
    return QStringLiteral("verbolin_%1_%2").arg(++counter).arg(QRandomGenerator::global()->generate());
}

PortalRequest::PortalRequest(const QDBusConnection &bus, QObject *context, Done done)
    : QObject(context), m_bus(bus), m_done(std::move(done)) {}

void PortalRequest::send(const QDBusConnection &bus, QDBusMessage call, QVariantMap options, QObject *context,
                         Done done) {
    auto *request = new PortalRequest(bus, context, std::move(done));
    const QString token = newToken();
    options.insert(QStringLiteral("handle_token"), token);
    // The path the portal will use: the caller's unique name without ':' and with '.' as '_'.
    QString sender = bus.baseService();
    if (sender.startsWith(QLatin1Char(':')))
        sender.remove(0, 1);
    sender.replace(QLatin1Char('.'), QLatin1Char('_'));
    request->listenAt(PortalNames::objectPath() + QStringLiteral("/request/") + sender + QLatin1Char('/') +
                      token);

    QList<QVariant> arguments = call.arguments();
    arguments.append(options);
    call.setArguments(arguments);
    auto *watcher = new QDBusPendingCallWatcher(bus.asyncCall(call), request);
    QPointer<PortalRequest> guard(request);
    connect(watcher, &QDBusPendingCallWatcher::finished, request, [guard, watcher] {
        watcher->deleteLater();
        if (!guard)
            return;
        QDBusPendingReply<QDBusObjectPath> reply = *watcher;
        if (reply.isError()) {
            guard->finish(Ended, {{QStringLiteral("error"), reply.error().message()}});
            return;
        }
        // Portals older than the handle token answer at a path of their own choosing.
        const QString path = reply.value().path();
        if (path != guard->m_path)
            guard->listenAt(path);
    });
}

void PortalRequest::listenAt(const QString &path) {
    if (!m_path.isEmpty())
        m_bus.disconnect(PortalNames::service(), m_path, PortalNames::request(), QStringLiteral("Response"),
                         this, SLOT(onResponse(uint, QVariantMap)));
    m_path = path;
    m_bus.connect(PortalNames::service(), m_path, PortalNames::request(), QStringLiteral("Response"), this,
                  SLOT(onResponse(uint, QVariantMap)));
}

void PortalRequest::onResponse(uint response, const QVariantMap &results) {
    finish(response, results);
}

void PortalRequest::finish(uint response, const QVariantMap &results) {
    if (m_finished)
        return;
    m_finished = true;
    m_bus.disconnect(PortalNames::service(), m_path, PortalNames::request(), QStringLiteral("Response"), this,
                     SLOT(onResponse(uint, QVariantMap)));
    // The answer may delete the context, and this object with it: call it last.
    Done done = std::move(m_done);
    deleteLater();
    if (done)
        done(response, results);
}
