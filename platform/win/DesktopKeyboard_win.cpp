// Windows sends keys itself: no keyboard is asked of anyone.
#include "platform/DesktopKeyboard.h"

void startDesktopKeyboard(DesktopKeyboardHooks) {}
