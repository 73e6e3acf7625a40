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
