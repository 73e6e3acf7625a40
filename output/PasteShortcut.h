#pragma once

#include "output/OutputAction.h"

#include <QJsonValue>
#include <QStringList>

// Which keys paste in the focused window. Most programs paste on Ctrl+V; terminals do
// not (Ctrl+V there types a control character), so they are told apart by the X11
// WM_CLASS names of the focused window and its ancestors.

// The chord (a KeyPress action) that pastes in a window with these WM_CLASS names,
// nearest window first; Ctrl+V when no name is in the table. userTable holds the user's
// additions (settings::terminalPasteKeys): an object from WM_CLASS name (instance or
// class, any case) to chord, e.g. {"wezterm": "Ctrl+Shift+V"}. Entries override the
// defaults; an entry whose chord does not parse is ignored.
OutputAction pasteChordFor(const QStringList &windowClasses, const QJsonValue &userTable);

// Ctrl+V, the shortcut of ordinary programs.
bool isPlainCtrlV(const OutputAction &chord);

// Terminals pasting on Shift+Insert take the primary selection, not the clipboard.
bool pastesPrimarySelection(const OutputAction &chord);
