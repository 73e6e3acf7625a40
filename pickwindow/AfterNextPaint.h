#pragma once

#include <functional>

class QWidget;

// Runs a task once the window's next paint has reached the screen, so that what the user
// waits for comes first; after `latestMs` when no paint comes (the window left hidden,
// covered, or off every screen). Asked before the window is shown, it also catches a paint
// that the platform does within the show itself.
void runAfterNextPaint(QWidget *window, std::function<void()> task, int latestMs = 500);
