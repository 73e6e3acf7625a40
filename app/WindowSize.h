#pragma once

struct AppContext;

// Gives the pick, settings, add and edit windows the size W × H and places the children
// of the pick, add and edit windows by absolute geometry derived from it.
void applyWindowSize(const AppContext &context, int width, int height);
