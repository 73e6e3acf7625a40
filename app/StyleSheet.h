#pragma once

#include <QString>

#include <QStringList>

// The families the look asks for, in order of preference.
QStringList styleSheetFontFamilies();

// The application-wide look with the given font families, set once at start-up before any
// widget is shown.
QString applicationStyleSheet(const QStringList &fontFamilies);
