#pragma once

class PortalKeyOutput;

// The desktop portal's keyboard that startDesktopKeyboard asked for, or null when it was
// not asked for (X11, a compositor with a virtual keyboard, offscreen).
PortalKeyOutput *desktopPortalKeyboard();
