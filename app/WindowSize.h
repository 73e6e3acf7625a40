#pragma once

struct AppContext;
struct PhraseEditorWidgets;

// Gives the pick, settings, add and edit windows the size W × H and places the children
// of the pick, add and edit windows by absolute geometry derived from it.
void applyWindowSize(const AppContext &context, int width, int height);

// Gives an add or edit window that size and places its children (none when not built yet).
void applyEditorWindowSize(const PhraseEditorWidgets &window, int width, int height);

// The range of the settings window's size spin boxes. A hand-edited size outside it
// is brought into it before any window is built with it.
constexpr int minimumWindowLength = 250;
constexpr int maximumWindowLength = 2000;
int boundedWindowLength(int length);
