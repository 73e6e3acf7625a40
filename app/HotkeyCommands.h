#pragma once

#include "library/HotkeyCommand.h"

#include <QString>

// Acts on "--hotkey COMBINATION" as the hotkey it names would: the main hotkey toggles the
// pick window, a phrase's hotkey inputs its phrase. Anything else does nothing but say so
// on standard error. Returns what the combination named.
hotkeycommand::Match runHotkeyCommand(const QString &combination);
