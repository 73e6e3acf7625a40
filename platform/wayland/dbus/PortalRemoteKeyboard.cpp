#include "PortalRemoteKeyboard.h"

#include "DesktopServiceProbe.h"
#include "PortalRequest.h"
#include "PortalWire.h"

#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCall>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QPointer>

namespace {
constexpr uint keyboardDevice = 1;
constexpr uint persistUntilRevoked = 2;
constexpr int propertyTimeoutMs = 5000;

QString responseText(uint response, const QVariantMap &results) {
    if (response == PortalRequest::Cancelled)
        return QStringLiteral("the user did not allow the keyboard");
    const QString error = results.value(QStringLiteral("error")).toString();
    return error.isEmpty() ? QStringLiteral("the desktop ended the request") : error;
}
} // namespace

PortalRemoteKeyboard::PortalRemoteKeyboard(const QDBusConnection &bus, QObject *parent)
    : QObject(parent), m_bus(bus) {
    registerPortalWireTypes();
}

PortalRemoteKeyboard::~PortalRemoteKeyboard() {
    stop();
}

void PortalRemoteKeyboard::start(const QString &restoreToken) {
    stop();
    m_state = State::Starting;
    m_restoreToken = restoreToken;
    const quint64 attempt = ++m_attempt;
    QPointer<PortalRemoteKeyboard> self(this);
    readPortalProperty(
        m_bus, PortalNames::remoteDesktop(), QStringLiteral("AvailableDeviceTypes"), propertyTimeoutMs, this,
        [self, attempt](uint types) {
            if (!self || attempt != self->m_attempt)
                return;
            if (!(types & keyboardDevice)) {
                self->m_state = State::Failed;
                emit self->unavailable(QStringLiteral("the desktop offers no RemoteDesktop keyboard"));
                return;
            }
            readPortalProperty(self->m_bus, PortalNames::remoteDesktop(), QStringLiteral("version"),
                               propertyTimeoutMs, self, [self, attempt](uint version) {
                                   if (!self || attempt != self->m_attempt)
                                       return;
                                   self->m_version = version;
                                   self->createSession();
                               });
        });
}

void PortalRemoteKeyboard::createSession() {
    QDBusMessage call =
        QDBusMessage::createMethodCall(PortalNames::service(), PortalNames::objectPath(),
                                       PortalNames::remoteDesktop(), QStringLiteral("CreateSession"));
    const QVariantMap options{{QStringLiteral("session_handle_token"), PortalRequest::newToken()}};
    const quint64 attempt = m_attempt;
    PortalRequest::send(
        m_bus, call, options, this, [this, attempt](uint response, const QVariantMap &results) {
            if (attempt != m_attempt)
                return;
            if (response != PortalRequest::Granted) {
                fail(responseText(response, results));
                return;
            }
            m_session = objectPathFromVariant(results.value(QStringLiteral("session_handle")));
            if (m_session.isEmpty()) {
                fail(QStringLiteral("the desktop gave no session"));
                return;
            }
            m_bus.connect(PortalNames::service(), m_session, PortalNames::session(), QStringLiteral("Closed"),
                          this, SLOT(onSessionClosed()));
            selectDevices();
        });
}

void PortalRemoteKeyboard::selectDevices() {
    QDBusMessage call =
        QDBusMessage::createMethodCall(PortalNames::service(), PortalNames::objectPath(),
                                       PortalNames::remoteDesktop(), QStringLiteral("SelectDevices"));
    call << QVariant::fromValue(QDBusObjectPath(m_session));
    QVariantMap options{{QStringLiteral("types"), keyboardDevice}};
    // Remembered consent came with version 2; version 1 rejects nothing but honours nothing.
    if (m_version >= 2) {
        options.insert(QStringLiteral("persist_mode"), persistUntilRevoked);
        if (!m_restoreToken.isEmpty())
            options.insert(QStringLiteral("restore_token"), m_restoreToken);
    }
    const quint64 attempt = m_attempt;
    PortalRequest::send(m_bus, call, options, this,
                        [this, attempt](uint response, const QVariantMap &results) {
                            if (attempt != m_attempt)
                                return;
                            if (response != PortalRequest::Granted) {
                                fail(responseText(response, results));
                                return;
                            }
                            startSession();
                        });
}

void PortalRemoteKeyboard::startSession() {
    QDBusMessage call = QDBusMessage::createMethodCall(PortalNames::service(), PortalNames::objectPath(),
                                                       PortalNames::remoteDesktop(), QStringLiteral("Start"));
    call << QVariant::fromValue(QDBusObjectPath(m_session)) << QString();
    const quint64 attempt = m_attempt;
    PortalRequest::send(m_bus, call, {}, this, [this, attempt](uint response, const QVariantMap &results) {
        if (attempt != m_attempt)
            return;
        if (response != PortalRequest::Granted) {
            fail(responseText(response, results));
            return;
        }
        const uint devices = results.value(QStringLiteral("devices")).toUInt();
        if (!(devices & keyboardDevice)) {
            fail(QStringLiteral("the keyboard was not granted"));
            return;
        }
        m_state = State::Ready;
        emit ready(results.value(QStringLiteral("restore_token")).toString());
    });
}

void PortalRemoteKeyboard::fail(const QString &reason) {
    stop();
    m_state = State::Failed;
    emit refused(reason);
}

bool PortalRemoteKeyboard::sendKeys(const QList<KeyEvent> &events) {
    if (m_state != State::Ready)
        return false;
    const quint64 attempt = m_attempt;
    for (const KeyEvent &event : events) {
        const bool keysym = event.kind == KeyEvent::Keysym;
        QDBusMessage call = QDBusMessage::createMethodCall(
            PortalNames::service(), PortalNames::objectPath(), PortalNames::remoteDesktop(),
            keysym ? QStringLiteral("NotifyKeyboardKeysym") : QStringLiteral("NotifyKeyboardKeycode"));
        call << QVariant::fromValue(QDBusObjectPath(m_session)) << QVariantMap()
             << static_cast<int>(event.key) << static_cast<uint>(event.pressed ? 1 : 0);
        // One connection keeps the order of its messages; the replies only tell of failure.
        auto *watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call), this);
        connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, watcher, attempt] {
            watcher->deleteLater();
            if (watcher->isError() && attempt == m_attempt && m_state == State::Ready) {
                const QString reason = watcher->error().message();
                stop();
                m_state = State::Failed;
                emit closed(reason);
            }
        });
    }
    return true;
}

void PortalRemoteKeyboard::onSessionClosed() {
    const bool wasReady = m_state == State::Ready;
    const bool wasStarting = m_state == State::Starting;
    m_bus.disconnect(PortalNames::service(), m_session, PortalNames::session(), QStringLiteral("Closed"),
                     this, SLOT(onSessionClosed()));
    m_session.clear();
    ++m_attempt;
    m_state = State::Failed;
    if (wasReady)
        emit closed(QStringLiteral("the desktop closed the session"));
    else if (wasStarting)
        emit refused(QStringLiteral("the desktop closed the session"));
}

void PortalRemoteKeyboard::stop() {
    ++m_attempt;
    if (!m_session.isEmpty()) {
        m_bus.disconnect(PortalNames::service(), m_session, PortalNames::session(), QStringLiteral("Closed"),
                         this, SLOT(onSessionClosed()));
        m_bus.asyncCall(QDBusMessage::createMethodCall(PortalNames::service(), m_session,
                                                       PortalNames::session(), QStringLiteral("Close")));
        m_session.clear();
    }
    m_state = State::Idle;
}
