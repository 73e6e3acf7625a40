#include "platform/wayland/dbus/PortalKeyOutput.h"

#include "platform/wayland/EvdevKeys.h"
#include "platform/x11/X11KeySyms.h"

PortalKeyOutput::PortalKeyOutput(const QDBusConnection &bus, QObject *parent)
    : QObject(parent), m_keyboard(bus) {
    m_waitingLimit.setSingleShot(true);
    connect(&m_waitingLimit, &QTimer::timeout, this,
            [this] { dropWaiting(QStringLiteral("the desktop's keyboard was not ready in time")); });
    connect(&m_keyboard, &PortalRemoteKeyboard::ready, this, [this](const QString &token) {
        m_state = State::Ready;
        m_waitingLimit.stop();
        emit ready(token);
        if (m_waiting.empty())
            return;
        const std::vector<KeyEvent> waiting = std::move(m_waiting);
        m_waiting.clear();
        sendNow(waiting);
    });
    connect(&m_keyboard, &PortalRemoteKeyboard::refused, this,
            [this](const QString &reason) { becomeUnusable(reason); });
    connect(&m_keyboard, &PortalRemoteKeyboard::unavailable, this,
            [this](const QString &reason) { becomeUnusable(reason); });
    connect(&m_keyboard, &PortalRemoteKeyboard::closed, this,
            [this](const QString &reason) { becomeUnusable(reason); });
}

PortalKeyOutput::~PortalKeyOutput() = default;

void PortalKeyOutput::start(const QString &restoreToken) {
    m_state = State::Starting;
    m_held.clear();
    m_keyboard.start(restoreToken);
}

QList<PortalRemoteKeyboard::KeyEvent> PortalKeyOutput::portalEvents(const std::vector<KeyEvent> &events,
                                                                    const LayoutProbe &layout) {
    using Key = PortalRemoteKeyboard::KeyEvent;
    QList<Key> out;
    for (const KeyEvent &event : events) {
        const bool pressed = !event.up;
        if (virtualKeyIsCharacter(event.virtualKey)) {
            const auto keysym = quint32(x11KeysymForVirtualKey(event.virtualKey));
            const Layout answer = layout ? layout(keysym) : Layout::Unknown;
            if (answer != Layout::Missing) {
                out.append({Key::Keysym, keysym, pressed});
                continue;
            }
        }
        if (const std::uint32_t code = evdevKeyForVirtualKey(event.virtualKey))
            out.append({Key::Keycode, code, pressed});
    }
    return out;
}

PortalKeyOutput::Sent PortalKeyOutput::send(const std::vector<KeyEvent> &events) {
    if (events.empty())
        return Sent::Now;
    switch (m_state) {
    case State::Ready:
        sendNow(events);
        return Sent::Now;
    case State::Idle:
    case State::Unusable:
        emit keysDropped(int(events.size()), QStringLiteral("the desktop gives no keyboard"));
        return Sent::Dropped;
    case State::Starting:
        break;
    }
    if (m_waiting.empty())
        m_waitingLimit.start(pendingLimitMs);
    if (m_waiting.size() + events.size() > std::size_t(pendingEventLimit)) {
        // What waits and what comes belong together (a chord, an output): all of it goes.
        m_waiting.insert(m_waiting.end(), events.begin(), events.end());
        dropWaiting(QStringLiteral("too many keys waited for the desktop's keyboard"));
        return Sent::Dropped;
    }
    m_waiting.insert(m_waiting.end(), events.begin(), events.end());
    return Sent::Waiting;
}

void PortalKeyOutput::sendNow(const std::vector<KeyEvent> &events) {
    for (const KeyEvent &event : events) {
        if (event.up)
            m_held.remove(event.virtualKey);
        else
            m_held.insert(event.virtualKey);
    }
    m_keyboard.sendKeys(portalEvents(events, m_layout));
}

void PortalKeyOutput::releaseHeldKeys() {
    if (m_state != State::Ready || m_held.isEmpty())
        return;
    std::vector<KeyEvent> ups;
    for (const quint16 key : std::as_const(m_held))
        ups.push_back(keyEvent(key, true));
    sendNow(ups);
}

void PortalKeyOutput::dropWaiting(const QString &reason) {
    m_waitingLimit.stop();
    const int count = int(m_waiting.size());
    m_waiting.clear();
    if (count > 0)
        emit keysDropped(count, reason);
}

void PortalKeyOutput::becomeUnusable(const QString &reason) {
    m_state = State::Unusable;
    m_held.clear();
    dropWaiting(reason);
    emit unusable(reason);
}

void startWithHooks(PortalKeyOutput *keyboard, const DesktopKeyboardHooks &hooks) {
    QObject::connect(keyboard, &PortalKeyOutput::ready, keyboard,
                     [keep = hooks.keepToken](const QString &token) {
                         if (keep)
                             keep(token);
                     });
    QObject::connect(keyboard, &PortalKeyOutput::unusable, keyboard,
                     [unusable = hooks.unusable](const QString &reason) {
                         if (unusable)
                             unusable(reason);
                     });
    keyboard->start(hooks.restoreToken);
}
