#pragma once

#include "platform/DesktopKeyboard.h"

#include <QString>

// What the desktop's lent keyboard needs from the program: the token of the user's
// remembered consent, read from and kept in config.json at `configPath`, and the user told
// once when no keys can be sent.
DesktopKeyboardHooks desktopKeyboardHooks(const QString &configPath);
