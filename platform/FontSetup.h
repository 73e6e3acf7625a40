#pragma once

// Loading the system's font configuration ahead, on a thread of its own, while the
// program connects to the display and builds its windows: on Linux, fontconfig's parsing
// of its configuration and loading of its caches is most of what the first text costs,
// and it needs nothing of the program. On Windows there is nothing to load ahead.

// Starts the load; called first thing, before the application object exists.
void startFontSetup();

// Waits for the load started by startFontSetup() (nothing when none was started). Called
// before the first text is measured: a load started again by Qt meanwhile would do the
// whole work a second time.
void finishFontSetup();
