#pragma once

#include <QList>
#include <QString>
#include <QtGlobal>

// One step of a phrase's output. Key codes are Windows virtual-key codes on every
// platform; the platform layer maps them to its own keys.
struct OutputAction {
    enum Kind : quint32 { Text = 0, KeyPress = 1, Pause = 2, PasteFile = 3 };

    Kind kind = Text;
    QString text;             // Text: the text to paste, never empty
    QList<quint16> modifiers; // KeyPress: left Ctrl, Alt, Shift, Win in that order, each at most once
    quint16 mainKey = 0;      // KeyPress: the key tapped while the modifiers are held; 0 = none
    qint32 pauseMs = 0;       // Pause: 0 to 2147483647
    QString filePath;         // PasteFile: absolute path of an existing regular file, "/" separators

    bool operator==(const OutputAction &other) const {
        return kind == other.kind && text == other.text && modifiers == other.modifiers &&
               mainKey == other.mainKey && pauseMs == other.pauseMs && filePath == other.filePath;
    }
    bool operator!=(const OutputAction &other) const { return !(*this == other); }
};

using OutputActionList = QList<OutputAction>;
