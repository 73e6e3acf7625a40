#pragma once

#include <QString>

#include <functional>

// Where the desktop decides on hotkeys after they were asked for (the portal's global
// shortcuts, which may show the user a dialog), a refusal comes later than grab() said yes.
// It reaches the user through this handler, set from above; on the main thread.
void setHotkeyRefusalHandler(std::function<void(const QString &reason)> handler);
void reportHotkeyRefusal(const QString &reason);
