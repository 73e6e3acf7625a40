#include "output/KeyNames.h"

#include <QList>

namespace {

struct NamedKey {
    const char16_t *name;
    quint16 code;
};

// Lower-case names; the caller lower-cases before comparing.
constexpr NamedKey namedKeys[] = {
    {u"enter", VirtualKey::Enter},         {u"return", VirtualKey::Enter}, {u"tab", VirtualKey::Tab},
    {u"space", VirtualKey::Space},         {u"esc", VirtualKey::Escape},   {u"escape", VirtualKey::Escape},
    {u"backspace", VirtualKey::Backspace}, {u"left", VirtualKey::Left},    {u"up", VirtualKey::Up},
    {u"right", VirtualKey::Right},         {u"down", VirtualKey::Down},    {u"ins", VirtualKey::Insert},
    {u"insert", VirtualKey::Insert},
};

enum Modifier { Ctrl, Alt, Shift, Win, ModifierCount, NoModifier = ModifierCount };

// Indexed by Modifier: the order in which held modifiers are listed.
constexpr quint16 modifierCodes[ModifierCount] = {VirtualKey::LeftCtrl, VirtualKey::LeftAlt,
                                                  VirtualKey::LeftShift, VirtualKey::LeftWin};

Modifier modifierFromLowerName(const QString &lower) {
    if (lower == u"ctrl" || lower == u"control")
        return Ctrl;
    if (lower == u"alt")
        return Alt;
    if (lower == u"shift")
        return Shift;
    if (lower == u"win" || lower == u"meta" || lower == u"windows")
        return Win;
    return NoModifier;
}

} // namespace

bool keyNameToVirtualKey(const QString &name, quint16 &code) {
    const QString lower = name.trimmed().toLower();
    if (lower.isEmpty())
        return false;

    for (const NamedKey &key : namedKeys) {
        if (lower == QStringView(key.name)) {
            code = key.code;
            return true;
        }
    }

    if (lower.size() == 1) {
        const char16_t upper = lower.at(0).toUpper().unicode();
        if ((upper >= u'A' && upper <= u'Z') || (upper >= u'0' && upper <= u'9')) {
            code = upper;
            return true;
        }
        return false;
    }

    if (lower.startsWith(u'f')) {
        bool ok = false;
        const int number = QStringView(lower).mid(1).toInt(&ok, 10);
        if (ok && number >= 1 && number <= 24) {
            code = quint16(VirtualKey::F1 + number - 1);
            return true;
        }
    }
    return false;
}

bool parseKeyChord(const QString &text, OutputAction &action) {
    bool marked[ModifierCount] = {};
    bool haveMainKey = false;
    quint16 mainKey = 0;

    const QStringList pieces = text.split(u'+', Qt::KeepEmptyParts);
    for (const QString &rawPiece : pieces) {
        const QString piece = rawPiece.trimmed();
        if (piece.isEmpty())
            return false;
        const Modifier modifier = modifierFromLowerName(piece.toLower());
        if (modifier != NoModifier) {
            if (marked[modifier])
                return false;
            marked[modifier] = true;
            continue;
        }
        if (haveMainKey)
            return false;
        if (!keyNameToVirtualKey(piece, mainKey))
            return false;
        haveMainKey = true;
    }

    action.kind = OutputAction::KeyPress;
    for (int m = 0; m < ModifierCount; ++m) {
        if (marked[m])
            action.modifiers.append(modifierCodes[m]);
    }
    action.mainKey = haveMainKey ? mainKey : 0;
    return true;
}
