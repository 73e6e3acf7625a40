#pragma once

#include "platform/KeyEvents.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QPair>
#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

class QSocketNotifier;

// Phrase output in a Wayland session, spoken on a connection to the compositor of our own
// (Qt's stays Qt's), read through the event loop: synthetic keys through the virtual
// keyboard of wlroots compositors, with a keymap of our own uploaded at connection, or
// through KWin's fake input, whose key codes mean what the compositor's current layout
// makes of them (so the keys are looked up in its keymap, followed as it changes); and
// the clipboard through data control (wlroots, KWin), which works while no window of ours
// has the focus. Made on first use; exists only in a Wayland session.
class WaylandOutput : public QObject {
    Q_OBJECT
public:
    using Formats = QList<QPair<QString, QByteArray>>;

    // The connection, or null outside a Wayland session or without a compositor.
    static WaylandOutput *instance();
    ~WaylandOutput() override;

    bool hasVirtualKeyboard() const;
    // KWin's fake input, offered and authenticated, with the compositor's keymap known.
    bool hasFakeInput() const;
    // Whether keys can be sent at all, through either.
    bool canSendKeys() const { return hasVirtualKeyboard() || hasFakeInput(); }
    // The keymap the compositor gives its clients now (XKB text, every layout the user
    // switches between); empty where we have a keyboard of our own, or before it came.
    QByteArray compositorKeymap() const;
    // The protocol keys go through, in words; empty when none.
    QString keysMechanism() const;
    bool hasDataControl() const;
    // When the keymap went up; keys sent sooner after it may be lost.
    qint64 keymapUploadedAt() const { return m_keymapAt; }

    // Sends the keys through the virtual keyboard, with the modifier state each leaves, or
    // else through fake input. False without either.
    bool sendKeys(const std::vector<KeyEvent> &events);
    // Releases every modifier of the virtual keyboard; with fake input, whose keys share
    // the seat's state with the real keyboard, every modifier key held on the seat.
    void releaseModifiers();
    // Returns once the compositor has handled every request sent so far (a round trip).
    void waitUntilHandled();

    // Makes these formats the clipboard's content, served by this program until another
    // takes the clipboard. False without data control.
    bool setSelection(const Formats &formats);
    // What the clipboard holds now, format by format; read from its owner (ourselves:
    // what we set).
    Formats selection();

    struct Globals;

private:
    WaylandOutput();
    bool connectToCompositor();
    void dispatch();
    void flush();

    std::unique_ptr<Globals> g;
    QSocketNotifier *m_notifier = nullptr;
    qint64 m_keymapAt = 0;
    quint32 m_modsDepressed = 0;
};
