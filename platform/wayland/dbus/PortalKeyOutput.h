#pragma once

#include "platform/DesktopKeyboard.h"
#include "platform/KeyEvents.h"
#include "platform/wayland/dbus/PortalRemoteKeyboard.h"

#include <QDBusConnection>
#include <QList>
#include <QObject>
#include <QSet>
#include <QString>
#include <QTimer>

#include <functional>
#include <vector>

// Phrase output's keys through the desktop portal's RemoteDesktop keyboard, for a Wayland
// session whose compositor offers no keyboard of its own (GNOME).
//
// The session is asked for at start-up; the desktop may take a while to answer (a consent
// dialog). Keys asked for before the answer wait for it, but not for long: a paste sent
// late pastes whatever the clipboard holds by then (the output gives the user's clipboard
// back one second after its paste), and goes to whichever window has the focus by then.
// So keys wait at most pendingLimitMs from the first of them, and at most
// pendingEventLimit events; past either, everything that waits is dropped, with a notice.
// Keys that come once the session is refused, unavailable or closed are dropped at once.
//
// Letters and digits go as keysyms where the layout has them, so that Ctrl+V means the key
// the user knows as V on any Latin layout (Dvorak, AZERTY, QWERTZ); the desktop drops
// keysyms its current layout lacks, so where the layout lacks them (Cyrillic, Greek, and
// layouts that carry Latin in one group only) they go as the key code of their place on a US
// keyboard: that is what the user's own Ctrl+V is there, and applications read a shortcut
// on a non-Latin key through the Latin layout. Every other key goes as its key code.
class PortalKeyOutput : public QObject {
    Q_OBJECT
public:
    static constexpr int pendingLimitMs = 800;
    static constexpr int pendingEventLimit = 256;

    // What the keyboard layout says about a keysym.
    enum class Layout {
        Unknown, // the layout is not known: the keysym is sent
        Carried, // every group of the layout has it
        Missing, // some group lacks it
    };
    using LayoutProbe = std::function<Layout(quint32 keysym)>;

    enum class State { Idle, Starting, Ready, Unusable };

    explicit PortalKeyOutput(const QDBusConnection &bus = QDBusConnection::sessionBus(),
                             QObject *parent = nullptr);
    ~PortalKeyOutput() override;

    // Asks for the session; `restoreToken` is the one kept from an earlier run, or empty.
    void start(const QString &restoreToken);
    void setLayoutProbe(LayoutProbe probe) { m_layout = std::move(probe); }

    State state() const { return m_state; }

    enum class Sent { Now, Waiting, Dropped };
    // Sends the events, or keeps them until the session is ready (see above).
    Sent send(const std::vector<KeyEvent> &events);
    // Key-ups for every key this keyboard holds down.
    void releaseHeldKeys();
    // Events kept for the session that is not ready yet.
    int waitingEvents() const { return int(m_waiting.size()); }

    // The portal's events for the virtual keys.
    static QList<PortalRemoteKeyboard::KeyEvent> portalEvents(const std::vector<KeyEvent> &events,
                                                              const LayoutProbe &layout);

signals:
    // The session is ready; `restoreToken` is the token to keep for the next start (empty
    // where the desktop remembers nothing: then the kept one is of no more use).
    void ready(const QString &restoreToken);
    // No keys can be sent: refused, no portal keyboard, or the session closed.
    void unusable(const QString &reason);
    // Keys were dropped: asked for too early and not sent in time, or with no session.
    void keysDropped(int events, const QString &reason);

private:
    void becomeUnusable(const QString &reason);
    void dropWaiting(const QString &reason);
    void sendNow(const std::vector<KeyEvent> &events);

    PortalRemoteKeyboard m_keyboard;
    LayoutProbe m_layout;
    State m_state = State::Idle;
    std::vector<KeyEvent> m_waiting;
    QTimer m_waitingLimit;
    // Virtual keys this keyboard holds down now.
    QSet<quint16> m_held;
};

// Starts the keyboard with the token the hooks hold; its new tokens and its end go to them.
void startWithHooks(PortalKeyOutput *keyboard, const DesktopKeyboardHooks &hooks);
