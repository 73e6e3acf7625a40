#pragma once

// Builders and printing for OutputAction in tests.

#include "output/OutputAction.h"

#include <QByteArray>
#include <QList>
#include <QMetaType>
#include <QString>
#include <QStringList>

#include <cstring>

inline OutputAction textAction(const QString &text) {
    OutputAction a;
    a.kind = OutputAction::Text;
    a.text = text;
    return a;
}

inline OutputAction keyAction(QList<quint16> modifiers, quint16 mainKey) {
    OutputAction a;
    a.kind = OutputAction::KeyPress;
    a.modifiers = modifiers;
    a.mainKey = mainKey;
    return a;
}

inline OutputAction keyAction(quint16 mainKey) {
    return keyAction({}, mainKey);
}

inline OutputAction pauseAction(qint32 ms) {
    OutputAction a;
    a.kind = OutputAction::Pause;
    a.pauseMs = ms;
    return a;
}

inline OutputAction fileAction(const QString &path) {
    OutputAction a;
    a.kind = OutputAction::PasteFile;
    a.filePath = path;
    return a;
}

// A record with every field set, to show that a failed call writes nothing.
inline OutputAction untouchedSentinel() {
    OutputAction a;
    a.kind = OutputAction::Pause;
    a.text = QStringLiteral("sentinel");
    a.modifiers = {0x11};
    a.mainKey = 0x99;
    a.pauseMs = 4321;
    a.filePath = QStringLiteral("/sentinel");
    return a;
}

inline QString describeAction(const OutputAction &a) {
    QStringList mods;
    for (quint16 m : a.modifiers)
        mods << QStringLiteral("0x%1").arg(m, 2, 16, QLatin1Char('0'));
    return QStringLiteral("{kind %1, text \"%2\", modifiers [%3], mainKey 0x%4, pauseMs %5, filePath \"%6\"}")
        .arg(int(a.kind))
        .arg(a.text, mods.join(QLatin1Char(',')))
        .arg(a.mainKey, 2, 16, QLatin1Char('0'))
        .arg(a.pauseMs)
        .arg(a.filePath);
}

// Lets QCOMPARE print actions and lists of them when they differ.
inline char *toString(const OutputAction &a) {
    const QByteArray bytes = describeAction(a).toUtf8();
    char *out = new char[size_t(bytes.size()) + 1];
    std::memcpy(out, bytes.constData(), size_t(bytes.size()) + 1);
    return out;
}

Q_DECLARE_METATYPE(OutputAction)
