#pragma once

#include <functional>

class QWidget;

// Runs a task once the program has started and the window's drawing has settled: no paint
// of it for a moment. A big list is laid out and repainted in batches after the first
// paint, and the row under the pointer is painted again once the pointer is seen there.
void runWhenSettled(QWidget *window, std::function<void()> task);
