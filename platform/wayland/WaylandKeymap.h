#pragma once

#include <QByteArray>
#include <QString>

#include <map>

// Which key of a compositor's keymap carries each virtual key that phrase output sends. A
// compositor that interprets our key codes with its own layout (fake input) must be sent
// the code of the key that gives the keysym meant there: on an AZERTY layout the key that
// gives "v" is not the one it is on a US keyboard, and "a" sits where "q" does.
//
// Keyed by virtual key; the value is the evdev code (the XKB key code minus 8). A keymap
// holds every layout the user switches between (its groups); `layout` is the one in use.
// A keysym is looked for on the unshifted level of that layout first, then on any level of
// it; a virtual key whose keysym the layout does not have is left out.
std::map<quint16, quint32> evdevCodesForVirtualKeys(const QByteArray &xkbKeymapText, quint32 layout = 0);

// The keymap text of XKB layouts (e.g. "fr", or "us,fr" for two), as a compositor sends
// it; empty when a layout is unknown. For tests of the above without a compositor.
QByteArray xkbKeymapTextOfLayout(const QString &layout, const QString &variant = {});
