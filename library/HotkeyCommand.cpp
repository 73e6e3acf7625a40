#include "library/HotkeyCommand.h"

#include "library/HotkeyRules.h"

#include <QKeySequence>

namespace hotkeycommand {

namespace {

const QString option = QStringLiteral("--hotkey");

// The first combination of a key sequence, as a hotkey takes it; none for an empty one.
std::optional<QKeyCombination> firstOf(const QKeySequence &sequence) {
    if (sequence.isEmpty() || sequence[0].key() == Qt::Key_unknown)
        return std::nullopt;
    return sequence[0];
}

// What the user typed after "--hotkey": the portable form, or the native one it is
// stored in; a text with more than one combination is none.
std::optional<QKeyCombination> commandCombination(const QString &text) {
    const QString trimmed = text.trimmed();
    for (const QKeySequence::SequenceFormat format : {QKeySequence::PortableText, QKeySequence::NativeText}) {
        const QKeySequence sequence = QKeySequence::fromString(trimmed, format);
        if (sequence.count() == 1 && sequence[0].key() != Qt::Key_unknown)
            return sequence[0];
    }
    return std::nullopt;
}

} // namespace

std::optional<QString> combinationIn(const QStringList &arguments) {
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString &argument = arguments.at(i);
        if (argument == option)
            return i + 1 < arguments.size() ? arguments.at(i + 1) : QString();
        if (argument.startsWith(option + QLatin1Char('=')))
            return argument.sliced(option.size() + 1);
    }
    return std::nullopt;
}

Match match(const QString &combination, const QString &mainHotkey, const QStringList &rowHotkeys) {
    const std::optional<QKeyCombination> pressed = commandCombination(combination);
    if (!pressed)
        return {Target::NotACombination};
    if (firstOf(hotkeySequence(mainHotkey)) == pressed)
        return {Target::MainHotkey};
    for (int row = 0; row < rowHotkeys.size(); ++row)
        if (!rowHotkeys.at(row).isEmpty() && firstOf(hotkeySequence(rowHotkeys.at(row))) == pressed)
            return {Target::PhraseHotkey, row};
    return {Target::NoSuchHotkey};
}

} // namespace hotkeycommand
