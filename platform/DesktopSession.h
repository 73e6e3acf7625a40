#pragma once

#include <QString>
#include <QStringList>
#include <QtGlobal>

// What serves the program's needs from the desktop: hotkeys (the global one and each
// phrase's), the clipboard while no window of the program has the focus, and synthetic
// keys. Found once, at start-up.
struct SessionMechanisms {
    QString hotkeys;   // in words, for the start-up line
    QString clipboard; // likewise
    QString keys;      // likewise
    // False where the desktop grabs no keys for the program: the user binds
    // "verbolin --hotkey COMBINATION" in the desktop's own keyboard settings.
    bool automaticHotkeys = true;
    bool clipboardWithoutFocus = true;
    bool syntheticKeys = true;
};

// Whether Qt runs on its Wayland platform plugin: no key grabs, no window shown without
// the focus, synthetic input and the clipboard only through the compositor's own ways.
bool isWaylandSession();

SessionMechanisms sessionMechanisms();

// The commands the desktop's own keyboard settings run for their custom shortcuts, where
// they can be read (GNOME under Wayland); empty elsewhere. Asks another program: a moment.
QStringList desktopShortcutCommands();

// The digit key (Qt::Key_0 to Qt::Key_9) of the number-row key with this native scan code
// (QKeyEvent::nativeScanCode), whatever the layout puts there and whatever modifier is held;
// 0 for any other key.
int numberRowKey(quint32 nativeScanCode);
