#pragma once

#include <QJsonValue>

#include <functional>

// What phrase output takes from the user's settings. The runner asks its source again
// at every wait and every paste, so that a change made while an output runs applies to
// the rest of it.
struct OutputSettings {
    int delayMs = 0;              // between actions and after each key chord; negative counts as 0
    QJsonValue terminalPasteKeys; // the user's table of paste chords, see pasteChordFor
    bool restoresClipboard = false;
    // The one paste chord for every program where the focused window is not known
    // (Wayland); Ctrl+V when missing or no chord.
    QJsonValue pasteKeys;
};

using OutputSettingsSource = std::function<OutputSettings()>;
