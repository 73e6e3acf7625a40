#pragma once

#include <QString>

#include <functional>

// Synthetic keys through a keyboard the desktop lends on request, where the session has no
// other way of sending them (under Wayland on GNOME: the desktop portal's RemoteDesktop
// keyboard). The desktop may ask the user first, and remembers the answer through a token
// the program keeps in its per-user data; what keeps it comes from above, here.
struct DesktopKeyboardHooks {
    // The token kept from the last run, or empty.
    QString restoreToken;
    // A new token to keep in place of the old one (empty: nothing to keep).
    std::function<void(const QString &token)> keepToken;
    // The desktop refused, has no such keyboard, or closed it: no keys are sent.
    std::function<void(const QString &reason)> unusable;
};

// Asks the desktop for its keyboard where the session needs it; does nothing elsewhere
// (X11, Windows, a compositor with a keyboard of its own). Called once, at start-up, after
// the application object exists. The hooks are called later, on the main thread.
void startDesktopKeyboard(DesktopKeyboardHooks hooks);
