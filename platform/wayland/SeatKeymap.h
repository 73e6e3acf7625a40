#pragma once

#include "platform/wayland/dbus/PortalKeyOutput.h"

#include <QObject>

#include <memory>

class QSocketNotifier;
struct xkb_keymap;

// Whether every group of the keymap produces the keysym on some key, at its first or
// second level: Carried, or Missing. Unknown without a keymap.
PortalKeyOutput::Layout keymapCarries(xkb_keymap *keymap, quint32 keysym);

// The keyboard layout of the seat, as the compositor tells it to any client with a keyboard,
// read on a connection of our own and kept up to date (the user may switch layouts).
class SeatKeymap : public QObject {
    Q_OBJECT
public:
    // Null outside a Wayland session or without a compositor.
    static SeatKeymap *create(QObject *parent);
    ~SeatKeymap() override;

    PortalKeyOutput::Layout carries(quint32 keysym) const;

    struct Wayland;

private:
    SeatKeymap(QObject *parent);
    bool connectToCompositor();
    void dispatch();

    std::unique_ptr<Wayland> w;
    QSocketNotifier *m_notifier = nullptr;
};
