#pragma once

#include <QString>
#include <QStringList>

#include <optional>

// "--hotkey COMBINATION" on the command line: the user's desktop saw COMBINATION pressed
// (a shortcut bound there runs the program with it) and the running instance acts as if
// its own hotkey had been pressed.
namespace hotkeycommand {

// The combination a command line asks for: the value of "--hotkey VALUE" or
// "--hotkey=VALUE"; an empty string when "--hotkey" has no value; none without it.
std::optional<QString> combinationIn(const QStringList &arguments);

enum class Target { MainHotkey, PhraseHotkey, NoSuchHotkey, NotACombination };

struct Match {
    Target target = Target::NoSuchHotkey;
    int row = -1; // the phrase's row, for PhraseHotkey
};

// Which hotkey a combination names: the main hotkey, or a phrase's (rowHotkeys holds each
// row's hotkey text, empty for none), both as stored. Compared as key combinations, so
// "ctrl+shift+v", "Shift+Ctrl+V" and "Ctrl+Shift+V" are one.
Match match(const QString &combination, const QString &mainHotkey, const QStringList &rowHotkeys);

} // namespace hotkeycommand
