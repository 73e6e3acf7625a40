// Linux: GlobalHotkey's backend follows the session. X11 grabs the keys itself (x11/);
// under Wayland, KDE Plasma's global accelerator daemon registers them where it is on the
// session bus, else the desktop portal's global shortcuts where it offers them; elsewhere
// no program may take keys (the user binds "verbolin --hotkey").
#include "platform/DesktopSession.h"
#include "platform/GlobalHotkeyBackend.h"
#include "platform/wayland/KdeGlobalAccelHotkeys.h"
#include "platform/wayland/PortalHotkeys.h"
#include "platform/x11/X11GlobalHotkeys.h"

bool GlobalHotkeyBackend::canMap(QKeyCombination combination) {
    if (!isWaylandSession())
        return x11hotkeys::canMap(combination);
    if (kdeglobalaccelhotkeys::available() || !portalhotkeys::available())
        return kdeglobalaccelhotkeys::canMap(combination);
    return portalhotkeys::canMap(combination);
}

bool GlobalHotkeyBackend::grab(GlobalHotkey *owner, QKeyCombination combination) {
    if (!isWaylandSession())
        return x11hotkeys::grab(owner, combination);
    if (kdeglobalaccelhotkeys::available())
        return kdeglobalaccelhotkeys::grab(owner, combination);
    return portalhotkeys::grab(owner, combination);
}

void GlobalHotkeyBackend::release(GlobalHotkey *owner) {
    // Each backend releases only what it holds.
    kdeglobalaccelhotkeys::release(owner);
    portalhotkeys::release(owner);
    x11hotkeys::release(owner);
}
