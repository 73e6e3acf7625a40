#pragma once

#include "output/OutputAction.h"

#include <QByteArray>
#include <QString>

// The name of an action kind as the markup tool prints it: "Text", "KeyPress", ...
QString actionKindName(OutputAction::Kind kind);

// One action as a single line of compact JSON (no trailing newline), with the members
// in the record's order: kind, text, modifiers, mainKey, pauseMs, filePath. Unpaired
// surrogates are written as \u escapes so that no character is lost.
QByteArray actionToJsonLine(const OutputAction &action);
