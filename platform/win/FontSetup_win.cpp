#include "platform/FontSetup.h"

// The system's fonts need no configuration loaded ahead on Windows.
void startFontSetup() {}

void finishFontSetup() {}
