#include "PortalGlobalShortcuts.h"

#include "DesktopServiceProbe.h"
#include "PortalRequest.h"
#include "PortalWire.h"

#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QPointer>

namespace {
constexpr int propertyTimeoutMs = 5000;

QString responseText(uint response, const QVariantMap &results) {
    if (response == PortalRequest::Cancelled)
        return QStringLiteral("the user did not accept the shortcuts");
    const QString error = results.value(QStringLiteral("error")).toString();
    return error.isEmpty() ? QStringLiteral("the desktop ended the request") : error;
}

// Keysym names of the keys that are not letters or digits.
QString keysymName(Qt::Key key) {
    if ((key >= Qt::Key_A && key <= Qt::Key_Z))
        return QString(QChar(key - Qt::Key_A + 'a'));
    if (key >= Qt::Key_0 && key <= Qt::Key_9)
        return QString(QChar(key - Qt::Key_0 + '0'));
    if (key >= Qt::Key_F1 && key <= Qt::Key_F35)
        return QStringLiteral("F%1").arg(key - Qt::Key_F1 + 1);
    struct Named {
        int key;
        const char *name;
    };
    static const Named names[] = {
        {Qt::Key_Space, "space"},
        {Qt::Key_Return, "Return"},
        {Qt::Key_Enter, "KP_Enter"},
        {Qt::Key_Escape, "Escape"},
        {Qt::Key_Tab, "Tab"},
        {Qt::Key_Backspace, "BackSpace"},
        {Qt::Key_Delete, "Delete"},
        {Qt::Key_Insert, "Insert"},
        {Qt::Key_Home, "Home"},
        {Qt::Key_End, "End"},
        {Qt::Key_PageUp, "Page_Up"},
        {Qt::Key_PageDown, "Page_Down"},
        {Qt::Key_Left, "Left"},
        {Qt::Key_Right, "Right"},
        {Qt::Key_Up, "Up"},
        {Qt::Key_Down, "Down"},
        {Qt::Key_Print, "Print"},
        {Qt::Key_Pause, "Pause"},
        {Qt::Key_Comma, "comma"},
        {Qt::Key_Period, "period"},
        {Qt::Key_Slash, "slash"},
        {Qt::Key_Semicolon, "semicolon"},
        {Qt::Key_Apostrophe, "apostrophe"},
        {Qt::Key_BracketLeft, "bracketleft"},
        {Qt::Key_BracketRight, "bracketright"},
        {Qt::Key_Backslash, "backslash"},
        {Qt::Key_Minus, "minus"},
        {Qt::Key_Equal, "equal"},
        {Qt::Key_QuoteLeft, "grave"},
    };
    for (const Named &named : names) {
        if (named.key == key)
            return QString::fromLatin1(named.name);
    }
    return {};
}
} // namespace

QString PortalGlobalShortcuts::triggerFor(QKeyCombination combination) {
    const QString name = keysymName(combination.key());
    const Qt::KeyboardModifiers modifiers = combination.keyboardModifiers();
    if (name.isEmpty())
        return {};
    QStringList parts;
    if (modifiers & Qt::ControlModifier)
        parts << QStringLiteral("CTRL");
    if (modifiers & Qt::AltModifier)
        parts << QStringLiteral("ALT");
    if (modifiers & Qt::ShiftModifier)
        parts << QStringLiteral("SHIFT");
    if (modifiers & Qt::MetaModifier)
        parts << QStringLiteral("LOGO");
    parts << name;
    return parts.join(QLatin1Char('+'));
}

PortalGlobalShortcuts::PortalGlobalShortcuts(const QDBusConnection &bus, QObject *parent)
    : QObject(parent), m_bus(bus) {
    registerPortalWireTypes();
    m_bus.connect(PortalNames::service(), PortalNames::objectPath(), PortalNames::globalShortcuts(),
                  QStringLiteral("Activated"), this,
                  SLOT(onActivated(QDBusObjectPath, QString, qulonglong, QVariantMap)));
}

PortalGlobalShortcuts::~PortalGlobalShortcuts() {
    closeSession();
    m_bus.disconnect(PortalNames::service(), PortalNames::objectPath(), PortalNames::globalShortcuts(),
                     QStringLiteral("Activated"), this,
                     SLOT(onActivated(QDBusObjectPath, QString, qulonglong, QVariantMap)));
}

void PortalGlobalShortcuts::setShortcuts(const QList<Shortcut> &shortcuts) {
    if (shortcuts == m_wanted && (m_bound || m_binding))
        return;
    m_wanted = shortcuts;
    bind();
}

void PortalGlobalShortcuts::bind() {
    // Portals bind a session's shortcuts once: a new set needs a new session.
    closeSession();
    const quint64 attempt = ++m_attempt;
    m_binding = !m_wanted.isEmpty();
    if (!m_binding)
        return;
    if (m_version > 0) {
        createSessionAndBind(attempt);
        return;
    }
    QPointer<PortalGlobalShortcuts> self(this);
    readPortalProperty(m_bus, PortalNames::globalShortcuts(), QStringLiteral("version"), propertyTimeoutMs,
                       this, [self, attempt](uint version) {
                           if (!self || attempt != self->m_attempt)
                               return;
                           self->m_version = version;
                           if (version == 0) {
                               self->m_binding = false;
                               emit self->unavailable(
                                   QStringLiteral("the desktop offers no GlobalShortcuts portal"));
                               return;
                           }
                           self->createSessionAndBind(attempt);
                       });
}

void PortalGlobalShortcuts::createSessionAndBind(quint64 attempt) {
    QDBusMessage call =
        QDBusMessage::createMethodCall(PortalNames::service(), PortalNames::objectPath(),
                                       PortalNames::globalShortcuts(), QStringLiteral("CreateSession"));
    const QVariantMap options{{QStringLiteral("session_handle_token"), PortalRequest::newToken()}};
    PortalRequest::send(
        m_bus, call, options, this, [this, attempt](uint response, const QVariantMap &results) {
            if (attempt != m_attempt)
                return;
            if (response != PortalRequest::Granted) {
                m_binding = false;
                emit refused(responseText(response, results));
                return;
            }
            m_session = objectPathFromVariant(results.value(QStringLiteral("session_handle")));
            if (m_session.isEmpty()) {
                m_binding = false;
                emit refused(QStringLiteral("the desktop gave no session"));
                return;
            }
            bindShortcuts(attempt);
        });
}

void PortalGlobalShortcuts::bindShortcuts(quint64 attempt) {
    PortalShortcutWireList wire;
    for (const Shortcut &shortcut : m_wanted) {
        QVariantMap properties{{QStringLiteral("description"), shortcut.description}};
        if (!shortcut.preferredTrigger.isEmpty())
            properties.insert(QStringLiteral("preferred_trigger"), shortcut.preferredTrigger);
        wire.append({shortcut.id, properties});
    }
    QDBusMessage call =
        QDBusMessage::createMethodCall(PortalNames::service(), PortalNames::objectPath(),
                                       PortalNames::globalShortcuts(), QStringLiteral("BindShortcuts"));
    call << QVariant::fromValue(QDBusObjectPath(m_session)) << QVariant::fromValue(wire) << QString();
    PortalRequest::send(m_bus, call, {}, this, [this, attempt](uint response, const QVariantMap &results) {
        if (attempt != m_attempt)
            return;
        if (response != PortalRequest::Granted) {
            closeSession();
            m_binding = false;
            emit refused(responseText(response, results));
            return;
        }
        m_bound = true;
        m_binding = false;
        QMap<QString, QString> triggers;
        for (const PortalShortcutWire &shortcut :
             shortcutsFromVariant(results.value(QStringLiteral("shortcuts"))))
            triggers.insert(shortcut.id,
                            shortcut.properties.value(QStringLiteral("trigger_description")).toString());
        emit bound(triggers);
    });
}

void PortalGlobalShortcuts::closeSession() {
    m_bound = false;
    if (m_session.isEmpty())
        return;
    m_bus.asyncCall(QDBusMessage::createMethodCall(PortalNames::service(), m_session, PortalNames::session(),
                                                   QStringLiteral("Close")));
    m_session.clear();
}

void PortalGlobalShortcuts::onActivated(const QDBusObjectPath &session, const QString &id,
                                        qulonglong timestamp, const QVariantMap &options) {
    Q_UNUSED(timestamp);
    Q_UNUSED(options);
    if (!m_bound || session.path() != m_session)
        return;
    for (const Shortcut &shortcut : m_wanted) {
        if (shortcut.id == id) {
            emit activated(id);
            return;
        }
    }
}
