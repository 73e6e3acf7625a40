#pragma once

#include <QDBusConnection>
#include <QList>
#include <QObject>
#include <QString>

// Synthetic keys through the desktop portal's RemoteDesktop interface (GNOME, KDE Plasma 6).
//
// What the desktop grants, and when: start() opens a remote-desktop session asking for the
// keyboard only. The desktop shows its consent dialog at Start. From version 2 of the
// interface the session asks to be remembered until revoked (persist mode 2): the desktop
// hands back a restore token, which the caller keeps in its per-user data and passes to the
// next start(), and then no dialog is shown while the desktop still honours it (each token
// is good for one use; ready() brings the next one). Version 1 portals remember nothing:
// the dialog comes at every start. A refused or cancelled dialog ends in refused(), never in
// a half-open session. The desktop may close the session at any time (closed()).
//
// Keys are evdev key codes (as in linux/input-event-codes.h) or X keysyms. Keysyms that the
// current layout does not carry are dropped by the desktop: never type text this way.
class PortalRemoteKeyboard : public QObject {
    Q_OBJECT
public:
    struct KeyEvent {
        enum Kind { Keysym, Keycode };
        Kind kind = Keysym;
        quint32 key = 0;
        bool pressed = true;
    };

    enum class State { Idle, Starting, Ready, Failed };

    explicit PortalRemoteKeyboard(const QDBusConnection &bus = QDBusConnection::sessionBus(),
                                  QObject *parent = nullptr);
    ~PortalRemoteKeyboard() override;

    // Opens the session. `restoreToken` is the token of an earlier ready(), or empty.
    // Ends in exactly one of ready(), refused() or unavailable().
    void start(const QString &restoreToken = QString());
    // Closes the session (also done by the destructor).
    void stop();

    State state() const { return m_state; }
    // The interface version the portal reported (0 before start() learnt it).
    uint portalVersion() const { return m_version; }

    // Sends the events in order. Returns false, sending nothing, unless the session is ready.
    bool sendKeys(const QList<KeyEvent> &events);

signals:
    // The keyboard may be used. `restoreToken` is to be kept for the next start(); it is
    // empty where the portal remembers nothing.
    void ready(const QString &restoreToken);
    // The user refused or cancelled, or the desktop ended the handshake.
    void refused(const QString &reason);
    // There is no RemoteDesktop portal, or it offers no keyboard.
    void unavailable(const QString &reason);
    // The desktop closed a ready session, or a key could not be delivered.
    void closed(const QString &reason);

private:
    void createSession();
    void selectDevices();
    void startSession();
    void fail(const QString &reason);

private slots:
    void onSessionClosed();

private:
    QDBusConnection m_bus;
    State m_state = State::Idle;
    uint m_version = 0;
    QString m_restoreToken;
    QString m_session;
    quint64 m_attempt = 0;
};
