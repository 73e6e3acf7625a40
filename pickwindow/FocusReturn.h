#pragma once

#include <functional>

class QWidget;

// Runs then once the desktop has given the keyboard focus back to the application the
// user came from: no window of this program has the focus any more (the pick window was
// hidden and deactivated), and a short settle has passed for the compositor to hand the
// focus on. When the focus never leaves (a compositor that keeps it), then runs after
// maxWaitMs all the same. Keys and pastes sent earlier would reach the pick window.
void whenFocusReturned(std::function<void()> then, int settleMs = 120, int maxWaitMs = 1500);
