#pragma once

#include <QAbstractNativeEventFilter>
#include <QtGlobal>

#include <functional>

// A native event filter for a test target: calls onLoss with the window's id each time
// one of the application's windows loses the input focus to another window, as the
// server reports it (Qt's own focus bookkeeping hides a short loss behind a timer).
// Returns null where there is no such report (outside X11).
QAbstractNativeEventFilter *newFocusOutRecorder(std::function<void(quint64 window)> onLoss);
