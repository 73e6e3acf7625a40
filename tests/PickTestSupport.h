#pragma once

// Shared set-up of the pick-window tests: the whole program built once per test process
// (offscreen, output recorded instead of typed), a small known library, and a readable
// account of what one key did.

#include <QString>
#include <QStringList>

class QTemporaryDir;

// Writes a config.json with phrase output as fast as it goes and not pinned, then builds
// the program into appContext() without showing the pick window.
void buildPickTestProgram(const QTemporaryDir &dir);

// Groups 甲, 乙, 丙 (乙 current) and the phrases b1, a1 (group 甲, so hidden), b2, b3, b4;
// b2 is current; the search box is empty; not pinned; the pick window hidden; no search
// mode and nothing blocking keys.
void resetPickLibrary();

// Fills the phrase list with the given texts, all in the current group, and refilters.
void setPhraseTexts(const QStringList &texts);

// Pick window visible and passive (what the global hotkey does).
void showPickWindow();

// What the user can see of the pick window, taken before and after an action.
struct PickSnapshot {
    QString current; // text of the current phrase, empty for none
    QString group;   // text of the current tab
    QString search;
    bool visible = false;
    bool searching = false;
    bool pinned = false;
};
PickSnapshot pickSnapshot();

// Starts recording phrase output (call right before the action).
void startObservingOutput();

// What changed between the snapshots, in a fixed order, e.g. "input b2, closed" or
// "group 甲, current a1"; "none" when nothing did. Waits for a started output to end.
QString pickEffect(const PickSnapshot &before, const PickSnapshot &after);

// Ends a started output, search mode and anything left visible, so that the next case
// starts clean.
void settlePickWindow();
