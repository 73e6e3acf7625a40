#pragma once

#include <QString>

// The application-wide look, set once at start-up before any widget exists.
QString applicationStyleSheet();
