// Windows serves every need itself.
#include "platform/DesktopSession.h"

bool isWaylandSession() {
    return false;
}

SessionMechanisms sessionMechanisms() {
    SessionMechanisms m;
    m.hotkeys = QStringLiteral("RegisterHotKey");
    m.clipboard = QStringLiteral("the system clipboard");
    m.keys = QStringLiteral("SendInput");
    return m;
}

QStringList desktopShortcutCommands() {
    return {};
}

int numberRowKey(quint32 nativeScanCode) {
    // PC set 1 scan codes.
    constexpr quint32 first = 2; // the key of 1; the key of 0 follows the key of 9
    if (nativeScanCode < first || nativeScanCode > first + 9)
        return 0;
    return nativeScanCode == first + 9 ? Qt::Key_0 : Qt::Key_1 + int(nativeScanCode - first);
}
