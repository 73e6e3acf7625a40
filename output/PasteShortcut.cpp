#include "output/PasteShortcut.h"

#include "output/KeyNames.h"

#include <QJsonObject>

namespace {

constexpr const char *ctrlShiftV = "Ctrl+Shift+V";
constexpr const char *shiftInsert = "Shift+Insert";

// Lower-case WM_CLASS names of common terminals and their paste chord.
struct DefaultEntry {
    const char *windowClass;
    const char *chord;
};
constexpr DefaultEntry defaultTable[] = {
    // VTE terminals
    {"gnome-terminal", ctrlShiftV},
    {"gnome-terminal-server", ctrlShiftV},
    {"xfce4-terminal", ctrlShiftV},
    {"tilix", ctrlShiftV},
    {"terminator", ctrlShiftV},
    {"mate-terminal", ctrlShiftV},
    {"lxterminal", ctrlShiftV},
    {"sakura", ctrlShiftV},
    {"guake", ctrlShiftV},
    {"tilda", ctrlShiftV},
    {"kgx", ctrlShiftV},
    // others with the same chord
    {"konsole", ctrlShiftV},
    {"kitty", ctrlShiftV},
    {"alacritty", ctrlShiftV},
    {"qterminal", ctrlShiftV},
    // X toolkit terminals: the primary selection on Shift+Insert
    {"xterm", shiftInsert},
    {"uxterm", shiftInsert},
    {"urxvt", shiftInsert},
    {"rxvt", shiftInsert},
    {"urxvt-unicode", shiftInsert}};

OutputAction chordOf(const QString &text) {
    OutputAction chord;
    parseKeyChord(text, chord);
    return chord;
}

bool lookUp(const QString &windowClass, const QJsonObject &userTable, OutputAction &chord) {
    const QString name = windowClass.toLower();
    for (auto entry = userTable.begin(); entry != userTable.end(); ++entry) {
        OutputAction configured;
        if (entry.key().toLower() == name && parseKeyChord(entry.value().toString(), configured) &&
            configured.mainKey != 0) {
            chord = configured;
            return true;
        }
    }
    for (const DefaultEntry &entry : defaultTable) {
        if (name == QLatin1String(entry.windowClass)) {
            chord = chordOf(QLatin1String(entry.chord));
            return true;
        }
    }
    return false;
}

} // namespace

OutputAction pasteChordFor(const QStringList &windowClasses, const QJsonValue &userTable) {
    OutputAction chord;
    for (const QString &windowClass : windowClasses) {
        if (lookUp(windowClass, userTable.toObject(), chord))
            return chord;
    }
    return chordOf(QStringLiteral("Ctrl+V"));
}

bool isPlainCtrlV(const OutputAction &chord) {
    return chord == chordOf(QStringLiteral("Ctrl+V"));
}

bool pastesPrimarySelection(const OutputAction &chord) {
    return chord == chordOf(QLatin1String(shiftInsert));
}
