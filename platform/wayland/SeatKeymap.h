#pragma once

#include "platform/wayland/dbus/PortalKeyOutput.h"

#include <QByteArray>

struct xkb_keymap;

// Whether every group of the keymap produces the keysym on some key, at its first or
// second level: Carried, or Missing. Unknown without a keymap.
PortalKeyOutput::Layout keymapCarries(xkb_keymap *keymap, quint32 keysym);

// The same for a keymap as the compositor sends it to its clients (XKB text, see
// WaylandOutput::compositorKeymap); Unknown when there is none or it cannot be read.
PortalKeyOutput::Layout keymapTextCarries(const QByteArray &keymapText, quint32 keysym);
