#include "platform/FontFilePages.h"

// The system's font service maps the font files, not the program.
void releaseFontFilePages() {}
